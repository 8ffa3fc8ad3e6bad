// Talking to a running player from another process of the same Wine session (or Windows desktop):
// finding its window and its boxes, asking its play state and elapsed time.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// Messages the player window answers for plug-ins, and so for anyone.
constexpr UINT kAskElapsedSeconds = 0x8402;
constexpr UINT kAskPlayState = 0x8406;
enum : int32_t { kPlaying = 0, kPaused = 1, kStopped = 2, kNoAnswer = -1 };

constexpr UINT kCommandClose = 40001;

// The visible top-level window of class "zav", or null.
HWND FindPlayerWindow();
// The player's answer to `message`, or kNoAnswer when it does not answer within `timeoutMs`.
int32_t AskPlayer(HWND window, UINT message, DWORD timeoutMs = 1000);
// A visible dialog box (class "#32770") of process `pid` (of any process when 0) whose caption is
// `caption` (any caption when null), or null.
HWND FindBox(DWORD pid, const char* caption);
std::string WindowText(HWND window);
// The message of a message box (its static text).
std::string BoxText(HWND box);
// Presses button `id` of a box as its keyboard interface would (the box need not be in front).
void PressBoxButton(HWND box, int32_t id);
DWORD WindowProcess(HWND window);
