// Server text to UTF-8: kept when it is UTF-8 already, else converted from the ANSI code page.
#include "stream/stream_text.h"

#include <cstring>

#include "platform/text.h"

int32_t StreamTextToUtf8(const char* bytes, int32_t length, char* out, int32_t size) {
  if (out == nullptr || size <= 0) return 0;
  out[0] = 0;
  if (bytes == nullptr || length <= 0) return 0;
  int32_t n;
  if (IsUtf8(reinterpret_cast<const uint8_t*>(bytes), size_t(length))) {
    n = length < size - 1 ? length : size - 1;
    // Back off to the start of the character the cut would split.
    if (n < length) {
      while (n > 0 && (static_cast<uint8_t>(bytes[n]) & 0xC0) == 0x80) --n;
    }
    std::memcpy(out, bytes, size_t(n));
    out[n] = 0;
  } else {
    n = Utf8FromAnsi(bytes, length, out, size);
  }
  // A title or name is one line of display text.
  for (int32_t i = 0; i < n; ++i) {
    if (static_cast<uint8_t>(out[i]) < 0x20 || out[i] == 0x7F) out[i] = ' ';
  }
  return n;
}

void CopyUtf8Text(char* out, int32_t size, const char* text) {
  if (out == nullptr || size <= 0) return;
  int32_t n = static_cast<int32_t>(std::strlen(text));
  if (n > size - 1) {
    n = size - 1;
    while (n > 0 && (static_cast<uint8_t>(text[n]) & 0xC0) == 0x80) --n;
  }
  std::memcpy(out, text, static_cast<size_t>(n));
  out[n] = '\0';
}
