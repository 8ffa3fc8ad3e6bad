// Host half of the text conversion: Windows-1252. Its bytes 0x00-0x7F and 0xA0-0xFF are the Unicode
// code points of the same value; 0x80-0x9F hold the characters of the table below, and the five
// positions Windows-1252 leaves free stand for the C1 control of the same value, as on Windows. Every
// other code unit, and every surrogate (its character lies outside the code page), becomes "?".
#include "platform/text.h"

namespace {
constexpr uint16_t kHighHalf[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char Windows1252(uint16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
  for (int32_t i = 0; i < 32; ++i) {
    if (kHighHalf[i] == unit) return static_cast<char>(0x80 + i);
  }
  return '?';
}

bool IsHighSurrogate(uint16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(uint16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
}  // namespace

int32_t AnsiFromUtf16(const uint16_t* units, int32_t count, char* out, int32_t size) {
  if (out == nullptr || size <= 0) return 0;
  int32_t n = 0;
  for (int32_t i = 0; units != nullptr && i < count && n < size - 1; ++i) {
    // A surrogate pair is one character, and one "?".
    if (IsHighSurrogate(units[i]) && i + 1 < count && IsLowSurrogate(units[i + 1])) ++i;
    out[n++] = Windows1252(units[i]);
  }
  out[n] = 0;
  return n;
}

int32_t Utf8FromAnsi(const char* ansi, int32_t length, char* out, int32_t size) {
  if (out == nullptr || size <= 0) return 0;
  int32_t n = 0;
  // One byte is one character: each converts on its own, so any length of text does.
  for (int32_t i = 0; ansi != nullptr && (length < 0 ? ansi[i] != 0 : i < length); ++i) {
    const auto byte = static_cast<uint8_t>(ansi[i]);
    const uint16_t unit = byte >= 0x80 && byte < 0xA0 ? kHighHalf[byte - 0x80] : byte;
    char bytes[4];
    const int32_t width = Utf8FromUtf16(&unit, 1, bytes, int32_t(sizeof bytes));  // a NUL too is 1 byte
    if (n + width > size - 1) break;
    for (int32_t k = 0; k < width; ++k) out[n++] = bytes[k];
  }
  out[n] = 0;
  return n;
}

int32_t AnsiFromUtf8(const char* text, char* out, int32_t size) {
  if (out == nullptr || size <= 0) return 0;
  uint16_t units[1024];
  const int32_t count = Utf16FromUtf8(text, -1, units, 1024);
  bool lost = Utf16Length(text) > count;
  int32_t n = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (n >= size - 1) {
      lost = true;
      break;
    }
    if (IsHighSurrogate(units[i]) && i + 1 < count && IsLowSurrogate(units[i + 1])) ++i;
    out[n] = Windows1252(units[i]);
    lost = lost || (out[n] == '?' && units[i] != '?');
    ++n;
  }
  out[n] = 0;
  return lost ? -1 : n;
}
