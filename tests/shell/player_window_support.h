// Shared pieces of the tests that create the player window in their own process: the test media, a
// message pump with a deadline, the window on known settings, and pixels of the built-in bitmaps.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

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

// A file of the test media the build makes (scripts/make_test_media.sh).
inline std::string Media(const char* name) { return std::string(ZAV_BUILD_PATH) + "/test-media/" + name; }

inline std::string EntryPath(int32_t index) {
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

// Menu item state after the window prepared its menu, as the system would before showing it.
struct MenuStates {
  explicit MenuStates(HWND window) {
    SendMessageA(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(gSkin.popupMenu, 0)), 0);
  }
  static bool Greyed(UINT id) { return GetMenuState(gSkin.popupMenu, id, MF_BYCOMMAND) & MF_GRAYED; }
  static bool Checked(UINT id) { return GetMenuState(gSkin.popupMenu, id, MF_BYCOMMAND) & MF_CHECKED; }
};

inline LRESULT AnsweredPlayState(HWND window) { return SendMessageA(window, kPluginPlayState, 0, 0); }

// Pixel (x, y) of built-in bitmap `id`.
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

// Records message boxes, empties the playlist around each test and puts the settings back after it.
class PlayerWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = gSettings;
    gShell.instance = GetModuleHandleA(nullptr);
    BoxRecorder::Start();
    ClearPlaylist();
  }
  void TearDown() override {
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
