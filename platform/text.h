// Text from tags written in Unicode, turned into the single-byte text of the ANSI functions the
// program uses. The Windows half converts to the system's ANSI code page (WideCharToMultiByte, without
// best-fit substitutes, "?" for what the code page lacks); the host half converts to Windows-1252, the
// ANSI code page of western Windows systems, with the same "?" rule.
#pragma once
#include <cstdint>

// Converts `count` UTF-16 code units and writes at most `size` - 1 bytes and a NUL to `out`, never
// cutting a double-byte character in two. Returns the number of bytes before the NUL.
int32_t AnsiFromUtf16(const uint16_t* units, int32_t count, char* out, int32_t size);
