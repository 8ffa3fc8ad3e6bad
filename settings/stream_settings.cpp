#include "settings/stream_settings.h"

#include <cstdio>

#include "platform/profile.h"
#include "settings/settings_file.h"
#include "stream/stream_policy.h"
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

}  // namespace

void LoadStreamSettings() {
  const int32_t speed = KeyNumber(kStreamSpeedKey);
  gStreamOptions.connectionBps = IsListedSpeed(speed) ? speed : kDefaultConnectionBps;
  const int32_t extra = KeyNumber(kStreamExtraDataKey);
  gStreamOptions.extraServerData = extra == 0 || extra == 1 ? extra : kDefaultExtraServerData;
}

int32_t SaveStreamSettings() {
  char speed[16];
  std::snprintf(speed, sizeof speed, "%d", static_cast<int>(gStreamOptions.connectionBps));
  const bool speedWritten = ProfileWriteString(kSettingsSection, kStreamSpeedKey, speed, kSettingsFile);
  const bool extraWritten = ProfileWriteString(kSettingsSection, kStreamExtraDataKey,
                                               gStreamOptions.extraServerData ? "1" : "0", kSettingsFile);
  return speedWritten && extraWritten ? 1 : 0;
}
