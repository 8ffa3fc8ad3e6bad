// Playback as the player window drives it: the Decode thread's life, the transport commands, track
// advance, the thread's notifications, the progress ring, seeking and volume by mouse, the timers.
#pragma once
#include <windows.h>

#include <cstdint>

// Creates the Decode thread for the window (keeps handle and id in gShell). Returns false on failure.
bool StartDecodeThread(HWND window);
// WM_CREATE after the skin: timers, Decode thread, always-on-top, show, auto play.
void StartPlayback(HWND window);
// WM_DESTROY: ends the Decode thread, closes the output, stores the position and saves the settings.
void StopPlayback(HWND window);
// SetWindowPos with HWND_TOPMOST or HWND_NOTOPMOST from the Always On Top setting.
void ApplyAlwaysOnTop(HWND window);
// Stores the window's screen position in the settings unless it is minimized.
void StoreWindowPosition(HWND window);

// Restarts a dead Decode thread (with a notice), then posts TM_PLAY for the current entry, to play from
// `startFrame` when that is above 0 (a resumed track).
void StartCurrentEntry(HWND window, int32_t startFrame = 0);
// Plays from the top of the playlist after it was replaced (dropped files, hand-over, Open File).
void RestartFromFirst(HWND window, DWORD pauseMs);
// Stops the track playing and plays the playlist's current entry (the playlist editor's double-click).
void RestartCurrentEntry(HWND window);

void Play(HWND window);
void Pause(HWND window);
void Stop(HWND window);
void NextTrack(HWND window);
void PreviousTrack(HWND window);

// Sets the volume (0..63) in the settings and on the output, and repaints the bar.
void SetVolume(HWND window, int32_t volume);

// Where the window reads a stream's title and the reason it ended (the stream source's StreamTitle and
// StreamError; tests put their own in).
extern int32_t (*gReadStreamTitle)(char* out, int32_t size);
extern int32_t (*gReadStreamError)(char* out, int32_t size);

// Message handlers.
LRESULT OnTrackEnd(HWND window);
LRESULT OnPlayerInfo(WPARAM totalSeconds, LPARAM elapsedSeconds);
LRESULT OnPlayerPosition(WPARAM lengthFrames, LPARAM frame);
LRESULT OnPlayerStarted(HWND window);
LRESULT OnPlayerStopped(HWND window);
LRESULT OnPlayerSync(LPARAM state);
// A stream's news (wParam kStreamTitleChanged, kStreamBuffering, kStreamFailed).
LRESULT OnPlayerStream(HWND window, WPARAM news, LPARAM value);
// Tags read from servers' copies of listed files are ready: they title their entries.
LRESULT OnRemoteTag(HWND window);
// The tag editor saved a file's tags: the song name and the editor's lines show them.
LRESULT OnTagsSaved(HWND window);
// "TAG Editor" (Ctrl+T): the tag editor for the current entry, the one playing when one plays.
void EditPlayingTags(HWND window);
LRESULT OnLeftButtonDown(HWND window, LPARAM point);
LRESULT OnMouseMove(HWND window, WPARAM keys, LPARAM point);
LRESULT OnTimer(HWND window, WPARAM id);
