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
// Process priority from the Processor setting; channel mode and quality into the playback parameters.
void ApplyProcessorAndOutputSettings();
// Hands the preferences sheet the procedures of the pages the shell provides.
void RegisterPreferencePages();
// With Multiple Instances off and another copy running: brings it forward, hands it the command line
// (every path made absolute) and returns true, so this copy ends.
bool HandOverToRunningCopy(const char* commandLine);
// Empties the playlist and adds the command line's paths.
void FillPlaylist(const char* commandLine);
// Registers the class "zav" and creates the player window; null on failure.
HWND CreatePlayerWindow();
// Runs until WM_QUIT; returns its wParam.
int RunMessageLoop();
