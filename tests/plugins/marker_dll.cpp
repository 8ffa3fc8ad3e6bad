// DLLs for the plug-in host's tests, from one source. Loading either leaves "<its path>.loaded" beside
// it, which shows whether anything ran its start-up code. Built plainly it is an ordinary DLL, no
// plug-in; with ZAV_ENDLESS_PLUGIN it is a damaged plug-in whose header and modules have no
// descriptions and whose module getter never returns null.
#include <windows.h>

#include <cstring>

#ifdef ZAV_ENDLESS_PLUGIN
#include "plugins/plugin_interface.h"

namespace {
VisModule gModule = {};
VisModule* __cdecl AnyModule(int32_t) { return &gModule; }
VisHeader gHeader = {kVisHeaderVersion, nullptr, AnyModule};
}  // namespace

extern "C" __declspec(dllexport) VisHeader* __cdecl winampVisGetHeader() { return &gHeader; }
#else
extern "C" __declspec(dllexport) int __cdecl MarkerDllVersion() { return 1; }
#endif

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char path[MAX_PATH + 8];
  const DWORD n = GetModuleFileNameA(instance, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return TRUE;
  std::memcpy(path + n, ".loaded", 8);
  const HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  return TRUE;
}
