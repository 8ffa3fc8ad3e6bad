// The keys the player answers while it is in the background, kept in extra keys of "zav.ini" beside the
// record: whether the keyboard's media keys are taken ("MediaKeys", 0 or 1), whether the global hotkeys
// are ("GlobalHotkeys", 0 or 1), and each hotkey ("HotkeyPlayPause" ...) as the hotkey control holds it:
// the virtual key in the low byte, the modifier flags below in the high byte, 0 for none.
#pragma once
#include <array>
#include <cstdint>

// Modifier flags of a stored hotkey (the hotkey control's own values).
constexpr int32_t kHotkeyShift = 0x01;
constexpr int32_t kHotkeyControl = 0x02;
constexpr int32_t kHotkeyAlt = 0x04;
constexpr int32_t kHotkeyExtended = 0x08;  // the key of the cursor block, not the keypad's

// What a hotkey or a media key does, in the order of the stored hotkeys.
enum HotkeyAction : int32_t {
  kActionPlayPause,
  kActionStop,
  kActionNext,
  kActionPrevious,
  kActionVolumeUp,
  kActionVolumeDown,
  kHotkeyActions
};

constexpr int32_t HotkeyValue(int32_t virtualKey, int32_t modifiers) { return (modifiers << 8) | virtualKey; }
constexpr int32_t kCtrlAlt = kHotkeyControl | kHotkeyAlt | kHotkeyExtended;
// Ctrl+Alt with Home, End, Page Down, Page Up, Up and Down.
constexpr std::array<int32_t, kHotkeyActions> kDefaultHotkeys = {
    HotkeyValue(0x24, kCtrlAlt), HotkeyValue(0x23, kCtrlAlt), HotkeyValue(0x22, kCtrlAlt),
    HotkeyValue(0x21, kCtrlAlt), HotkeyValue(0x26, kCtrlAlt), HotkeyValue(0x28, kCtrlAlt)};

struct HotkeyOptions {
  int32_t mediaKeys;      // 1: the media keys act while another program is in front
  int32_t globalHotkeys;  // 1: the hotkeys below act from anywhere
  std::array<int32_t, kHotkeyActions> hotkeys;
};
extern HotkeyOptions gHotkeyOptions;

// Reads the keys; a missing or unusable key gives its default (both switches on, the hotkeys above).
void LoadHotkeyOptions();
// Writes the keys. Returns 1, or 0 when a write failed.
int32_t SaveHotkeyOptions();

// The name of a stored hotkey as the page shows it ("Ctrl+Alt+End"); "None" for 0. `out` holds `size`
// bytes and always ends in a terminator.
void HotkeyName(int32_t hotkey, char* out, int32_t size);
