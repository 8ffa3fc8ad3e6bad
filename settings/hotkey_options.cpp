#include "settings/hotkey_options.h"

#include <cstdio>

#include "settings/settings_file.h"

HotkeyOptions gHotkeyOptions = {1, 1, kDefaultHotkeys};

namespace {

constexpr const char* kMediaKeysKey = "MediaKeys";
constexpr const char* kGlobalHotkeysKey = "GlobalHotkeys";
constexpr std::array<const char*, kHotkeyActions> kHotkeyKeys = {
    "HotkeyPlayPause", "HotkeyStop", "HotkeyNext", "HotkeyPrevious", "HotkeyVolumeUp", "HotkeyVolumeDown"};

// Modifier flags and key code fill 12 bits; a key code of 0 is no key at all.
constexpr int32_t kLastHotkeyValue = HotkeyValue(0xFF, kHotkeyShift | kHotkeyControl | kHotkeyAlt | kHotkeyExtended);

struct KeyName {
  int32_t virtualKey;
  const char* name;
};
constexpr KeyName kKeyNames[] = {
    {0x08, "Backspace"},   {0x09, "Tab"},        {0x0D, "Enter"},       {0x13, "Pause"},
    {0x14, "Caps Lock"},   {0x1B, "Esc"},        {0x20, "Space"},       {0x21, "Page Up"},
    {0x22, "Page Down"},   {0x23, "End"},        {0x24, "Home"},        {0x25, "Left"},
    {0x26, "Up"},          {0x27, "Right"},      {0x28, "Down"},        {0x2C, "Print Screen"},
    {0x2D, "Insert"},      {0x2E, "Delete"},     {0x6A, "Num *"},       {0x6B, "Num +"},
    {0x6D, "Num -"},       {0x6E, "Num ."},      {0x6F, "Num /"},       {0x90, "Num Lock"},
    {0x91, "Scroll Lock"}, {0xB0, "Media Next"}, {0xB1, "Media Previous"}, {0xB2, "Media Stop"},
    {0xB3, "Media Play/Pause"},  {0xBA, ";"},          {0xBB, "="},           {0xBC, ","},
    {0xBD, "-"},           {0xBE, "."},          {0xBF, "/"},           {0xC0, "`"},
    {0xDB, "["},           {0xDC, "\\"},         {0xDD, "]"},           {0xDE, "'"},
};

// The key's own name: letters and digits as they are, the keypad's digits, F1 .. F24, the table's
// names, and the code for any other.
void KeyText(int32_t key, char* out, int32_t size) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) {
    std::snprintf(out, size_t(size), "%c", char(key));
    return;
  }
  if (key >= 0x60 && key <= 0x69) {
    std::snprintf(out, size_t(size), "Num %d", int(key - 0x60));
    return;
  }
  if (key >= 0x70 && key <= 0x87) {
    std::snprintf(out, size_t(size), "F%d", int(key - 0x6F));
    return;
  }
  for (const KeyName& known : kKeyNames)
    if (known.virtualKey == key) {
      std::snprintf(out, size_t(size), "%s", known.name);
      return;
    }
  std::snprintf(out, size_t(size), "Key %02X", unsigned(key));
}

}  // namespace

void LoadHotkeyOptions() {
  gHotkeyOptions.mediaKeys = KeyChoice(kMediaKeysKey, 1, 1);
  gHotkeyOptions.globalHotkeys = KeyChoice(kGlobalHotkeysKey, 1, 1);
  for (int32_t action = 0; action < kHotkeyActions; ++action)
    gHotkeyOptions.hotkeys[action] = KeyChoice(kHotkeyKeys[action], kLastHotkeyValue, kDefaultHotkeys[action]);
}

int32_t SaveHotkeyOptions() {
  bool written = WriteNumber(kMediaKeysKey, gHotkeyOptions.mediaKeys);
  written = WriteNumber(kGlobalHotkeysKey, gHotkeyOptions.globalHotkeys) && written;
  for (int32_t action = 0; action < kHotkeyActions; ++action)
    written = WriteNumber(kHotkeyKeys[action], gHotkeyOptions.hotkeys[action]) && written;
  return written ? 1 : 0;
}

void HotkeyName(int32_t hotkey, char* out, int32_t size) {
  if (size <= 0) return;
  const int32_t key = hotkey & 0xFF;
  const int32_t modifiers = hotkey >> 8;
  char keyText[24];
  if (key == 0) {
    std::snprintf(out, size_t(size), "None");
    return;
  }
  KeyText(key, keyText, sizeof keyText);
  std::snprintf(out, size_t(size), "%s%s%s%s", modifiers & kHotkeyControl ? "Ctrl+" : "",
                modifiers & kHotkeyAlt ? "Alt+" : "", modifiers & kHotkeyShift ? "Shift+" : "", keyText);
}
