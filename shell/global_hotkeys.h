// Keys that work while another program is in front: the keyboard's media keys (play/pause, stop, next,
// previous, held as hotkeys of their own) and the global hotkeys of the Hotkeys page, and the
// WM_APPCOMMAND messages of media keys, remote controls and mice (the keyboard's own volume keys stay
// the system's). Only the first copy of the player holds the hotkeys.
#pragma once
#include <windows.h>

#include <cstdint>

// WM_CREATE: whether another player window was there first, then TakeHotkeys.
void StartHotkeys(HWND window);
// Gives up whatever the window holds and takes what the options ask for (nothing in a later copy).
// Keys another program holds are remembered for the page.
void TakeHotkeys(HWND window);
// WM_DESTROY: gives every hotkey up.
void ReleaseHotkeys(HWND window);

// What the page shows under the hotkeys: the keys the last TakeHotkeys could not have, by name ("Ctrl+
// Alt+End is in use by another program.") and those chosen for two actions, that a later copy holds
// none, or nothing. `out` holds `size` bytes.
void HotkeysReport(char* out, int32_t size);

LRESULT OnHotkey(HWND window, WPARAM id);
LRESULT OnAppCommand(HWND window, WPARAM wParam, LPARAM lParam);
