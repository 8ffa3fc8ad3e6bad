#include "settings/replay_gain_options.h"

#include <cmath>

#include "settings/settings_file.h"

ReplayGainSettings gReplayGain = {kReplayGainOff, 0.0f, 0.0f, 1};
int32_t gReplayGainChanges = 0;

namespace {
constexpr int32_t kLowestDb = static_cast<int32_t>(kMinReplayGainDb);
constexpr int32_t kHighestDb = static_cast<int32_t>(kMaxReplayGainDb);
}  // namespace

void LoadReplayGainOptions() {
  gReplayGain.mode = KeyChoice(kReplayGainModeKey, kReplayGainAlbum, kReplayGainOff);
  gReplayGain.preampDb = float(KeyWithin(kReplayGainPreampKey, kLowestDb, kHighestDb, 0));
  gReplayGain.untaggedDb = float(KeyWithin(kReplayGainUntaggedKey, kLowestDb, kHighestDb, 0));
  gReplayGain.preventClipping = KeyChoice(kReplayGainClippingKey, 1, 1);
}

int32_t SaveReplayGainOptions() {
  const bool mode = WriteNumber(kReplayGainModeKey, gReplayGain.mode);
  const bool preamp = WriteNumber(kReplayGainPreampKey, static_cast<int32_t>(std::lround(gReplayGain.preampDb)));
  const bool untagged = WriteNumber(kReplayGainUntaggedKey, static_cast<int32_t>(std::lround(gReplayGain.untaggedDb)));
  const bool clipping = WriteNumber(kReplayGainClippingKey, gReplayGain.preventClipping);
  return mode && preamp && untagged && clipping ? 1 : 0;
}
