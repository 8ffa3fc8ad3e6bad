// The time display and the song-name strip: canvases drawn once from the digit and font bitmaps and
// copied onto the window, by the handlers that change them and by WM_PAINT.
#pragma once
#include <windows.h>

#include <cstdint>

#include "shell/display_text.h"

// The strip's scrolling state: what the scroll timer and WM_PAINT show of the song-name canvas.
extern SongScroll gSongScroll;

// Draws the four digits of (elapsed, total) in the time display mode into the time canvas, creating it
// the first time. It is shown by the caller.
void RedrawTime(int32_t elapsedSeconds, int32_t totalSeconds);
// Copies the time canvas to the display area through the window device context.
void ShowTimeCanvas();
// Renders the current entry's text (or the idle text) into a new song-name canvas, scrolled back to
// its start, and repaints the strip.
void RebuildSongName(HWND window);
// Timer 1: moves a text longer than the strip one step and copies the strip to the window.
void ScrollSongName();
// The strip shows the start of the text again (AutoScroll switched off).
void ResetSongNameOffset();
// After the preferences: back to the start of the text when AutoScroll is off, and forward at the
// speed now set.
void ApplySongScrollSettings();
// WM_PAINT: the strip's text over the body, and the time canvas. PaintTime returns false when there is
// no time canvas yet.
void PaintSongName(HDC dc);
bool PaintTime(HDC dc);
// WM_DESTROY: releases both canvases.
void ReleaseDisplays();
