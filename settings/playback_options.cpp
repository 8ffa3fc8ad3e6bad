#include "settings/playback_options.h"

#include "settings/settings_file.h"

PlaybackOptions gPlaybackOptions = {0, kDefaultVisIntervalMs};

namespace {

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
