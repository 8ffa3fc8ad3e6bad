// The About box (dialog 105) and the splash window (dialog 179).
#pragma once
#include <windows.h>

// The About text, CR LF between lines.
extern const char kAboutText[];

// Modal About box; a null owner for the one a first start shows.
void ShowAboutBox(HWND owner);
// The settings' About hook: the box without an owner.
void ShowAboutBoxWithoutOwner();

// Shows the modeless splash window without an owner and keeps its handle in gShell.
void ShowSplash();
// Timer 2 of the player window: the splash goes and the timer stops.
void CloseSplash(HWND window);
