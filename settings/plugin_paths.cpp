#include "settings/plugin_paths.h"

#include <cstring>

#include "platform/profile.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

namespace {

// The UTF-8 paths last set or loaded; "" when none was.
struct KeptPaths {
  char folder[kPathBytes];
  char file[kPathBytes];
};
KeptPaths gKept = {};

// Bytes the profile functions keep as they are: printable ASCII without blanks (trimmed at the ends),
// quotes (a pair around a value is dropped) and the escape character itself.
bool Plain(uint8_t byte) { return byte > ' ' && byte < 0x7F && byte != '%' && byte != '"' && byte != '\''; }

int32_t HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Whether the record's field (of `size` bytes, damaged or not) holds the ANSI form of `path`; `lossy`
// tells whether that form lost characters or was cut.
bool FieldHolds(const char* path, const char* field, size_t size, bool* lossy = nullptr) {
  static_assert(sizeof gSettings.pluginFolder <= 260 && sizeof gSettings.pluginFile <= 260, "fields fit");
  char ansi[260];
  const int32_t written = AnsiFromUtf8(path, ansi, int32_t(size));
  if (lossy) *lossy = written < 0;
  return strnlen(field, size) < size && std::strcmp(ansi, field) == 0;
}

PluginPath PathOf(const char* kept, const char* field, size_t size) {
  PluginPath path;
  if (kept[0] != 0 && FieldHolds(kept, field, size)) {
    std::memcpy(path.text, kept, sizeof path.text);
  } else {
    Utf8FromAnsi(field, int32_t(strnlen(field, size)), path.text, int32_t(sizeof path.text));
  }
  return path;
}

void SetPath(char (&kept)[kPathBytes], char* field, size_t size, const char* path) {
  // Through UTF-16 and back: at most a path's units, never a character cut in two.
  uint16_t units[kMaxPathUnits + 1];
  const int32_t count = Utf16FromUtf8(path ? path : "", -1, units, kMaxPathUnits + 1);
  Utf8FromUtf16(units, count, kept, int32_t(sizeof kept));
  AnsiFromUtf8(kept, field, int32_t(size));
}

// Keeps the path of a well-formed key whatever the record holds: PathOf uses it only while the record's
// field holds its ANSI form.
void LoadPath(const char* key, char (&kept)[kPathBytes]) {
  kept[0] = 0;
  char text[kEscapedPathBytes];
  const uint32_t length = ProfileGetString(kSettingsSection, key, "", text, sizeof text, kSettingsFile);
  char path[kPathBytes];
  if (length > 0 && length + 1 < sizeof text && UnescapePathValue(text, path)) std::memcpy(kept, path, sizeof kept);
}

bool SavePath(const char* key, const char* kept, const char* field, size_t size) {
  bool lossy = false;
  if (kept[0] != 0 && FieldHolds(kept, field, size, &lossy) && lossy) {
    char text[kEscapedPathBytes];
    EscapePathValue(kept, text);
    return ProfileWriteString(kSettingsSection, key, text, kSettingsFile);
  }
  return ProfileDeleteKey(kSettingsSection, key, kSettingsFile);
}

}  // namespace

void EscapePathValue(const char* path, char (&out)[kEscapedPathBytes]) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  size_t n = 0;
  for (size_t i = 0; path[i] != 0 && n + 3 < kEscapedPathBytes; ++i) {
    const auto byte = static_cast<uint8_t>(path[i]);
    if (Plain(byte)) {
      out[n++] = path[i];
    } else {
      out[n++] = '%';
      out[n++] = kHex[byte >> 4];
      out[n++] = kHex[byte & 15];
    }
  }
  out[n] = 0;
}

// The path an escaped value stands for; false for anything this program does not write: a malformed
// escape, an escaped NUL, a blank, quote or byte beyond ASCII left as it is, bytes that are not UTF-8,
// or more than a path's units.
bool UnescapePathValue(const char* text, char (&path)[kPathBytes]) {
  size_t n = 0;
  for (size_t i = 0; text[i] != 0; ++i) {
    if (n + 1 >= sizeof path) return false;
    int32_t byte = static_cast<uint8_t>(text[i]);
    if (byte == '%') {
      const int32_t high = HexValue(text[i + 1]);
      const int32_t low = high < 0 ? -1 : HexValue(text[i + 2]);
      if (low < 0) return false;
      byte = high * 16 + low;
      i += 2;
    } else if (!Plain(static_cast<uint8_t>(byte))) {
      return false;
    }
    if (byte == 0) return false;
    path[n++] = static_cast<char>(byte);
  }
  path[n] = 0;
  return n > 0 && IsUtf8(reinterpret_cast<const uint8_t*>(path), n) && Utf16Length(path) <= kMaxPathUnits;
}

PluginPath PluginFolder() { return PathOf(gKept.folder, gSettings.pluginFolder, sizeof gSettings.pluginFolder); }
PluginPath PluginFile() { return PathOf(gKept.file, gSettings.pluginFile, sizeof gSettings.pluginFile); }

void SetPluginFolder(const char* path) {
  SetPath(gKept.folder, gSettings.pluginFolder, sizeof gSettings.pluginFolder, path);
}
void SetPluginFile(const char* path) { SetPath(gKept.file, gSettings.pluginFile, sizeof gSettings.pluginFile, path); }

void LoadPluginPaths() {
  LoadPath(kPluginFolderKey, gKept.folder);
  LoadPath(kPluginFileKey, gKept.file);
}

int32_t SavePluginPaths() {
  const bool folder = SavePath(kPluginFolderKey, gKept.folder, gSettings.pluginFolder, sizeof gSettings.pluginFolder);
  const bool file = SavePath(kPluginFileKey, gKept.file, gSettings.pluginFile, sizeof gSettings.pluginFile);
  return folder && file ? 1 : 0;
}
