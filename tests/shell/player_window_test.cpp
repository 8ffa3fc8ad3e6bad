// The player window in this process, for what cannot be seen from another one under Wine: menu item
// states, dropped files, a hand-over whose text has no terminator, closing while paused; and the
// settings as start-up leaves them.
#include "shell/player_window.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "engine/wave_output.h"
#include "platform/profile.h"
#include "playlist/playlist.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "shell/about.h"
#include "shell/commands.h"
#include "shell/shell_state.h"
#include "shell/skin.h"
#include "shell/startup.h"
#include "tests/settings/profile_test_support.h"

namespace {

std::string Media(const char* name) { return std::string(ZAV_BUILD_PATH) + "/test-media/" + name; }

std::string FullPath(const std::string& path) {
  char full[MAX_PATH];
  const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  return length && length < sizeof full ? full : path;
}

std::string EntryPath(int32_t index) {
  PlaylistEntry entry;
  return CopyEntryAt(index, &entry) ? entry.path : "";
}

// Dispatches this thread's messages until `done` holds or `milliseconds` have passed.
template <typename Done>
bool PumpUntil(Done done, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (done()) return true;
    if (GetTickCount() - start > milliseconds) return false;
    Sleep(5);
  }
}

// What the shell shows when files are dropped on the window: a DROPFILES block of ANSI paths.
HDROP MakeDrop(const std::vector<std::string>& paths) {
  size_t bytes = sizeof(DROPFILES) + 1;
  for (const std::string& p : paths) bytes += p.size() + 1;
  HGLOBAL memory = GlobalAlloc(GHND, bytes);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = FALSE;
  char* at = reinterpret_cast<char*>(drop + 1);
  for (const std::string& p : paths) at = std::copy(p.c_str(), p.c_str() + p.size() + 1, at);
  *at = '\0';
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

// Menu item state after the window prepared its menu, as the system would before showing it.
struct MenuStates {
  explicit MenuStates(HWND window) {
    SendMessageA(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(gSkin.popupMenu, 0)), 0);
  }
  static bool Greyed(UINT id) { return GetMenuState(gSkin.popupMenu, id, MF_BYCOMMAND) & MF_GRAYED; }
  static bool Checked(UINT id) { return GetMenuState(gSkin.popupMenu, id, MF_BYCOMMAND) & MF_CHECKED; }
};

LRESULT PlayState(HWND window) { return SendMessageA(window, kPluginPlayState, 0, 0); }

class PlayerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = gSettings;
    gShell.instance = GetModuleHandleA(nullptr);
    BoxRecorder::Start();
    ClearPlaylist();
  }
  void TearDown() override {
    BoxRecorder::Stop();
    gShowAboutBox = nullptr;
    ClearPlaylist();
    RemoveProfileFile(kSettingsFile);
    gSettings = saved_;
  }
  Settings saved_;
};

TEST_F(PlayerWindowTest, StartUpHoldsLoadedSettingsToTheirRangesAndTheWindowOnAMonitor) {
  Settings stored = gSettings;
  stored.volume = 99;
  stored.scrollSpeed = 0;
  stored.windowLeft = -5000;
  stored.windowTop = 4000;
  gSettings = stored;
  ASSERT_EQ(SaveSettings(), 1);
  gSettings = {};

  LoadStartupSettings();
  EXPECT_EQ(gShowAboutBox, &ShowAboutBoxWithoutOwner) << "installed before the load, so a first start shows it";
  EXPECT_EQ(gSettings.volume, 63);
  EXPECT_GE(gSettings.scrollSpeed, 1);
  EXPECT_EQ(gSettings.windowLeft, 100);
  EXPECT_EQ(gSettings.windowTop, 100);
  EXPECT_TRUE(BoxRecorder::Get().boxes.empty());

  // A position whose title strip shows on the screen stays, even with the window partly off it.
  gSettings.windowLeft = -150;
  gSettings.windowTop = 300;
  EXPECT_FALSE(KeepWindowOnAMonitor());
  EXPECT_EQ(gSettings.windowLeft, -150);
}

TEST_F(PlayerWindowTest, MenusDropsHandOverAndClosingWhilePaused) {
  gShowAboutBox = nullptr;
  gSettings.autoPlay = 1;
  gSettings.readInfoOnAdd = 0;
  gSettings.shuffle = 0;
  gSettings.repeat = 0;
  gSettings.alwaysOnTop = 0;
  gSettings.visActive = 0;
  gSettings.minimizeMode = 1;
  gSettings.bufferBlocks = 50;
  gSettings.preBufferEnabled = 1;
  gSettings.preBufferPercent = 50;
  gSettings.outputDevice = -1;
  gSettings.volume = 32;
  gSettings.windowLeft = 40;
  gSettings.windowTop = 60;
  ApplyProcessorAndOutputSettings();
  HWND window = CreatePlayerWindow();
  ASSERT_NE(window, nullptr);

  // The outline is cut: the top-left corner is not part of the window, the display area is.
  HRGN outline = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(window, outline), ERROR);
  EXPECT_FALSE(PtInRegion(outline, 0, 0));
  EXPECT_TRUE(PtInRegion(outline, 100, 60));
  DeleteObject(outline);
  EXPECT_EQ(PlayState(window), kStopped);
  EXPECT_EQ(SendMessageA(window, kPluginAlive, 0, 0), 1);

  {  // Empty playlist, no plug-ins, visualisation off.
    MenuStates menu(window);
    EXPECT_TRUE(menu.Greyed(IDM_NEXT));
    EXPECT_TRUE(menu.Greyed(IDM_PREVIOUS));
    EXPECT_TRUE(menu.Greyed(IDM_PLUGIN_EXECUTE));
    EXPECT_TRUE(menu.Greyed(IDM_PLUGIN_TERMINATE));
    EXPECT_TRUE(menu.Greyed(IDM_PLUGIN_OPTIONS));
    EXPECT_TRUE(menu.Greyed(IDM_VIS_OPTIONS));
    EXPECT_FALSE(menu.Checked(IDM_REPEAT));
    EXPECT_FALSE(menu.Checked(IDM_ALWAYS_ON_TOP));
  }

  // Dropped files replace the playlist in the order given and play from the first.
  AddTrack(Media("third-22k.mp3").c_str());
  const std::vector<std::string> dropped = {Media("first-44k.mp3"), Media("second-44k.mp3")};
  SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(dropped)), 0);
  ASSERT_EQ(PlaylistCount(), 2);
  EXPECT_EQ(EntryPath(0), dropped[0]);
  EXPECT_EQ(EntryPath(1), dropped[1]);
  EXPECT_TRUE(PumpUntil([&] { return PlayState(window) == kPlaying; }, 5000));

  SendMessageA(window, WM_COMMAND, IDM_REPEAT, 0);
  SendMessageA(window, WM_COMMAND, IDM_ALWAYS_ON_TOP, 0);
  {  // At the first of two entries, Repeat and Always On Top switched on.
    MenuStates menu(window);
    EXPECT_TRUE(menu.Greyed(IDM_PREVIOUS));
    EXPECT_FALSE(menu.Greyed(IDM_NEXT));
    EXPECT_TRUE(menu.Checked(IDM_REPEAT));
    EXPECT_TRUE(menu.Checked(IDM_ALWAYS_ON_TOP));
    EXPECT_TRUE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  }
  SendMessageA(window, WM_COMMAND, IDM_ALWAYS_ON_TOP, 0);
  SendMessageA(window, WM_COMMAND, IDM_REPEAT, 0);

  // A hand-over with another tag is refused and changes nothing.
  COPYDATASTRUCT data = {12345, 4, const_cast<char*>("x.mp")};
  EXPECT_EQ(SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), 0);
  ASSERT_EQ(BoxRecorder::Get().boxes.size(), 1u);
  EXPECT_EQ(BoxRecorder::Get().boxes[0].text, "Invalid Parameters!");
  EXPECT_EQ(BoxRecorder::Get().boxes[0].caption, "Error!!!");
  EXPECT_EQ(PlaylistCount(), 2);

  // The right tag, a relative path and a quoted one, and no terminator: the text ends where the page
  // ends, and the next page cannot be read.
  const std::string text = "long-44k.mp3 \"" + Media("third-22k.mp3") + "\"";
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  char* pages = static_cast<char*>(
      VirtualAlloc(nullptr, 2 * system.dwPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  ASSERT_NE(pages, nullptr);
  DWORD old;
  ASSERT_TRUE(VirtualProtect(pages + system.dwPageSize, system.dwPageSize, PAGE_NOACCESS, &old));
  char* unterminated = pages + system.dwPageSize - text.size();
  std::copy(text.begin(), text.end(), unterminated);
  char folder[MAX_PATH];
  GetCurrentDirectoryA(sizeof folder, folder);
  SetCurrentDirectoryA(Media("").c_str());
  data = {kHandOverTag, static_cast<DWORD>(text.size()), unterminated};
  EXPECT_EQ(SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), 1);
  SetCurrentDirectoryA(folder);
  VirtualFree(pages, 0, MEM_RELEASE);
  ASSERT_EQ(PlaylistCount(), 2);
  EXPECT_EQ(EntryPath(0), FullPath(Media("long-44k.mp3")));
  EXPECT_EQ(EntryPath(1), FullPath(Media("third-22k.mp3")));
  EXPECT_EQ(BoxRecorder::Get().boxes.size(), 1u) << "the Decode thread never had to be restarted";

  // Pause once the long track has played a little (a pause while the output still gathers its
  // pre-buffer is undone when it starts): the Decode thread soon waits in its write to the paused device,
  // and closing must not have to wait it out.
  ASSERT_TRUE(PumpUntil([&] { return PlayState(window) == kPlaying && gShell.lengthFrames > 1000; }, 5000));
  ASSERT_TRUE(PumpUntil([&] { return gShell.lastFrame > 60; }, 5000));
  SendMessageA(window, WM_COMMAND, IDM_PAUSE, 0);
  EXPECT_EQ(PlayState(window), kPaused);
  PumpUntil([] { return false; }, 500);
  EXPECT_EQ(PlayState(window), kPaused) << "the track is still open";
  RECT placed;
  GetWindowRect(window, &placed);
  HANDLE thread = nullptr;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), gShell.decodeThread, GetCurrentProcess(), &thread, 0, FALSE,
                              DUPLICATE_SAME_ACCESS));
  DestroyWindow(window);
  DWORD exitCode = STILL_ACTIVE;
  EXPECT_TRUE(GetExitCodeThread(thread, &exitCode));
  EXPECT_EQ(exitCode, 1u) << "the Decode thread ended by WM_QUIT, not by TerminateThread";
  CloseHandle(thread);
  EXPECT_FALSE(IsOutputOpen());
  EXPECT_EQ(gShell.decodeThread, nullptr);
  Settings written;
  ASSERT_TRUE(ProfileGetStruct(kSettingsSection, kSettingsRecordKey, &written, sizeof written, kSettingsFile));
  EXPECT_EQ(written.windowLeft, placed.left);
  EXPECT_EQ(written.windowTop, placed.top);
  MSG quit;
  EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the message loop is told to end";
}

}  // namespace
