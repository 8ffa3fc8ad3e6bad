// The recorder module: appends one line for every call it receives (the function, the calling thread,
// the fields the host fills in, whether the data were all zero, the parent window, the tick count in
// milliseconds) to the file named by ZAV_RECORDER_FILE, else "zav_vis_recorder.txt" beside the DLL.
// ZAV_RECORDER_INIT_MS, ZAV_RECORDER_RENDER_MS and ZAV_RECORDER_QUIT_MS make Init, Render and Quit take
// that long, to stand for slow modules.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "plugins/sample/sample_modules.h"

namespace {

char gDescription[] = "zav call recorder (writes every call to a file)";

bool AllZero(const VisModule* module) {
  const uint8_t* spectrum = &module->spectrumData[0][0];
  const uint8_t* waveform = &module->waveformData[0][0];
  for (size_t i = 0; i < sizeof module->spectrumData; ++i) {
    if (spectrum[i] || waveform[i]) return false;
  }
  return true;
}

void RecordingPath(char (&path)[MAX_PATH]) {
  const DWORD n = GetEnvironmentVariableA("ZAV_RECORDER_FILE", path, MAX_PATH);
  if (n > 0 && n < MAX_PATH) return;
  const DWORD length = GetModuleFileNameA(gSampleInstance, path, MAX_PATH);
  char* folderEnd = length > 0 && length < MAX_PATH ? std::strrchr(path, '\\') : nullptr;
  constexpr char kName[] = "zav_vis_recorder.txt";
  if (!folderEnd || size_t(folderEnd - path) + sizeof kName >= MAX_PATH) {
    std::strcpy(path, kName);
    return;
  }
  std::strcpy(folderEnd + 1, kName);
}

void SleepFor(const char* variable) {
  char value[16];
  const DWORD n = GetEnvironmentVariableA(variable, value, sizeof value);
  if (n > 0 && n < sizeof value) Sleep(DWORD(std::strtoul(value, nullptr, 10)));
}

// One line, appended with one write so that lines of several writers never mix.
void Record(const char* function, const VisModule* module) {
  char line[256];
  const int length = std::snprintf(
      line, sizeof line,
      "%s thread=%lu sRate=%d nCh=%d spectrumNch=%d waveformNch=%d zero=%d hwndParent=%p ms=%lu\r\n", function,
      static_cast<unsigned long>(GetCurrentThreadId()), int(module->sRate), int(module->nCh), int(module->spectrumNch),
      int(module->waveformNch), AllZero(module) ? 1 : 0, static_cast<void*>(module->hwndParent),
      static_cast<unsigned long>(GetTickCount()));
  if (length <= 0) return;
  char path[MAX_PATH];
  RecordingPath(path);
  const HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line, DWORD(length < int(sizeof line) ? length : int(sizeof line) - 1), &written, nullptr);
  CloseHandle(file);
}

void __cdecl Config(VisModule* module) { Record("Config", module); }

int32_t __cdecl Init(VisModule* module) {
  Record("Init", module);
  SleepFor("ZAV_RECORDER_INIT_MS");
  return 0;
}

int32_t __cdecl Render(VisModule* module) {
  Record("Render", module);
  SleepFor("ZAV_RECORDER_RENDER_MS");
  return 0;
}

void __cdecl Quit(VisModule* module) {
  SleepFor("ZAV_RECORDER_QUIT_MS");
  Record("Quit", module);
}

VisModule gModule = {gDescription, nullptr, nullptr, 0, 0, 0, 0, 0, 0, {}, {}, Config, Init, Render, Quit, nullptr};

}  // namespace

VisModule* CallRecorderModule() { return &gModule; }
