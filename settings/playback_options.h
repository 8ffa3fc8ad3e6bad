// Playback options kept in extra keys of "zav.ini" beside the record (which older copies read and
// write, so it stays as it is): the speed adjustment of the Audio Output page ("PlaybackSpeed", whole
// percent from -10 to +10; the device plays at the track's rate times 1 + speed, pitch and all) and the
// frame interval of the internal visualisation from the Visualisation page ("VisRefreshInterval", in
// milliseconds, one of the refresh slider's steps).
#pragma once
#include <cstdint>

constexpr const char* kPlaybackSpeedKey = "PlaybackSpeed";
constexpr const char* kVisRefreshKey = "VisRefreshInterval";
constexpr int32_t kMinSpeedPercent = -10;
constexpr int32_t kMaxSpeedPercent = 10;
// The refresh slider's steps run from Slow to Fast, 10 ms apart; 40 ms is the plug-in feed's interval
// and the visualisation's default.
constexpr int32_t kSlowestVisIntervalMs = 80;
constexpr int32_t kFastestVisIntervalMs = 20;
constexpr int32_t kVisIntervalStepMs = 10;
constexpr int32_t kDefaultVisIntervalMs = 40;

struct PlaybackOptions {
  int32_t speedPercent;  // -10..10; 0 plays at the track's own rate
  int32_t visIntervalMs;  // 20..80 in steps of 10
};
extern PlaybackOptions gPlaybackOptions;

// Reads both keys; a key that is missing or holds anything but one of its values gives the default
// (0 %, 40 ms).
void LoadPlaybackOptions();
// Writes both keys. Returns 1, or 0 when a write failed.
int32_t SavePlaybackOptions();

// The rate the device plays a track of `rate` Hz at with `speedPercent` (held to -10..10), rounded to
// the nearest hertz: `rate` itself at 0 %.
int32_t SpeedAdjustedRate(int32_t rate, int32_t speedPercent);
// The refresh slider's position (0 Slow .. 6 Fast) of an interval, and the interval of a position;
// both hold their argument to the slider's range.
int32_t VisRefreshPosition(int32_t intervalMs);
int32_t VisRefreshInterval(int32_t position);
constexpr int32_t kVisRefreshPositions = (kSlowestVisIntervalMs - kFastestVisIntervalMs) / kVisIntervalStepMs + 1;
