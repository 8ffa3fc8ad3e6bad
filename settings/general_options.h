// The General page's options kept in extra keys of "zav.ini" beside the record (which older copies read
// and write, so it stays as it is): "Lock zav window to screen" and "Buffer File To Memory", 0 or 1.
#pragma once
#include <cstdint>

constexpr const char* kLockToScreenKey = "LockWindowToScreen";
constexpr const char* kBufferFileKey = "BufferFileToMemory";

struct GeneralOptions {
  int32_t lockToScreen;  // the player window cannot be dragged off its monitor's work area
  int32_t bufferFile;    // a file of up to 64 MB is read into memory whole before it plays
};
extern GeneralOptions gGeneralOptions;

// Reads the keys; a missing key or anything but 0 or 1 gives 0.
void LoadGeneralOptions();
// Writes the keys. Returns 1, or 0 when a write failed.
int32_t SaveGeneralOptions();
