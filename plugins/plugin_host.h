// Running one visualisation plug-in module on a thread of its own, the Plugin thread: Init, Render on
// each TM_PLUGIN_RENDER, Quit; the player window feeds it the newest waveform and spectrum every 40 ms
// and hears of its end through WM_PLUGIN_ENDED. Every function here runs on the player window's thread.
#pragma once
#include <windows.h>

#include <cstdint>

#include "engine/messages.h"

// The player window carries this in its user data once a plug-in has been started for it.
constexpr LONG_PTR kPluginWindowMarker = 0x005A4156;
constexpr DWORD kPluginStopWaitMs = 5000;

// Runs module `index` of the settings' plug-in library with `parent` as its parent window, reporting
// `sampleRate` and `channels` to it. Any Plugin thread still there is stopped first; when it will not
// end, no second one starts and WM_PLUGIN_ENDED is posted as for a module that ended. Each start has
// a number of its own, which its WM_PLUGIN_ENDED carries in wParam. Returns 0.
int32_t StartPlugin(int32_t index, HWND parent, int32_t channels, int32_t sampleRate);
// Asks the Plugin thread to quit, also while its module is still in Init, and waits up to 5 s for it
// to end: the quit takes effect at the thread's next message, or when Init or the Render under way
// returns. A thread that does not end is kept, so that the next stop or start waits for it again.
// Does nothing when no thread is there. Returns 0.
int32_t StopPlugin();
// Calls Config of module `index` of the settings' plug-in library on this thread, with `parent` as the
// module's parent window. While a module runs, or the chosen one is still in its Init, that module's
// Config is called and nothing is written into its record. Returns 0.
int32_t ConfigurePlugin(int32_t index, HWND parent);
// Hands 2 x 576 spectrum and 2 x 576 waveform bytes to the running module and asks it to render; a
// request still waiting takes the newest feed instead of a second one being queued. Returns 0.
int32_t FeedPlugin(int32_t spectrumChannels, const uint8_t* spectrum, int32_t waveformChannels,
                   const uint8_t* waveform);
// 1 from just before the module's message loop starts until it leaves it, else 0.
int32_t IsPluginRunning();
// 1 when WM_PLUGIN_ENDED's wParam `generation` is that of the latest start, 0 for the late end of a
// module that start replaced.
int32_t IsCurrentPluginEnd(WPARAM generation);
