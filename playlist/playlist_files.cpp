#include "playlist/playlist_files.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/directory.h"
#include "platform/file.h"
#include "platform/notify.h"
#include "platform/profile.h"
#include "playlist/playlist.h"

namespace {

// Paths live in arrays of 260 characters: at most 259 and the terminator.
constexpr size_t kPathSize = sizeof(PlaylistEntry{}.path);
constexpr const char* kPlsSection = "playlist";
constexpr const char* kPlsCountKey = "NumberOfEntries";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// Case-insensitive comparison of the path's last four characters with `ending` (lower case).
bool EndsWith(const char* path, const char* ending) {
  const size_t n = strnlen(path, kPathSize);
  if (n < 4) return false;
  for (size_t i = 0; i < 4; ++i) {
    if (Lower(path[n - 4 + i]) != ending[i]) return false;
  }
  return true;
}

// Length of the playlist file's folder: its path up to and including the last separator (0 when the
// path has none).
size_t FolderLength(const char* path, size_t length) {
  size_t folder = 0;
  for (size_t i = 0; i < length; ++i) {
    if (IsSeparator(path[i])) folder = i + 1;
  }
  return folder;
}

// An entry that names its own place: it starts with a drive ("C:\") or a separator ("\music\a.mp3",
// "\\server\share\a.mp3"). Anything else is relative to the playlist file's folder.
bool IsRooted(const char* value, size_t length) {
  if (length >= 1 && IsSeparator(value[0])) return true;
  return length >= 3 && value[1] == ':' && IsSeparator(value[2]);
}

// Adds one entry: `value` as it stands when rooted, else joined to the folder of `playlist`. An entry
// whose path would not fit is left out; cut short it would name another file or none.
void AddEntry(const char* playlist, size_t folderLength, const char* value, size_t length) {
  const size_t prefix = IsRooted(value, length) ? 0 : folderLength;
  if (prefix + length >= kPathSize) return;
  char entry[kPathSize];
  std::memcpy(entry, playlist, prefix);
  std::memcpy(entry + prefix, value, length);
  entry[prefix + length] = '\0';
  AddTrack(entry);
}

// One line of an M3U file as it is collected.
struct M3uLine {
  char text[kPathSize];
  size_t length;
  bool tooLong;  // more characters than a path can hold; the line is left out
};

void AddM3uLine(const char* playlist, size_t folderLength, M3uLine& line) {
  if (line.tooLong) return;
  const size_t length = strnlen(line.text, line.length);
  size_t firstVisible = 0;
  while (firstVisible < length && IsBlank(line.text[firstVisible])) ++firstVisible;
  if (firstVisible == length) return;  // empty or blank
  if (line.text[0] == '#') return;     // "#EXTM3U", "#EXTINF:..." and comments
  AddEntry(playlist, folderLength, line.text, length);
}

// Appends each entry's path and a NUL: the playlist's paths in one walk.
int32_t CollectPath(const PlaylistEntry& entry, void* context) {
  std::string& paths = *static_cast<std::string*>(context);
  paths.append(entry.path, strnlen(entry.path, kPathSize));
  paths.push_back('\0');
  return 1;
}

void ReportSaveFailure(const char* target) {
  char text[kPathSize + 32];
  std::snprintf(text, sizeof text, "Error Writing: %s", target);
  ShowMessageBox(nullptr, text, "Error Saving Playlist...", kBoxOk);
}

}  // namespace

namespace {
int32_t gAddsRunning = 0;
}  // namespace

int32_t AddRunning() { return gAddsRunning > 0 ? 1 : 0; }

int32_t AddByType(const char* path) {
  if (path == nullptr) return 0;
  if (PathIsDirectory(path)) {
    // The box runs a message loop of its own: while it is up, the window knows that an add is under way.
    ++gAddsRunning;
    ShowMessageBox(PlaylistOwner(), path, "Adding Directory...", kBoxOk);
    AddDirectory(path);
    --gAddsRunning;
  } else if (EndsWith(path, ".pls")) {
    LoadPls(path);
  } else if (EndsWith(path, ".m3u")) {
    LoadM3u(path);
  } else {
    AddTrack(path);
  }
  return 1;
}

int32_t LoadM3u(const char* path) {
  if (path == nullptr) return 0;
  const FileHandle file = FileOpenRead(path);
  if (file == kNoFile) return 0;
  const size_t folderLength = FolderLength(path, std::strlen(path));

  M3uLine line{};
  uint8_t chunk[4096];
  bool atStart = true;
  bool afterCr = false;
  bool ended = false;
  while (!ended) {
    const int32_t got = FileRead(file, chunk, int32_t(sizeof chunk));
    if (got <= 0) break;
    int32_t i = 0;
    // A UTF-8 byte order mark, as editors put before "#EXTM3U", is not part of the first line.
    if (atStart && got >= 3 && chunk[0] == 0xEF && chunk[1] == 0xBB && chunk[2] == 0xBF) i = 3;
    atStart = false;
    for (; i < got; ++i) {
      const char c = char(chunk[i]);
      if (c == '\x1A') {  // Ctrl+Z ends a text file
        ended = true;
        break;
      }
      if (c == '\n' && afterCr) {  // the second half of a CR LF pair
        afterCr = false;
        continue;
      }
      afterCr = c == '\r';
      if (c == '\n' || c == '\r') {
        AddM3uLine(path, folderLength, line);
        line.length = 0;
        line.tooLong = false;
        continue;
      }
      if (line.length < kPathSize - 1) {
        line.text[line.length++] = c;
        line.text[line.length] = '\0';
      } else {
        line.tooLong = true;
      }
    }
  }
  AddM3uLine(path, folderLength, line);  // a last line without a line end
  FileClose(file);
  return 1;
}

int32_t LoadPls(const char* path) {
  if (path == nullptr) return 0;
  const size_t folderLength = FolderLength(path, std::strlen(path));
  const int32_t count = ProfileGetInt(kPlsSection, kPlsCountKey, -1, path);
  if (count == -1) return 0;
  const int32_t last = count < kMaxPlsEntries ? count : kMaxPlsEntries;
  int32_t gap = 0;
  for (int32_t i = 1; i <= last && gap < kMaxPlsGap; ++i) {
    char key[24];
    std::snprintf(key, sizeof key, "File%d", static_cast<int>(i));
    // Room for more than a path, so that a value too long to be one is seen as such and not cut.
    char value[1024];
    const uint32_t length = ProfileGetString(kPlsSection, key, "", value, sizeof value, path);
    const size_t used = strnlen(value, length);
    if (used == 0) {
      ++gap;
      continue;
    }
    gap = 0;
    AddEntry(path, folderLength, value, used);
  }
  return 1;
}

int32_t SavePls(const char* path) {
  if (path == nullptr) return 0;
  const size_t length = strnlen(path, kPathSize);
  const size_t folderLength = FolderLength(path, length);
  const char* name = path + folderLength;
  const size_t nameLength = length - folderLength;
  bool hasExtension = nameLength >= 4;
  for (size_t i = 0; hasExtension && i < 4; ++i) hasExtension = Lower(name[nameLength - 4 + i]) == ".pls"[i];

  std::string paths;
  const int32_t count = WalkPlaylist(CollectPath, &paths);
  if (count <= 0) {
    ShowMessageBox(nullptr, "There are NO Items in the playlist To Save!", "Error Saving Playlist...", kBoxOk);
    return 0;
  }
  char target[kPathSize];
  const size_t targetLength = length + (hasExtension ? 0 : 4);
  if (targetLength >= kPathSize) {
    ReportSaveFailure(path);
    return 0;
  }
  std::memcpy(target, path, length);
  std::memcpy(target + length, ".pls", hasExtension ? 0 : 4);
  target[targetLength] = '\0';

  // One key per entry and the count, written in one go: keys of an older playlist beyond the new count
  // stay in the file, and "NumberOfEntries" governs what a later read takes.
  std::vector<std::string> keys(static_cast<size_t>(count));
  std::vector<ProfileString> strings;
  strings.reserve(static_cast<size_t>(count) + 1);
  const char* entry = paths.c_str();
  for (int32_t i = 0; i < count; ++i) {
    keys[size_t(i)] = "File" + std::to_string(i + 1);
    strings.push_back({keys[size_t(i)].c_str(), entry});
    entry += std::strlen(entry) + 1;
  }
  const std::string number = std::to_string(count);
  strings.push_back({kPlsCountKey, number.c_str()});
  if (!ProfileWriteStrings(kPlsSection, strings.data(), strings.size(), target)) {
    ReportSaveFailure(target);
    return 0;
  }
  return 1;
}
