// The Decode thread: turns the playlist's current entry into sound. Commanded only by thread messages
// from the player window (TM_PLAY, TM_STOP, TM_SEEK, TM_RESET_OUTPUT, WM_QUIT); reports only by messages
// it posts to the player window. TM_PLAY's lParam is 0, or the frame a resumed track goes on from.
#pragma once
#include <windows.h>

#include <cstdint>

// Handed to the thread when it is created; the player window refreshes the settings' fields after the
// preferences sheet, and the thread reads them afresh at every track start.
struct PlaybackParams {
  int32_t channelMode;   // -1 stereo output; 0 or more: one channel, the value is the channel selection
  int32_t quality;       // 0 full, 1 half, 2 quarter output rate
  HWND window;           // receives every message the thread posts and owns its message boxes
  int32_t speedPercent;  // -10..10: a file plays that much faster or slower, pitch and all (not a stream)
};

// The thread procedure; the argument is the PlaybackParams. Returns 1 after WM_QUIT, 0 when the decode
// buffer could not be had.
DWORD WINAPI DecodeThreadProc(LPVOID params);

// Creates the thread as the player window does: 16384-byte stack, priority highest with the 486 build and
// above normal otherwise. Returns the thread handle (null on failure) and its id.
HANDLE CreateDecodeThread(PlaybackParams* params, DWORD* threadId);
