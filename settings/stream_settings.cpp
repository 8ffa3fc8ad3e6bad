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

bool IsListedSpeed(int32_t bps) {
  for (const int32_t speed : kConnectionSpeeds)
    if (speed == bps) return true;
  return false;
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
    // A portable copy saves beside itself; any other the user's music folder.
    (IsPortable() ? GetProgramFolder : GetMusicFolder)(gStreamSave.folder, sizeof gStreamSave.folder);
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
