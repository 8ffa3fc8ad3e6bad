// Where the Wine runner's ALSA default device writes everything played (ZAV_CAPTURE_FILE, a Unix path
// that Wine shows on drive Z:), for tests that compare what reached the device.
#pragma once
#include <cstdlib>
#include <string>

inline std::string CapturePath() {
  const char* path = std::getenv("ZAV_CAPTURE_FILE");
  return path && *path ? std::string("Z:") + path : std::string(ZAV_BUILD_PATH) + "/wine/captured.raw";
}
