// The equalizer's band model: 12 slider levels, each standing for one anchor subband, spread over the
// 32 subband gains by linear interpolation. Levels and gains are in tenths (0..20, 10 = unchanged).
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

constexpr int32_t kEqSliders = 12;
constexpr int32_t kEqSubbands = 32;
constexpr int32_t kEqLevelMax = 20;
constexpr int32_t kEqNeutralLevel = 10;

// The subband each slider stands for, low to high; the last is the top subband, so every subband lies
// on or between two anchors.
constexpr std::array<int32_t, kEqSliders> kEqAnchors = {0, 1, 2, 3, 4, 6, 8, 10, 14, 18, 24, 31};
static_assert(kEqAnchors[0] == 0 && kEqAnchors[kEqSliders - 1] == kEqSubbands - 1, "anchors span the subbands");

// Gains of the subbands between two anchors follow the straight line between their levels, truncated
// toward zero; each anchor's subband takes its slider's level.
void InterpolateEqGains(const int32_t levels[kEqSliders], int32_t gains[kEqSubbands]);

// Holds a gain or level to 0..20.
constexpr int32_t HoldEqLevel(int32_t level) { return level < 0 ? 0 : (level > kEqLevelMax ? kEqLevelMax : level); }

// The caption under a slider: the centre frequency of its anchor subband at 44.1 kHz, each subband being
// 44100 / 64 Hz wide ("345" below 1 kHz, "4.5k" below 10 kHz, "17k" above). Writes at most `size` bytes
// with the terminator; returns false for a slider out of range.
bool FormatEqSliderCaption(int32_t slider, char* text, size_t size);
