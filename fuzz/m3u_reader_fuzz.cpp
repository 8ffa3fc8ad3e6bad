// Arbitrary bytes as an M3U file behind one knob byte: bit 0 names the file ".m3u8" (UTF-8 by its name)
// instead of ".m3u". Every entry the reader adds must be a terminated path in UTF-8 that fits, neither
// blank nor a "#" line; written back as M3U (bit 1 clear) or M3U8 (set), the list must read back the same.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/notify.h"
#include "platform/text.h"
#include "playlist/playlist.h"
#include "playlist/playlist_files.h"
#include "fuzz/playlist_paths_check.h"
#include "fuzz/scratch_folder.h"
#include "settings/settings.h"

namespace {
std::string gPlain;
std::string gUtf8;
std::string gCopy;

int32_t NoBox(WindowHandle, const char*, const char*, uint32_t) { return kAnswerOk; }

void Start() {
  gPlain = ScratchFile("m3u-fuzz", "list.m3u");
  gUtf8 = ScratchFile("m3u-fuzz", "list.m3u8");
  gCopy = ScratchFile("m3u-fuzz", "copy");
  ScratchFile("m3u-fuzz", "copy.m3u");
  ScratchFile("m3u-fuzz", "copy.m3u8");
  gSettings.readInfoOnAdd = 0;  // entries are names only
  SetMessageBoxHook(&NoBox);
}

std::vector<std::string> Entries() {
  std::vector<std::string> paths = CheckedPlaylistPaths();
  for (const std::string& path : paths) {
    if (path.find_first_of("\r\n") != std::string::npos || path[0] == '#') std::abort();
  }
  return paths;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  if (gPlain.empty()) Start();
  const uint8_t knob = data[0];
  ++data;
  --size;
  const std::string& path = (knob & 1) ? gUtf8 : gPlain;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);

  ClearPlaylist();
  if (LoadM3u(path.c_str()) != 1) std::abort();
  const std::vector<std::string> first = Entries();
  if (first.size() > size / 2 + 1) std::abort();  // at most one entry per line
  if (!first.empty()) {
    const PlaylistType type = (knob & 2) ? kPlaylistM3u8 : kPlaylistM3u;
    if (SavePlaylist(gCopy.c_str(), type) != 1) std::abort();
    ClearPlaylist();
    if (LoadM3u((gCopy + (type == kPlaylistM3u8 ? ".m3u8" : ".m3u")).c_str()) != 1) std::abort();
    if (Entries() != first) std::abort();
  }
  ClearPlaylist();
  return 0;
}
