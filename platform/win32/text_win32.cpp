// Windows half of the text conversion: the system's ANSI code page.
#include "platform/text.h"

#include <windows.h>

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
