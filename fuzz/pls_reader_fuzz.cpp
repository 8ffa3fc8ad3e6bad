// Arbitrary bytes as a PLS file behind one knob byte: the reader must stay within its bounds and add
// paths in UTF-8, and what it read must survive a save and a second read unchanged (when an ini value
// can hold it unchanged), saved into a new file (bit 0 clear) or over a copy of the input (set), whose
// other lines stay and whose text may have to turn from the ANSI code page into UTF-8.
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
std::string gPath;
std::string gCopy;

int32_t NoBox(WindowHandle, const char*, const char*, uint32_t) { return kAnswerOk; }

void Start() {
  gPath = ScratchFile("pls-fuzz", "list.pls");
  gCopy = ScratchFile("pls-fuzz", "copy.pls");
  gSettings.readInfoOnAdd = 0;  // entries are names only
  SetMessageBoxHook(&NoBox);
}

// A value an ini line holds as it stands: the profile functions drop blanks around a value and one pair
// of matching quotes, so such entries come back changed from any PLS file.
bool KeptVerbatim(const std::string& path) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; };
  if (blank(path.front()) || blank(path.back())) return false;
  return !(path.size() >= 2 && (path.front() == '"' || path.front() == '\'') && path.back() == path.front());
}

std::vector<std::string> Entries() { return CheckedPlaylistPaths(); }

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  if (gPath.empty()) Start();
  const uint8_t knob = data[0];
  ++data;
  --size;
  WriteFile(gPath, data, size);

  ClearPlaylist();
  LoadPls(gPath.c_str());
  const std::vector<std::string> first = Entries();
  if (first.size() > size_t(kMaxPlsEntries)) std::abort();
  bool verbatim = true;
  for (const std::string& path : first) verbatim = verbatim && KeptVerbatim(path);
  if (!first.empty() && verbatim) {
    std::remove(gCopy.c_str());
    if (knob & 1) WriteFile(gCopy, data, size);
    if (SavePls(gCopy.c_str()) != 1) std::abort();
    ClearPlaylist();
    if (LoadPls(gCopy.c_str()) != 1) std::abort();
    if (Entries() != first) std::abort();
  }
  ClearPlaylist();
  return 0;
}
