// The records a visualisation plug-in DLL and its host exchange. The DLL exports one cdecl function,
// winampVisGetHeader, which returns its header; the header's getModule hands out the DLL's modules by
// index (null past the last). The host writes the module's parent window, instance, sample rate,
// channel counts and data; the module renders on the host's plug-in thread. The fields stand in their
// published order and sizes: plug-ins built elsewhere depend on every offset.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

constexpr const char* kVisEntryPoint = "winampVisGetHeader";
constexpr int32_t kVisHeaderVersion = 0x101;  // what plug-ins of this interface put in their header
constexpr int32_t kVisDataValues = 576;       // values per channel in spectrumData and waveformData

struct VisModule {
  char* description;
  HWND hwndParent;
  HINSTANCE hDllInstance;
  int32_t sRate;
  int32_t nCh;
  int32_t latencyMs;
  int32_t delayMs;
  int32_t spectrumNch;
  int32_t waveformNch;
  uint8_t spectrumData[2][kVisDataValues];
  uint8_t waveformData[2][kVisDataValues];  // signed 8-bit samples
  void(__cdecl* Config)(VisModule* module);
  int32_t(__cdecl* Init)(VisModule* module);
  int32_t(__cdecl* Render)(VisModule* module);
  void(__cdecl* Quit)(VisModule* module);
  void* userData;
};

struct VisHeader {
  int32_t version;
  char* description;
  VisModule*(__cdecl* getModule)(int32_t index);
};

using VisGetHeader = VisHeader*(__cdecl*)();

// Offsets of the published layout, for 4- and 8-byte pointers.
constexpr size_t kPointer = sizeof(void*);
static_assert(kPointer == 4 || kPointer == 8, "32- or 64-bit Windows");
static_assert(offsetof(VisModule, hwndParent) == kPointer, "module layout");
static_assert(offsetof(VisModule, sRate) == 3 * kPointer, "module layout");
static_assert(offsetof(VisModule, waveformNch) == 3 * kPointer + 20, "module layout");
static_assert(offsetof(VisModule, spectrumData) == (kPointer == 4 ? 36 : 48), "module layout");
static_assert(offsetof(VisModule, waveformData) == (kPointer == 4 ? 1188 : 1200), "module layout");
static_assert(offsetof(VisModule, Config) == (kPointer == 4 ? 2340 : 2352), "module layout");
static_assert(offsetof(VisModule, Quit) == (kPointer == 4 ? 2352 : 2376), "module layout");
static_assert(offsetof(VisModule, userData) == (kPointer == 4 ? 2356 : 2384), "module layout");
static_assert(sizeof(VisModule) == (kPointer == 4 ? 2360 : 2392), "module layout");
static_assert(offsetof(VisHeader, description) == kPointer && offsetof(VisHeader, getModule) == 2 * kPointer,
              "header layout");
static_assert(sizeof(VisHeader) == 3 * kPointer, "header layout");
