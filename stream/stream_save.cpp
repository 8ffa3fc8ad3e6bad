// Saving a stream: safe file names from server text, new files that never replace an existing one, and
// the saver the network thread feeds (a fixed buffer, written out when full and when a piece ends).
#include "stream/stream_save.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <mutex>

#include "platform/directory.h"
#include "platform/file.h"
#include "stream/stream_text.h"

StreamSaveOptions gStreamSave = {kPlayOnly, 0, 0, ""};

namespace {

int32_t PutUtf8(uint32_t cp, char* out) {
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Whether the name's part before its first dot (blanks at its end ignored) is a device name Windows
// keeps for itself in every folder.
bool IsReservedName(const char* name, int32_t length) {
  int32_t base = 0;
  while (base < length && name[base] != '.') ++base;
  while (base > 0 && name[base - 1] == ' ') --base;
  char word[5] = {};
  if (base < 3 || base > 4) return false;
  for (int32_t i = 0; i < base; ++i) word[i] = Upper(name[i]);
  if (base == 3) {
    for (const char* reserved : {"CON", "PRN", "AUX", "NUL"})
      if (std::memcmp(word, reserved, 3) == 0) return true;
    return false;
  }
  return (std::memcmp(word, "COM", 3) == 0 || std::memcmp(word, "LPT", 3) == 0) && word[3] >= '1' && word[3] <= '9';
}

// Drops the blanks and dots at the end of `name` (Windows drops them itself, so "a." names "a").
int32_t TrimEnd(char* name, int32_t length) {
  while (length > 0 && (name[length - 1] == '.' || name[length - 1] == ' ')) --length;
  name[length] = '\0';
  return length;
}

}  // namespace

int32_t SafeFileName(const char* stem, const char* extension, int32_t maxUnits, char* out, int32_t size) {
  if (out == nullptr || size <= 0) return 0;
  out[0] = '\0';
  const int32_t extensionUnits = Utf16Length(extension);
  const int32_t extensionBytes = static_cast<int32_t>(std::strlen(extension));
  const int32_t stemUnits = maxUnits - extensionUnits;
  // Room for "stream", a "_" in front and the extension: anything less cannot name a file.
  if (stemUnits < 7 || size < 7 + 4 + extensionBytes + 1) return 0;
  const int32_t stemBytes = size - extensionBytes - 1;
  char name[kPathBytes];
  const int32_t nameBytes = stemBytes < static_cast<int32_t>(sizeof name) ? stemBytes : static_cast<int32_t>(sizeof name);
  int32_t length = 0;
  int32_t units = 1;  // a "_" in front of a reserved name
  const size_t count = stem ? std::strlen(stem) : 0;
  for (size_t at = 0; at < count;) {
    uint32_t cp = NextCodePoint(stem, count, &at);
    if (cp < 0x20 || cp == 0x7F || (cp < 0x80 && std::strchr("<>:\"/\\|?*", static_cast<int>(cp)) != nullptr)) cp = '_';
    if (length == 0 && (cp == '.' || cp == ' ')) continue;  // no hidden name, no "..", no leading blank
    const int32_t cpUnits = cp >= 0x10000 ? 2 : 1;
    char bytes[4];
    const int32_t cpBytes = PutUtf8(cp, bytes);
    if (units + cpUnits > stemUnits || length + cpBytes + 1 > nameBytes - 1) break;
    std::memcpy(name + length, bytes, static_cast<size_t>(cpBytes));
    length += cpBytes;
    units += cpUnits;
  }
  length = TrimEnd(name, length);
  if (length == 0) length = static_cast<int32_t>(std::snprintf(name, sizeof name, "stream"));
  const bool reserved = IsReservedName(name, length);
  std::snprintf(out, static_cast<size_t>(size), "%s%.*s%s", reserved ? "_" : "", static_cast<int>(length), name,
                extension);
  return static_cast<int32_t>(std::strlen(out));
}

intptr_t CreateSaveFile(const char* folder, const char* stem, const char* extension, char (&path)[kPathBytes]) {
  path[0] = '\0';
  const size_t folderBytes = std::strlen(folder);
  if (folderBytes == 0) return kNoFile;
  const bool separated = folder[folderBytes - 1] == kPathSeparator || folder[folderBytes - 1] == '/';
  int32_t units = kMaxPathUnits - Utf16Length(folder) - (separated ? 0 : 1);
  if (units > 255) units = 255;  // the longest name a folder holds
  units -= 6;                    // " (999)"
  char name[kPathBytes];
  if (SafeFileName(stem, "", units - Utf16Length(extension), name, sizeof name) == 0) return kNoFile;
  for (int32_t number = 1; number <= 999; ++number) {
    char suffix[8] = "";
    if (number > 1) std::snprintf(suffix, sizeof suffix, " (%d)", static_cast<int>(number));
    const int n = std::snprintf(path, sizeof path, "%s%s%s%s%s", folder, separated ? "" : "/", name, suffix, extension);
    if (n <= 0 || n >= static_cast<int>(sizeof path)) break;
    if (!separated) path[folderBytes] = kPathSeparator;
    int32_t exists = 0;
    const FileHandle file = FileCreateNew(path, &exists);
    if (file != kNoFile) return file;
    if (!exists) break;  // no folder, no rights: another number will not help
  }
  path[0] = '\0';
  return kNoFile;
}

namespace {

constexpr int32_t kSaveBufferBytes = 64 * 1024;

// The saver, used by the network thread only.
struct Saver {
  int32_t active;          // this stream is being saved, and saving has not stopped
  char folder[kPathBytes];
  char station[256];
  char title[512];         // the latest StreamTitle; "" before one
  int32_t whole;           // the response has a known length and no metadata: saved under its own name
  char wholeStem[512];
  char wholeExtension[8];
  FileHandle file;
  char path[kPathBytes];
  int32_t fill;
  uint8_t buffer[kSaveBufferBytes];
};
Saver gSaver;

// What the window reads; guarded by gSaveShownLock.
struct SaveShown {
  char error[kPathBytes + 128];
  int32_t errorCount;
  char saved[kPathBytes];
  int32_t savedCount;
};
std::mutex gSaveShownLock;
SaveShown gSaveShown;

// Saving stops (the music goes on); the reason is shown once.
void StopSaving(const char* what, const char* where) {
  if (gSaver.file != kNoFile) FileClose(gSaver.file);
  gSaver.file = kNoFile;
  gSaver.active = 0;
  gSaver.fill = 0;
  std::lock_guard<std::mutex> lock(gSaveShownLock);
  std::snprintf(gSaveShown.error, sizeof gSaveShown.error, "Saving the stream stopped: %s\n%s", what, where);
  ++gSaveShown.errorCount;
}

void OpenPiece() {
  char stem[1024];
  if (gSaver.whole) {
    std::snprintf(stem, sizeof stem, "%s", gSaver.wholeStem);
  } else if (gSaver.title[0] != '\0') {
    std::snprintf(stem, sizeof stem, "%s%s%s", gSaver.station, gSaver.station[0] ? " - " : "", gSaver.title);
  } else {
    std::snprintf(stem, sizeof stem, "%s", gSaver.station);
  }
  gSaver.file = CreateSaveFile(gSaver.folder, stem, gSaver.whole ? gSaver.wholeExtension : ".mp3", gSaver.path);
  if (gSaver.file == kNoFile) StopSaving("no new file could be made in the download folder (is it still there?)", gSaver.folder);
}

void Flush() {
  if (!gSaver.active || gSaver.fill == 0) return;
  if (gSaver.file == kNoFile) OpenPiece();
  if (gSaver.file == kNoFile) return;
  if (!FileWrite(gSaver.file, gSaver.buffer, gSaver.fill)) {
    StopSaving("the file could not be written (is the disk full?)", gSaver.path);
    return;
  }
  gSaver.fill = 0;
}

void ClosePiece() {
  Flush();
  if (gSaver.file != kNoFile) FileClose(gSaver.file);
  gSaver.file = kNoFile;
}

int32_t HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Upper(c);
  return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// The last segment of the address's path (query left out, %XX decoded) as a stem and an extension.
void NameFromPath(const char* urlPath) {
  size_t end = std::strcspn(urlPath, "?#");
  size_t start = end;
  while (start > 0 && urlPath[start - 1] != '/') --start;
  size_t n = 0;
  for (size_t i = start; i < end && n + 1 < sizeof gSaver.wholeStem; ++i) {
    const int32_t high = urlPath[i] == '%' && i + 2 < end + 1 ? HexDigit(urlPath[i + 1]) : -1;
    const int32_t low = high >= 0 ? HexDigit(urlPath[i + 2]) : -1;
    if (low >= 0 && high * 16 + low != 0) {
      gSaver.wholeStem[n++] = static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      gSaver.wholeStem[n++] = urlPath[i];
    }
  }
  gSaver.wholeStem[n] = '\0';
  // An MPEG audio extension is kept as it is; any other name gets ".mp3" after it, so that a server
  // cannot have a program or a script saved.
  std::snprintf(gSaver.wholeExtension, sizeof gSaver.wholeExtension, ".mp3");
  char* dot = std::strrchr(gSaver.wholeStem, '.');
  if (dot == nullptr || dot == gSaver.wholeStem) return;
  for (const char* audio : {".mp3", ".mp2", ".mp1", ".mpga"}) {
    size_t i = 0;
    while (audio[i] != '\0' && Upper(dot[i]) == Upper(audio[i])) ++i;
    if (audio[i] != '\0' || dot[i] != '\0') continue;
    std::snprintf(gSaver.wholeExtension, sizeof gSaver.wholeExtension, "%s", dot);
    *dot = '\0';
    return;
  }
}

}  // namespace

void SaveStreamStart() {
  if (gSaver.file != kNoFile) FileClose(gSaver.file);
  gSaver.file = kNoFile;
  gSaver.fill = 0;
  gSaver.whole = 0;
  gSaver.station[0] = gSaver.title[0] = '\0';
  std::snprintf(gSaver.folder, sizeof gSaver.folder, "%s", gStreamSave.folder);
  gSaver.active = gStreamSave.mode != kPlayOnly && gSaver.folder[0] != '\0' ? 1 : 0;
}

void SaveResponse(const char* stationName, const char* urlPath, int64_t length, int32_t metaInterval) {
  if (!gSaver.active) return;
  if (stationName[0] != '\0') std::snprintf(gSaver.station, sizeof gSaver.station, "%s", stationName);
  const int32_t whole = length >= 0 && metaInterval == 0 ? 1 : 0;
  // A stream reconnected goes on in the same piece; a file served again starts from its beginning, so
  // its saving starts again too (the cut copy keeps its name, the new one gets a number).
  if (whole || gSaver.whole) ClosePiece();
  gSaver.whole = whole;
  if (whole) NameFromPath(urlPath);
}

void SaveTitle(const char* title) {
  if (!gSaver.active || gSaver.whole || std::strcmp(title, gSaver.title) == 0) return;
  // Audio before the first title belongs to the first title's piece; every later title starts a piece.
  if (gSaver.file != kNoFile || gSaver.title[0] != '\0') ClosePiece();
  std::snprintf(gSaver.title, sizeof gSaver.title, "%s", title);
}

void SaveAudio(const uint8_t* bytes, int32_t count) {
  while (gSaver.active && count > 0) {
    int32_t n = kSaveBufferBytes - gSaver.fill;
    if (n > count) n = count;
    std::memcpy(gSaver.buffer + gSaver.fill, bytes, static_cast<size_t>(n));
    gSaver.fill += n;
    bytes += n;
    count -= n;
    if (gSaver.fill == kSaveBufferBytes) Flush();
  }
}

int32_t SavingStream() { return gSaver.active; }

void SaveStreamEnd(int32_t complete) {
  if (!gSaver.active) return;
  Flush();
  const bool saved = gSaver.active && gSaver.whole && complete && gSaver.file != kNoFile;
  ClosePiece();
  if (saved) {
    std::lock_guard<std::mutex> lock(gSaveShownLock);
    std::snprintf(gSaveShown.saved, sizeof gSaveShown.saved, "%s", gSaver.path);
    ++gSaveShown.savedCount;
  }
  gSaver.active = 0;
}

int32_t StreamSaveError(char* out, int32_t size) {
  std::lock_guard<std::mutex> lock(gSaveShownLock);
  CopyUtf8Text(out, size, gSaveShown.error);
  return gSaveShown.errorCount;
}

int32_t StreamSavedFile(char* out, int32_t size) {
  std::lock_guard<std::mutex> lock(gSaveShownLock);
  CopyUtf8Text(out, size, gSaveShown.saved);
  return gSaveShown.savedCount;
}
