// The conversions between UTF-8 and UTF-16, the same in every build.
#include "platform/text.h"

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

bool IsHigh(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Reads the code point at `bytes[*at]` into `*code` and moves `*at` past it. A malformed sequence gives
// U+FFFD for its first byte, moves one byte on and returns false.
bool DecodeUtf8(const uint8_t* bytes, size_t count, size_t* at, uint32_t* code) {
  const size_t i = *at;
  const uint8_t lead = bytes[i];
  ++*at;
  *code = kReplacement;
  if (lead < 0x80) {
    *code = lead;
    return true;
  }
  size_t extra;
  uint32_t value;
  uint32_t least;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1, value = lead & 0x1Fu, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2, value = lead & 0x0Fu, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3, value = lead & 0x07u, least = 0x10000;
  } else {
    return false;
  }
  if (i + extra >= count) return false;
  for (size_t k = 1; k <= extra; ++k) {
    const uint8_t b = bytes[i + k];
    if ((b & 0xC0) != 0x80) return false;
    value = (value << 6) | (b & 0x3Fu);
  }
  if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  *at = i + 1 + extra;
  *code = value;
  return true;
}

// The UTF-8 of `code` into `out` (at least 4 bytes); returns its length.
int32_t EncodeUtf8(uint32_t code, char* out) {
  if (code < 0x80) {
    out[0] = char(code);
    return 1;
  }
  if (code < 0x800) {
    out[0] = char(0xC0 | (code >> 6));
    out[1] = char(0x80 | (code & 0x3F));
    return 2;
  }
  if (code < 0x10000) {
    out[0] = char(0xE0 | (code >> 12));
    out[1] = char(0x80 | ((code >> 6) & 0x3F));
    out[2] = char(0x80 | (code & 0x3F));
    return 3;
  }
  out[0] = char(0xF0 | (code >> 18));
  out[1] = char(0x80 | ((code >> 12) & 0x3F));
  out[2] = char(0x80 | ((code >> 6) & 0x3F));
  out[3] = char(0x80 | (code & 0x3F));
  return 4;
}

size_t Length(const char* text) {
  size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

}  // namespace

int32_t Utf8FromUtf16(const uint16_t* units, int32_t count, char* out, int32_t size) {
  if (out == nullptr || size <= 0) return 0;
  int32_t n = 0;
  for (int32_t i = 0; units != nullptr && (count < 0 ? units[i] != 0 : i < count); ++i) {
    uint32_t code = units[i];
    if (IsHigh(code) && (count < 0 || i + 1 < count) && IsLow(units[i + 1])) {
      code = 0x10000 + ((code - 0xD800) << 10) + (units[i + 1] - 0xDC00u);
      ++i;
    } else if (IsHigh(code) || IsLow(code)) {
      code = kReplacement;
    }
    char bytes[4];
    const int32_t width = EncodeUtf8(code, bytes);
    if (n + width > size - 1) break;
    for (int32_t k = 0; k < width; ++k) out[n++] = bytes[k];
  }
  out[n] = 0;
  return n;
}

int32_t Utf16FromUtf8(const char* text, int32_t length, uint16_t* out, int32_t size) {
  if (out == nullptr || size <= 0) return 0;
  int32_t n = 0;
  if (text != nullptr) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text);
    const size_t count = length < 0 ? Length(text) : size_t(length);
    for (size_t at = 0; at < count;) {
      uint32_t code;
      DecodeUtf8(bytes, count, &at, &code);
      if (code >= 0x10000) {
        if (n + 2 > size - 1) break;
        out[n++] = uint16_t(0xD800 + ((code - 0x10000) >> 10));
        out[n++] = uint16_t(0xDC00 + ((code - 0x10000) & 0x3FF));
      } else {
        if (n + 1 > size - 1) break;
        out[n++] = uint16_t(code);
      }
    }
  }
  out[n] = 0;
  return n;
}

int32_t Utf16Length(const char* text) {
  if (text == nullptr) return 0;
  const auto* bytes = reinterpret_cast<const uint8_t*>(text);
  const size_t count = Length(text);
  int32_t units = 0;
  for (size_t at = 0; at < count;) {
    uint32_t code;
    DecodeUtf8(bytes, count, &at, &code);
    units += code >= 0x10000 ? 2 : 1;
  }
  return units;
}

int32_t IsUtf8(const uint8_t* bytes, size_t count) {
  uint32_t code;
  for (size_t at = 0; at < count;)
    if (!DecodeUtf8(bytes, count, &at, &code)) return 0;
  return 1;
}

int32_t HasNonAscii(const uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (bytes[i] >= 0x80) return 1;
  return 0;
}

uint32_t NextCodePoint(const char* text, size_t count, size_t* at) {
  if (text == nullptr || at == nullptr || *at >= count) return 0;
  uint32_t code;
  DecodeUtf8(reinterpret_cast<const uint8_t*>(text), count, at, &code);
  return code;
}
