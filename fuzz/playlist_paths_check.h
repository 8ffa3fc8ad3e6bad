// The paths a playlist reader left in the playlist, each checked as every entry must be: not empty,
// NUL-terminated within its field, well-formed UTF-8 and at most 259 UTF-16 units. Aborts otherwise.
#pragma once
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/text.h"
#include "playlist/playlist.h"

inline std::vector<std::string> CheckedPlaylistPaths() {
  std::vector<std::string> paths;
  PlaylistEntry entry;
  for (int32_t i = 0; CopyEntryAt(i, &entry); ++i) {
    const size_t length = strnlen(entry.path, sizeof entry.path);
    if (length == 0 || length >= sizeof entry.path) std::abort();
    if (!IsUtf8(reinterpret_cast<const uint8_t*>(entry.path), length)) std::abort();
    if (Utf16Length(entry.path) > kMaxPathUnits) std::abort();
    paths.emplace_back(entry.path, length);
  }
  return paths;
}
