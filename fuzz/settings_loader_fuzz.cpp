// Arbitrary bytes as "zav.ini": the settings loader must always end with a usable record and plug-in
// paths of well-formed UTF-8 that fit a path, and a record and paths it saves must load back unchanged.
// Also reads other keys through the profile functions with small buffers.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/notify.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "settings/plugin_paths.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

namespace {
std::string gIniPath;
int32_t gBoxes = 0;
int32_t gAbouts = 0;

std::string gFolder;

// Leaves nothing behind in the temporary folder.
void Cleanup() {
  std::remove(gIniPath.c_str());
  rmdir(gFolder.c_str());
}

int32_t CountBox(WindowHandle, const char*, const char*, uint32_t) {
  ++gBoxes;
  return kAnswerOk;
}
void CountAbout() { ++gAbouts; }

void Start() {
  // Memory-backed when the system has it: every input is written and read back a few times.
  char folder[64];
  std::snprintf(folder, sizeof folder, "%s/zav-settings-fuzz-XXXXXX", access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
  if (!mkdtemp(folder)) std::abort();
  setenv("ZAV_WINDOWS_DIR", folder, 1);
  gIniPath = std::string(folder) + "/" + kSettingsFile;
  gFolder = folder;
  std::atexit(&Cleanup);
  SetMessageBoxHook(&CountBox);
  gShowAboutBox = &CountAbout;
}

void CheckPath(const PluginPath& path) {
  const size_t length = strnlen(path.text, sizeof path.text);
  if (length >= sizeof path.text || !IsUtf8(reinterpret_cast<const uint8_t*>(path.text), length) ||
      Utf16Length(path.text) > kMaxPathUnits)
    std::abort();
}

void WriteIni(const uint8_t* data, size_t size) {
  FILE* f = std::fopen(gIniPath.c_str(), "wb");
  if (!f) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (gIniPath.empty()) Start();
  WriteIni(data, size);

  gBoxes = 0;
  gAbouts = 0;
  std::memset(&gSettings, 0xA5, sizeof gSettings);
  if (LoadSettings() != 1) std::abort();
  // Either the stored record was taken (no box, no About box) or the defaults were (About box once).
  if (gAbouts > 1 || gBoxes > 1 || (gBoxes == 1 && gAbouts != 1)) std::abort();
  if (gAbouts == 1 && (gSettings.reserved0 != 6 || gSettings.bufferBlocks != 50)) std::abort();

  char small[7];
  char large[300];
  ProfileGetString("zav", "CurrentVersion", "", small, sizeof small, kSettingsFile);
  ProfileGetString("zav", "nod", "default", large, sizeof large, kSettingsFile);
  if (std::strlen(small) >= sizeof small || std::strlen(large) >= sizeof large) std::abort();
  ProfileGetInt("zav", "nod", 0, kSettingsFile);

  const PluginPath folder = PluginFolder(), file = PluginFile();
  CheckPath(folder);
  CheckPath(file);

  // Saving over whatever the file held keeps its other lines and reads back exactly.
  const Settings loaded = gSettings;
  if (SaveSettings() != 1) std::abort();
  std::memset(&gSettings, 0x5A, sizeof gSettings);
  gAbouts = 0;
  gBoxes = 0;
  LoadSettings();
  if (gAbouts != 0 || gBoxes != 0 || std::memcmp(&gSettings, &loaded, sizeof loaded) != 0) std::abort();
  if (std::strcmp(PluginFolder().text, folder.text) != 0 || std::strcmp(PluginFile().text, file.text) != 0)
    std::abort();
  return 0;
}
