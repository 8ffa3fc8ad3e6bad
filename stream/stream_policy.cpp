// Buffering and reconnecting: how much audio is held before playing, and how long to wait between
// attempts to reach a server again.
#include "stream/stream_policy.h"

namespace {

constexpr int32_t kSpeedCount = int32_t(sizeof kConnectionSpeeds / sizeof kConnectionSpeeds[0]);
// Milliseconds buffered at each listed speed: a slow line needs more in hand to ride out its stalls.
constexpr int32_t kPrebufferMs[kSpeedCount] = {8000, 6000, 4000, 3500, 2500, 2000};
static_assert(sizeof kPrebufferMs == sizeof kConnectionSpeeds, "one buffer length per listed speed");

}  // namespace

int32_t PrebufferMs(int32_t connectionBps) {
  // The fastest listed speed the connection reaches; below the list, the slowest.
  int32_t i = 0;
  while (i + 1 < kSpeedCount && connectionBps >= kConnectionSpeeds[i + 1]) ++i;
  return kPrebufferMs[i];
}

int32_t PrebufferBytes(int32_t ms, int32_t bitrateKbps, int32_t ringBytes) {
  if (ms <= 0 || ringBytes <= 0) return 0;
  if (bitrateKbps <= 0) bitrateKbps = 128;
  const int64_t bytes = int64_t(ms) * bitrateKbps / 8;  // kbit/s x ms / 8 = bytes
  return bytes < ringBytes ? int32_t(bytes) : ringBytes;
}

int32_t ReconnectDelayMs(int32_t attempt, int32_t scalePercent) {
  static const int32_t kDelays[] = {1000, 2000, 4000, 8000, 16000, 30000};
  const int32_t count = int32_t(sizeof kDelays / sizeof kDelays[0]);
  if (attempt < 1) attempt = 1;
  if (attempt > count) return -1;
  if (scalePercent < 0) scalePercent = 0;
  if (scalePercent > 10000) scalePercent = 10000;
  return int32_t(int64_t(kDelays[attempt - 1]) * scalePercent / 100);
}
