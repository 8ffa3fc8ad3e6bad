// Plays a track in zav.exe with the internal visualisation in a chosen state and measures the CPU
// time of the zav.exe process per second of audio heard; optionally saves a picture of the player
// window as a BMP file.
//
//   visualisation_cpu ZAV.EXE TRACK ACTIVE MODE SECONDS [PICTURE.BMP]
//
// ACTIVE 0 or 1, MODE 0 oscilloscope, 1 analyser, 2 colour cloud. The settings file is written first
// (auto play on, the window at (20, 20)); the track plays from the command line. After two seconds of
// audio the window's elapsed seconds (message 0x8402) and the time are read, and again once SECONDS more
// seconds of audio have been heard. Prints one line:
//   active=A mode=M audio_s=... start_unix=... end_unix=... getprocesstimes_ms=...
// Under Wine GetProcessTimes of another process misses most of its threads' time, so the CPU time is
// read from /proc by visualisation_cpu.sh between the two Unix times; its figure is printed only for
// comparison. The wave-out device must play in real time for the figure to mean anything.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings/settings.h"
#include "settings/settings_file.h"

namespace {

constexpr UINT kElapsedQuery = 0x8402;
constexpr UINT kPlayStateQuery = 0x8406;
constexpr WPARAM kCloseCommand = 40001;

double Now() { return GetTickCount() / 1000.0; }

// Seconds since 1970, as the Unix side counts them.
double UnixNow() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const ULONGLONG ticks = (ULONGLONG(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return double(ticks) / 1e7 - 11644473600.0;
}

double CpuMs(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
  auto ms = [](FILETIME t) { return ((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0; };
  return ms(kernel) + ms(user);
}

// Waits for `done` up to `seconds`, polling every 50 ms.
template <typename Done>
bool WaitFor(Done done, double seconds) {
  const double end = Now() + seconds;
  while (Now() < end) {
    if (done()) return true;
    Sleep(50);
  }
  return done();
}

LRESULT Ask(HWND window, UINT message) {
  DWORD_PTR answer = DWORD_PTR(-1);
  SendMessageTimeoutA(window, message, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer);
  return LRESULT(answer);
}

// The window as it is on the screen, written as a 24-bit BMP.
bool SavePicture(HWND window, const char* path) {
  RECT r;
  if (!GetWindowRect(window, &r)) return false;
  const int32_t width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof info.bmiHeader, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, section);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = DWORD((width * 3 + 3) & ~3), imageBytes = stride * DWORD(height);
  BITMAPFILEHEADER file = {0x4D42, DWORD(sizeof file + sizeof info.bmiHeader + imageBytes), 0, 0,
                           DWORD(sizeof file + sizeof info.bmiHeader)};
  bool written = false;
  if (FILE* out = std::fopen(path, "wb")) {
    written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
              std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
              std::fwrite(bits, imageBytes, 1, out) == 1;
    std::fclose(out);
  }
  SelectObject(memory, previous);
  DeleteObject(section);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: visualisation_cpu ZAV.EXE TRACK ACTIVE MODE SECONDS [PICTURE.BMP]\n");
    return 2;
  }
  const int32_t active = std::atoi(argv[3]), mode = std::atoi(argv[4]), seconds = std::atoi(argv[5]);

  gShowAboutBox = nullptr;
  ApplyDefaultSettings();
  gSettings.autoPlay = 1;
  gSettings.visActive = active;
  gSettings.visMode = mode;
  gSettings.windowLeft = 20;
  gSettings.windowTop = 20;
  SaveSettings();

  std::string command = std::string("\"") + argv[1] + "\" \"" + argv[2] + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(argv[1], &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "cannot start %s\n", argv[1]);
    return 1;
  }
  HWND window = nullptr;
  const bool playing = WaitFor([&] { return (window = FindWindowA("zav", nullptr)) != nullptr; }, 20) &&
                       WaitFor([&] { return Ask(window, kPlayStateQuery) == 0 && Ask(window, kElapsedQuery) >= 2; }, 30);
  int result = 1;
  if (playing) {
    const LRESULT audioStart = Ask(window, kElapsedQuery);
    const double cpuStart = CpuMs(process.hProcess), unixStart = UnixNow();
    WaitFor([&] { return Ask(window, kElapsedQuery) >= audioStart + seconds; }, 4.0 * seconds + 10);
    const LRESULT audio = Ask(window, kElapsedQuery) - audioStart;
    const double cpu = CpuMs(process.hProcess) - cpuStart, unixEnd = UnixNow();
    std::printf("active=%d mode=%d audio_s=%ld start_unix=%.3f end_unix=%.3f getprocesstimes_ms=%.0f\n", active, mode,
                long(audio), unixStart, unixEnd, cpu);
    std::fflush(stdout);
    if (argc > 6 && !SavePicture(window, argv[6])) std::fprintf(stderr, "cannot write %s\n", argv[6]);
    result = 0;
  } else {
    std::fprintf(stderr, "zav did not start playing\n");
  }
  if (window) PostMessageA(window, WM_COMMAND, kCloseCommand, 0);
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return result;
}
