// The equalizer dialog: slider levels in, subband gains of the settings record out.
#include "eq/equalizer_dialog.h"

#include <commctrl.h>

#include <algorithm>

#include "eq/eq_gains.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

namespace {

// The dialog's own state while it is open: the slider levels, and what Cancel puts back.
struct EqualizerState {
  int32_t levels[kEqSliders];
  int32_t backupGains[kEqSubbands];
  int32_t backupEnabled;
};
EqualizerState gEqualizer = {};

static_assert(IDC_EQ_SLIDER_LAST - IDC_EQ_SLIDER_FIRST + 1 == kEqSliders, "one control per slider");

// Trackbars run from 20 at the top to 0 at the bottom, so a higher thumb is a higher gain.
void ShowLevel(HWND dialog, int32_t slider) {
  SendDlgItemMessageA(dialog, IDC_EQ_SLIDER_FIRST + slider, TBM_SETPOS, TRUE, kEqLevelMax - gEqualizer.levels[slider]);
}

void TakeLevelsFromGains() {
  for (int32_t i = 0; i < kEqSliders; ++i) gEqualizer.levels[i] = gSettings.eqGains[kEqAnchors[i]];
}

// Just below the player window, or just above it when the screen ends first.
void PlaceNearOwner(HWND dialog) {
  HWND owner = GetWindow(dialog, GW_OWNER);
  RECT ownerRect, own, work;
  if (!owner || !GetWindowRect(owner, &ownerRect) || !GetWindowRect(dialog, &own)) return;
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) return;
  const LONG width = own.right - own.left;
  const LONG height = own.bottom - own.top;
  LONG top = ownerRect.bottom;
  if (top + height > work.bottom && ownerRect.top - height >= work.top) top = ownerRect.top - height;
  const LONG left = std::max(work.left, std::min<LONG>(ownerRect.left, work.right - width));
  SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR OnInitDialog(HWND dialog) {
  // Gains from elsewhere than the sliders may lie outside what a slider can show.
  for (int32_t& gain : gSettings.eqGains) gain = HoldEqLevel(gain);
  std::copy(std::begin(gSettings.eqGains), std::end(gSettings.eqGains), gEqualizer.backupGains);
  gEqualizer.backupEnabled = gSettings.eqEnabled;
  TakeLevelsFromGains();
  InterpolateEqGains(gEqualizer.levels, gSettings.eqGains);
  CheckDlgButton(dialog, IDC_EQ_ENABLED, gSettings.eqEnabled ? BST_CHECKED : BST_UNCHECKED);
  for (int32_t i = 0; i < kEqSliders; ++i) {
    SendDlgItemMessageA(dialog, IDC_EQ_SLIDER_FIRST + i, TBM_SETRANGE, TRUE, MAKELPARAM(0, kEqLevelMax));
    SendDlgItemMessageA(dialog, IDC_EQ_SLIDER_FIRST + i, TBM_SETTICFREQ, 2, 0);
    ShowLevel(dialog, i);
    char caption[8];
    if (FormatEqSliderCaption(i, caption, sizeof caption)) SetDlgItemTextA(dialog, IDC_EQ_CAPTION_FIRST + i, caption);
  }
  PlaceNearOwner(dialog);
  ShowWindow(dialog, SW_SHOW);
  SetFocus(GetDlgItem(dialog, IDOK));
  return FALSE;  // the focus is set
}

// Every notification reads the thumb, so that keys, clicks on the channel and the wheel move the sound
// as dragging does.
INT_PTR OnVerticalScroll(HWND slider) {
  const int32_t slot = GetDlgCtrlID(slider) - IDC_EQ_SLIDER_FIRST;
  if (slot < 0 || slot >= kEqSliders) return FALSE;
  const LRESULT position = SendMessageA(slider, TBM_GETPOS, 0, 0);
  gEqualizer.levels[slot] = HoldEqLevel(kEqLevelMax - static_cast<int32_t>(position));
  InterpolateEqGains(gEqualizer.levels, gSettings.eqGains);
  return TRUE;
}

void Reset(HWND dialog) {
  for (int32_t& gain : gSettings.eqGains) gain = kEqNeutralLevel;
  TakeLevelsFromGains();
  for (int32_t i = 0; i < kEqSliders; ++i) ShowLevel(dialog, i);
}

// The owner destroys the dialog on its toggle command and so keeps its handle and the lit button right.
void Close(HWND dialog) {
  HWND owner = GetWindow(dialog, GW_OWNER);
  if (owner) {
    SendMessageA(owner, WM_COMMAND, IDM_EQUALIZER, 0);
  } else {
    DestroyWindow(dialog);
  }
}

void Cancel(HWND dialog) {
  std::copy(std::begin(gEqualizer.backupGains), std::end(gEqualizer.backupGains), gSettings.eqGains);
  gSettings.eqEnabled = gEqualizer.backupEnabled;
  Close(dialog);
}

INT_PTR OnCommand(HWND dialog, int32_t id, int32_t notification) {
  switch (id) {
    case IDC_EQ_ENABLED:
      if (notification == BN_CLICKED) gSettings.eqEnabled = IsDlgButtonChecked(dialog, IDC_EQ_ENABLED) == BST_CHECKED;
      return TRUE;
    case IDC_EQ_RESET: Reset(dialog); return TRUE;
    case IDOK:
      SaveSettings();
      Close(dialog);
      return TRUE;
    case IDCANCEL: Cancel(dialog); return TRUE;
    default: return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK EqualizerDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_VSCROLL: return OnVerticalScroll(reinterpret_cast<HWND>(lParam));
    case WM_COMMAND: return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_CLOSE:  // the title bar's close means Cancel
      Cancel(dialog);
      return TRUE;
    default: return FALSE;
  }
}
