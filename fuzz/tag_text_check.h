// A tag text field as the scanner leaves it: well-formed UTF-8 of at most `longest` characters, no
// trailing space, and nothing but zeros after its end. Anything else stops the fuzz run.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/text.h"

template <size_t N>
void CheckText(const char (&text)[N], size_t longest) {
  const size_t n = strnlen(text, N);
  if (n == N) std::abort();
  if (!IsUtf8(reinterpret_cast<const uint8_t*>(text), n)) std::abort();
  size_t characters = 0;
  for (size_t at = 0; at < n; ++characters) NextCodePoint(text, n, &at);
  if (characters > longest) std::abort();
  for (size_t i = n; i < N; ++i) {
    if (text[i] != 0) std::abort();
  }
  if (n > 0 && text[n - 1] == ' ') std::abort();
}
