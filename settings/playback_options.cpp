#include "settings/playback_options.h"

#include <cstdio>

#include "platform/profile.h"
#include "settings/settings_file.h"

PlaybackOptions gPlaybackOptions = {0, kDefaultVisIntervalMs};

namespace {

// The value of `key` when it is a whole decimal number (an optional minus sign, then digits) within
// low..high, else `fallback`.
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

int32_t HoldBetween(int32_t value, int32_t low, int32_t high) { return value < low ? low : value > high ? high : value; }

}  // namespace

void LoadPlaybackOptions() {
  gPlaybackOptions.speedPercent = KeyWithin(kPlaybackSpeedKey, kMinSpeedPercent, kMaxSpeedPercent, 0);
  const int32_t interval =
      KeyWithin(kVisRefreshKey, kFastestVisIntervalMs, kSlowestVisIntervalMs, kDefaultVisIntervalMs);
  gPlaybackOptions.visIntervalMs = interval % kVisIntervalStepMs == 0 ? interval : kDefaultVisIntervalMs;
}

int32_t SavePlaybackOptions() {
  const bool speed = WriteNumber(kPlaybackSpeedKey, gPlaybackOptions.speedPercent);
  const bool refresh = WriteNumber(kVisRefreshKey, gPlaybackOptions.visIntervalMs);
  return speed && refresh ? 1 : 0;
}

int32_t SpeedAdjustedRate(int32_t rate, int32_t speedPercent) {
  const int64_t percent = 100 + HoldBetween(speedPercent, kMinSpeedPercent, kMaxSpeedPercent);
  return static_cast<int32_t>((int64_t(rate) * percent + 50) / 100);
}

int32_t VisRefreshPosition(int32_t intervalMs) {
  const int32_t interval = HoldBetween(intervalMs, kFastestVisIntervalMs, kSlowestVisIntervalMs);
  return (kSlowestVisIntervalMs - interval + kVisIntervalStepMs / 2) / kVisIntervalStepMs;
}

int32_t VisRefreshInterval(int32_t position) {
  return kSlowestVisIntervalMs - HoldBetween(position, 0, kVisRefreshPositions - 1) * kVisIntervalStepMs;
}
