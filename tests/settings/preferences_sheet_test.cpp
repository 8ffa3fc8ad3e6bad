// The preferences sheet opened from the player window, worked from inside its modal loop: what each page
// shows, what a click stores at once and what only OK stores, what the window applies and saves once the
// sheet has closed by Cancel or by OK, and the box when the sheet cannot be shown.
#include "settings/preferences_sheet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "shell/displays.h"
#include "tests/engine/wave_out_double.h"
#include "tests/shell/player_window_test_support.h"

namespace {

// The sheet: the thread's visible dialog that the player window owns.
HWND Sheet() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM result) {
    char name[16] = "";
    GetClassNameA(w, name, sizeof name);
    if (GetWindow(w, GW_OWNER) != gShell.window || !IsWindowVisible(w) || std::string(name) != "#32770") return TRUE;
    *reinterpret_cast<HWND*>(result) = w;
    return FALSE;
  }, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND TurnTo(HWND sheet, int32_t index) {
  PropSheet_SetCurSel(sheet, nullptr, index);
  return PropSheet_GetCurrentPageHwnd(sheet);
}

std::vector<std::string> TabTitles(HWND sheet) {
  HWND tabs = PropSheet_GetTabControl(sheet);
  std::vector<std::string> titles;
  for (int32_t i = 0; i < TabCtrl_GetItemCount(tabs); ++i) {
    char text[64] = "";
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
    titles.push_back(text);
  }
  return titles;
}

std::vector<std::string> ComboItems(HWND page, int32_t id) {
  std::vector<std::string> items;
  for (LRESULT i = 0, n = SendDlgItemMessageA(page, id, CB_GETCOUNT, 0, 0); i < n; ++i) {
    char text[64] = "";
    if (SendDlgItemMessageA(page, id, CB_GETLBTEXTLEN, i, 0) < LRESULT(sizeof text))
      SendDlgItemMessageA(page, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    items.push_back(text);
  }
  return items;
}

void Click(HWND page, int32_t id) { SendDlgItemMessageA(page, id, BM_CLICK, 0, 0); }
bool Checked(HWND page, int32_t id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }
bool Enabled(HWND page, int32_t id) { return IsWindowEnabled(GetDlgItem(page, id)) != 0; }
std::string Text(HWND page, int32_t id) {
  char text[64] = "";
  GetDlgItemTextA(page, id, text, sizeof text);
  return text;
}
LRESULT Slider(HWND page, int32_t id, UINT message, LPARAM value = 0) {
  return SendDlgItemMessageA(page, id, message, TRUE, value);
}
// Chooses combo item `item` as a click in the open list does.
void Choose(HWND page, int32_t id, int32_t item) {
  SendDlgItemMessageA(page, id, CB_SETCURSEL, item, 0);
  SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}
// Drags a slider's thumb to `position` (the page hears the drag, not its end).
void Drag(HWND page, int32_t id, int32_t position) {
  Slider(page, id, TBM_SETPOS, position);
  SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}
// A key on a slider: it moves its thumb and reports the move and its end, as it does for the user.
void Key(HWND page, int32_t id, WPARAM key) {
  SendDlgItemMessageA(page, id, WM_KEYDOWN, key, 0);
  SendDlgItemMessageA(page, id, WM_KEYUP, key, 0);
}

// Whether "zav.ini" holds the settings record as it is now.
bool SavedAsTheyAre() {
  Settings saved = {};
  return GetPrivateProfileStructA(kSettingsSection, kSettingsRecordKey, &saved, sizeof saved, kSettingsFile) &&
         std::memcmp(&saved, &gSettings, sizeof saved) == 0;
}

PROPSHEETHEADERA gFailedHeader;
INT_PTR WINAPI FailingPropertySheet(LPCPROPSHEETHEADERA header) {
  gFailedHeader = *header;
  return -1;
}

class PreferencesSheetTest : public PlayerWindowFixture {
 protected:
  void SetUp() override {
    PlayerWindowFixture::SetUp();
    InstallWaveOutDouble();
    gDouble->deviceCount = 3;
    gDouble->deviceNames = {"First Device", "", "Third Device"};
  }
  void TearDown() override {
    gModalStep = nullptr;
    gPropertySheet = PropertySheetA;
    EXPECT_FALSE(gModalCancelled) << "the sheet was closed by the test";
    PlayerWindowFixture::TearDown();
    RemoveWaveOutDouble();
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
  }
  // Opens the sheet from the player window's menu command and runs `work` on it once it shows.
  static void Preferences(HWND window, bool (*work)(HWND sheet)) {
    WhileModal([work] {
      HWND sheet = Sheet();
      return sheet && work(sheet);
    });
    SendMessageA(window, WM_COMMAND, IDM_PREFERENCES, 0);
  }
};

// Every page once; clicks store at once, Cancel then keeps them and stores nothing more.
bool WorkEveryPageThenCancel(HWND sheet) {
  EXPECT_FALSE(IsWindowEnabled(gShell.window)) << "modal";
  EXPECT_EQ(TabTitles(sheet), (std::vector<std::string>{"General Settings", "Audio Output", "Audio Buffering",
                                                        "Plug-ins", "URL Streaming", "Visualisation"}));
  HWND page = TurnTo(sheet, 0);
  EXPECT_TRUE(Checked(page, IDC_GENERAL_PENTIUM) && Checked(page, IDC_GENERAL_TO_TASKBAR));
  EXPECT_TRUE(Checked(page, IDC_GENERAL_AUTO_SCROLL) && Enabled(page, IDC_GENERAL_SCROLL_SPEED));
  EXPECT_EQ(Slider(page, IDC_GENERAL_SCROLL_SPEED, TBM_GETRANGEMAX), 5);
  EXPECT_EQ(Slider(page, IDC_GENERAL_SCROLL_SPEED, TBM_GETPOS), 2);
  EXPECT_FALSE(Enabled(page, IDC_GENERAL_LOCK_TO_SCREEN) || Enabled(page, IDC_GENERAL_BUFFER_FILE));
  Click(page, IDC_GENERAL_486);
  Click(page, IDC_GENERAL_TO_TRAY);
  EXPECT_EQ(gSettings.processor, 0);
  EXPECT_EQ(gSettings.minimizeMode, 2);
  EXPECT_FALSE(Checked(page, IDC_GENERAL_PENTIUM) || Checked(page, IDC_GENERAL_TO_TASKBAR)) << "plain radios";
  Click(page, IDC_GENERAL_ALWAYS_ON_TOP);
  Click(page, IDC_GENERAL_SKIP_PROTECTION);
  Click(page, IDC_GENERAL_AUTO_SCROLL);
  EXPECT_EQ(gSettings.alwaysOnTop, 0) << "stored on OK only";
  EXPECT_EQ(gSettings.skipProtection, 1);
  EXPECT_EQ(gSettings.autoScroll, 0);
  EXPECT_FALSE(Enabled(page, IDC_GENERAL_SCROLL_SPEED));

  // The device that cannot be named is left out and shifts no other; the setting names device 2.
  page = TurnTo(sheet, 1);
  EXPECT_EQ(gSettings.channelMode, -1) << "stereo whatever was stored";
  EXPECT_TRUE(Checked(page, IDC_AUDIO_STEREO) && !Checked(page, IDC_AUDIO_MONO));
  EXPECT_FALSE(Enabled(page, IDC_AUDIO_LEFT_CHANNEL));
  EXPECT_TRUE(Checked(page, IDC_AUDIO_FULL_QUALITY));
  EXPECT_EQ(ComboItems(page, IDC_AUDIO_DEVICE),
            (std::vector<std::string>{"First Device", "Third Device", "Wave Mapper"}));
  EXPECT_EQ(SendDlgItemMessageA(page, IDC_AUDIO_DEVICE, CB_GETCURSEL, 0, 0), 1);
  Choose(page, IDC_AUDIO_DEVICE, 2);
  EXPECT_EQ(gSettings.outputDevice, -1);
  Choose(page, IDC_AUDIO_DEVICE, 0);
  EXPECT_EQ(gSettings.outputDevice, 0);
  Choose(page, IDC_AUDIO_DEVICE, 1);
  EXPECT_EQ(gSettings.outputDevice, 2);
  SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_AUDIO_DEVICE, CBN_DROPDOWN), 0);
  Click(page, IDC_AUDIO_HALF_QUALITY);
  EXPECT_EQ(gSettings.quality, 1);
  EXPECT_FALSE(Checked(page, IDC_AUDIO_FULL_QUALITY));

  page = TurnTo(sheet, 2);
  EXPECT_EQ(Text(page, IDC_BUFFER_SECONDS), "0.6 Seconds");
  EXPECT_EQ(Text(page, IDC_BUFFER_PERCENT_TEXT), "050% Of Buffer");
  Drag(page, IDC_BUFFER_BLOCKS, 86);
  EXPECT_EQ(Text(page, IDC_BUFFER_SECONDS), "1.0 Seconds");
  EXPECT_EQ(gSettings.bufferBlocks, 86);
  Key(page, IDC_BUFFER_PERCENT, VK_END);
  EXPECT_EQ(Text(page, IDC_BUFFER_PERCENT_TEXT), "100% Of Buffer");
  EXPECT_EQ(gSettings.preBufferPercent, 100);
  Click(page, IDC_BUFFER_PREBUFFER);
  EXPECT_EQ(gSettings.preBufferEnabled, 0);
  EXPECT_FALSE(Enabled(page, IDC_BUFFER_PERCENT));
  Slider(page, IDC_BUFFER_BLOCKS, TBM_SETPOS, 400);  // moved without a word to the page: Cancel keeps 86

  EXPECT_NE(TurnTo(sheet, 3), nullptr);
  page = TurnTo(sheet, 4);
  for (int32_t id : {IDC_URL_PATH, IDC_URL_BROWSE, IDC_URL_PLAY_ONLY, IDC_URL_PLAY_AND_SAVE, IDC_URL_SAVE_ONLY,
                     IDC_URL_PLAY_AFTER_SAVE, IDC_URL_SPEED, IDC_URL_EXTRA_DATA, IDC_URL_CHECK_TAG})
    EXPECT_FALSE(Enabled(page, id)) << id;
  EXPECT_EQ(ComboItems(page, IDC_URL_SPEED).size(), 6u);
  page = TurnTo(sheet, 5);
  EXPECT_TRUE(Checked(page, IDC_VIS_ANALYSER)) << "the visualisation page's own procedure";
  PropSheet_PressButton(sheet, PSBTN_CANCEL);
  return true;
}

// OK stores the check boxes and the sliders' positions.
bool CheckBoxesThenOk(HWND sheet) {
  HWND page = TurnTo(sheet, 0);
  for (int32_t id : {IDC_GENERAL_READ_INFO, IDC_GENERAL_SHOW_SPLASH, IDC_GENERAL_MULTIPLE_INSTANCES,
                     IDC_GENERAL_AUTO_PLAY, IDC_GENERAL_AUTO_SCROLL, IDC_GENERAL_PENTIUM_PRO})
    Click(page, id);
  EXPECT_TRUE(Enabled(page, IDC_GENERAL_SCROLL_SPEED));
  Slider(page, IDC_GENERAL_SCROLL_SPEED, TBM_SETPOS, 4);
  EXPECT_EQ(gSettings.showSplash + gSettings.multipleInstances + gSettings.readInfoOnAdd + gSettings.autoPlay, 0);
  Click(page, IDC_GENERAL_ALWAYS_ON_TOP);
  page = TurnTo(sheet, 2);
  EXPECT_EQ(Text(page, IDC_BUFFER_SECONDS), "1.0 Seconds");
  EXPECT_FALSE(Checked(page, IDC_BUFFER_PREBUFFER) || Enabled(page, IDC_BUFFER_PERCENT));
  Click(page, IDC_BUFFER_PREBUFFER);
  Slider(page, IDC_BUFFER_BLOCKS, TBM_SETPOS, 400);
  PropSheet_PressButton(sheet, PSBTN_OK);
  return true;
}

TEST_F(PreferencesSheetTest, ClicksStoreAtOnceOkStoresTheRestAndTheWindowAppliesAndSavesEither) {
  gSettings.processor = 1;
  gSettings.quality = 0;
  gSettings.channelMode = 0;
  gSettings.showSplash = gSettings.multipleInstances = gSettings.skipProtection = 0;
  gSettings.autoScroll = 1;
  gSettings.scrollSpeed = 2;
  gSettings.visMode = 1;
  HWND window = OpenPlayerWindow(0);
  ASSERT_NE(window, nullptr);
  gSettings.outputDevice = 2;
  gSongScroll.offset = 30;
  gSongScroll.step = -2;

  Preferences(window, WorkEveryPageThenCancel);
  EXPECT_EQ(gSettings.processor, 0);
  EXPECT_EQ(gSettings.minimizeMode, 2);
  EXPECT_EQ(gSettings.alwaysOnTop, 0);
  EXPECT_EQ(gSettings.skipProtection, 1);
  EXPECT_EQ(gSettings.outputDevice, 2);
  EXPECT_EQ(gSettings.bufferBlocks, 86);
  EXPECT_EQ(gSettings.preBufferPercent, 100);
  EXPECT_EQ(gSettings.preBufferEnabled, 0);
  EXPECT_EQ(gSettings.quality, 1) << "stored on click, kept on Cancel";
  EXPECT_EQ(gShell.playback.quality, 1) << "for the next track";
  EXPECT_EQ(gShell.playback.channelMode, -1);
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), DWORD(HIGH_PRIORITY_CLASS));
  EXPECT_EQ(gSongScroll.offset, 0) << "AutoScroll off shows the start";
  EXPECT_EQ(gSongScroll.step, 2);
  EXPECT_FALSE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(SavedAsTheyAre());

  gSongScroll.offset = 30;
  gSongScroll.step = -2;
  Preferences(window, CheckBoxesThenOk);
  EXPECT_EQ(gSettings.showSplash + gSettings.multipleInstances + gSettings.readInfoOnAdd + gSettings.autoPlay, 4);
  EXPECT_EQ(gSettings.autoScroll, 1);
  EXPECT_EQ(gSettings.scrollSpeed, 4);
  EXPECT_EQ(gSettings.alwaysOnTop, 1);
  EXPECT_EQ(gSettings.processor, 2);
  EXPECT_EQ(gSettings.preBufferEnabled, 1);
  EXPECT_EQ(gSettings.bufferBlocks, 400);
  EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), DWORD(NORMAL_PRIORITY_CLASS));
  EXPECT_EQ(gSongScroll.offset, 30);
  EXPECT_EQ(gSongScroll.step, 4);
  EXPECT_TRUE(SavedAsTheyAre());

  // A sheet that cannot be shown is reported, and nothing is applied or saved.
  RemoveProfileFile(TestWindowsFolder() + kSettingsFile);
  gPropertySheet = FailingPropertySheet;
  SendMessageA(window, WM_COMMAND, IDM_PREFERENCES, 0);
  EXPECT_EQ(gFailedHeader.dwFlags, DWORD(PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_PROPTITLE));
  EXPECT_EQ(gFailedHeader.hwndParent, window);
  EXPECT_EQ(gFailedHeader.nPages, 6u);
  EXPECT_EQ(BoxRecorder::Boxes(), (std::vector<RecordedBox>{{window, "Error In Preferences ", "Error", kBoxOk}}));
  EXPECT_FALSE(SavedAsTheyAre());
}

}  // namespace
