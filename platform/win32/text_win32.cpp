// Windows half of the text conversion: the system's ANSI code page.
#include "platform/text.h"

#include <windows.h>

#include <vector>

namespace {
// The callers keep texts of a few dozen characters; units beyond these would not fit anyway.
constexpr int32_t kMaxUnits = 64;
}

int32_t AnsiFromUtf16(const uint16_t* units, int32_t count, char* out, int32_t size) {
  if (out == nullptr || size <= 0) return 0;
  out[0] = 0;
  if (units == nullptr || count <= 0) return 0;
  if (count > kMaxUnits) count = kMaxUnits;
  // Up to two bytes a unit in a double-byte code page; four where the ANSI code page is UTF-8.
  char converted[4 * kMaxUnits];
  const auto wide = reinterpret_cast<const WCHAR*>(units);
  // No best-fit substitutes: a character the code page lacks is "?", not a look-alike letter.
  int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, count, converted, sizeof converted, "?",
                                   nullptr);
  // UTF-8 as the ANSI code page takes neither flags nor a default character.
  if (length <= 0) length = WideCharToMultiByte(CP_ACP, 0, wide, count, converted, sizeof converted, nullptr, nullptr);
  int32_t n = 0;
  for (int32_t i = 0; i < length;) {
    const int32_t width = IsDBCSLeadByte(static_cast<BYTE>(converted[i])) ? 2 : 1;
    if (n + width > size - 1 || i + width > length) break;
    for (int32_t k = 0; k < width; ++k) out[n++] = converted[i++];
  }
  out[n] = 0;
  return n;
}

int32_t Utf8FromAnsi(const char* ansi, int32_t length, char* out, int32_t size) {
  if (out == nullptr || size <= 0) return 0;
  out[0] = 0;
  if (ansi == nullptr || length == 0) return 0;
  const int units = MultiByteToWideChar(CP_ACP, 0, ansi, length, nullptr, 0);
  if (units <= 0) return 0;
  std::vector<WCHAR> wide(size_t(units) + 1, 0);
  MultiByteToWideChar(CP_ACP, 0, ansi, length, wide.data(), units);
  const int32_t count = length < 0 ? units - 1 : units;  // without the NUL a negative length took along
  return Utf8FromUtf16(reinterpret_cast<const uint16_t*>(wide.data()), count, out, size);
}

int32_t AnsiFromUtf8(const char* text, char* out, int32_t size) {
  if (out == nullptr || size <= 0) return 0;
  out[0] = 0;
  if (text == nullptr || text[0] == 0) return 0;
  std::vector<uint16_t> wide(size_t(Utf16Length(text)) + 1);
  const int32_t units = Utf16FromUtf8(text, -1, wide.data(), int32_t(wide.size()));
  const auto* w = reinterpret_cast<const WCHAR*>(wide.data());
  BOOL lost = FALSE;
  const int needed = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w, units, nullptr, 0, "?", &lost);
  std::vector<char> converted;
  int length = 0;
  if (needed > 0) {
    converted.resize(size_t(needed));
    length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w, units, converted.data(), needed, "?", &lost);
  } else {
    // UTF-8 as the ANSI code page takes neither flags nor a default character, and loses nothing.
    lost = FALSE;
    length = WideCharToMultiByte(CP_ACP, 0, w, units, nullptr, 0, nullptr, nullptr);
    converted.resize(size_t(length > 0 ? length : 0));
    if (length > 0) WideCharToMultiByte(CP_ACP, 0, w, units, converted.data(), length, nullptr, nullptr);
  }
  int32_t n = 0;
  for (int32_t i = 0; i < length;) {
    const int32_t width = IsDBCSLeadByte(static_cast<BYTE>(converted[size_t(i)])) ? 2 : 1;
    if (n + width > size - 1 || i + width > length) {
      lost = TRUE;
      break;
    }
    for (int32_t k = 0; k < width; ++k) out[n++] = converted[size_t(i++)];
  }
  out[n] = 0;
  return lost ? -1 : n;
}
