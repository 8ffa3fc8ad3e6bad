// The "Hotkeys" page of the preferences sheet: the media keys' switch, the global hotkeys' switch and
// keys, and the keys other programs hold.
#pragma once
#include <windows.h>

INT_PTR CALLBACK HotkeysPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
