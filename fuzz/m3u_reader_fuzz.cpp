// Arbitrary bytes as an M3U file: every entry the reader adds must be a terminated path that fits,
// neither blank nor a "#" line.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "playlist/playlist.h"
#include "playlist/playlist_files.h"
#include "fuzz/scratch_folder.h"
#include "settings/settings.h"

namespace {
std::string gPath;

void Start() {
  gPath = ScratchFile("m3u-fuzz", "list.m3u");
  gSettings.readInfoOnAdd = 0;  // entries are names only
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (gPath.empty()) Start();
  FILE* f = std::fopen(gPath.c_str(), "wb");
  if (!f) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);

  ClearPlaylist();
  if (LoadM3u(gPath.c_str()) != 1) std::abort();
  const int32_t count = PlaylistCount();
  if (size_t(count) > size / 2 + 1) std::abort();  // at most one entry per line
  PlaylistEntry entry;
  for (int32_t i = 0; i < count; ++i) {
    if (!CopyEntryAt(i, &entry)) std::abort();
    const size_t length = strnlen(entry.path, sizeof entry.path);
    if (length == 0 || length >= sizeof entry.path) std::abort();
    if (std::strchr(entry.path, '\r') || std::strchr(entry.path, '\n')) std::abort();
    if (entry.path[0] == '#') std::abort();
  }
  ClearPlaylist();
  return 0;
}
