// The modeless equalizer dialog (resource 157): 12 sliders shaping the 32 subband gains of the settings
// record, which the synthesis reads at every step, so a moved slider is heard at once.
#pragma once
#include <windows.h>

#include <cstdint>

#include "eq/eq_presets.h"

// The dialog procedure. The owner creates the dialog with CreateDialogParamA and destroys it when sent
// the equalizer's toggle command, which the dialog sends it on OK, Cancel and its title-bar close.
INT_PTR CALLBACK EqualizerDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Sets the sliders' levels and the gains to `preset` at once, as moving the sliders does; an open
// dialog shows the new levels and the preset chosen.
void ApplyEqPreset(const EqPreset& preset);
// With "Load Preset From Genre" on, applies the preset named `genre` (without regard to case): 1 when
// one was applied, 0 when the switch is off or no preset has that name (the equalizer stays as it is).
int32_t PickEqPresetForGenre(const char* genre);
