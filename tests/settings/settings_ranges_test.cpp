// Holding a loaded settings record to its ranges: garbage in every field, and a sane record left alone.
#include <gtest/gtest.h>

#include <cstring>

#include "settings/settings.h"
#include "settings/settings_file.h"

namespace {

Settings FilledWith(uint8_t byte) {
  Settings s;
  std::memset(&s, byte, sizeof s);
  return s;
}

TEST(SettingsRanges, GarbageIsHeldToRangesAndASaneRecordIsLeftAlone) {
  // 0xA5 bytes make every integer a large negative value, 0x5A bytes a large positive one.
  Settings low = FilledWith(0xA5);
  Settings high = FilledWith(0x5A);
  ClampSettings(&low);
  ClampSettings(&high);
  for (const Settings* s : {&low, &high}) {
    const bool isLow = s == &low;
    EXPECT_EQ(s->startupFolder[259], '\0');
    EXPECT_EQ(s->pluginFolder[259], '\0');
    EXPECT_EQ(s->pluginFile[255], '\0');
    EXPECT_EQ(s->outputDevice, isLow ? -1 : 0x5A5A5A5A);
    EXPECT_EQ(s->bufferBlocks, isLow ? 10 : 400);
    EXPECT_EQ(s->preBufferPercent, isLow ? 0 : 100);
    EXPECT_EQ(s->volume, isLow ? 0 : 63);
    for (int32_t gain : s->eqGains) EXPECT_EQ(gain, isLow ? 0 : 20);
    EXPECT_EQ(s->analyserDecay, isLow ? 1 : 5);
    // The display takes the speed's absolute value, so a negative speed keeps its pace.
    EXPECT_EQ(s->scrollSpeed, 5);
    // Switches and choices go back to their defaults.
    EXPECT_EQ(s->preBufferEnabled, 1);
    EXPECT_EQ(s->quality, 0);
    EXPECT_EQ(s->channelMode, -1);
    EXPECT_EQ(s->eqEnabled, 0);
    EXPECT_EQ(s->shuffle + s->repeat + s->alwaysOnTop + s->readInfoOnAdd + s->multipleInstances, 0);
    EXPECT_EQ(s->showSplash + s->skipProtection + s->visActive + s->timeDisplay, 0);
    EXPECT_EQ(s->autoPlay, 1);
    EXPECT_EQ(s->autoScroll, 1);
    EXPECT_EQ(s->processor, 1);
    EXPECT_EQ(s->minimizeMode, 1);
    EXPECT_EQ(s->visMode, 1);
    EXPECT_EQ(s->scopeColour, isLow ? 0x00A5A5A5u : 0x005A5A5Au);
    EXPECT_EQ(s->pluginModule, isLow ? 0 : 0x5A5A5A5A);
    // Reserved words and the window position are not this step's business.
    EXPECT_EQ(s->reserved504, isLow ? int32_t(0xA5A5A5A5) : 0x5A5A5A5A);
    EXPECT_EQ(s->windowLeft, isLow ? int32_t(0xA5A5A5A5) : 0x5A5A5A5A);
  }

  // Holding twice changes nothing more.
  Settings again = low;
  ClampSettings(&again);
  EXPECT_EQ(std::memcmp(&again, &low, sizeof low), 0);

  // The defaults, and in-range values at the ends of their ranges, stay as they are.
  const Settings saved = gSettings;
  std::memset(&gSettings, 0, sizeof gSettings);
  ApplyDefaultSettings();
  Settings sane = gSettings;
  gSettings = saved;
  std::strcpy(sane.pluginFile, "C:\\vis\\vis_a.dll");
  sane.bufferBlocks = 400;
  sane.preBufferPercent = sane.preBufferEnabled = sane.eqGains[5] = 0;
  sane.volume = 63;
  sane.quality = sane.processor = sane.visMode = 2;
  sane.channelMode = 3;
  sane.scrollSpeed = sane.analyserDecay = 5;
  sane.scopeColour = 0x00FFFFFF;
  sane.windowLeft = -30000;
  Settings held = sane;
  ClampSettings(&held);
  EXPECT_EQ(std::memcmp(&held, &sane, sizeof sane), 0);

  Settings negativeSpeed = sane;
  negativeSpeed.scrollSpeed = -3;
  ClampSettings(&negativeSpeed);
  EXPECT_EQ(negativeSpeed.scrollSpeed, 3);
}

}  // namespace
