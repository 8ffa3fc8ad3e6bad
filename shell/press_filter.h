// One key press, one action: a media key may arrive both as the hotkey the player holds and as the
// WM_APPCOMMAND the focused window makes of it, and a held key repeats. A transport action that arrives
// again within kSamePressMs of its previous arrival belongs to the same press and is dropped; volume
// steps are never dropped, so that a held volume key keeps stepping.
#pragma once
#include <array>
#include <cstdint>

constexpr uint32_t kSamePressMs = 250;

// Actions the filter knows: the hotkeys' own (hotkey_options.h) and the separate play and pause some
// keyboards send.
constexpr int32_t kFilteredActions = 8;

struct PressFilter {
  std::array<uint32_t, kFilteredActions> lastArrivalMs;
  std::array<bool, kFilteredActions> arrived;
};

// Whether `action` arriving at `nowMs` (a millisecond counter that may wrap) is a new press; records the
// arrival either way. Actions outside 0 .. kFilteredActions-1 are never acted on.
bool IsNewPress(PressFilter* filter, int32_t action, uint32_t nowMs);
