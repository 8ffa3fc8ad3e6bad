// The preferences sheet opened from the player window and worked from inside its modal loop: clicks
// store at once, OK stores the rest, Cancel keeps both; what the window applies and saves afterwards,
// and the box when the sheet cannot be shown.
#include "settings/preferences_sheet.h"

#include <gtest/gtest.h>

#include <cstring>

#include "resources/resource_ids.h"
#include "settings/general_options.h"
#include "settings/hotkey_options.h"
#include "shell/displays.h"
#include "platform/folder_dialog.h"
#include "settings/playback_options.h"
#include "settings/replay_gain_options.h"
#include "stream/stream_save.h"
#include "stream/stream_source.h"
#include "tests/engine/wave_out_double.h"
#include "tests/shell/player_window_test_support.h"

namespace {

// The sheet (the thread's visible dialog that the player owns) turned to page `index`.
HWND Page(int32_t index) {
  HWND sheet = GetLastActivePopup(gShell.window);
  if (sheet == gShell.window || !IsWindowVisible(sheet)) return nullptr;
  PropSheet_SetCurSel(sheet, nullptr, index);
  return PropSheet_GetCurrentPageHwnd(sheet);
}
void Close(HWND page, int32_t button) { PropSheet_PressButton(GetParent(page), button); }

void Click(HWND page, int32_t id) { SendDlgItemMessageA(page, id, BM_CLICK, 0, 0); }
bool Enabled(HWND page, int32_t id) { return IsWindowEnabled(GetDlgItem(page, id)) != 0; }
void Choose(HWND page, int32_t item) {
  SendDlgItemMessageA(page, IDC_AUDIO_DEVICE, CB_SETCURSEL, item, 0);
  SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_AUDIO_DEVICE, CBN_SELCHANGE), 0);
}
void Drag(HWND page, int32_t id, int32_t position) {
  SendDlgItemMessageA(page, id, TBM_SETPOS, TRUE, position);
  SendMessageA(page, WM_HSCROLL, TB_THUMBTRACK, reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}

// Whether "zav.ini" holds the settings record as it is now.
bool SavedAsTheyAre() {
  Settings saved = {};
  return GetPrivateProfileStructA(kSettingsSection, kSettingsRecordKey, &saved, sizeof saved, kSettingsFile) &&
         std::memcmp(&saved, &gSettings, sizeof saved) == 0;
}

INT_PTR WINAPI FailingPropertySheet(LPCPROPSHEETHEADERW) { return -1; }

class PreferencesSheetTest : public PlayerWindowFixture {
 protected:
  void TearDown() override {
    gPropertySheet = PropertySheetW;
    gPlaybackOptions = {0, kDefaultVisIntervalMs};  // no speed for the tests that play after this one
    EXPECT_FALSE(gModalCancelled) << "the test closed the sheet";
    PlayerWindowFixture::TearDown();
    RemoveWaveOutDouble();
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
  }
  // The Preferences command; `work` runs once the sheet shows and closes it.
  static void Preferences(bool (*work)()) {
    WhileModal([work] { return Page(0) && work(); });
    SendMessageA(gShell.window, WM_COMMAND, IDM_PREFERENCES, 0);
  }
};

TEST_F(PreferencesSheetTest, ClicksStoreAtOnceOkStoresTheRestAndTheWindowAppliesAndSavesEither) {
  InstallWaveOutDouble();
  gDouble->deviceCount = 3;
  gDouble->deviceNames = {"First Device", "", "Third Device"};  // the second cannot be named
  gSettings.processor = 1;
  gSettings.quality = 0;
  gSettings.channelMode = 0;
  gSettings.autoScroll = 1;
  gSettings.scrollSpeed = 2;
  gSettings.visMode = 1;
  gPlaybackOptions = {-3, 50};
  gStreamOptions = {64000, 1, 100, 0};
  HWND window = OpenPlayerWindow(0);
  ASSERT_NE(window, nullptr);
  gSettings.outputDevice = 2;
  gSongScroll.offset = 30;

  Preferences([] {
    HWND page = Page(0);
    // Another Preferences command (the tray menu reaches the disabled window) stacks no second sheet.
    SendMessageA(gShell.window, WM_COMMAND, IDM_PREFERENCES, 0);
    EXPECT_EQ(GetLastActivePopup(gShell.window), GetParent(page));
    Click(page, IDC_GENERAL_486);
    Click(page, IDC_GENERAL_ALWAYS_ON_TOP);
    Click(page, IDC_GENERAL_AUTO_SCROLL);
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_GENERAL_PENTIUM), BST_UNCHECKED) << "plain radios";
    EXPECT_EQ(gSettings.processor + gSettings.alwaysOnTop + gSettings.autoScroll, 0) << "486 at once, the rest on OK";
    EXPECT_FALSE(Enabled(page, IDC_GENERAL_SCROLL_SPEED));
    page = Page(1);
    // The channel mode as stored: 0 is "Mono" with "Left Channel"; "Mono" alone mixes both channels.
    EXPECT_TRUE(gSettings.channelMode == 0 && IsDlgButtonChecked(page, IDC_AUDIO_LEFT_CHANNEL));
    Click(page, IDC_AUDIO_STEREO);
    EXPECT_FALSE(gSettings.channelMode != -1 || Enabled(page, IDC_AUDIO_LEFT_CHANNEL));
    Click(page, IDC_AUDIO_MONO);
    EXPECT_EQ(gSettings.channelMode, 3);
    Drag(page, IDC_AUDIO_SPEED, 20);  // from -3 %
    EXPECT_EQ(gPlaybackOptions.speedPercent, 10);
    // Items keep their device ids: the one that cannot be named shifts no other.
    EXPECT_EQ(SendDlgItemMessageA(page, IDC_AUDIO_DEVICE, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendDlgItemMessageA(page, IDC_AUDIO_DEVICE, CB_GETCURSEL, 0, 0), 1) << "device 2";
    Choose(page, 2);
    EXPECT_EQ(gSettings.outputDevice, -1) << "Wave Mapper";
    Choose(page, 0);
    EXPECT_EQ(gSettings.outputDevice, 0);
    Choose(page, 1);
    EXPECT_EQ(gSettings.outputDevice, 2);
    Click(page, IDC_AUDIO_HALF_QUALITY);
    page = Page(2);
    Drag(page, IDC_BUFFER_BLOCKS, 86);
    char seconds[32] = "";
    GetDlgItemTextA(page, IDC_BUFFER_SECONDS, seconds, sizeof seconds);
    EXPECT_STREQ(seconds, "1.0 Seconds");
    Click(page, IDC_BUFFER_PREBUFFER);
    EXPECT_FALSE(Enabled(page, IDC_BUFFER_PERCENT));
    SendDlgItemMessageA(page, IDC_BUFFER_BLOCKS, TBM_SETPOS, TRUE, 400);  // unheard: Cancel keeps 86
    EXPECT_EQ(IsDlgButtonChecked(Page(5), IDC_VIS_ANALYSER), BST_CHECKED) << "the shell's own page";
    Close(page, PSBTN_CANCEL);
    return true;
  });
  EXPECT_EQ(gSettings.quality, 1);
  EXPECT_EQ(gSettings.bufferBlocks, 86);
  EXPECT_EQ(gSettings.preBufferEnabled, 0);
  EXPECT_EQ(gSettings.alwaysOnTop, 0);
  EXPECT_EQ(gShell.playback.quality, 1) << "for the next track";
  EXPECT_EQ(gShell.playback.channelMode, 3);
  EXPECT_EQ(gShell.playback.speedPercent, 10);
  EXPECT_EQ(GetPrivateProfileIntA(kSettingsSection, "PlaybackSpeed", 0, kSettingsFile), 10);
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), DWORD(HIGH_PRIORITY_CLASS));
  EXPECT_EQ(gSongScroll.offset, 0) << "AutoScroll off shows the start";
  EXPECT_EQ(gSongScroll.step, 2);
  EXPECT_TRUE(SavedAsTheyAre());

  gSongScroll.offset = 30;
  const int32_t gainChanges = gReplayGainChanges;
  SetWindowPos(window, nullptr, -100, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);  // the lock brings it back whole
  Preferences([] {
    HWND page = Page(0);
    Click(page, IDC_GENERAL_LOCK_TO_SCREEN);
    Click(page, IDC_GENERAL_BUFFER_FILE);
    Click(page, IDC_GENERAL_ALWAYS_ON_TOP);
    Click(page, IDC_GENERAL_AUTO_SCROLL);
    Click(page, IDC_GENERAL_PENTIUM_PRO);
    SendDlgItemMessageA(page, IDC_GENERAL_SCROLL_SPEED, TBM_SETPOS, TRUE, 4);
    HWND url = Page(4);  // every control in use; "Play After Save" only while streams are saved
    EXPECT_TRUE(Enabled(url, IDC_URL_SPEED) && Enabled(url, IDC_URL_EXTRA_DATA) && Enabled(url, IDC_URL_PATH) &&
                Enabled(url, IDC_URL_BROWSE) && Enabled(url, IDC_URL_CHECK_TAG) && !Enabled(url, IDC_URL_PLAY_AFTER_SAVE));
    EXPECT_EQ(IsDlgButtonChecked(url, IDC_URL_PLAY_ONLY), BST_CHECKED);
    EXPECT_EQ(SendDlgItemMessageA(url, IDC_URL_SPEED, CB_GETCURSEL, 0, 0), 3) << "64000 BPS";
    SendDlgItemMessageA(url, IDC_URL_SPEED, CB_SETCURSEL, 5, 0);
    Click(url, IDC_URL_EXTRA_DATA);
    Click(url, IDC_URL_SAVE_ONLY);
    EXPECT_TRUE(Enabled(url, IDC_URL_PLAY_AFTER_SAVE));
    Click(url, IDC_URL_PLAY_AFTER_SAVE);
    Click(url, IDC_URL_CHECK_TAG);
    gBrowseForFolder = [](LPBROWSEINFOW) -> PIDLIST_ABSOLUTE { return ILCreateFromPathW(L"C:\\windows\\temp"); };
    Click(url, IDC_URL_BROWSE);
    gBrowseForFolder = SHBrowseForFolderW;
    // Hotkeys: a key chosen is tried at once and named when another holder has it or another action
    // (without the keypad flag); the media keys' switch and the hotkeys' are stored as clicked.
    HWND keys = Page(7);
    EXPECT_EQ(SendDlgItemMessageA(keys, IDC_HOTKEYS_FIRST + 1, HKM_GETHOTKEY, 0, 0), kDefaultHotkeys[kActionStop]);
    EXPECT_TRUE(RegisterHotKey(nullptr, 7, MOD_CONTROL | MOD_SHIFT, VK_F12)) << "given up while the page is open";
    SendDlgItemMessageA(keys, IDC_HOTKEYS_FIRST + 1, HKM_SETHOTKEY, HotkeyValue(VK_F12, kHotkeyShift | kHotkeyControl), 0);
    SendDlgItemMessageA(keys, IDC_HOTKEYS_FIRST + 4, HKM_SETHOTKEY, HotkeyValue(VK_HOME, kHotkeyControl | kHotkeyAlt), 0);
    SendMessageA(keys, WM_COMMAND, MAKEWPARAM(IDC_HOTKEYS_FIRST + 1, EN_CHANGE), 0);
    char report[160] = "";
    GetDlgItemTextA(keys, IDC_HOTKEYS_STATUS, report, sizeof report);
    EXPECT_STREQ(report, "Ctrl+Shift+F12 is in use by another program. Ctrl+Alt+Home is chosen for two actions: the "
                         "first keeps it.");
    Click(keys, IDC_HOTKEYS_MEDIA_KEYS);
    Click(keys, IDC_HOTKEYS_ENABLED);
    EXPECT_FALSE(Enabled(keys, IDC_HOTKEYS_FIRST));
    GetDlgItemTextA(keys, IDC_HOTKEYS_STATUS, report, sizeof report);
    EXPECT_STREQ(report, "") << "nothing is asked for";
    UnregisterHotKey(nullptr, 7);
    HWND playback = Page(6);  // ReplayGain off: its gains mean nothing until a mode is chosen
    EXPECT_TRUE(IsDlgButtonChecked(playback, IDC_RG_OFF) == BST_CHECKED && !Enabled(playback, IDC_RG_PREAMP));
    Click(playback, IDC_RG_ALBUM);
    Drag(playback, IDC_RG_PREAMP, 24);
    Drag(playback, IDC_RG_UNTAGGED, 0);
    char shown[2][16] = {};
    GetDlgItemTextA(playback, IDC_RG_PREAMP_TEXT, shown[0], 16);
    GetDlgItemTextA(playback, IDC_RG_UNTAGGED_TEXT, shown[1], 16);
    EXPECT_TRUE(Enabled(playback, IDC_RG_UNTAGGED) && std::string(shown[0]) + shown[1] == "+9 dB-15 dB") << shown[0];
    Click(playback, IDC_RG_PREVENT_CLIPPING);
    Close(page, PSBTN_OK);
    return true;
  });
  EXPECT_EQ(gSettings.alwaysOnTop, 1);
  EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT placed{};
  GetWindowRect(window, &placed);
  EXPECT_TRUE(placed.left == 0 && placed.top == 40);
  EXPECT_EQ(GetPrivateProfileIntA(kSettingsSection, "BufferFileToMemory", 9, kSettingsFile), 1);
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), DWORD(NORMAL_PRIORITY_CLASS));
  EXPECT_EQ(gSongScroll.offset, 30);
  EXPECT_EQ(gSongScroll.step, 4);
  EXPECT_TRUE(SavedAsTheyAre());
  EXPECT_EQ(GetPrivateProfileIntA(kSettingsSection, "StreamConnectionSpeed", 0, kSettingsFile), 128000);
  EXPECT_EQ(GetPrivateProfileIntA(kSettingsSection, "StreamExtraServerData", 9, kSettingsFile), 0);
  EXPECT_TRUE(gStreamSave.mode == kSaveOnly && gStreamSave.playAfterSave == 1 && gStreamSave.checkTag == 1);
  EXPECT_STREQ(gStreamSave.folder, "C:\\windows\\temp") << "from Browse";
  EXPECT_EQ(GetPrivateProfileIntA(kSettingsSection, "StreamDownloadOption", 9, kSettingsFile), 2);
  EXPECT_EQ(gHotkeyOptions.hotkeys[kActionStop], HotkeyValue(VK_F12, kHotkeyShift | kHotkeyControl));
  EXPECT_EQ(GetPrivateProfileIntA(kSettingsSection, "GlobalHotkeys", 9, kSettingsFile), 0);
  EXPECT_EQ(GetPrivateProfileIntA(kSettingsSection, "MediaKeys", 9, kSettingsFile), 0);
  EXPECT_TRUE(RegisterHotKey(nullptr, 7, 0, VK_MEDIA_STOP)) << "the player holds none now";
  UnregisterHotKey(nullptr, 7);
  gHotkeyOptions = {1, 1, kDefaultHotkeys};
  EXPECT_TRUE(gReplayGain.mode == kReplayGainAlbum && gReplayGain.preampDb == 9 && gReplayGain.untaggedDb == -15 &&
              gReplayGain.preventClipping == 0 && gReplayGainChanges == gainChanges + 1 &&
              GetPrivateProfileIntA(kSettingsSection, "ReplayGainPreamp", 0, kSettingsFile) == 9u) << "stored on OK";
  gReplayGain = {kReplayGainOff, 0, 0, 1};
  gGeneralOptions = {0, 0};
  gStreamOptions = {64000, 1, 100, 0};
  gStreamSave = {};

  // A sheet that cannot be shown is reported; nothing is applied or saved.
  RemoveProfileFile(TestWindowsFolder() + kSettingsFile);
  gPropertySheet = FailingPropertySheet;
  SendMessageA(window, WM_COMMAND, IDM_PREFERENCES, 0);
  EXPECT_EQ(BoxRecorder::Boxes(), (std::vector<RecordedBox>{{window, "Error In Preferences ", "Error", kBoxOk}}));
  EXPECT_FALSE(SavedAsTheyAre());
}

}  // namespace
