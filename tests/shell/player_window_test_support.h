// The player window created in the test's own process, as start-up creates it, and what its tests
// share: the test media, a message pump, steps run inside modal loops, menu states and pixels of the
// resource bitmaps.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "playlist/playlist.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "shell/about.h"
#include "shell/commands.h"
#include "shell/player_window.h"
#include "shell/shell_state.h"
#include "shell/skin.h"
#include "shell/startup.h"
#include "tests/settings/profile_test_support.h"

// The MP3 files the build makes for the Windows tests.
inline std::string Media(const char* name) { return std::string(ZAV_BUILD_PATH) + "/test-media/" + name; }

inline std::string EntryPath(int32_t index) {
  PlaylistEntry entry;
  return CopyEntryAt(index, &entry) ? entry.path : "";
}

inline LRESULT AnsweredPlayState(HWND window) { return SendMessageA(window, kPluginPlayState, 0, 0); }

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

// Runs `step` from a thread timer inside the modal loop (popup menu, dialog, preferences sheet) the test
// starts next, until it returns true. After 5 s it cancels every other window of the thread (the player,
// the playlist editor and the equalizer stay), so a test fails rather than hangs, and notes that it had to.
inline std::function<bool()> gModalStep;
inline int32_t gModalTicks;
inline bool gModalCancelled;
inline void CALLBACK RunModalStep(HWND, UINT, UINT_PTR timer, DWORD) {
  if (!gModalStep) return;
  bool done = ++gModalTicks <= 100 && gModalStep();
  if (gModalTicks > 100) {
    gModalCancelled = true;
    EndMenu();
    EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM) {
      if (w != gShell.window && w != gShell.playlistEditor && w != gShell.equalizer)
        PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
      return TRUE;
    }, 0);
    done = gModalTicks > 140;
  }
  if (done) {
    gModalStep = nullptr;
    KillTimer(nullptr, timer);
  }
}
inline void WhileModal(std::function<bool()> step) {
  gModalStep = std::move(step);
  gModalTicks = 0;
  gModalCancelled = false;
  SetTimer(nullptr, 0, 50, &RunModalStep);
}

// Menu item state after the window prepared its menu, as the system would before showing it.
struct MenuStates {
  explicit MenuStates(HWND window) {
    SendMessageA(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(gSkin.popupMenu, 0)), 0);
  }
  static bool Greyed(UINT id) { return GetMenuState(gSkin.popupMenu, id, MF_BYCOMMAND) & MF_GRAYED; }
  static bool Checked(UINT id) { return GetMenuState(gSkin.popupMenu, id, MF_BYCOMMAND) & MF_CHECKED; }
};


class PlayerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = gSettings;
    gShell.instance = GetModuleHandleA(nullptr);
    BoxRecorder::Start();
    ClearPlaylist();
    // As a new process starts: nothing of an earlier test's play state or position is left over.
    gShell.playState = kStopped;
    gShell.lengthFrames = gShell.lastFrame = gShell.litSectors = gShell.litStep = 0;
    gShell.totalSeconds = gShell.elapsedSeconds = 0;
    gShell.lastSync = -1;
  }
  void TearDown() override {
    if (gShell.window) DestroyWindow(gShell.window);  // a test that stopped early leaves no window
    MSG quit;  // a destroyed window leaves the loop's quit message
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    UnregisterClassA(kPlayerClassName, gShell.instance);
    BoxRecorder::Stop();
    gShowAboutBox = nullptr;
    ClearPlaylist();
    RemoveProfileFile(kSettingsFile);
    gSettings = saved_;
  }
  // The window as start-up creates it, on known settings; it scans `pluginFolder` for plug-ins (an
  // empty folder unless given).
  HWND OpenPlayerWindow(int32_t autoPlay, std::string pluginFolder = TestFolder("no-plugins")) {
    std::snprintf(gSettings.pluginFolder, sizeof gSettings.pluginFolder, "%s", pluginFolder.c_str());
    gShowAboutBox = nullptr;
    gSettings.autoPlay = autoPlay;
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
    RegisterPreferencePages();
    return CreatePlayerWindow();
  }
  Settings saved_;
};

// A rectangle of pixels as COLORREF values, row by row.
struct PixelImage {
  int32_t width = 0, height = 0;
  std::vector<COLORREF> pixels;
  COLORREF At(int32_t x, int32_t y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// Copies `width` x `height` pixels at (x, y) of `source` in one block copy (GetPixel on a window would
// ask the X server for every pixel).
inline PixelImage CopyPixels(HDC source, int32_t x, int32_t y, int32_t width, int32_t height) {
  PixelImage image;
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(source);
  if (!section || !memory) return image;
  HGDIOBJ previous = SelectObject(memory, section);
  BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
  GdiFlush();
  image.width = width;
  image.height = height;
  for (int32_t i = 0; i < width * height; ++i) {
    const uint32_t p = static_cast<const uint32_t*>(bits)[i];
    image.pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
  }
  SelectObject(memory, previous);
  DeleteDC(memory);
  DeleteObject(section);
  return image;
}

inline PixelImage WindowPixels(HWND window, int32_t x, int32_t y, int32_t width, int32_t height) {
  HDC dc = GetDC(window);
  PixelImage image = CopyPixels(dc, x, y, width, height);
  ReleaseDC(window, dc);
  return image;
}

// The whole of bitmap resource `id`.
inline PixelImage BitmapPixels(int32_t id) {
  HBITMAP bitmap = LoadBitmapA(gShell.instance, MAKEINTRESOURCEA(id));
  BITMAP size = {};
  GetObjectA(bitmap, sizeof size, &size);
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  PixelImage image = CopyPixels(memory, 0, 0, size.bmWidth, size.bmHeight);
  SelectObject(memory, previous);
  DeleteDC(memory);
  DeleteObject(bitmap);
  return image;
}

inline COLORREF BitmapPixel(int32_t id, int32_t x, int32_t y) { return BitmapPixels(id).At(x, y); }

// A preferences page (dialog `templateId`) alone in a modeless sheet owned by `owner`, so that a test
// can work it; returns the page. Unicode windows, as the preferences sheet's.
inline HWND OpenOnePageSheet(int32_t templateId, DLGPROC procedure, const wchar_t* title, HWND* sheet,
                             HWND owner = nullptr) {
  PROPSHEETPAGEW page = {};
  page.dwSize = sizeof page;
  page.dwFlags = PSP_USETITLE;
  page.hInstance = gShell.instance;
  page.pszTemplate = MAKEINTRESOURCEW(templateId);
  page.pfnDlgProc = procedure;
  page.pszTitle = title;
  PROPSHEETHEADERW header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_MODELESS;
  header.hwndParent = owner;
  header.pszCaption = L"zav";
  header.nPages = 1;
  header.ppsp = &page;
  *sheet = reinterpret_cast<HWND>(PropertySheetW(&header));
  return PropSheet_GetCurrentPageHwnd(*sheet);
}

// Closes the sheet with its OK or Cancel button (PSBTN_OK, PSBTN_CANCEL).
inline void CloseSheet(HWND sheet, int32_t button) {
  PropSheet_PressButton(sheet, button);
  EXPECT_TRUE(PumpUntil([&] { return PropSheet_GetCurrentPageHwnd(sheet) == nullptr; }, 2000));
  DestroyWindow(sheet);
}

// The fixture under the name the playlist editor tests derive from.
using PlayerWindowFixture = PlayerWindowTest;
