// The modeless equalizer dialog (resource 157): 12 sliders shaping the 32 subband gains of the settings
// record, which the synthesis reads at every step, so a moved slider is heard at once.
#pragma once
#include <windows.h>

// The dialog procedure. The owner creates the dialog with CreateDialogParamA and destroys it when sent
// the equalizer's toggle command, which the dialog sends it on OK, Cancel and its title-bar close.
INT_PTR CALLBACK EqualizerDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
