// Working the player from outside as a user would: starting zav.exe, clicking and typing at its window,
// reading back what the screen shows and what the window says about its state.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "tools/player_watch/player_remote.h"
#include "tools/player_watch/screen_capture.h"

// Windows path (backslashes) of a file the media script made in the build tree.
std::string MediaPath(const std::string& name);
// Where the driver's pictures go (a folder in the build tree); the runner turns them into PNG files.
std::string ScreenshotPath(const std::string& name);

// A program started by the driver. It is killed when the holder goes, unless it has ended.
struct Process {
  PROCESS_INFORMATION info{};
  DWORD startedAt = 0;  // GetTickCount at the start

  Process() = default;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process() { Kill(); }

  // Starts zav.exe with `arguments` (appended to the program's quoted path), in `folder` (the
  // driver's current folder when empty).
  bool StartPlayer(const std::string& arguments, const std::string& folder = "");
  bool Running() const;
  // Its exit code once it has ended within `timeoutMs`, else -1.
  int64_t WaitExit(DWORD timeoutMs);
  void Kill();
  double CpuSeconds() const;    // user and kernel time of its threads
  size_t WorkingSetBytes() const;
};

// Polls `condition` every `stepMs` until it holds or `timeoutMs` has passed; returns its last value.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD stepMs = 5);
// The player's window once it shows (null after `timeoutMs`), and its box with `caption`.
HWND WaitForPlayerWindow(DWORD timeoutMs);
HWND WaitForBox(DWORD pid, const char* caption, DWORD timeoutMs);

int32_t PlayState(HWND player);
int32_t ElapsedSeconds(HWND player);
bool WaitForState(HWND player, int32_t state, DWORD timeoutMs);

// Mouse and keyboard, through the system's input queue, at client points of `window`.
void Click(HWND window, int32_t x, int32_t y);
void RightClick(HWND window, int32_t x, int32_t y);
void DoubleClick(HWND window, int32_t x, int32_t y);
void Drag(HWND window, POINT from, POINT to);
// A key press for `window` (brought to the front first), with Ctrl held when `ctrl`.
void Key(HWND window, WORD virtualKey, bool ctrl = false);
void Command(HWND window, UINT id);
// An open popup menu ("#32768") of process `pid`, or null.
HWND FindPopupMenu(DWORD pid);

// The window's picture as the screen shows it, in window coordinates.
inline Picture Screen(HWND window) { return GrabWindow(window); }
// Number of pixels of the w x h rectangle at (x, y) of `shown` that differ from the one at (artX,
// artY) of `art`.
int32_t DifferingPixels(const Picture& shown, int32_t x, int32_t y, const Picture& art, int32_t artX, int32_t artY,
                        int32_t w, int32_t h);
// Writes `picture` as ScreenshotPath(name).bmp.
void SaveScreenshot(const std::string& name, const Picture& picture);
