#include "shell/press_filter.h"

#include "settings/hotkey_options.h"

static_assert(kHotkeyActions + 2 == kFilteredActions, "the filter counts the hotkeys' actions, play and pause");

bool IsNewPress(PressFilter* filter, int32_t action, uint32_t nowMs) {
  if (action < 0 || action >= kFilteredActions) return false;
  if (action == kActionVolumeUp || action == kActionVolumeDown) return true;
  const bool samePress = filter->arrived[action] && nowMs - filter->lastArrivalMs[action] < kSamePressMs;
  filter->arrived[action] = true;
  filter->lastArrivalMs[action] = nowMs;
  return !samePress;
}
