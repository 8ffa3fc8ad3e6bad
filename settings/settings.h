// The settings record: every preference of the player in one fixed 1052-byte record, stored whole
// in "zav.ini". Plain data, readable from every thread as 32-bit values.
#pragma once
#include <cstddef>
#include <cstdint>

struct Settings {
  int32_t reserved0;              // 6
  int32_t reserved4;              // 0
  int32_t reserved8;              // 0
  char startupFolder[260];
  int32_t outputDevice;           // wave-out device index, -1 = WAVE_MAPPER
  int32_t bufferBlocks;           // 2048-byte blocks, 10..400
  int32_t preBufferPercent;       // 0..100
  int32_t preBufferEnabled;       // 0/1
  int32_t volume;                 // 0..63
  int32_t quality;                // 0 full, 1 half, 2 quarter
  int32_t channelMode;            // -1 stereo, >= 0 mono
  int32_t eqEnabled;              // 0/1
  int32_t eqGains[32];            // tenths, 10 = unchanged
  int32_t reserved432;
  int32_t reserved436;
  int32_t shuffle;
  int32_t repeat;
  int32_t autoPlay;
  int32_t processor;              // 0 486 build, 1 and 2 Pentium build
  int32_t alwaysOnTop;
  int32_t reserved460;
  int32_t readInfoOnAdd;
  int32_t multipleInstances;
  int32_t minimizeMode;           // 1 taskbar, 2 tray
  int32_t timeDisplay;            // 0 elapsed, 1 remaining
  int32_t showSplash;
  int32_t skipProtection;
  int32_t autoScroll;
  int32_t scrollSpeed;            // 1..5
  int32_t visActive;
  int32_t visMode;                // 0 oscilloscope, 1 analyser, 2 colour cloud
  int32_t reserved504;            // 2
  int32_t analyserDecay;          // 1..5
  uint32_t scopeColour;           // COLORREF
  char pluginFolder[260];
  char pluginFile[256];
  int32_t pluginModule;
  int32_t reserved1036;
  int32_t reserved1040;
  int32_t windowLeft;
  int32_t windowTop;
};

static_assert(sizeof(Settings) == 1052, "the settings record is stored whole and must keep its size");
static_assert(offsetof(Settings, outputDevice) == 272, "settings layout");
static_assert(offsetof(Settings, eqEnabled) == 300, "settings layout");
static_assert(offsetof(Settings, eqGains) == 304, "settings layout");
static_assert(offsetof(Settings, reserved432) == 432, "settings layout");
static_assert(offsetof(Settings, processor) == 452, "settings layout");
static_assert(offsetof(Settings, scopeColour) == 512, "settings layout");
static_assert(offsetof(Settings, pluginFolder) == 516, "settings layout");
static_assert(offsetof(Settings, pluginFile) == 776, "settings layout");
static_assert(offsetof(Settings, pluginModule) == 1032, "settings layout");
static_assert(offsetof(Settings, windowTop) == 1048, "settings layout");

// The process-wide record. Until the settings file is read it holds the equalizer's neutral state
// (all gains 10, disabled) and the Pentium build.
extern Settings gSettings;

// Holds every field of a record read from the settings file to the values its readers handle: counts
// and levels (buffer blocks, pre-buffer percentage, volume, equalizer gains, scroll speed, decay rate)
// go to the nearest end of their range, other out-of-range values (switches, choices, device and
// module indices) to their default; colours lose all but their RGB bytes and every text field ends in a
// NUL. The window position is left to the window, which knows the monitors.
void ClampSettings(Settings* settings);
