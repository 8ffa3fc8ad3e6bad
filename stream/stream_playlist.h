// The entries of a playlist a server sends in place of audio (PLS, M3U or M3U8).
#pragma once
#include <cstdint>

constexpr int32_t kStreamPlaylistMaxBytes = 65536;  // the most of a playlist body the caller reads
constexpr int32_t kStreamUrlBytes = 2048;

// The stream addresses among the entries of the `length` bytes of `body`: for PLS the "FileN=" values in
// the order of N, for M3U and M3U8 the lines that are not comments, in the file's order. Only entries
// that are well-formed http:// or https:// addresses count; at most `maxUrls` are written to `urls`,
// each NUL-terminated. Returns how many were written.
int32_t StreamPlaylistUrls(const char* body, int32_t length, char (*urls)[kStreamUrlBytes], int32_t maxUrls);
