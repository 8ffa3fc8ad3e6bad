// The player window created in the test's own process, as start-up creates it, and what its tests
// share: the test media, a message pump, menu states and pixels of the resource bitmaps.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "playlist/playlist.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "shell/player_window.h"
#include "shell/shell_state.h"
#include "shell/skin.h"
#include "shell/startup.h"
#include "tests/settings/profile_test_support.h"

// The MP3 files the build makes for the Windows tests.
inline std::string Media(const char* name) { return std::string(ZAV_BUILD_PATH) + "/test-media/" + name; }

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

// Menu item state after the window prepared its menu, as the system would before showing it.
struct MenuStates {
  explicit MenuStates(HWND window) {
    SendMessageA(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(gSkin.popupMenu, 0)), 0);
  }
  static bool Greyed(UINT id) { return GetMenuState(gSkin.popupMenu, id, MF_BYCOMMAND) & MF_GRAYED; }
  static bool Checked(UINT id) { return GetMenuState(gSkin.popupMenu, id, MF_BYCOMMAND) & MF_CHECKED; }
};

// One pixel of a bitmap resource of the program.
inline COLORREF BitmapPixel(int32_t id, int32_t x, int32_t y) {
  HBITMAP bitmap = LoadBitmapA(gShell.instance, MAKEINTRESOURCEA(id));
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  const COLORREF pixel = GetPixel(memory, x, y);
  SelectObject(memory, previous);
  DeleteDC(memory);
  DeleteObject(bitmap);
  return pixel;
}

class PlayerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = gSettings;
    gShell.instance = GetModuleHandleA(nullptr);
    BoxRecorder::Start();
    ClearPlaylist();
  }
  void TearDown() override {
    if (gShell.window) {  // a test that stopped early leaves no window to the next
      DestroyWindow(gShell.window);
      MSG quit;
      PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    UnregisterClassA(kPlayerClassName, gShell.instance);
    BoxRecorder::Stop();
    gShowAboutBox = nullptr;
    ClearPlaylist();
    RemoveProfileFile(kSettingsFile);
    gSettings = saved_;
  }
  // The window as start-up creates it, on known settings.
  HWND OpenPlayerWindow(int32_t autoPlay) {
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
    return CreatePlayerWindow();
  }
  Settings saved_;
};
