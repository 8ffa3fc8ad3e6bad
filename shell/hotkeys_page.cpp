#include "shell/hotkeys_page.h"

#include <commctrl.h>

#include "resources/resource_ids.h"
#include "settings/hotkey_options.h"
#include "settings/preferences_sheet.h"
#include "shell/global_hotkeys.h"
#include "shell/shell_state.h"

namespace {

bool Checked(HWND page, int32_t id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

void ShowHotkeys(HWND page, const HotkeyOptions& options) {
  CheckDlgButton(page, IDC_HOTKEYS_MEDIA_KEYS, options.mediaKeys == 1 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(page, IDC_HOTKEYS_ENABLED, options.globalHotkeys == 1 ? BST_CHECKED : BST_UNCHECKED);
  for (int32_t action = 0; action < kHotkeyActions; ++action) {
    SendDlgItemMessageA(page, IDC_HOTKEYS_FIRST + action, HKM_SETHOTKEY, WPARAM(options.hotkeys[action]), 0);
    EnableWindow(GetDlgItem(page, IDC_HOTKEYS_FIRST + action), options.globalHotkeys == 1);
  }
}

// The player's hotkeys are given up while the page is open, so that a key it holds can be typed into
// a hotkey control; each change is tried at once (taken and given up again) and the page names what
// could not be had. Everything is taken again when the sheet closes, by OK or Cancel.
void TryHotkeys(HWND page) {
  if (!gShell.window) return;
  TakeHotkeys(gShell.window);
  ReleaseHotkeys(gShell.window);
  char report[256];
  HotkeysReport(report, sizeof report);
  SetDlgItemTextA(page, IDC_HOTKEYS_STATUS, report);
}

void StoreHotkeys(HWND page) {
  gHotkeyOptions.mediaKeys = Checked(page, IDC_HOTKEYS_MEDIA_KEYS) ? 1 : 0;
  gHotkeyOptions.globalHotkeys = Checked(page, IDC_HOTKEYS_ENABLED) ? 1 : 0;
  for (int32_t action = 0; action < kHotkeyActions; ++action) {
    HWND control = GetDlgItem(page, IDC_HOTKEYS_FIRST + action);
    EnableWindow(control, gHotkeyOptions.globalHotkeys == 1);
    gHotkeyOptions.hotkeys[action] = LOWORD(SendMessageA(control, HKM_GETHOTKEY, 0, 0)) & 0xFFF;
  }
  TryHotkeys(page);
}

INT_PTR OnHotkeysInit(HWND page) {
  for (int32_t action = 0; action < kHotkeyActions; ++action)  // a key alone gets Ctrl+Alt
    SendDlgItemMessageA(page, IDC_HOTKEYS_FIRST + action, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S,
                        MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
  ShowHotkeys(page, gHotkeyOptions);
  TryHotkeys(page);
  return TRUE;
}

INT_PTR OnHotkeysCommand(HWND page, int32_t id, int32_t code) {
  if (id == IDC_HOTKEYS_DEFAULTS && code == BN_CLICKED) {
    HotkeyOptions defaults = gHotkeyOptions;
    defaults.globalHotkeys = 1;
    defaults.hotkeys = kDefaultHotkeys;
    ShowHotkeys(page, defaults);
  } else if (!((id == IDC_HOTKEYS_MEDIA_KEYS || id == IDC_HOTKEYS_ENABLED) && code == BN_CLICKED) &&
             !(id >= IDC_HOTKEYS_FIRST && id < IDC_HOTKEYS_FIRST + kHotkeyActions && code == EN_CHANGE)) {
    return FALSE;
  }
  StoreHotkeys(page);
  return TRUE;
}

INT_PTR OnHotkeysDestroy() {
  if (gShell.window) TakeHotkeys(gShell.window);
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK HotkeysPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnHotkeysInit(page);
    case WM_COMMAND: return OnHotkeysCommand(page, LOWORD(wParam), HIWORD(wParam));
    case WM_DESTROY: return OnHotkeysDestroy();
    case WM_NOTIFY: return AnswerSheetNotification(page, reinterpret_cast<const NMHDR*>(lParam), nullptr);
    default: return FALSE;
  }
}
