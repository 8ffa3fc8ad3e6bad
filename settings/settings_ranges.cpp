// Holding a loaded settings record to its ranges, so that a damaged or hand-edited "zav.ini" cannot
// hand a reader an index, level or string it was never written to handle.
#include <cstdint>

#include "settings/settings.h"

namespace {
void HoldBetween(int32_t& value, int32_t low, int32_t high) {
  if (value < low) value = low;
  if (value > high) value = high;
}

// Switches store 0 or 1; anything else is not a value the program wrote.
void HoldSwitch(int32_t& value, int32_t fallback) {
  if (value != 0 && value != 1) value = fallback;
}

void HoldChoice(int32_t& value, int32_t low, int32_t high, int32_t fallback) {
  if (value < low || value > high) value = fallback;
}

template <size_t N>
void EndText(char (&text)[N]) {
  text[N - 1] = '\0';
}
}  // namespace

void ClampSettings(Settings* settings) {
  if (!settings) return;
  Settings& s = *settings;
  EndText(s.startupFolder);
  EndText(s.pluginFolder);
  EndText(s.pluginFile);

  if (s.outputDevice < -1) s.outputDevice = -1;
  HoldBetween(s.bufferBlocks, 10, 400);
  HoldBetween(s.preBufferPercent, 0, 100);
  HoldSwitch(s.preBufferEnabled, 1);
  HoldBetween(s.volume, 0, 63);
  HoldChoice(s.quality, 0, 2, 0);
  // -1 is stereo; 0 and 1 take one channel, 3 mixes both.
  if (s.channelMode != -1 && s.channelMode != 0 && s.channelMode != 1 && s.channelMode != 3) s.channelMode = -1;
  HoldSwitch(s.eqEnabled, 0);
  for (int32_t& gain : s.eqGains) HoldBetween(gain, 0, 20);

  HoldSwitch(s.shuffle, 0);
  HoldSwitch(s.repeat, 0);
  HoldSwitch(s.autoPlay, 1);
  HoldChoice(s.processor, 0, 2, 1);
  HoldSwitch(s.alwaysOnTop, 0);
  HoldSwitch(s.readInfoOnAdd, 0);
  HoldSwitch(s.multipleInstances, 0);
  HoldChoice(s.minimizeMode, 1, 2, 1);
  HoldSwitch(s.timeDisplay, 0);
  HoldSwitch(s.showSplash, 0);
  HoldSwitch(s.skipProtection, 0);
  HoldSwitch(s.autoScroll, 1);
  // The song-name display takes the speed's absolute value, so -3 scrolls like 3 and stays so.
  const int64_t speed = s.scrollSpeed < 0 ? -int64_t(s.scrollSpeed) : int64_t(s.scrollSpeed);
  s.scrollSpeed = speed < 1 ? 1 : speed > 5 ? 5 : int32_t(speed);
  HoldSwitch(s.visActive, 0);
  HoldChoice(s.visMode, 0, 2, 1);
  HoldBetween(s.analyserDecay, 1, 5);
  // A COLORREF's top byte selects palette colours, which the visualisation does not draw with.
  s.scopeColour &= 0x00FFFFFFu;
  if (s.pluginModule < 0) s.pluginModule = 0;
}
