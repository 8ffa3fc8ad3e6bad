// The ReplayGain choices of the Playback page, kept in extra keys of "zav.ini" beside the record:
// "ReplayGainMode" (0 off, 1 track, 2 album), "ReplayGainPreamp" and "ReplayGainUntagged" (whole dB,
// -15..15) and "ReplayGainPreventClipping" (0 or 1).
#pragma once
#include <cstdint>

#include "tags/replay_gain.h"

constexpr const char* kReplayGainModeKey = "ReplayGainMode";
constexpr const char* kReplayGainPreampKey = "ReplayGainPreamp";
constexpr const char* kReplayGainUntaggedKey = "ReplayGainUntagged";
constexpr const char* kReplayGainClippingKey = "ReplayGainPreventClipping";

// Read by the Decode thread as each track starts, and again whenever `gReplayGainChanges` moves on.
extern ReplayGainSettings gReplayGain;
// Stepped by whoever changes gReplayGain, so that the playing track takes the new choice.
extern int32_t gReplayGainChanges;

// Reads the keys; a missing key or a value out of its range gives the default (off, 0 dB, 0 dB,
// clipping prevented).
void LoadReplayGainOptions();
// Writes the keys (the gains rounded to whole dB). Returns 1, or 0 when a write failed.
int32_t SaveReplayGainOptions();
