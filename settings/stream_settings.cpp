#include "settings/stream_settings.h"

#include <cstdio>

#include "platform/directory.h"
#include "platform/profile.h"
#include "settings/plugin_paths.h"
#include "settings/settings_file.h"
#include "stream/stream_policy.h"
#include "stream/stream_save.h"
#include "stream/stream_source.h"

namespace {

// The value of `key` when it is a whole decimal number, else -1; a value too long for any setting is
// no number.
int32_t KeyNumber(const char* key) {
  char text[16];
  const uint32_t length = ProfileGetString(kSettingsSection, key, "", text, sizeof text, kSettingsFile);
  if (length == 0 || length + 1 >= sizeof text) return -1;
  int32_t value = 0;
  for (uint32_t i = 0; i < length; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

bool IsListedSpeed(int32_t bps) {
  for (const int32_t speed : kConnectionSpeeds)
    if (speed == bps) return true;
  return false;
}

// The value of `key` when it is one of 0 .. `last`, else `fallback`.
int32_t KeyChoice(const char* key, int32_t last, int32_t fallback) {
  const int32_t value = KeyNumber(key);
  return value >= 0 && value <= last ? value : fallback;
}

bool WriteNumber(const char* key, int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
  return ProfileWriteString(kSettingsSection, key, text, kSettingsFile);
}

}  // namespace

void LoadStreamSettings() {
  const int32_t speed = KeyNumber(kStreamSpeedKey);
  gStreamOptions.connectionBps = IsListedSpeed(speed) ? speed : kDefaultConnectionBps;
  const int32_t extra = KeyNumber(kStreamExtraDataKey);
  gStreamOptions.extraServerData = extra == 0 || extra == 1 ? extra : kDefaultExtraServerData;
  gStreamSave.mode = KeyChoice(kStreamDownloadOptionKey, kSaveOnly, kPlayOnly);
  gStreamSave.playAfterSave = KeyChoice(kStreamPlayAfterSaveKey, 1, 0);
  gStreamSave.checkTag = KeyChoice(kStreamCheckTagKey, 1, 0);
  char text[kEscapedPathBytes];
  const uint32_t length = ProfileGetString(kSettingsSection, kStreamDownloadPathKey, "", text, sizeof text, kSettingsFile);
  if (length == 0 || length + 1 >= sizeof text || !UnescapePathValue(text, gStreamSave.folder))
    GetMusicFolder(gStreamSave.folder, sizeof gStreamSave.folder);
}

int32_t SaveStreamSettings() {
  char speed[16];
  std::snprintf(speed, sizeof speed, "%d", static_cast<int>(gStreamOptions.connectionBps));
  const bool speedWritten = ProfileWriteString(kSettingsSection, kStreamSpeedKey, speed, kSettingsFile);
  const bool extraWritten = ProfileWriteString(kSettingsSection, kStreamExtraDataKey,
                                               gStreamOptions.extraServerData ? "1" : "0", kSettingsFile);
  char path[kEscapedPathBytes];
  EscapePathValue(gStreamSave.folder, path);
  const bool saveWritten = WriteNumber(kStreamDownloadOptionKey, gStreamSave.mode) &&
                           WriteNumber(kStreamPlayAfterSaveKey, gStreamSave.playAfterSave) &&
                           WriteNumber(kStreamCheckTagKey, gStreamSave.checkTag) &&
                           ProfileWriteString(kSettingsSection, kStreamDownloadPathKey, path, kSettingsFile);
  return speedWritten && extraWritten && saveWritten ? 1 : 0;
}
