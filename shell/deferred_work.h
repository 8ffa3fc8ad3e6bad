// What the player window holds back and does from a timer: files handed over by a second copy (the
// hand-over is answered at once and its text kept), drops and track ends that arrive while an add shows
// its "Adding Directory..." box, and the box for a refused hand-over.
#pragma once
#include <windows.h>

#include <string>

// Keeps the text of a hand-over (or the paths of a drop) to open once no add runs.
void QueueOpenRequest(HWND window, std::string text);
// A hand-over with a wrong tag: its "Invalid Parameters!" box shows from the timer, not inside the send.
void QueueRefusedHandOver(HWND window);
// Starts the timer that does the held-back work (also used for a held-back track end).
void ScheduleDeferredWork(HWND window);
// The timer's tick: waits while an add runs, else opens the kept requests in order, shows the boxes
// and makes a track end held back during an add. Runs while the window is minimized too.
void OnDeferredWorkTimer(HWND window);
