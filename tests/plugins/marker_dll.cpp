// An ordinary DLL, no plug-in, for the plug-in host's tests: loading it leaves "<its path>.loaded"
// beside it, which shows whether anything ran its start-up code.
#include <windows.h>

#include <cstring>

extern "C" __declspec(dllexport) int __cdecl MarkerDllVersion() { return 1; }

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
