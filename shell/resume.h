// Resume: the playlist, the entry that plays and its position, kept while the player runs (the list
// when it changes, the position every few seconds while it plays, both on close) and restored when it
// starts without files, as "Resume Last List On Start" says.
#pragma once
#include <windows.h>

// Start-up without files: restores the kept list and remembers the entry and position for the window.
// Returns true when a list was restored.
bool RestoreLastList();
// The window's creation: starts the restored entry at its position (paused with "Start Paused"), or
// makes it current when it was not playing. Returns false, doing nothing, when no list was restored.
bool StartRestoredEntry(HWND window);
// The timer that keeps the list and the position.
void StartResumeTimer(HWND window);
// Writes the list when it changed since it was last written, and the entry and position; `closing`
// writes the position even when it seems unchanged. Nothing is written while resuming is off.
void SaveResumeState(bool closing);
