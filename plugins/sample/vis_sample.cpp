// The sample visualisation plug-in DLL: its entry point and header. Module 0 draws spectrum bars,
// module 1 records the host's calls into a text file.
#include "plugins/sample/sample_modules.h"

HINSTANCE gSampleInstance = nullptr;

namespace {

char gDescription[] = "zav sample visualisations";

VisModule* __cdecl GetModule(int32_t index) {
  switch (index) {
    case 0: return SpectrumBarsModule();
    case 1: return CallRecorderModule();
    default: return nullptr;
  }
}

VisHeader gHeader = {kVisHeaderVersion, gDescription, GetModule};

}  // namespace

extern "C" __declspec(dllexport) VisHeader* __cdecl winampVisGetHeader() { return &gHeader; }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    gSampleInstance = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}
