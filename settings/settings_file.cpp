#include "settings/settings_file.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/directory.h"
#include "platform/file.h"
#include "platform/notify.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "settings/eq_plugin_keys.h"
#include "settings/hotkey_options.h"
#include "settings/playback_options.h"
#include "settings/plugin_paths.h"
#include "settings/replay_gain_options.h"
#include "settings/settings.h"
#include "settings/general_options.h"
#include "settings/start_up_options.h"
#include "settings/stream_settings.h"

void (*gShowAboutBox)() = nullptr;

namespace {
int32_t gPortable = 0;
}  // namespace

int32_t UsePortableSettings() {
  char folder[kPathBytes];
  if (!GetProgramFolder(folder, kPathBytes)) return 0;
  const std::string beside = std::string(folder) + kSettingsFile;
  const FileHandle file = FileOpenRead(beside.c_str());
  if (file == kNoFile) return 0;
  FileClose(file);
  SetProfileFolder(folder);
  gPortable = 1;
  return 1;
}

int32_t IsPortable() { return gPortable; }

int32_t LoadSettings() {
  // The stream settings' keys stand apart from the record: a record that is reset leaves them.
  LoadStreamSettings();
  LoadGeneralOptions();
  LoadPlaybackOptions();
  LoadEqPluginOptions();
  LoadHotkeyOptions();
  LoadReplayGainOptions();
  LoadStartUpOptions();
  const int32_t version = ProfileGetInt(kSettingsSection, kSettingsVersionKey, -1, kSettingsFile);
  if (version != kSettingsVersion && version != -1) {
    ShowMessageBox(nullptr, "A New Preferences Format Has been Detected\nResetting Default Values, Sorry...",
                   "Prefs Note...", kBoxOk);
    ApplyDefaultSettings();
    return 1;
  }
  // Read into a scratch record: the Windows function may have stored part of a damaged value by the
  // time it finds the checksum wrong, and the defaults leave the time display as it was.
  Settings loaded = gSettings;
  if (ProfileGetStruct(kSettingsSection, kSettingsRecordKey, &loaded, sizeof loaded, kSettingsFile)) {
    gSettings = loaded;
    LoadPluginPaths();
  } else {
    ApplyDefaultSettings();
  }
  return 1;
}

void ApplyDefaultSettings() {
  Settings& s = gSettings;
  s.reserved0 = 6;
  s.reserved4 = 0;
  s.reserved8 = 0;
  // The folders come in UTF-8; the record keeps text in the ANSI code page.
  char folder[kPathBytes];
  GetWorkingDirectory(folder, kPathBytes);
  AnsiFromUtf8(folder, s.startupFolder, int32_t(sizeof s.startupFolder));
  s.outputDevice = -1;
  s.bufferBlocks = 50;
  s.preBufferPercent = 50;
  s.preBufferEnabled = 1;
  s.volume = 32;
  s.quality = 0;
  s.channelMode = -1;
  s.eqEnabled = 0;
  for (int32_t& gain : s.eqGains) gain = 10;
  s.reserved432 = 0;
  s.reserved436 = 0;
  s.shuffle = 0;
  s.repeat = 0;
  s.autoPlay = 1;
  s.processor = 1;
  s.alwaysOnTop = 0;
  s.reserved460 = 0;
  s.readInfoOnAdd = 0;
  s.multipleInstances = 0;
  s.minimizeMode = 1;
  // timeDisplay keeps its value.
  s.showSplash = 0;
  s.skipProtection = 0;
  s.autoScroll = 1;
  s.scrollSpeed = 1;
  s.visActive = 0;
  s.visMode = 1;
  s.reserved504 = 2;
  s.analyserDecay = 3;
  s.scopeColour = 0x0000AA00;
  // Plug-ins are looked for beside the program, never in whatever folder the program was started in.
  if (!GetProgramFolder(folder, kPathBytes)) GetWorkingDirectory(folder, kPathBytes);
  std::memset(s.pluginFolder, 0, sizeof s.pluginFolder);
  std::memset(s.pluginFile, 0, sizeof s.pluginFile);
  SetPluginFolder(folder);
  SetPluginFile("");
  s.pluginModule = 0;
  s.reserved1036 = 0;
  s.reserved1040 = 0;
  s.windowLeft = 100;
  s.windowTop = 100;
  if (gShowAboutBox) gShowAboutBox();
}

int32_t SaveSettings() {
  const bool recordWritten =
      ProfileWriteStruct(kSettingsSection, kSettingsRecordKey, &gSettings, sizeof gSettings, kSettingsFile);
  char version[16];
  std::snprintf(version, sizeof version, "%d", static_cast<int>(kSettingsVersion));
  const bool versionWritten = ProfileWriteString(kSettingsSection, kSettingsVersionKey, version, kSettingsFile);
  const bool pathsWritten = SavePluginPaths() == 1;
  const bool streamWritten = SaveStreamSettings() == 1;
  const bool generalWritten = SaveGeneralOptions() == 1;
  const bool optionsWritten = SavePlaybackOptions() == 1;
  const bool eqPluginWritten = SaveEqPluginOptions() == 1;
  const bool hotkeysWritten = SaveHotkeyOptions() == 1;
  const bool replayGainWritten = SaveReplayGainOptions() == 1;
  const bool startUpWritten = SaveStartUpOptions() == 1;
  return recordWritten && versionWritten && pathsWritten && streamWritten && generalWritten && optionsWritten &&
                 eqPluginWritten && hotkeysWritten && replayGainWritten && startUpWritten
             ? 1
             : 0;
}

int32_t KeyNumber(const char* key) {
  char text[16];
  const uint32_t length = ProfileGetString(kSettingsSection, key, "", text, sizeof text, kSettingsFile);
  if (length == 0 || length + 1 >= sizeof text) return -1;
  int32_t value = 0;
  for (uint32_t i = 0; i < length; ++i) {
    if (text[i] < '0' || text[i] > '9' || value > (INT32_MAX - 9) / 10) return -1;  // no overflow
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

int32_t KeyChoice(const char* key, int32_t last, int32_t fallback) {
  const int32_t value = KeyNumber(key);
  return value >= 0 && value <= last ? value : fallback;
}

int32_t KeyWithin(const char* key, int32_t low, int32_t high, int32_t fallback) {
  char text[16];
  const uint32_t length = ProfileGetString(kSettingsSection, key, "", text, sizeof text, kSettingsFile);
  if (length == 0 || length + 1 >= sizeof text) return fallback;
  const bool negative = text[0] == '-';
  if (negative && length == 1) return fallback;
  int32_t value = 0;
  for (uint32_t i = negative ? 1 : 0; i < length; ++i) {
    if (text[i] < '0' || text[i] > '9') return fallback;
    value = value * 10 + (text[i] - '0');
    if (value > 1000) return fallback;  // far beyond any value stored here
  }
  if (negative) value = -value;
  return value >= low && value <= high ? value : fallback;
}

bool WriteNumber(const char* key, int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
  return ProfileWriteString(kSettingsSection, key, text, kSettingsFile);
}
