// What the player window's handlers share: one process-wide record, written on the main thread only.
#pragma once
#include <windows.h>

#include <cstdint>

#include "engine/decode_thread.h"

// Play state as the window keeps it and answers it to message 0x8406.
enum PlayState : int32_t { kPlaying = 0, kPaused = 1, kStopped = 2 };

// The player window's timers.
enum TimerId : UINT_PTR {
  kPluginFeedTimer = 0,
  kScrollTimer = 1,
  kSplashTimer = 2,
  kVisualisationTimer = 3,
  kDeferredWorkTimer = 4,  // held-back hand-overs, drops and track ends
  kResumeTimer = 5,        // the list and the playing position kept for the next start
};

struct ShellState {
  HINSTANCE instance;
  HWND window;          // null until CreateWindowExA has returned
  HWND splash;          // the splash dialog while it is shown
  HACCEL accelerators;  // table 120
  PlaybackParams playback;
  int32_t closing;      // 1 from WM_DESTROY on: nothing starts on the window any more
  UINT taskbarCreated;  // the message the shell broadcasts when it starts again

  // Playback.
  int32_t playState;
  HANDLE decodeThread;
  DWORD decodeThreadId;
  int32_t lengthFrames;     // wParam of the last WM_PLAYER_POSITION
  int32_t lastFrame;        // lParam of the last WM_PLAYER_POSITION
  int32_t litSectors;       // seek-ring sectors shown lit, 0..360
  int32_t litStep;          // litSectors / 15 at the last direct ring update
  int32_t totalSeconds;     // wParam of the last WM_PLAYER_INFO
  int32_t elapsedSeconds;   // lParam of the last WM_PLAYER_INFO
  intptr_t lastSync;        // lParam of the last WM_PLAYER_SYNC, -1 before the first
  int32_t trackEndPending;  // a track end came during an add; made once the add is done
  int32_t streamBuffering;  // the stream playing refills its buffer: the strip says so

  // Windows and values owned by the command side.
  HWND equalizer;
  HWND playlistEditor;
  HMENU sortMenu;
  int32_t trayIconPresent;
  int32_t rememberedVisActive;
  LPARAM pluginValue;
};

extern ShellState gShell;
