// The player window in this process, for what cannot be seen from another one under Wine: menu item
// states, dropped files, a hand-over whose text has no terminator, closing while paused; and the
// settings as start-up leaves them.
#include "shell/player_window.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <winsock2.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/messages.h"
#include "engine/wave_output.h"
#include "platform/file.h"
#include "platform/profile.h"
#include "platform/win32/wide.h"
#include "playlist/open_files_dialog.h"
#include "playlist/playlist.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "stream/stream_save.h"
#include "shell/about.h"
#include "shell/commands.h"
#include "shell/help_page.h"
#include "shell/playback_control.h"
#include "shell/shell_state.h"
#include "shell/skin.h"
#include "shell/startup.h"
#include "shell/tray.h"
#include "tests/shell/player_window_test_support.h"
#include "tests/test_files.h"

namespace {

std::string FullPath(const std::string& path) {
  WCHAR full[MAX_PATH];
  const DWORD length = GetFullPathNameW(WideFromUtf8(path).c_str(), MAX_PATH, full, nullptr);
  return length && length < MAX_PATH ? Utf8FromWide(full) : path;
}

#include "tests/shell/player_window_test_support.h"
// What the shell shows when files are dropped on the window: a DROPFILES block of paths, in UTF-16
// (as the shell gives them) or in the ANSI code page.
HDROP MakeDrop(const std::vector<std::string>& paths, bool wide = false) {
  std::wstring units;
  std::string bytes;
  for (const std::string& p : paths) {
    units += WideFromUtf8(p) + L'\0';
    bytes += p + '\0';
  }
  const size_t size = wide ? (units.size() + 1) * sizeof(wchar_t) : bytes.size() + 1;
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + size);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = wide;
  std::memcpy(drop + 1, wide ? static_cast<const void*>(units.c_str()) : bytes.c_str(), size);
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

#include "tests/shell/player_window_test_support.h"

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
  EXPECT_TRUE(BoxRecorder::Boxes().empty());

  // A position whose title strip shows on the screen stays, even with the window partly off it.
  gSettings.windowLeft = -150;
  gSettings.windowTop = 300;
  EXPECT_FALSE(KeepWindowOnAMonitor());
  EXPECT_EQ(gSettings.windowLeft, -150);
}

TEST_F(PlayerWindowTest, MenusDropsHandOverAndClosingWhilePaused) {
  HWND window = OpenPlayerWindow(1);
  ASSERT_NE(window, nullptr);

  // The outline is cut: the top-left corner is not part of the window, the display area is.
  HRGN outline = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(window, outline), ERROR);
  EXPECT_FALSE(PtInRegion(outline, 0, 0));
  EXPECT_TRUE(PtInRegion(outline, 100, 60));
  DeleteObject(outline);
  EXPECT_EQ(AnsweredPlayState(window), kStopped);
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
    EXPECT_FALSE(menu.Greyed(IDM_HELP_CONTENTS));
  }

  // The help page goes to the browser with "open"; a missing page, and one nothing opens, are said.
  static std::wstring opened;
  gOpenDocument = [](HWND, LPCWSTR verb, LPCWSTR file, LPCWSTR, LPCWSTR, INT) {
    opened = std::wstring(verb) + L" " + file;
    return reinterpret_cast<HINSTANCE>(opened.find(L"nothing") == std::wstring::npos ? 42 : SE_ERR_NOASSOC);
  };
  for (const std::string& folder : {TestFolder("help"), TestFolder("nothing-opens")})
    ASSERT_EQ(FileWriteWhole((folder + kHelpPageName).c_str(), "<p>", 3), 1);
  EXPECT_EQ(OpenHelpPage(window, TestFolder("help").c_str()), 1);
  EXPECT_EQ(opened, WideFromUtf8("open " + TestFolder("help") + kHelpPageName));
  EXPECT_EQ(OpenHelpPage(window, TestFolder("nothing-opens").c_str()), 0);
  EXPECT_EQ(OpenHelpPage(window, TestFolder("no-help").c_str()), 0);
  gOpenDocument = ShellExecuteW;
  ASSERT_EQ(BoxRecorder::Boxes().size(), 2u);
  EXPECT_EQ(BoxRecorder::Boxes()[0].text.find("The help page could not be opened:"), 0u);
  EXPECT_EQ(BoxRecorder::Boxes()[1].text.find("The help page could not be found:"), 0u);
  BoxRecorder::Start();

  // Dropped files replace the playlist in the order given and play from the first (in the system's
  // form of their paths).
  AddTrack(Media("third-22k.mp3").c_str());
  const std::vector<std::string> dropped = {Media("first-44k.mp3"), Media("second-44k.mp3")};
  SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(dropped)), 0);
  ASSERT_EQ(PlaylistCount(), 2);
  EXPECT_EQ(EntryPath(0), FullPath(dropped[0]));
  EXPECT_EQ(EntryPath(1), FullPath(dropped[1]));
  EXPECT_TRUE(PumpUntil([&] { return AnsweredPlayState(window) == kPlaying; }, 5000));
  // Names the ANSI code page cannot hold: dropped (UTF-16, as the shell gives them) and handed over under
  // the wide tag, they reach the playlist whole.
  const std::string unicodeFolder = TestFolder("unicode") + "юникод";
  CreateDirectoryW(WideFromUtf8(unicodeFolder).c_str(), nullptr);
  const std::string cyrillic = unicodeFolder + "\\Музыка 😀.mp3";
  ASSERT_TRUE(CopyFileW(WideFromUtf8(dropped[0]).c_str(), WideFromUtf8(cyrillic).c_str(), FALSE));
  SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({cyrillic, dropped[1]}, true)), 0);
  EXPECT_EQ(EntryPath(0), FullPath(cyrillic));
  const std::wstring handed = L"\"" + WideFromUtf8(cyrillic) + L"\"";
  COPYDATASTRUCT wide = {kWideHandOverTag, DWORD(handed.size() * 2), const_cast<wchar_t*>(handed.c_str())};
  EXPECT_EQ(SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&wide)), 1);
  EXPECT_TRUE(PumpUntil([&] { return PlaylistCount() == 1; }, 3000));
  EXPECT_EQ(EntryPath(0), FullPath(cyrillic));
  SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(dropped)), 0);

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

  // A hand-over with another tag is refused at once and changes nothing; its box comes afterwards, so
  // that the sender is not held by it.
  COPYDATASTRUCT data = {12345, 4, const_cast<char*>("x.mp")};
  EXPECT_EQ(SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), 0);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  ASSERT_TRUE(PumpUntil([] { return !BoxRecorder::Boxes().empty(); }, 2000));
  ASSERT_EQ(BoxRecorder::Boxes().size(), 1u);
  EXPECT_EQ(BoxRecorder::Boxes()[0].text, "Invalid Parameters!");
  EXPECT_EQ(BoxRecorder::Boxes()[0].caption, "Error!!!");
  EXPECT_EQ(PlaylistCount(), 2);

  // The right tag, a relative path, a quoted one and one too long for an entry (named in a box, never cut
  // into another path), and no terminator: the text ends where the page ends, and the next page cannot
  // be read. The text is kept and added afterwards.
  const std::string tooLong = "C:\\" + std::string(290, 'n') + ".mp3";
  const std::string text = "long-44k.mp3 \"" + Media("third-22k.mp3") + "\" " + tooLong + " http://127.0.0.1/a";
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
  VirtualFree(pages, 0, MEM_RELEASE);
  EXPECT_TRUE(PumpUntil([] { return BoxRecorder::Boxes().size() == 2u; }, 3000));
  SetCurrentDirectoryA(folder);
  ASSERT_EQ(PlaylistCount(), 3);
  EXPECT_EQ(EntryPath(0), FullPath(Media("long-44k.mp3")));
  EXPECT_EQ(EntryPath(1), FullPath(Media("third-22k.mp3")));
  EXPECT_EQ(EntryPath(2), "http://127.0.0.1/a") << "an address is not made a path";
  ASSERT_EQ(BoxRecorder::Boxes().size(), 2u) << "the Decode thread never had to be restarted";
  EXPECT_NE(BoxRecorder::Boxes()[1].text.find("\n\n" + tooLong + "\n\n"), std::string::npos);

  // Minimized to the tray, and the shell started again: the icon comes back; if it cannot, the window.
  static std::vector<DWORD> calls;
  static BOOL accept = TRUE;
  gShellNotifyIcon = [](DWORD call, PNOTIFYICONDATAA) { return calls.push_back(call), accept; };
  gSettings.minimizeMode = 2;
  ShowWindow(window, SW_MINIMIZE);
  for (BOOL shellTakesIt : {TRUE, FALSE}) {
    accept = shellTakesIt;
    SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_EQ(IsWindowVisible(window), !shellTakesIt);
  }
  EXPECT_EQ(calls, (std::vector<DWORD>{NIM_ADD, NIM_ADD, NIM_ADD}));
  gShellNotifyIcon = Shell_NotifyIconA;
  gSettings.minimizeMode = 1;

  // Pause once the long track has played a little (a pause while the output still gathers its
  // pre-buffer is undone when it starts): the Decode thread soon waits in its write to the paused device,
  // and closing must not have to wait it out.
  ASSERT_TRUE(PumpUntil([&] { return AnsweredPlayState(window) == kPlaying && gShell.lengthFrames > 1000; }, 5000));
  ASSERT_TRUE(PumpUntil([&] { return gShell.lastFrame > 60; }, 5000));
  SendMessageA(window, WM_COMMAND, IDM_PAUSE, 0);
  EXPECT_EQ(AnsweredPlayState(window), kPaused);
  PumpUntil([] { return false; }, 500);
  EXPECT_EQ(AnsweredPlayState(window), kPaused) << "the track is still open";
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

COLORREF LitRingAt(POINT p) { return BitmapPixel(IDB_RING_LIT, p.x - kRingOrigin.x, p.y - kRingOrigin.y); }
COLORREF BodyAt(POINT p) { return BitmapPixel(IDB_BODY, p.x, p.y); }

TEST_F(PlayerWindowTest, RingVolumeTrackAdvanceAndTheCloseArea) {
  HWND window = OpenPlayerWindow(0);
  ASSERT_NE(window, nullptr);
  // A plain-letter key typed into a text field is the field's: "x" there does not play; on the window it
  // does (Play with an empty list lights Play).
  gShell.accelerators = LoadAcceleratorsA(gShell.instance, MAKEINTRESOURCEA(IDA_PLAYER));
  HWND field = CreateWindowExW(0, L"Edit", L"", WS_CHILD, 0, 0, 50, 20, window, nullptr, nullptr, nullptr);
  for (HWND target : {field, window}) {
    MSG key = {target, WM_KEYDOWN, 'X', 0x002D0001, 0, {}};
    DispatchPlayerMessage(key);
    EXPECT_EQ(AnsweredPlayState(window), target == field ? kStopped : kPlaying);
  }
  PumpUntil([] { return false; }, 100);
  EXPECT_EQ(GetWindowTextLengthW(field), 1);
  DestroyWindow(field);
  SendMessageA(window, WM_COMMAND, IDM_STOP, 0);
  UpdateWindow(window);
  HDC dc = GetDC(window);
  auto shown = [&](POINT p) { return GetPixel(dc, p.x, p.y); };

  // The ring: a point at 1 o'clock (about sector 30) and one just past 6 o'clock (about sector 187).
  const POINT early = {216, 48}, late = {205, 82};
  ASSERT_NE(LitRingAt(early), BodyAt(early));
  ASSERT_NE(LitRingAt(late), BodyAt(late));
  SendMessageA(window, WM_PLAYER_POSITION, 100, 25);  // a quarter: 90 sectors lit
  EXPECT_EQ(shown(early), LitRingAt(early));
  EXPECT_EQ(shown(late), BodyAt(late));
  SendMessageA(window, WM_PLAYER_POSITION, 100, 0);
  EXPECT_EQ(shown(early), BodyAt(early));
  SendMessageA(window, WM_PLAYER_POSITION, 100, 99);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  EXPECT_EQ(shown(late), LitRingAt(late)) << "a full repaint draws the ring the updates drew";

  // Volume: the row under the pointer while the button is held, 32 from a right click, and the bar's
  // colours (row 63 always shows the body).
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(240, 41));
  EXPECT_EQ(gSettings.volume, 63);
  SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(240, 104));
  EXPECT_EQ(gSettings.volume, 0);
  SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(240, 60));
  EXPECT_EQ(gSettings.volume, 0);
  POINT bar = {240, 60};
  ClientToScreen(window, &bar);
  SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(bar.x, bar.y));
  EXPECT_EQ(gSettings.volume, 32);
  UpdateWindow(window);
  EXPECT_EQ(shown({240, 104}), RGB(0, 255, 0));
  EXPECT_EQ(shown({240, 73}), RGB(0, 255, 0));
  EXPECT_EQ(shown({240, 72}), RGB(33, 32, 33));
  EXPECT_EQ(shown({240, 41}), BodyAt({240, 41}));
  ReleaseDC(window, dc);

  // Track ends: on to the next entry; at the last one the list stays there without Repeat and starts
  // over with it. Next at the last entry plays the last one again.
  AddTrack(Media("third-22k.mp3").c_str());
  AddTrack(Media("first-44k.mp3").c_str());
  SendMessageA(window, WM_PLAYER_TRACK_END, 0, 0);
  EXPECT_TRUE(IsAtLast());
  SendMessageA(window, WM_PLAYER_TRACK_END, 0, 0);
  EXPECT_TRUE(IsAtLast());
  SendMessageA(window, WM_COMMAND, IDM_REPEAT, 0);
  SendMessageA(window, WM_PLAYER_TRACK_END, 0, 0);
  EXPECT_TRUE(IsAtFirst());
  SendMessageA(window, WM_COMMAND, IDM_NEXT, 0);
  SendMessageA(window, WM_COMMAND, IDM_NEXT, 0);
  EXPECT_TRUE(IsAtLast());
  EXPECT_TRUE(PumpUntil([&] { return AnsweredPlayState(window) == kPlaying; }, 5000));

  // Pause pressed before the Decode thread has opened the device: window and device agree that the
  // track is paused, and no time passes until Play.
  SendMessageA(window, WM_COMMAND, IDM_STOP, 0);
  SendMessageA(window, WM_COMMAND, IDM_PLAY, 0);
  SendMessageA(window, WM_COMMAND, IDM_PAUSE, 0);
  PumpUntil([] { return false; }, 1500);
  EXPECT_EQ(AnsweredPlayState(window), kPaused);
  EXPECT_GT(gShell.lastFrame, 0);
  EXPECT_EQ(ElapsedSeconds(), 0);
  SendMessageA(window, WM_COMMAND, IDM_PLAY, 0);
  EXPECT_TRUE(PumpUntil([] { return ElapsedSeconds() >= 1; }, 5000));

  // The close symbol acts on the release alone; just left of it nothing happens.
  SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(4, 10));
  EXPECT_TRUE(IsWindow(window));
  SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(22, 22));
  EXPECT_FALSE(IsWindow(window));
  MSG quit;
  PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

// What a box of an add lets through (its message loop runs inside the add) waits until the add is done,
// and a window closed meanwhile starts nothing.
std::function<void()> gInsideAddBox;
int32_t RunInsideAddBox(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
  const int32_t answer = BoxRecorder::Record(owner, text, caption, style);
  if (const std::function<void()> step = std::move(gInsideAddBox)) step();
  gInsideAddBox = nullptr;
  return answer;
}

TEST_F(PlayerWindowTest, WhatComesDuringAnAddWaitsAndAClosedWindowStartsNothing) {
  const std::string folder = TestFolder("add-box");
  for (const char* name : {"first-44k.mp3", "second-44k.mp3"})
    ASSERT_TRUE(CopyFileA(Media(name).c_str(), (folder + name).c_str(), FALSE));
  HWND window = OpenPlayerWindow(1);
  SetMessageBoxHook(RunInsideAddBox);
  gInsideAddBox = [&] {  // a track end, another drop, Open File
    SendMessageA(window, WM_PLAYER_TRACK_END, 0, 0);
    SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({Media("long-44k.mp3")})), 0);
    EXPECT_EQ(OpenFilesDialog(window, 1), -1) << "refused without a dialog";
    EXPECT_EQ(PlaylistCount(), 0);
  };
  SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({folder})), 0);
  EXPECT_EQ(PlaylistCount(), 2) << "the folder's two tracks, nothing else";
  EXPECT_EQ(gShell.trackEndPending, 0) << "playing from the top overtook the held track end";
  EXPECT_TRUE(PumpUntil([] { return PlaylistCount() == 1 && EntryPath(0) == FullPath(Media("long-44k.mp3")); }, 3000));

  gInsideAddBox = [&] { DestroyWindow(window); };  // as the tray menu can
  SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({folder, Media("third-22k.mp3")})), 0);
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(gShell.decodeThread, nullptr) << "no Decode thread for the dead window";
  EXPECT_EQ(PlaylistCount(), 2) << "no path after the folder is added";
  SetMessageBoxHook(nullptr);
}

// A first copy that takes the files ends the second; one that refuses them is named in a box; none, or
// one gone meanwhile, lets the second start as the first. A window hidden in the tray comes back.
LRESULT gFirstCopyAnswer = 1;
std::string gHandedText;
LRESULT CALLBACK FirstCopyStandIn(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_COPYDATA) return DefWindowProcA(window, message, wParam, lParam);
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  gHandedText.assign(static_cast<const char*>(data->lpData), data->cbData);
  if (gFirstCopyAnswer < 0) DestroyWindow(window);
  return gFirstCopyAnswer > 0;
}

TEST_F(PlayerWindowTest, ASecondCopyHandsOverOnlyToAFirstCopyThatTakesTheFiles) {
  gSettings.multipleInstances = 0;
  EXPECT_EQ(HandOverToRunningCopy("a.mp3"), 0);
  WNDCLASSA standIn = {0, FirstCopyStandIn, 0, 0, gShell.instance, nullptr, nullptr, nullptr, nullptr, kPlayerClassName};
  ASSERT_TRUE(RegisterClassA(&standIn));
  HWND first = CreateWindowExA(0, kPlayerClassName, "", WS_POPUP, 0, 0, 40, 40, nullptr, nullptr, nullptr, nullptr);
  const std::string tooLong = "C:\\" + std::string(300, 'x') + ".mp3";
  EXPECT_EQ(HandOverToRunningCopy(("\"" + Media("first-44k.mp3") + "\" " + tooLong).c_str()), 1);
  EXPECT_EQ(gHandedText, "\"" + FullPath(Media("first-44k.mp3")) + "\"");
  EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(first) != FALSE; }, 2000));
  gFirstCopyAnswer = 0;
  EXPECT_EQ(HandOverToRunningCopy("a.mp3"), -1);
  gFirstCopyAnswer = -1;
  EXPECT_EQ(HandOverToRunningCopy("a.mp3"), 0);
  gFirstCopyAnswer = 1;
  const std::vector<RecordedBox> boxes = BoxRecorder::Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].text.find(tooLong), std::string::npos);
  EXPECT_NE(boxes[1].text.find("already running"), std::string::npos);
}

}  // namespace

TEST_F(PlayerWindowTest, OpenUrlTakesTheClipboardsAddressRefusesOthersAndReplacesTheList) {
  HWND window = OpenPlayerWindow(0);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(MenuStates(window).Greyed(IDM_OPEN_URL));
  AddTrack(Media("first-44k.mp3").c_str());
  // The clipboard's address fills the field; a malformed address is refused, the dialog staying up, before
  // an https:// address (blanks around it dropped) is taken.
  const wchar_t clip[] = L"  https://radio.example/live\r\n";
  ASSERT_TRUE(OpenClipboard(window) && EmptyClipboard());
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof clip);
  std::memcpy(GlobalLock(memory), clip, sizeof clip);
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
  static std::wstring shown;
  WhileModal([] {
    HWND dialog = FindWindowW(L"#32770", L"Open URL...");
    if (!dialog) return false;
    shown.resize(300);
    shown.resize(GetDlgItemTextW(dialog, IDC_OPEN_URL_ADDRESS, &shown[0], 300));
    for (const wchar_t* typed :
         {L"http://bad host/", L"ftp://radio.example/", L" https://127.0.0.1:8443/radio "}) {
      SetDlgItemTextW(dialog, IDC_OPEN_URL_ADDRESS, typed);
      SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    }
    return true;
  });
  SendMessageA(window, WM_COMMAND, IDM_OPEN_URL, 0);
  EXPECT_FALSE(gModalCancelled);
  EXPECT_EQ(shown, L"https://radio.example/live");
  ASSERT_EQ(BoxRecorder::Boxes().size(), 2u);
  EXPECT_EQ(BoxRecorder::Boxes()[0].text, "This is not a valid http:// or https:// address:\n\nhttp://bad host/");
  EXPECT_EQ(BoxRecorder::Boxes()[1].text, "This is not a valid http:// or https:// address:\n\nftp://radio.example/");
  EXPECT_EQ(PlaylistCount(), 1);
  EXPECT_EQ(EntryPath(0), "https://127.0.0.1:8443/radio");

  // "Save Only" with "Play After Save": a file address, served by a loopback server, is saved whole under
  // its own name without playing, then joins the list and plays from the disk.
  const std::vector<uint8_t> file = ReadWholeFile(Media("first-44k.mp3"));
  WSADATA wsa;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
  SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{AF_INET, 0, {}, {}};
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  listen(listener, 1);
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  std::thread server([&] {
    const SOCKET client = accept(listener, nullptr, nullptr);
    char request[2048];
    recv(client, request, sizeof request, 0);
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nContent-Length: " + std::to_string(file.size()) + "\r\n\r\n";
    send(client, head.data(), int(head.size()), 0);
    send(client, reinterpret_cast<const char*>(file.data()), int(file.size()), 0);
    closesocket(client);
  });
  const std::string folder = TestFolder("saved-streams");
  std::filesystem::remove(WideFromUtf8(folder + "Saved Song.mp3"));
  gStreamSave = {kSaveOnly, 1, 0, ""};
  std::snprintf(gStreamSave.folder, sizeof gStreamSave.folder, "%s", folder.c_str());
  ClearPlaylist();
  AddTrack(("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/Saved%20Song.mp3").c_str());
  Play(window);
  const std::string saved = folder + "Saved Song.mp3";
  EXPECT_TRUE(PumpUntil([&] { return PlaylistCount() == 2 && AnsweredPlayState(window) == kPlaying && ElapsedSeconds() >= 1; }, 8000));
  server.join();
  closesocket(listener);
  gStreamSave = {};
  EXPECT_EQ(EntryPath(1), saved);
  PlaylistEntry current;
  EXPECT_TRUE(CopyCurrentEntry(&current) && current.path == saved && ReadWholeFile(saved) == file);
  EXPECT_EQ(BoxRecorder::Boxes().size(), 2u);
  Stop(window);
}
