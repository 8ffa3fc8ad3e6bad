#include "playlist/playlist_files.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/directory.h"
#include "platform/file.h"
#include "platform/notify.h"
#include "platform/profile.h"
#include "platform/profile_text.h"
#include "platform/text.h"
#include "playlist/playlist.h"

namespace {

// Paths live in arrays of 259 UTF-16 units of UTF-8 and a NUL.
constexpr size_t kPathSize = sizeof(PlaylistEntry{}.path);
// A line or value of up to kPathSize - 1 bytes in UTF-8: each ANSI byte takes at most three.
constexpr size_t kLineSize = 3 * kPathSize;
constexpr const char* kPlsSection = "playlist";
constexpr const char* kPlsCountKey = "NumberOfEntries";
constexpr const char kUtf8Mark[] = "\xEF\xBB\xBF";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// Case-insensitive comparison of `length` bytes of `text` with `lower` (lower case, of that length).
bool SameName(const char* text, size_t length, const char* lower) {
  if (std::strlen(lower) != length) return false;
  for (size_t i = 0; i < length; ++i) {
    if (Lower(text[i]) != lower[i]) return false;
  }
  return true;
}

// Case-insensitive comparison of the path's last characters with `ending` (lower case).
bool EndsWith(const char* path, const char* ending) {
  const size_t n = strnlen(path, kPathSize);
  const size_t e = std::strlen(ending);
  return n >= e && SameName(path + n - e, e, ending);
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

bool ReadsAsUtf8(const std::string& bytes) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  return HasNonAscii(data, bytes.size()) && IsUtf8(data, bytes.size());
}

bool HasUtf16Mark(const std::string& bytes) {
  return bytes.size() >= 2 &&
         ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
}

// Text in the ANSI code page that the readers would take for UTF-8 or UTF-16 is not written as such.
bool ReadsBackAsAnsi(const std::string& bytes) {
  return !ReadsAsUtf8(bytes) && !HasUtf16Mark(bytes) && bytes.compare(0, 3, kUtf8Mark) != 0;
}

// The UTF-8 of text in the ANSI code page.
std::string Utf8FromAnsiText(const std::string& ansi) {
  std::string text(3 * ansi.size() + 1, '\0');
  text.resize(size_t(Utf8FromAnsi(ansi.data(), int32_t(ansi.size()), &text[0], int32_t(text.size()))));
  return text;
}

// A playlist file's text, its byte order mark taken off.
struct PlaylistText {
  std::string bytes;  // UTF-16 is turned into UTF-8
  bool utf8 = false;  // lines and values are UTF-8 (else in the ANSI code page)
  bool marked = false;  // the file began with a byte order mark
};

// Takes the byte order mark off `raw` and tells its encoding by the rules of the header.
void DecodeText(std::string raw, bool utf8Name, PlaylistText& text) {
  text.marked = raw.compare(0, 3, kUtf8Mark) == 0 || HasUtf16Mark(raw);
  if (HasUtf16Mark(raw)) {
    const bool little = raw[0] == '\xFF';
    std::vector<uint16_t> units((raw.size() - 2) / 2);
    for (size_t i = 0; i < units.size(); ++i) {
      const auto low = uint8_t(raw[2 + 2 * i + (little ? 0 : 1)]);
      const auto high = uint8_t(raw[2 + 2 * i + (little ? 1 : 0)]);
      units[i] = uint16_t(low | high << 8);
    }
    raw.assign(3 * units.size() + 1, '\0');
    raw.resize(size_t(Utf8FromUtf16(units.data(), int32_t(units.size()), &raw[0], int32_t(raw.size()))));
  } else if (text.marked) {
    raw.erase(0, 3);
  }
  text.utf8 = text.marked || utf8Name || ReadsAsUtf8(raw);
  text.bytes.swap(raw);
}

enum class ReadResult { kRead, kMissing, kTooLong };

// Reads up to kMaxPlaylistBytes of the file; kTooLong when there was more (`raw` then holds the first
// kMaxPlaylistBytes).
ReadResult ReadPlaylistBytes(const char* path, std::string& raw) {
  raw.clear();
  const FileHandle file = FileOpenRead(path);
  if (file == kNoFile) return ReadResult::kMissing;
  ReadResult result = ReadResult::kRead;
  std::vector<char> chunk(size_t(1) << 16);
  for (;;) {
    const int32_t got = FileRead(file, chunk.data(), int32_t(chunk.size()));
    if (got <= 0) break;
    const size_t room = size_t(kMaxPlaylistBytes) - raw.size();
    if (size_t(got) > room) {
      raw.append(chunk.data(), room);
      result = ReadResult::kTooLong;
      break;
    }
    raw.append(chunk.data(), size_t(got));
  }
  FileClose(file);
  return result;
}

// Reads and decodes a playlist file; false when it cannot be opened. Of a file longer than the bound,
// the lines that end within it are read.
bool ReadPlaylistText(const char* path, bool utf8Name, PlaylistText& text) {
  std::string raw;
  const ReadResult read = ReadPlaylistBytes(path, raw);
  if (read == ReadResult::kMissing) return false;
  DecodeText(std::move(raw), utf8Name, text);
  if (read == ReadResult::kTooLong) {
    size_t end = text.bytes.size();
    while (end > 0 && !IsLineEnd(text.bytes[end - 1])) --end;
    text.bytes.resize(end);
  }
  return true;
}

// The UTF-8 of one line or value of `text` (under kPathSize bytes) into `out` of kLineSize bytes, up to
// a NUL; its length.
size_t LineToUtf8(const PlaylistText& text, const char* line, size_t length, char* out) {
  length = strnlen(line, length);
  if (text.utf8 && IsUtf8(reinterpret_cast<const uint8_t*>(line), length)) {
    std::memcpy(out, line, length);
    out[length] = '\0';
    return length;
  }
  return size_t(Utf8FromAnsi(line, int32_t(length), out, int32_t(kLineSize)));
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The path a "file:" URL names, into `out` of kPathSize bytes (see LoadM3u); false when the line is not
// such a URL, or one that names no usable path.
bool PathFromFileUrl(const char* url, size_t length, char* out, bool& isUrl) {
  isUrl = length >= 7 && SameName(url, 7, "file://");
  if (!isUrl) return false;
  size_t at = 7;
  size_t host = at;
  while (host < length && url[host] != '/') ++host;
  if (host == at || SameName(url + at, host - at, "localhost")) {
    at = host;
    // "/C:/..." is a drive path: the slash before the drive is the URL's, not the path's.
    const char drive = length - at >= 4 ? Lower(url[at + 1]) : 0;
    if (drive >= 'a' && drive <= 'z' && url[at + 2] == ':' && url[at + 3] == '/') ++at;
  } else {
    at = 5;  // "//server/share/..."
  }
  size_t n = 0;
  for (; at < length; ++at) {
    char c = url[at];
    if (c == '%') {
      const int high = at + 2 < length ? HexValue(url[at + 1]) : -1;
      const int low = high >= 0 ? HexValue(url[at + 2]) : -1;
      if (low < 0) return false;
      c = char(high * 16 + low);
      at += 2;
    }
    if (uint8_t(c) < 0x20 || n + 1 >= kPathSize) return false;
    out[n++] = c == '/' ? kPathSeparator : c;
  }
  out[n] = '\0';
  return n > 0 && IsUtf8(reinterpret_cast<const uint8_t*>(out), n);
}

// Adds the entry one line or value of a playlist file names: a "file:" URL's path; the text as it stands
// when rooted, else joined to the folder of `playlist`. An entry whose path would not fit is left out:
// cut short it would name another file or none.
void AddEntry(const PlaylistText& text, const char* playlist, size_t folderLength, const char* line,
              size_t length) {
  if (length >= kPathSize) return;
  char value[kLineSize];
  length = LineToUtf8(text, line, length, value);
  char entry[kLineSize];
  bool isUrl = false;
  if (PathFromFileUrl(value, length, entry, isUrl)) {
    AddTrack(entry);
    return;
  }
  if (isUrl) return;
  // A stream's address names its own place, as a rooted path does.
  if (IsStreamPath(value)) {
    AddTrack(value);
    return;
  }
  const size_t prefix = IsRooted(value, length) ? 0 : folderLength;
  if (prefix + length >= kPathSize) return;
  std::memcpy(entry, playlist, prefix);
  std::memcpy(entry + prefix, value, length);
  entry[prefix + length] = '\0';
  AddTrack(entry);
}

void AddM3uLine(const PlaylistText& text, const char* playlist, size_t folderLength, const char* line,
                size_t length) {
  length = strnlen(line, length);  // a NUL ends the line
  size_t firstVisible = 0;
  while (firstVisible < length && IsBlank(line[firstVisible])) ++firstVisible;
  if (firstVisible == length) return;  // empty or blank
  if (line[0] == '#') return;  // "#EXTM3U", "#EXTINF:..." and comments
  AddEntry(text, playlist, folderLength, line, length);
}

// The value of "NumberOfEntries" as the profile functions read an integer: a sign, "0x" for hex, the
// digits up to the first other character (wrapping past 32 bits); `missing` when the value is empty.
int32_t CountValue(const char* value, size_t length, int32_t missing) {
  if (length == 0) return missing;
  const char* end = value + (length < 63 ? length : 63);
  const char* p = value;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  uint32_t base = 10;
  if (end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
  }
  uint32_t result = 0;
  for (; p < end; ++p) {
    const int digit = HexValue(*p);
    if (digit < 0 || uint32_t(digit) >= base) break;
    result = result * base + uint32_t(digit);
  }
  return int32_t(negative ? 0u - result : result);
}

// The number of a "File<n>" key name (any case, n from 1 without leading zeros), or 0 when the name is
// another or n is past kMaxPlsEntries.
int32_t FileKeyNumber(const char* name, size_t length) {
  if (length < 5 || length > 10 || !SameName(name, 4, "file") || name[4] == '0') return 0;
  int32_t number = 0;
  for (size_t i = 4; i < length; ++i) {
    if (name[i] < '0' || name[i] > '9') return 0;
    number = number * 10 + (name[i] - '0');
  }
  return number <= kMaxPlsEntries ? number : 0;
}

// Appends each entry's path and a NUL: the playlist's paths in one walk.
int32_t CollectPath(const PlaylistEntry& entry, void* context) {
  std::string& paths = *static_cast<std::string*>(context);
  paths.append(entry.path, strnlen(entry.path, kPathSize));
  paths.push_back('\0');
  return 1;
}

// The entries in the ANSI code page; false when one has a character the code page lacks.
bool AnsiEntries(const std::vector<std::string>& entries, std::vector<std::string>& ansi) {
  ansi.clear();
  for (const std::string& entry : entries) {
    char converted[kPathSize];
    const int32_t n = AnsiFromUtf8(entry.c_str(), converted, int32_t(sizeof converted));
    if (n < 0) return false;
    ansi.emplace_back(converted, size_t(n));
  }
  return true;
}

// Sets "File1".. and "NumberOfEntries" in `text`, keeping its other lines; false when a value holds a
// line break.
bool ApplyPlsKeys(std::string& text, const std::vector<std::string>& values) {
  std::vector<std::string> keys(values.size());
  std::vector<ProfileString> strings;
  strings.reserve(values.size() + 1);
  for (size_t i = 0; i < values.size(); ++i) {
    keys[i] = "File" + std::to_string(i + 1);
    strings.push_back({keys[i].c_str(), values[i].c_str()});
  }
  const std::string number = std::to_string(values.size());
  strings.push_back({kPlsCountKey, number.c_str()});
  return ApplyProfileWrites(text, kPlsSection, strings.data(), strings.size());
}

// The bytes of the PLS file at `file` with the entries written into it; false when the file is too long
// to be rewritten whole or an entry holds a line break.
bool PlsBytes(const std::string& file, const std::vector<std::string>& entries, std::string& out) {
  std::string raw;
  if (ReadPlaylistBytes(file.c_str(), raw) == ReadResult::kTooLong) return false;
  PlaylistText old;
  DecodeText(std::move(raw), false, old);
  std::vector<std::string> ansi;
  if (!old.utf8 && AnsiEntries(entries, ansi)) {
    out = old.bytes;
    if (!ApplyPlsKeys(out, ansi)) return false;
    if (ReadsBackAsAnsi(out)) return true;
  }
  std::string text = old.utf8 ? old.bytes : Utf8FromAnsiText(old.bytes);
  if (!ApplyPlsKeys(text, entries)) return false;
  out = old.marked ? kUtf8Mark + text : text;
  return true;
}

// The bytes of an M3U file of the entries; false when an entry holds a line end or Ctrl+Z, which would
// split or end it.
bool M3uBytes(const std::vector<std::string>& entries, bool utf8Only, std::string& out) {
  for (const std::string& entry : entries) {
    if (entry.find_first_of("\r\n\x1A") != std::string::npos) return false;
  }
  std::vector<std::string> ansi;
  if (!utf8Only && AnsiEntries(entries, ansi)) {
    out.clear();
    for (const std::string& line : ansi) out += line + "\r\n";
    if (ReadsBackAsAnsi(out)) return true;
  }
  out = utf8Only ? "" : kUtf8Mark;
  for (const std::string& line : entries) out += line + "\r\n";
  return true;
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
  // An address is an entry of its own kind, whatever its name ends with: it is never looked for on disk.
  if (IsStreamPath(path)) {
    AddTrack(path);
  } else if (PathIsDirectory(path)) {
    // The box runs a message loop of its own: while it is up, the window knows that an add is under way.
    ++gAddsRunning;
    ShowMessageBox(PlaylistOwner(), path, "Adding Directory...", kBoxOk);
    AddDirectory(path);
    --gAddsRunning;
  } else if (EndsWith(path, ".pls")) {
    LoadPls(path);
  } else if (EndsWith(path, ".m3u") || EndsWith(path, ".m3u8")) {
    LoadM3u(path);
  } else {
    AddTrack(path);
  }
  return 1;
}

int32_t LoadM3u(const char* path) {
  if (path == nullptr) return 0;
  PlaylistText text;
  if (!ReadPlaylistText(path, EndsWith(path, ".m3u8"), text)) return 0;
  const size_t folderLength = FolderLength(path, std::strlen(path));
  const std::string& bytes = text.bytes;
  const size_t end = std::min(bytes.find('\x1A'), bytes.size());  // Ctrl+Z ends a text file
  for (size_t begin = 0; begin < end;) {
    size_t lineEnd = begin;
    while (lineEnd < end && !IsLineEnd(bytes[lineEnd])) ++lineEnd;
    // Lines end at CR LF, LF or CR; a line too long for a path is left out whole.
    if (lineEnd - begin < kPathSize) AddM3uLine(text, path, folderLength, bytes.data() + begin, lineEnd - begin);
    begin = lineEnd + (bytes.compare(lineEnd, 2, "\r\n") == 0 ? 2 : 1);
  }
  return 1;
}

int32_t LoadPls(const char* path) {
  if (path == nullptr) return 0;
  PlaylistText text;
  if (!ReadPlaylistText(ProfileFilePath(path).c_str(), false, text)) return 0;
  const size_t folderLength = FolderLength(path, std::strlen(path));
  // One pass over the section finds every key; the first of a name is the one read.
  const std::vector<ProfileKey> keys = ListProfileKeys(text.bytes, kPlsSection);
  const ProfileKey* countKey = nullptr;
  std::vector<const ProfileKey*> files;
  for (const ProfileKey& key : keys) {
    const char* name = text.bytes.data() + key.nameBegin;
    if (countKey == nullptr && SameName(name, key.nameLength, "numberofentries")) countKey = &key;
    const int32_t number = FileKeyNumber(name, key.nameLength);
    if (number == 0) continue;
    if (files.size() < size_t(number)) files.resize(size_t(number), nullptr);
    if (files[size_t(number) - 1] == nullptr) files[size_t(number) - 1] = &key;
  }
  if (countKey == nullptr) return 0;
  const int32_t count = CountValue(text.bytes.data() + countKey->valueBegin, countKey->valueLength, -1);
  if (count == -1) return 0;
  const int32_t last = count < kMaxPlsEntries ? count : kMaxPlsEntries;
  int32_t gap = 0;
  for (int32_t i = 1; i <= last && gap < kMaxPlsGap; ++i) {
    const ProfileKey* key = size_t(i) <= files.size() ? files[size_t(i) - 1] : nullptr;
    if (key == nullptr || key->valueLength == 0) {
      ++gap;
      continue;
    }
    gap = 0;
    AddEntry(text, path, folderLength, text.bytes.data() + key->valueBegin, key->valueLength);
  }
  return 1;
}

int32_t SavePlaylist(const char* path, PlaylistType type) {
  if (path == nullptr || type < kPlaylistPls || type > kPlaylistM3u8) return 0;
  std::string paths;
  const int32_t count = WalkPlaylist(CollectPath, &paths);
  if (count <= 0) {
    ShowMessageBox(nullptr, "There are NO Items in the playlist To Save!", "Error Saving Playlist...", kBoxOk);
    return 0;
  }
  const char* extension = type == kPlaylistPls ? ".pls" : type == kPlaylistM3u ? ".m3u" : ".m3u8";
  std::string target(path, strnlen(path, kPathSize));
  if (!EndsWith(target.c_str(), extension)) target += extension;
  if (target.size() >= kPathSize || Utf16Length(target.c_str()) > kMaxPathUnits) {
    ReportSaveFailure(path);
    return 0;
  }
  std::vector<std::string> entries;
  entries.reserve(size_t(count));
  for (size_t at = 0; at < paths.size(); at += entries.back().size() + 1) entries.emplace_back(paths.c_str() + at);

  const std::string file = type == kPlaylistPls ? ProfileFilePath(target.c_str()) : target;
  std::string bytes;
  const bool built =
      type == kPlaylistPls ? PlsBytes(file, entries, bytes) : M3uBytes(entries, type == kPlaylistM3u8, bytes);
  if (!built || !FileWriteWhole(file.c_str(), bytes.data(), int64_t(bytes.size()))) {
    ReportSaveFailure(target.c_str());
    return 0;
  }
  return 1;
}

int32_t SavePls(const char* path) { return SavePlaylist(path, kPlaylistPls); }
