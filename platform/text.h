// Text inside the program is UTF-8 in char strings. This seam converts it: to and from UTF-16 (the wide
// Windows functions, ID3v2 frames), and to and from the ANSI code page where a stored format or a
// published interface keeps single-byte text (ID3v1 tags, older playlists, the settings record, the
// plug-in interface). The ANSI code page is the system's on Windows (no best-fit look-alikes: what it
// lacks is "?") and Windows-1252, that of western Windows systems, on the host.
#pragma once
#include <cstddef>
#include <cstdint>

// A path holds at most 259 UTF-16 units, as Windows counts them; its UTF-8 takes up to three bytes a
// unit, so path buffers hold 3 x 259 bytes and a NUL.
constexpr int32_t kMaxPathUnits = 259;
constexpr int32_t kPathBytes = 3 * kMaxPathUnits + 1;

// UTF-16 to UTF-8: `count` units (or up to the first 0 unit when `count` is negative), an unpaired
// surrogate as U+FFFD. Writes at most `size` - 1 bytes and a NUL, never cutting a character in two.
// Returns the number of bytes before the NUL.
int32_t Utf8FromUtf16(const uint16_t* units, int32_t count, char* out, int32_t size);
// UTF-8 to UTF-16: `length` bytes (or up to the NUL when negative), each malformed byte as U+FFFD.
// Writes at most `size` - 1 units and a 0, never cutting a surrogate pair. Returns the units written.
int32_t Utf16FromUtf8(const char* text, int32_t length, uint16_t* out, int32_t size);
// The number of UTF-16 units `text` (up to its NUL) takes.
int32_t Utf16Length(const char* text);
// 1 when the bytes are well-formed UTF-8 (no overlong forms, surrogates or code points past U+10FFFF).
int32_t IsUtf8(const uint8_t* bytes, size_t count);
// 1 when some byte of the text is not ASCII.
int32_t HasNonAscii(const uint8_t* bytes, size_t count);
// The code point that starts at byte `*at` of the `count` bytes of `text`, moving `*at` past it; a
// malformed byte reads as U+FFFD and moves one byte on, as the conversions above take it. 0, moving
// nothing, when `*at` is not before `count`.
uint32_t NextCodePoint(const char* text, size_t count, size_t* at);

// ANSI code page to UTF-8: `length` bytes (up to the NUL when negative), bounded as Utf8FromUtf16.
int32_t Utf8FromAnsi(const char* ansi, int32_t length, char* out, int32_t size);
// UTF-8 (up to its NUL) to the ANSI code page, bounded as AnsiFromUtf16. Returns the bytes written, or
// -1 when a character has no form in the code page ("?" stands in its place then).
int32_t AnsiFromUtf8(const char* text, char* out, int32_t size);

// Converts `count` UTF-16 code units and writes at most `size` - 1 bytes and a NUL to `out`, never
// cutting a double-byte character in two. Returns the number of bytes before the NUL.
int32_t AnsiFromUtf16(const uint16_t* units, int32_t count, char* out, int32_t size);
