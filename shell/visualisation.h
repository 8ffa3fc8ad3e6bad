// The internal visualisation in the display area (oscilloscope, spectrum analyser, colour cloud) and
// its preferences page, dialog 176.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include "shell/analyser.h"

// The newest snapshots of the audio heard, shared by the visualisation and the plug-in feed.
extern VisSnapshots gVisSnapshots;
// Copies the output's snapshots while playing; paused or stopped, the snapshots are silence.
void TakeVisSnapshots();
// Timer 3: while the visualisation is active, new snapshots, a new frame, copied to the display area.
void OnVisualisationTick();
// Sets timer 3 of `window` to the refresh rate's frame interval (a timer set again keeps its id).
void StartVisualisationTimer(HWND window);
// WM_PAINT: while the visualisation is active draws a frame from the snapshots as they are and copies
// it to `dc`; returns false when it is not active.
bool PaintVisualisation(HDC dc);

// The colour chooser the page opens: ChooseColorA; tests put a stand-in here.
extern BOOL(WINAPI* gChooseColour)(LPCHOOSECOLORA);
// The "Visualisation" page: display mode, refresh rate, the analyser's decay rate and the oscilloscope
// colour.
INT_PTR CALLBACK VisualisationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
