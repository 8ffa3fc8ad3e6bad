// The modules of the sample visualisation plug-in: spectrum bars in a window of their own, and a
// recorder that writes down every call the host makes.
#pragma once
#include "plugins/plugin_interface.h"

// The DLL's own instance, kept by DllMain.
extern HINSTANCE gSampleInstance;

VisModule* SpectrumBarsModule();
VisModule* CallRecorderModule();
