// UTF-8 to and from UTF-16 for the wide Windows functions: the program's text is UTF-8, what Windows
// takes and gives through its W functions is UTF-16.
#pragma once
#include <string>

#include "platform/text.h"

// The UTF-16 of `text` (null reads as "").
inline std::wstring WideFromUtf8(const char* text) {
  if (text == nullptr) return std::wstring();
  std::wstring wide(size_t(Utf16Length(text)) + 1, L'\0');
  const int32_t units = Utf16FromUtf8(text, -1, reinterpret_cast<uint16_t*>(&wide[0]), int32_t(wide.size()));
  wide.resize(size_t(units));
  return wide;
}
inline std::wstring WideFromUtf8(const std::string& text) { return WideFromUtf8(text.c_str()); }

// The UTF-8 of `count` units of `wide` (up to its 0 when negative; null reads as "").
inline std::string Utf8FromWide(const wchar_t* wide, int32_t count = -1) {
  if (wide == nullptr) return std::string();
  size_t units = 0;
  if (count < 0) {
    while (wide[units] != 0) ++units;
  } else {
    units = size_t(count);
  }
  std::string text(3 * units + 1, '\0');
  const int32_t n = Utf8FromUtf16(reinterpret_cast<const uint16_t*>(wide), int32_t(units), &text[0],
                                  int32_t(text.size()));
  text.resize(size_t(n));
  return text;
}
