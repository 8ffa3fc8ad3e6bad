// Text a server sends (a station's name, a stream title) as the program's UTF-8.
#pragma once
#include <cstdint>

// The `length` bytes as UTF-8 when they are well-formed UTF-8, else read in the ANSI code page; control
// characters become blanks. Writes at most `size` - 1 bytes and a NUL, never cutting a character in
// two, and returns the bytes before the NUL.
int32_t StreamTextToUtf8(const char* bytes, int32_t length, char* out, int32_t size);
// Copies the UTF-8 `text` into `out` (size bytes), cut on a character boundary.
void CopyUtf8Text(char* out, int32_t size, const char* text);
