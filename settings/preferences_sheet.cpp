// The preferences sheet and the four pages it defines itself: General, Audio Output, Audio Buffering
// and URL Streaming. Each page procedure is a short switch that hands each message to a named handler.
#include "settings/preferences_sheet.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <iterator>

#include "engine/wave_output.h"
#include "platform/folder_dialog.h"
#include "platform/notify.h"
#include "platform/win32/wide.h"
#include "resources/resource_ids.h"
#include "settings/general_options.h"
#include "settings/playback_options.h"
#include "settings/replay_gain_options.h"
#include "settings/settings.h"
#include "settings/start_up_options.h"
#include "stream/stream_policy.h"
#include "stream/stream_save.h"
#include "stream/stream_source.h"

INT_PTR(WINAPI* gPropertySheet)(LPCPROPSHEETHEADERW) = PropertySheetW;

namespace {

// ---- What every page shares -------------------------------------------------------------------------

bool Checked(HWND page, int32_t id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }
void SetChecked(HWND page, int32_t id, bool on) { CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED); }
void Enable(HWND page, int32_t id, bool on) { EnableWindow(GetDlgItem(page, id), on); }

int32_t SliderPosition(HWND page, int32_t id) {
  return static_cast<int32_t>(SendDlgItemMessageA(page, id, TBM_GETPOS, 0, 0));
}

// Until the shell hands over a page's procedure, the page answers the sheet's notifications only.
INT_PTR CALLBACK StandInPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_NOTIFY) return AnswerSheetNotification(page, reinterpret_cast<const NMHDR*>(lParam), nullptr);
  return FALSE;
}

// ---- General ------------------------------------------------------------------------------------------

// The check boxes OK stores; skip protection and auto-scroll are stored when clicked as well.
struct CheckBoxSetting {
  int32_t id;
  int32_t Settings::*field;
};
constexpr std::array<CheckBoxSetting, 7> kGeneralCheckBoxes = {{
    {IDC_GENERAL_ALWAYS_ON_TOP, &Settings::alwaysOnTop},
    {IDC_GENERAL_READ_INFO, &Settings::readInfoOnAdd},
    {IDC_GENERAL_SHOW_SPLASH, &Settings::showSplash},
    {IDC_GENERAL_MULTIPLE_INSTANCES, &Settings::multipleInstances},
    {IDC_GENERAL_AUTO_PLAY, &Settings::autoPlay},
    {IDC_GENERAL_SKIP_PROTECTION, &Settings::skipProtection},
    {IDC_GENERAL_AUTO_SCROLL, &Settings::autoScroll},
}};

// The check boxes whose options live beside the record; stored on OK.
struct CheckBoxOption {
  int32_t id;
  int32_t GeneralOptions::*field;
};
constexpr std::array<CheckBoxOption, 2> kGeneralOptionBoxes = {{
    {IDC_GENERAL_LOCK_TO_SCREEN, &GeneralOptions::lockToScreen},
    {IDC_GENERAL_BUFFER_FILE, &GeneralOptions::bufferFile},
}};

INT_PTR OnGeneralInit(HWND page) {
  SetUpSlider(page, IDC_GENERAL_SCROLL_SPEED, 1, 5, 1, gSettings.scrollSpeed);
  for (const CheckBoxSetting& box : kGeneralCheckBoxes) SetChecked(page, box.id, gSettings.*box.field == 1);
  for (const CheckBoxOption& box : kGeneralOptionBoxes) SetChecked(page, box.id, gGeneralOptions.*box.field == 1);
  Enable(page, IDC_GENERAL_SCROLL_SPEED, gSettings.autoScroll == 1);
  CheckRadioButton(page, IDC_GENERAL_TO_TASKBAR, IDC_GENERAL_TO_TRAY,
                   gSettings.minimizeMode == 1 ? IDC_GENERAL_TO_TASKBAR : IDC_GENERAL_TO_TRAY);
  const int32_t processor = gSettings.processor;
  CheckRadioButton(page, IDC_GENERAL_486, IDC_GENERAL_PENTIUM_PRO,
                   processor == 0   ? IDC_GENERAL_486
                   : processor == 1 ? IDC_GENERAL_PENTIUM
                                    : IDC_GENERAL_PENTIUM_PRO);
  return TRUE;
}

// Radio buttons are plain: a click stores its setting and checks its own button alone in its group.
INT_PTR OnGeneralClick(HWND page, int32_t id) {
  switch (id) {
    case IDC_GENERAL_486:
    case IDC_GENERAL_PENTIUM:
    case IDC_GENERAL_PENTIUM_PRO:
      gSettings.processor = id - IDC_GENERAL_486;
      CheckRadioButton(page, IDC_GENERAL_486, IDC_GENERAL_PENTIUM_PRO, id);
      return TRUE;
    case IDC_GENERAL_TO_TASKBAR:
    case IDC_GENERAL_TO_TRAY:
      gSettings.minimizeMode = id == IDC_GENERAL_TO_TASKBAR ? 1 : 2;
      CheckRadioButton(page, IDC_GENERAL_TO_TASKBAR, IDC_GENERAL_TO_TRAY, id);
      return TRUE;
    case IDC_GENERAL_SKIP_PROTECTION:  // read by the Decode thread every frame: live at once
      gSettings.skipProtection = Checked(page, id) ? 1 : 0;
      return TRUE;
    case IDC_GENERAL_AUTO_SCROLL:
      gSettings.autoScroll = Checked(page, id) ? 1 : 0;
      Enable(page, IDC_GENERAL_SCROLL_SPEED, gSettings.autoScroll == 1);
      return TRUE;
    default: return FALSE;
  }
}

void StoreGeneral(HWND page) {
  for (const CheckBoxSetting& box : kGeneralCheckBoxes) gSettings.*box.field = Checked(page, box.id) ? 1 : 0;
  for (const CheckBoxOption& box : kGeneralOptionBoxes) gGeneralOptions.*box.field = Checked(page, box.id) ? 1 : 0;
  gSettings.scrollSpeed = SliderPosition(page, IDC_GENERAL_SCROLL_SPEED);
}

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnGeneralInit(page);
    case WM_COMMAND: return HIWORD(wParam) == BN_CLICKED ? OnGeneralClick(page, LOWORD(wParam)) : FALSE;
    case WM_NOTIFY: return AnswerSheetNotification(page, reinterpret_cast<const NMHDR*>(lParam), StoreGeneral);
    default: return FALSE;
  }
}

// ---- Audio Output -------------------------------------------------------------------------------------

constexpr int32_t kWaveMapper = -1;

// Each item keeps its device id, so that a device whose name cannot be read (and which is left out)
// shifts no other device.
void AddDevice(HWND list, const char* name, int32_t device) {
  const LRESULT item = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  if (item < 0) return;
  SendMessageA(list, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(device));
  if (device == gSettings.outputDevice) SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
}

void FillDeviceList(HWND page) {
  HWND list = GetDlgItem(page, IDC_AUDIO_DEVICE);
  const int32_t devices = OutputDeviceCount();
  for (int32_t device = 0; device < devices; ++device) {
    char name[64];
    if (GetDeviceName(device, name, sizeof name)) AddDevice(list, name, device);
  }
  AddDevice(list, "Wave Mapper", kWaveMapper);
}

void StoreChosenDevice(HWND page) {
  HWND list = GetDlgItem(page, IDC_AUDIO_DEVICE);
  const LRESULT item = SendMessageA(list, CB_GETCURSEL, 0, 0);
  if (item < 0) return;
  gSettings.outputDevice = static_cast<int32_t>(SendMessageA(list, CB_GETITEMDATA, static_cast<WPARAM>(item), 0));
}

// The channel mode as the page shows it: "Stereo" is -1; "Mono" mixes both channels (3), or with
// "Left Channel" takes the first channel alone (0). A second-channel selection (1) from an older file
// shows as "Mono" and is kept until a click changes it.
void ShowChannels(HWND page) {
  const int32_t mode = gSettings.channelMode;
  SetChecked(page, IDC_AUDIO_STEREO, mode < 0);
  SetChecked(page, IDC_AUDIO_MONO, mode >= 0);
  SetChecked(page, IDC_AUDIO_LEFT_CHANNEL, mode == 0);
  Enable(page, IDC_AUDIO_LEFT_CHANNEL, mode >= 0);
}

void StoreChannels(HWND page, int32_t mode) {
  gSettings.channelMode = mode;
  ShowChannels(page);
}

// The speed slider runs from -10 % at its left end to +10 % at its right.
int32_t SpeedFromSlider(HWND page) { return SliderPosition(page, IDC_AUDIO_SPEED) + kMinSpeedPercent; }

INT_PTR OnAudioInit(HWND page) {
  const int32_t quality = gSettings.quality;
  if (quality >= 0 && quality <= 2)
    CheckRadioButton(page, IDC_AUDIO_FULL_QUALITY, IDC_AUDIO_QUARTER_QUALITY, IDC_AUDIO_FULL_QUALITY + quality);
  ShowChannels(page);
  SetUpSlider(page, IDC_AUDIO_SPEED, 0, kMaxSpeedPercent - kMinSpeedPercent, 5,
              gPlaybackOptions.speedPercent - kMinSpeedPercent);
  FillDeviceList(page);
  return TRUE;
}

INT_PTR OnAudioCommand(HWND page, int32_t id, int32_t code) {
  if (id == IDC_AUDIO_DEVICE) {
    if (code == CBN_SELCHANGE) StoreChosenDevice(page);
    return TRUE;
  }
  if (code != BN_CLICKED) return FALSE;
  switch (id) {
    case IDC_AUDIO_FULL_QUALITY:
    case IDC_AUDIO_HALF_QUALITY:
    case IDC_AUDIO_QUARTER_QUALITY:
      gSettings.quality = id - IDC_AUDIO_FULL_QUALITY;
      CheckRadioButton(page, IDC_AUDIO_FULL_QUALITY, IDC_AUDIO_QUARTER_QUALITY, id);
      return TRUE;
    case IDC_AUDIO_STEREO: StoreChannels(page, -1); return TRUE;
    case IDC_AUDIO_MONO: StoreChannels(page, gSettings.channelMode >= 0 ? gSettings.channelMode : 3); return TRUE;
    case IDC_AUDIO_LEFT_CHANNEL: StoreChannels(page, Checked(page, id) ? 0 : 3); return TRUE;
    default: return FALSE;
  }
}

// The speed is stored at every move of the slider, by mouse, key or wheel; the next track plays at it.
INT_PTR OnAudioScroll(HWND page, HWND slider) {
  if (GetDlgCtrlID(slider) == IDC_AUDIO_SPEED) gPlaybackOptions.speedPercent = SpeedFromSlider(page);
  return TRUE;
}

// Everything on this page is stored when clicked: OK has nothing left to store.
INT_PTR CALLBACK AudioOutputPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnAudioInit(page);
    case WM_COMMAND: return OnAudioCommand(page, LOWORD(wParam), HIWORD(wParam));
    case WM_HSCROLL: return OnAudioScroll(page, reinterpret_cast<HWND>(lParam));
    case WM_NOTIFY: return AnswerSheetNotification(page, reinterpret_cast<const NMHDR*>(lParam), nullptr);
    default: return FALSE;
  }
}

// ---- Audio Buffering ----------------------------------------------------------------------------------

// A block of 2048 bytes lasts 1/86 s at 44100 Hz stereo.
constexpr double kSecondsPerBlock = 0.011627907;

void ShowBufferSeconds(HWND page, int32_t blocks) {
  char text[32];
  std::snprintf(text, sizeof text, "%01.1f Seconds", blocks * kSecondsPerBlock);
  SetDlgItemTextA(page, IDC_BUFFER_SECONDS, text);
}

void ShowPreBufferPercent(HWND page, int32_t percent) {
  char text[32];
  std::snprintf(text, sizeof text, "%03d%% Of Buffer", percent);
  SetDlgItemTextA(page, IDC_BUFFER_PERCENT_TEXT, text);
}

INT_PTR OnBufferingInit(HWND page) {
  SetUpSlider(page, IDC_BUFFER_BLOCKS, kMinWaveBlocks, kMaxWaveBlocks, 4, gSettings.bufferBlocks);
  ShowBufferSeconds(page, SliderPosition(page, IDC_BUFFER_BLOCKS));
  SetUpSlider(page, IDC_BUFFER_PERCENT, 0, 100, 5, gSettings.preBufferPercent);
  ShowPreBufferPercent(page, SliderPosition(page, IDC_BUFFER_PERCENT));
  SetChecked(page, IDC_BUFFER_PREBUFFER, gSettings.preBufferEnabled == 1);
  Enable(page, IDC_BUFFER_PERCENT, gSettings.preBufferEnabled == 1);
  return TRUE;
}

INT_PTR OnBufferingCommand(HWND page, int32_t id, int32_t code) {
  if (id != IDC_BUFFER_PREBUFFER || code != BN_CLICKED) return FALSE;
  gSettings.preBufferEnabled = Checked(page, id) ? 1 : 0;
  Enable(page, IDC_BUFFER_PERCENT, gSettings.preBufferEnabled == 1);
  return TRUE;
}

// While a thumb is dragged and when a move ends (by mouse or key), the label follows and the setting is
// stored.
INT_PTR OnBufferingScroll(HWND page, int32_t action, HWND slider) {
  if (action != TB_THUMBTRACK && action != TB_ENDTRACK) return TRUE;
  const int32_t id = GetDlgCtrlID(slider);
  if (id == IDC_BUFFER_BLOCKS) {
    gSettings.bufferBlocks = SliderPosition(page, id);
    ShowBufferSeconds(page, gSettings.bufferBlocks);
  } else if (id == IDC_BUFFER_PERCENT) {
    gSettings.preBufferPercent = SliderPosition(page, id);
    ShowPreBufferPercent(page, gSettings.preBufferPercent);
  }
  return TRUE;
}

void StoreBuffering(HWND page) {
  gSettings.preBufferEnabled = Checked(page, IDC_BUFFER_PREBUFFER) ? 1 : 0;
  gSettings.bufferBlocks = SliderPosition(page, IDC_BUFFER_BLOCKS);
  gSettings.preBufferPercent = SliderPosition(page, IDC_BUFFER_PERCENT);
}

INT_PTR CALLBACK AudioBufferingPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnBufferingInit(page);
    case WM_COMMAND: return OnBufferingCommand(page, LOWORD(wParam), HIWORD(wParam));
    case WM_HSCROLL: return OnBufferingScroll(page, LOWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_NOTIFY: return AnswerSheetNotification(page, reinterpret_cast<const NMHDR*>(lParam), StoreBuffering);
    default: return FALSE;
  }
}

// ---- URL Streaming --------------------------------------------------------------------------------------

// The connection speed (how much a stream buffers), whether servers are asked for their titles, and
// the saving of streams: where, whether to play, save or both, what to do with a finished download, and
// whether a file address's ID3v1 tag is read from the server. A speed that is not listed shows none
// chosen and is kept.
constexpr int32_t kDownloadOptionIds[] = {IDC_URL_PLAY_ONLY, IDC_URL_PLAY_AND_SAVE, IDC_URL_SAVE_ONLY};

// "Play After Save" means something only while streams are saved.
void EnableUrlControls(HWND page) {
  Enable(page, IDC_URL_PLAY_AFTER_SAVE, !Checked(page, IDC_URL_PLAY_ONLY));
}

INT_PTR OnUrlInit(HWND page) {
  for (const int32_t bps : kConnectionSpeeds) {
    char speed[24];
    std::snprintf(speed, sizeof speed, "%d BPS", static_cast<int>(bps));
    const LRESULT item = SendDlgItemMessageA(page, IDC_URL_SPEED, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(speed));
    if (bps == gStreamOptions.connectionBps) SendDlgItemMessageA(page, IDC_URL_SPEED, CB_SETCURSEL, item, 0);
  }
  SetChecked(page, IDC_URL_EXTRA_DATA, gStreamOptions.extraServerData == 1);
  SendDlgItemMessageW(page, IDC_URL_PATH, EM_LIMITTEXT, kMaxPathUnits, 0);
  SetDlgItemTextW(page, IDC_URL_PATH, WideFromUtf8(gStreamSave.folder).c_str());
  const int32_t mode = gStreamSave.mode >= kPlayOnly && gStreamSave.mode <= kSaveOnly ? gStreamSave.mode : kPlayOnly;
  CheckRadioButton(page, IDC_URL_PLAY_ONLY, IDC_URL_SAVE_ONLY, kDownloadOptionIds[mode]);
  SetChecked(page, IDC_URL_PLAY_AFTER_SAVE, gStreamSave.playAfterSave == 1);
  SetChecked(page, IDC_URL_CHECK_TAG, gStreamSave.checkTag == 1);
  EnableUrlControls(page);
  return TRUE;
}

void BrowseDownloadFolder(HWND page) {
  char folder[kPathBytes];
  const int32_t chosen = ChooseFolder(page, "Please Select a directory to save streams in...", folder, sizeof folder);
  if (chosen < 0) ShowMessageBox(page, "An Error Occurred...", "Error...", kBoxOk);
  if (chosen > 0) SetDlgItemTextW(page, IDC_URL_PATH, WideFromUtf8(folder).c_str());
}

void StoreUrlStreaming(HWND page) {
  const LRESULT item = SendDlgItemMessageA(page, IDC_URL_SPEED, CB_GETCURSEL, 0, 0);
  if (item >= 0 && size_t(item) < std::size(kConnectionSpeeds)) gStreamOptions.connectionBps = kConnectionSpeeds[item];
  gStreamOptions.extraServerData = Checked(page, IDC_URL_EXTRA_DATA) ? 1 : 0;
  for (int32_t mode = kPlayOnly; mode <= kSaveOnly; ++mode)
    if (Checked(page, kDownloadOptionIds[mode])) gStreamSave.mode = mode;
  gStreamSave.playAfterSave = Checked(page, IDC_URL_PLAY_AFTER_SAVE) ? 1 : 0;
  gStreamSave.checkTag = Checked(page, IDC_URL_CHECK_TAG) ? 1 : 0;
  WCHAR folder[kMaxPathUnits + 1] = L"";
  GetDlgItemTextW(page, IDC_URL_PATH, folder, kMaxPathUnits + 1);
  std::snprintf(gStreamSave.folder, sizeof gStreamSave.folder, "%s", Utf8FromWide(folder).c_str());
}

INT_PTR OnUrlCommand(HWND page, WPARAM wParam) {
  switch (LOWORD(wParam)) {
    case IDC_URL_BROWSE: BrowseDownloadFolder(page); return TRUE;
    case IDC_URL_PLAY_ONLY:
    case IDC_URL_PLAY_AND_SAVE:
    case IDC_URL_SAVE_ONLY: EnableUrlControls(page); return TRUE;
    default: return FALSE;
  }
}

INT_PTR CALLBACK UrlStreamingPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnUrlInit(page);
    case WM_COMMAND: return OnUrlCommand(page, wParam);
    case WM_NOTIFY: return AnswerSheetNotification(page, reinterpret_cast<const NMHDR*>(lParam), StoreUrlStreaming);
    default: return FALSE;
  }
}

// ---- Playback -----------------------------------------------------------------------------------------
// Two groups, each with its own handlers: ReplayGain, and what the player does when it starts.

// ReplayGain: the mode, the pre-amp and the untagged files' gain (sliders of whole dB from -15 at
// their left end to +15 at their right, their value shown beside them) and clipping prevention, stored
// on OK; the playing track takes them at once.
constexpr int32_t kGainSliderLowest = static_cast<int32_t>(kMinReplayGainDb);
constexpr int32_t kGainSliderSteps = static_cast<int32_t>(kMaxReplayGainDb - kMinReplayGainDb);

void ShowGainSlider(HWND page, int32_t slider, int32_t label) {
  const int32_t db = SliderPosition(page, slider) + kGainSliderLowest;
  char text[16];
  std::snprintf(text, sizeof text, db == 0 ? "0 dB" : "%+d dB", static_cast<int>(db));
  SetDlgItemTextA(page, label, text);
}

// The gains mean nothing while ReplayGain is off.
void EnableReplayGainControls(HWND page) {
  const bool on = !Checked(page, IDC_RG_OFF);
  for (const int32_t id : {IDC_RG_PREAMP, IDC_RG_UNTAGGED, IDC_RG_PREVENT_CLIPPING}) Enable(page, id, on);
}

void InitReplayGainGroup(HWND page) {
  const int32_t mode = gReplayGain.mode;
  CheckRadioButton(page, IDC_RG_OFF, IDC_RG_ALBUM, mode >= kReplayGainOff && mode <= kReplayGainAlbum ? IDC_RG_OFF + mode : IDC_RG_OFF);
  SetUpSlider(page, IDC_RG_PREAMP, 0, kGainSliderSteps, 5,
              static_cast<int32_t>(std::lround(gReplayGain.preampDb)) - kGainSliderLowest);
  SetUpSlider(page, IDC_RG_UNTAGGED, 0, kGainSliderSteps, 5,
              static_cast<int32_t>(std::lround(gReplayGain.untaggedDb)) - kGainSliderLowest);
  ShowGainSlider(page, IDC_RG_PREAMP, IDC_RG_PREAMP_TEXT);
  ShowGainSlider(page, IDC_RG_UNTAGGED, IDC_RG_UNTAGGED_TEXT);
  SetChecked(page, IDC_RG_PREVENT_CLIPPING, gReplayGain.preventClipping == 1);
  EnableReplayGainControls(page);
}

INT_PTR OnReplayGainCommand(HWND page, WPARAM wParam) {
  const int32_t id = LOWORD(wParam);
  if (HIWORD(wParam) != BN_CLICKED || id < IDC_RG_OFF || id > IDC_RG_ALBUM) return FALSE;
  CheckRadioButton(page, IDC_RG_OFF, IDC_RG_ALBUM, id);
  EnableReplayGainControls(page);
  return TRUE;
}

// Every move of a slider, by mouse, key or wheel, shows its new value.
INT_PTR OnReplayGainScroll(HWND page, HWND slider) {
  const int32_t id = GetDlgCtrlID(slider);
  if (id == IDC_RG_PREAMP) ShowGainSlider(page, id, IDC_RG_PREAMP_TEXT);
  if (id == IDC_RG_UNTAGGED) ShowGainSlider(page, id, IDC_RG_UNTAGGED_TEXT);
  return TRUE;
}

void StoreReplayGainGroup(HWND page) {
  for (int32_t mode = kReplayGainOff; mode <= kReplayGainAlbum; ++mode)
    if (Checked(page, IDC_RG_OFF + mode)) gReplayGain.mode = mode;
  gReplayGain.preampDb = static_cast<float>(SliderPosition(page, IDC_RG_PREAMP) + kGainSliderLowest);
  gReplayGain.untaggedDb = static_cast<float>(SliderPosition(page, IDC_RG_UNTAGGED) + kGainSliderLowest);
  gReplayGain.preventClipping = Checked(page, IDC_RG_PREVENT_CLIPPING) ? 1 : 0;
  ++gReplayGainChanges;
}

// "Start Paused" only means something while the last list is resumed.
void EnableStartPaused(HWND page) {
  EnableWindow(GetDlgItem(page, IDC_STARTUP_PAUSED), Checked(page, IDC_STARTUP_RESUME));
}

void InitStartUpGroup(HWND page) {
  SetChecked(page, IDC_STARTUP_RESUME, gStartUpOptions.resumeOnStart == 1);
  SetChecked(page, IDC_STARTUP_PAUSED, gStartUpOptions.startPaused == 1);
  EnableStartPaused(page);
}

INT_PTR OnStartUpCommand(HWND page, WPARAM wParam) {
  if (LOWORD(wParam) != IDC_STARTUP_RESUME) return FALSE;
  EnableStartPaused(page);
  return TRUE;
}

void StoreStartUpGroup(HWND page) {
  gStartUpOptions.resumeOnStart = Checked(page, IDC_STARTUP_RESUME) ? 1 : 0;
  gStartUpOptions.startPaused = Checked(page, IDC_STARTUP_PAUSED) ? 1 : 0;
}

void StorePlayback(HWND page) {
  StoreReplayGainGroup(page);
  StoreStartUpGroup(page);
}

INT_PTR CALLBACK PlaybackPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitReplayGainGroup(page);
      InitStartUpGroup(page);
      return TRUE;
    case WM_COMMAND: return OnReplayGainCommand(page, wParam) || OnStartUpCommand(page, wParam);
    case WM_HSCROLL: return OnReplayGainScroll(page, reinterpret_cast<HWND>(lParam));
    case WM_NOTIFY: return AnswerSheetNotification(page, reinterpret_cast<const NMHDR*>(lParam), StorePlayback);
    default: return FALSE;
  }
}

// ---- The sheet ----------------------------------------------------------------------------------------

struct PreferencePage {
  int32_t dialogId;
  const wchar_t* title;
  DLGPROC procedure;
};

std::array<PreferencePage, 8> gPages = {{
    {IDD_GENERAL_PAGE, L"General Settings", GeneralPageProc},
    {IDD_AUDIO_OUTPUT_PAGE, L"Audio Output", AudioOutputPageProc},
    {IDD_AUDIO_BUFFERING_PAGE, L"Audio Buffering", AudioBufferingPageProc},
    {IDD_PREFS_PAGE_160, L"Plug-ins", StandInPageProc},
    {IDD_URL_STREAMING_PAGE, L"URL Streaming", UrlStreamingPageProc},
    {IDD_VISUALISATION_PAGE, L"Visualisation", StandInPageProc},
    {IDD_PLAYBACK_PAGE, L"Playback", PlaybackPageProc},
    {IDD_HOTKEYS_PAGE, L"Hotkeys", StandInPageProc},
}};

// An empty page of the usual size, for a page whose dialog the program does not hold: the sheet keeps
// all its tabs.
struct alignas(4) BlankPageTemplate {
  DLGTEMPLATE header;
  WORD menu, windowClass, title, pointSize;
  wchar_t font[14];
};
static_assert(offsetof(BlankPageTemplate, menu) == sizeof(DLGTEMPLATE), "the template's words follow its header");
static_assert(sizeof(wchar_t) == 2, "dialog templates hold UTF-16 text");
const BlankPageTemplate kBlankPage = {
    {DS_SETFONT | WS_CHILD | WS_CAPTION, 0, 0, 0, 0, 235, 156}, 0, 0, 0, 8, L"MS Sans Serif"};

}  // namespace

INT_PTR AnswerSheetNotification(HWND page, const NMHDR* note, void (*storeOnOk)(HWND page)) {
  switch (note->code) {
    case PSN_APPLY:
      if (storeOnOk) storeOnOk(page);
      SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
      return TRUE;
    case PSN_KILLACTIVE:
      SetWindowLongPtrA(page, DWLP_MSGRESULT, FALSE);
      return TRUE;
    case PSN_RESET: return TRUE;
    default: return FALSE;
  }
}

void SetUpSlider(HWND page, int32_t id, int32_t low, int32_t high, int32_t tickEvery, int32_t position) {
  SendDlgItemMessageA(page, id, TBM_SETRANGE, TRUE, MAKELPARAM(low, high));
  SendDlgItemMessageA(page, id, TBM_SETTICFREQ, tickEvery, 0);
  SendDlgItemMessageA(page, id, TBM_SETPOS, TRUE, position);
}

void SetPreferencePageProcedure(int32_t dialogId, DLGPROC procedure) {
  if (dialogId != IDD_PREFS_PAGE_160 && dialogId != IDD_VISUALISATION_PAGE && dialogId != IDD_HOTKEYS_PAGE) return;
  for (PreferencePage& page : gPages)
    if (page.dialogId == dialogId) page.procedure = procedure ? procedure : StandInPageProc;
}

// The sheet and its pages are Unicode windows, so that a control can show any text (the Plugins page's
// folder); the pages talk to their controls with A messages on ASCII text, which Windows converts.
int32_t ShowPreferences(HWND owner) { return ShowPreferencesAt(owner, 0); }

int32_t ShowPreferencesAt(HWND owner, int32_t startDialogId) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  std::array<PROPSHEETPAGEW, gPages.size()> pages = {};
  for (size_t i = 0; i < pages.size(); ++i) {
    PROPSHEETPAGEW& page = pages[i];
    page.dwSize = sizeof page;
    page.dwFlags = PSP_USETITLE;
    page.hInstance = instance;
    page.pszTemplate = MAKEINTRESOURCEW(gPages[i].dialogId);
    if (!FindResourceA(instance, MAKEINTRESOURCEA(gPages[i].dialogId), RT_DIALOG)) {
      page.dwFlags |= PSP_DLGINDIRECT;
      page.pResource = &kBlankPage.header;
    }
    page.pszTitle = gPages[i].title;
    page.pfnDlgProc = gPages[i].procedure;
  }
  PROPSHEETHEADERW header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_PROPTITLE;
  header.hwndParent = owner;
  header.hInstance = instance;
  header.pszCaption = L"zav";
  header.nPages = static_cast<UINT>(pages.size());
  header.nStartPage = 0;
  for (size_t i = 0; i < gPages.size(); ++i)
    if (gPages[i].dialogId == startDialogId) header.nStartPage = static_cast<UINT>(i);
  header.ppsp = pages.data();
  return gPropertySheet(&header) < 0 ? 0 : 1;
}
