#include "shell/global_hotkeys.h"

#include <commctrl.h>

#include <array>
#include <cstdio>
#include <string>

#include "settings/hotkey_options.h"
#include "settings/settings.h"
#include "shell/playback_control.h"
#include "shell/player_window.h"
#include "shell/press_filter.h"
#include "shell/shell_state.h"

static_assert(kHotkeyShift == HOTKEYF_SHIFT && kHotkeyControl == HOTKEYF_CONTROL && kHotkeyAlt == HOTKEYF_ALT &&
                  kHotkeyExtended == HOTKEYF_EXT,
              "stored hotkeys keep the hotkey control's modifier flags");

namespace {

// Hotkey ids: the global hotkeys by action, the media keys after them.
constexpr int32_t kFirstHotkeyId = 0x5A00;
constexpr int32_t kFirstMediaKeyId = kFirstHotkeyId + 0x10;
constexpr int32_t kActionPlay = kHotkeyActions;  // separate play and pause of some keyboards and remotes
constexpr int32_t kActionPause = kHotkeyActions + 1;
constexpr int32_t kMaxVolume = 63;
constexpr int32_t kVolumeStep = 2;
constexpr int32_t kMediaKeys = 4;  // play/pause, stop, next, previous, in action order
constexpr std::array<int32_t, kMediaKeys> kMediaKeyCodes = {VK_MEDIA_PLAY_PAUSE, VK_MEDIA_STOP, VK_MEDIA_NEXT_TRACK,
                                                           VK_MEDIA_PREV_TRACK};

// Names of hotkeys, ", " between them.
struct NameList {
  std::string names;
  int32_t count;
};

struct HotkeyState {
  bool laterCopy;  // another player window was there first: it holds the keys
  std::array<bool, kHotkeyActions> globalHeld;
  std::array<bool, kMediaKeys> mediaHeld;
  NameList refused;  // keys the last take could not have
  NameList doubled;  // keys chosen for two actions: the first has it
  PressFilter presses;
};
HotkeyState gHotkeys = {};

void AddName(NameList* list, int32_t hotkey) {
  char name[48];
  HotkeyName(hotkey, name, sizeof name);
  if (list->count++ > 0) list->names += ", ";
  list->names += name;
}

// Whether an action before `action` has the same key (the keypad flag aside: the system tells no difference).
bool ChosenBefore(int32_t action) {
  const int32_t key = gHotkeyOptions.hotkeys[action] & ~(kHotkeyExtended << 8);
  for (int32_t earlier = 0; earlier < action; ++earlier)
    if ((gHotkeyOptions.hotkeys[earlier] & ~(kHotkeyExtended << 8)) == key) return true;
  return false;
}

UINT RegisterModifiers(int32_t hotkey) {
  const int32_t modifiers = hotkey >> 8;
  return (modifiers & kHotkeyShift ? MOD_SHIFT : 0) | (modifiers & kHotkeyControl ? MOD_CONTROL : 0) |
         (modifiers & kHotkeyAlt ? MOD_ALT : 0);
}

void StepVolume(HWND window, int32_t step) {
  const int32_t volume = gSettings.volume + step;
  SetVolume(window, volume < 0 ? 0 : volume > kMaxVolume ? kMaxVolume : volume);
}

void Act(HWND window, int32_t action) {
  switch (action) {
    case kActionPlayPause:
      if (gShell.playState == kPlaying)
        Pause(window);
      else
        Play(window);
      break;
    case kActionPlay:
      if (gShell.playState != kPlaying) Play(window);
      break;
    case kActionPause: Pause(window); break;
    case kActionStop: Stop(window); break;
    case kActionNext: NextTrack(window); break;
    case kActionPrevious: PreviousTrack(window); break;
    case kActionVolumeUp: StepVolume(window, kVolumeStep); break;
    case kActionVolumeDown: StepVolume(window, -kVolumeStep); break;
    default: break;
  }
}

void ActOnPress(HWND window, int32_t action) {
  if (!gShell.closing && IsNewPress(&gHotkeys.presses, action, GetTickCount())) Act(window, action);
}

int32_t ActionOfAppCommand(int32_t command) {
  switch (command) {
    case APPCOMMAND_MEDIA_PLAY_PAUSE: return kActionPlayPause;
    case APPCOMMAND_MEDIA_PLAY: return kActionPlay;
    case APPCOMMAND_MEDIA_PAUSE: return kActionPause;
    case APPCOMMAND_MEDIA_STOP: return kActionStop;
    case APPCOMMAND_MEDIA_NEXTTRACK: return kActionNext;
    case APPCOMMAND_MEDIA_PREVIOUSTRACK: return kActionPrevious;
    case APPCOMMAND_VOLUME_UP: return kActionVolumeUp;
    case APPCOMMAND_VOLUME_DOWN: return kActionVolumeDown;
    default: return -1;
  }
}

}  // namespace

void StartHotkeys(HWND window) {
  HWND other = nullptr;
  while ((other = FindWindowExA(nullptr, other, kPlayerClassName, nullptr)) == window) {
  }
  gHotkeys.laterCopy = other != nullptr;
  TakeHotkeys(window);
}

void TakeHotkeys(HWND window) {
  ReleaseHotkeys(window);
  gHotkeys.refused = {};
  gHotkeys.doubled = {};
  if (gHotkeys.laterCopy) return;
  for (int32_t key = 0; key < kMediaKeys && gHotkeyOptions.mediaKeys == 1; ++key) {
    gHotkeys.mediaHeld[key] = RegisterHotKey(window, kFirstMediaKeyId + key, 0, UINT(kMediaKeyCodes[key])) != 0;
    if (!gHotkeys.mediaHeld[key]) AddName(&gHotkeys.refused, kMediaKeyCodes[key]);
  }
  for (int32_t action = 0; action < kHotkeyActions && gHotkeyOptions.globalHotkeys == 1; ++action) {
    const int32_t hotkey = gHotkeyOptions.hotkeys[action];
    if ((hotkey & 0xFF) == 0) continue;
    if (ChosenBefore(action)) {
      AddName(&gHotkeys.doubled, hotkey);
      continue;
    }
    gHotkeys.globalHeld[action] =
        RegisterHotKey(window, kFirstHotkeyId + action, RegisterModifiers(hotkey), UINT(hotkey & 0xFF)) != 0;
    if (!gHotkeys.globalHeld[action]) AddName(&gHotkeys.refused, hotkey);
  }
}

void ReleaseHotkeys(HWND window) {
  for (int32_t key = 0; key < kMediaKeys; ++key)
    if (gHotkeys.mediaHeld[key]) UnregisterHotKey(window, kFirstMediaKeyId + key);
  for (int32_t action = 0; action < kHotkeyActions; ++action)
    if (gHotkeys.globalHeld[action]) UnregisterHotKey(window, kFirstHotkeyId + action);
  gHotkeys.mediaHeld = {};
  gHotkeys.globalHeld = {};
}

void HotkeysReport(char* out, int32_t size) {
  if (size <= 0) return;
  if (gHotkeys.laterCopy) {
    std::snprintf(out, size_t(size), "Another copy of zav started first and holds the hotkeys.");
    return;
  }
  std::string report;
  if (gHotkeys.refused.count > 0)
    report = gHotkeys.refused.names + (gHotkeys.refused.count > 1 ? " are" : " is") + " in use by another program.";
  if (gHotkeys.doubled.count > 0)
    report += (report.empty() ? "" : " ") + gHotkeys.doubled.names + (gHotkeys.doubled.count > 1 ? " are" : " is") +
              " chosen for two actions: the first keeps it.";
  std::snprintf(out, size_t(size), "%s", report.c_str());
}

LRESULT OnHotkey(HWND window, WPARAM id) {
  const int32_t hotkey = int32_t(id);
  if (hotkey >= kFirstMediaKeyId && hotkey < kFirstMediaKeyId + kMediaKeys)
    ActOnPress(window, hotkey - kFirstMediaKeyId);  // the media keys are in action order
  else if (hotkey >= kFirstHotkeyId && hotkey < kFirstHotkeyId + kHotkeyActions)
    ActOnPress(window, hotkey - kFirstHotkeyId);
  return 0;
}

LRESULT OnAppCommand(HWND window, WPARAM wParam, LPARAM lParam) {
  const int32_t action = ActionOfAppCommand(GET_APPCOMMAND_LPARAM(lParam));
  // The keyboard's own volume keys are the system's: they go on to it. A remote's or a mouse's volume
  // buttons step the player's volume.
  const bool systemVolume =
      (action == kActionVolumeUp || action == kActionVolumeDown) && GET_DEVICE_LPARAM(lParam) == FAPPCOMMAND_KEY;
  if (action < 0 || systemVolume) return DefWindowProcA(window, WM_APPCOMMAND, wParam, lParam);
  ActOnPress(window, action);
  return TRUE;
}
