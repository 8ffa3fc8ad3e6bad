// The steps of start-up, in the order the entry point takes them.
#pragma once
#include <windows.h>

#include <cstdint>

// Installs the About box hook (a first start shows the box), loads the settings, holds them to their
// ranges and brings a saved window position that lies off every monitor back onto the primary one.
void LoadStartupSettings();
// Moves the saved window position onto the primary monitor when the title strip would lie off every
// monitor. Returns true when it moved it.
bool KeepWindowOnAMonitor();
// Process priority from the Processor setting; channel mode, quality and speed into the playback
// parameters.
void ApplyProcessorAndOutputSettings();
// Hands the preferences sheet the procedures of the pages the shell provides.
void RegisterPreferencePages();
// With Multiple Instances off and another copy running: brings it forward (back from the tray or the
// taskbar), hands it the command line (every path made absolute; paths too long are named in a box and
// left out) and returns 1, so this copy ends. Returns 0 when this copy is to start as the first one: no
// other copy, or it went away before it took the files. Returns -1 after a box saying that another
// copy is there but does not take the files (it is hung, or refused them).
int32_t HandOverToRunningCopy(const char* commandLine);
// The milliseconds a second copy waits for the first copy to take its files.
constexpr UINT kHandOverWaitMs = 5000;
// Empties the playlist and adds the command line's paths; paths too long are named in a box. Without
// paths it restores the last list when resuming is on.
void FillPlaylist(const char* commandLine);
// Registers the class "zav" and creates the player window; null on failure.
HWND CreatePlayerWindow();
// Hands one message of the loop on: to the accelerators of table 120, unless it is a key typed into a
// text field, then translated and dispatched.
void DispatchPlayerMessage(MSG& msg);
// Runs until WM_QUIT; returns its wParam.
int RunMessageLoop();
