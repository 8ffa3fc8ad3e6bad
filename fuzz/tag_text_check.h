// A tag text field as the scanner leaves it: at most `longest` characters, no trailing space, and
// nothing but zeros after its end. Anything else stops the fuzz run.
#pragma once
#include <cstddef>
#include <cstdlib>
#include <cstring>

template <size_t N>
void CheckText(const char (&text)[N], size_t longest) {
  const size_t n = strnlen(text, N);
  if (n > longest) std::abort();
  for (size_t i = n; i < N; ++i) {
    if (text[i] != 0) std::abort();
  }
  if (n > 0 && text[n - 1] == ' ') std::abort();
}
