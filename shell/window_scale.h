// The player window at an integer scale. At 1 x everything draws straight into the window as it always
// has. Above 1 x the skin is drawn at 1 x into a frame of its own, exactly as it would be on the window,
// and each changed rectangle is copied to the window enlarged pixel for pixel; the window's size,
// outline and buttons are enlarged to match, and mouse positions are divided back before hit-testing.
#pragma once
#include <windows.h>

#include <cstdint>

#include "shell/skin_geometry.h"

struct WindowScale {
  int32_t start;    // the screen's: its dots per inch / 96, at least 1
  int32_t current;  // start, or twice it under "Double Size"
};
extern WindowScale gWindowScale;

// Declares the process DPI-aware (per monitor where the system offers it, else system-wide), then reads
// the start scale from the screen. Before any window is made.
void BecomeDpiAware();

// Where the 1 x picture is drawn outside WM_PAINT: the window's kept device context at 1 x, the frame
// above it (null before the window has one).
HDC SkinDc();
// Shows skin rectangle `r` of the frame on the window; nothing at 1 x.
void PresentSkin(const SkinRect& r);
// WM_ERASEBKGND and WM_PAINT above 1 x: the body, then what the update touches, drawn into the frame and
// shown on `dc`. False at 1 x, where the caller draws as before.
bool EraseScaled(HDC dc);
bool PaintScaled(HDC dc, const RECT& update);

// Sets the window to `scale`: size (its top left corner kept, and held on the screen when the lock is on),
// outline, buttons and frame. False, with nothing changed, when the frame cannot be had.
bool ApplyWindowScale(HWND window, int32_t scale);
// "Double Size" (Ctrl+D): twice the start scale, or back to it.
void ToggleDoubleSize(HWND window);
// WM_DESTROY: the frame goes; the scale stays for a window made again.
void ReleaseScaledFrame();

// A client point of the window in skin coordinates (a point left of or above the window stays outside).
inline SkinPoint SkinPointOf(int32_t x, int32_t y) {
  const int32_t s = gWindowScale.current;
  return {x < 0 ? (x - s + 1) / s : x / s, y < 0 ? (y - s + 1) / s : y / s};
}
