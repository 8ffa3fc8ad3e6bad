#include "playlist/resume_list.h"

#include <cstring>
#include <string>

#include "platform/file.h"
#include "playlist/playlist.h"
#include "playlist/playlist_files.h"

namespace {

constexpr uint64_t kFnvOffset = 14695981039346656037ull;
constexpr uint64_t kFnvPrime = 1099511628211ull;

int32_t VisitFingerprint(const PlaylistEntry& entry, void* context) {
  uint64_t& hash = *static_cast<uint64_t*>(context);
  // The terminator goes in too, so that "ab" + "c" and "a" + "bc" differ.
  const size_t length = strnlen(entry.path, sizeof entry.path);
  for (size_t i = 0; i <= length && i < sizeof entry.path; ++i) hash = (hash ^ uint8_t(entry.path[i])) * kFnvPrime;
  return 1;
}

int32_t VisitLine(const PlaylistEntry& entry, void* context) {
  std::string& text = *static_cast<std::string*>(context);
  const size_t length = strnlen(entry.path, sizeof entry.path);
  if (std::memchr(entry.path, '\r', length) || std::memchr(entry.path, '\n', length)) return 1;
  text.append(entry.path, length);
  text += "\r\n";
  return 1;
}

}  // namespace

uint64_t PlaylistFingerprint() {
  uint64_t hash = kFnvOffset;
  const int32_t count = WalkPlaylist(VisitFingerprint, &hash);
  return (hash ^ uint64_t(count)) * kFnvPrime;
}

int32_t WriteResumeList(const char* path) {
  // Kept between writes, so that a list no longer than before allocates nothing.
  static std::string text;
  text = "#EXTM3U\r\n";
  WalkPlaylist(VisitLine, &text);
  return FileWriteWhole(path, text.data(), int64_t(text.size()));
}

int32_t LoadResumeList(const char* path) { return LoadM3u(path); }
