// The equalizer dialog: slider levels in, subband gains of the settings record out; presets chosen,
// saved under a typed name and deleted, and the preset a playing track's genre names.
#include "eq/equalizer_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "eq/eq_gains.h"
#include "eq/eq_presets.h"
#include "platform/notify.h"
#include "platform/profile.h"
#include "platform/win32/wide.h"
#include "resources/resource_ids.h"
#include "settings/eq_plugin_keys.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

namespace {

// The dialog's own state while it is open: the slider levels, and what Cancel puts back; whether the
// user's presets have been read yet.
struct EqualizerState {
  HWND dialog;  // null while closed
  int32_t presetsLoaded;
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

void ShowMatchingPreset(HWND dialog);
void EnablePresetButtons(HWND dialog);

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

// ---- Presets ------------------------------------------------------------------------------------------

// The built-in presets, then the user's, in the order EqPresetAt counts them.
void FillPresets(HWND dialog, const char* select) {
  const HWND combo = GetDlgItem(dialog, IDC_EQ_PRESET);
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  for (int32_t i = 0; i < EqPresetCount(); ++i) {
    const EqPreset* preset = EqPresetAt(i);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideFromUtf8(preset->name).c_str()));
    if (select && preset == FindEqPreset(select)) SendMessageW(combo, CB_SETCURSEL, WPARAM(i), 0);
  }
}

// Chooses in the list the first preset whose levels the sliders show, or none.
void ShowMatchingPreset(HWND dialog) {
  int32_t match = -1;
  for (int32_t i = 0; i < EqPresetCount() && match < 0; ++i)
    if (std::equal(gEqualizer.levels, gEqualizer.levels + kEqSliders, EqPresetAt(i)->levels)) match = i;
  SendDlgItemMessageW(dialog, IDC_EQ_PRESET, CB_SETCURSEL, WPARAM(match), 0);
  EnablePresetButtons(dialog);
}

// The preset chosen in the list, or null.
const EqPreset* ChosenPreset(HWND dialog) {
  const LRESULT item = SendDlgItemMessageW(dialog, IDC_EQ_PRESET, CB_GETCURSEL, 0, 0);
  return item >= 0 ? EqPresetAt(int32_t(item)) : nullptr;
}

// Only the user's own presets can be deleted.
void EnablePresetButtons(HWND dialog) {
  const EqPreset* chosen = ChosenPreset(dialog);
  EnableWindow(GetDlgItem(dialog, IDC_EQ_PRESET_DELETE), chosen && !IsBuiltInEqPreset(chosen->name));
}

// The name box: its edit is pre-filled with the chosen user preset's name; OK checks the name and asks
// before a preset of that name is replaced. The name, in UTF-8, goes into the buffer lParam points to.
struct NameRequest {
  char name[kEqPresetNameBytes];
};

bool NameAccepted(HWND box, NameRequest* request) {
  WCHAR typed[kEqPresetNameCharacters + 1] = L"";
  GetDlgItemTextW(box, IDC_EQ_PRESET_NAME, typed, kEqPresetNameCharacters + 1);
  char clean[kEqPresetNameBytes];
  if (CleanEqPresetName(Utf8FromWide(typed).c_str(), clean) != 1) {
    ShowMessageBox(box, "Please type a name for the preset (it cannot hold \"=\").", "Save Preset", kBoxOk);
    return false;
  }
  if (IsBuiltInEqPreset(clean)) {
    const std::string text = std::string("\"") + clean + "\" is one of the built-in presets, which stay as they are.\n"
                             "Please choose another name.";
    ShowMessageBox(box, text.c_str(), "Save Preset", kBoxOk);
    return false;
  }
  if (FindEqPreset(clean)) {
    const std::string text = std::string("Replace the preset \"") + clean + "\" with the equalizer's settings?";
    if (ShowMessageBox(box, text.c_str(), "Save Preset", kBoxOkCancel) != kAnswerOk) return false;
  }
  std::memcpy(request->name, clean, sizeof clean);
  return true;
}

INT_PTR CALLBACK PresetNameBox(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(box, DWLP_USER, lParam);
      SendDlgItemMessageW(box, IDC_EQ_PRESET_NAME, EM_LIMITTEXT, kEqPresetNameCharacters, 0);
      SetDlgItemTextW(box, IDC_EQ_PRESET_NAME, WideFromUtf8(reinterpret_cast<NameRequest*>(lParam)->name).c_str());
      SendDlgItemMessageW(box, IDC_EQ_PRESET_NAME, EM_SETSEL, 0, -1);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK && NameAccepted(box, reinterpret_cast<NameRequest*>(GetWindowLongPtrW(box, DWLP_USER))))
        EndDialog(box, IDOK);
      if (LOWORD(wParam) == IDCANCEL) EndDialog(box, IDCANCEL);
      return TRUE;
    case WM_CLOSE: EndDialog(box, IDCANCEL); return TRUE;
    default: return FALSE;
  }
}

void ReportUnsavedPresets(HWND dialog) {
  const std::string text = "The presets could not be saved to " + ProfileFilePath(kEqPresetsFile) + ".";
  ShowMessageBox(dialog, text.c_str(), "Error...", kBoxOk);
}

// "Save...": the sliders as they stand, under a name typed in a modal box of its own (whose message
// loop leaves the player's letter keys to the box).
void SavePreset(HWND dialog) {
  NameRequest request = {};
  const EqPreset* chosen = ChosenPreset(dialog);
  if (chosen && !IsBuiltInEqPreset(chosen->name)) std::memcpy(request.name, chosen->name, sizeof request.name);
  if (DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_EQ_PRESET_NAME), dialog, PresetNameBox,
                      reinterpret_cast<LPARAM>(&request)) != IDOK)
    return;
  if (StoreUserEqPreset(request.name, gEqualizer.levels) != 1) {
    ShowMessageBox(dialog, "There is no room for more presets: please delete one first.", "Save Preset", kBoxOk);
    return;
  }
  if (!SaveUserEqPresets()) ReportUnsavedPresets(dialog);
  FillPresets(dialog, request.name);
  EnablePresetButtons(dialog);
}

void DeletePreset(HWND dialog) {
  const EqPreset* chosen = ChosenPreset(dialog);
  if (!chosen || IsBuiltInEqPreset(chosen->name)) return;
  const std::string name = chosen->name;
  const std::string text = "Delete the preset \"" + name + "\"?";
  if (ShowMessageBox(dialog, text.c_str(), "Delete Preset", kBoxOkCancel) != kAnswerOk) return;
  DeleteUserEqPreset(name.c_str());
  if (!SaveUserEqPresets()) ReportUnsavedPresets(dialog);
  FillPresets(dialog, nullptr);
  EnablePresetButtons(dialog);
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
  // The presets file is read afresh each time, so a file edited meanwhile counts.
  gEqualizer.dialog = dialog;
  LoadUserEqPresets();
  gEqualizer.presetsLoaded = 1;
  FillPresets(dialog, nullptr);
  ShowMatchingPreset(dialog);
  CheckDlgButton(dialog, IDC_EQ_PRESET_FROM_GENRE, gEqPluginOptions.presetFromGenre == 1 ? BST_CHECKED : BST_UNCHECKED);
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
  ShowMatchingPreset(dialog);
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
    case IDC_EQ_PRESET:
      if (notification == CBN_SELCHANGE) {
        if (const EqPreset* chosen = ChosenPreset(dialog)) ApplyEqPreset(*chosen);
        EnablePresetButtons(dialog);
      }
      return TRUE;
    case IDC_EQ_PRESET_SAVE: SavePreset(dialog); return TRUE;
    case IDC_EQ_PRESET_DELETE: DeletePreset(dialog); return TRUE;
    case IDC_EQ_PRESET_FROM_GENRE:
      if (notification == BN_CLICKED)
        gEqPluginOptions.presetFromGenre = IsDlgButtonChecked(dialog, IDC_EQ_PRESET_FROM_GENRE) == BST_CHECKED;
      return TRUE;
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
    case WM_DESTROY:
      if (gEqualizer.dialog == dialog) gEqualizer.dialog = nullptr;
      return FALSE;
    default: return FALSE;
  }
}

void ApplyEqPreset(const EqPreset& preset) {
  for (int32_t i = 0; i < kEqSliders; ++i) gEqualizer.levels[i] = HoldEqLevel(preset.levels[i]);
  InterpolateEqGains(gEqualizer.levels, gSettings.eqGains);
  if (!gEqualizer.dialog) return;
  for (int32_t i = 0; i < kEqSliders; ++i) ShowLevel(gEqualizer.dialog, i);
  // A copy: refilling the list may move the preset the reference names.
  const std::string name = preset.name;
  const LRESULT item = SendDlgItemMessageW(gEqualizer.dialog, IDC_EQ_PRESET, CB_GETCURSEL, 0, 0);
  const EqPreset* shown = item >= 0 ? EqPresetAt(int32_t(item)) : nullptr;
  if (!shown || shown != FindEqPreset(name.c_str())) FillPresets(gEqualizer.dialog, name.c_str());
  EnablePresetButtons(gEqualizer.dialog);
}

int32_t PickEqPresetForGenre(const char* genre) {
  if (gEqPluginOptions.presetFromGenre != 1 || !genre || !*genre) return 0;
  if (!gEqualizer.presetsLoaded) {
    LoadUserEqPresets();
    gEqualizer.presetsLoaded = 1;
  }
  const EqPreset* preset = FindEqPreset(genre);
  if (!preset) return 0;
  ApplyEqPreset(*preset);
  return 1;
}
