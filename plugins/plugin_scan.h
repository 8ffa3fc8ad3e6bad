// Finding the visualisation plug-in DLLs of the plug-in folder and listing their modules. Only a DLL
// whose file names the plug-in entry point in its export table is ever loaded, so no other DLL's
// start-up code runs. Runs on the player window's thread.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/text.h"
#include "plugins/plugin_interface.h"

// The settings record's plug-in folder field, in the ANSI code page.
constexpr size_t kPluginPathSize = 260;
constexpr size_t kPluginTextSize = 512;
constexpr int32_t kMaxPluginModules = 256;  // a getter that never returns null is asked no further

// Descriptions are the plug-in's own text, in the ANSI code page as its published interface has it.
struct PluginModule {
  char description[kPluginTextSize];
  int32_t index;  // what getModule was given for it
};

struct PluginLibrary {
  char path[kPathBytes];  // plug-in folder + file name, UTF-8
  char description[kPluginTextSize];
  int32_t moduleCount;
  std::vector<PluginModule> modules;  // in index order
};

// Lists the plug-ins of `folder`, text in the ANSI code page as the settings record holds it: a "\" is
// appended in place when missing and fits. When `folder` is the record's own field, the folder listed
// is the settings' UTF-8 plug-in folder (settings/plugin_paths.h), and it gets the "\" as well.
// Returns the number of DLLs loaded, which is also kept for PluginLibraryCount.
int32_t ScanPlugins(char (&folder)[kPluginPathSize]);
// The count of the last scan; 0 before the first.
int32_t PluginLibraryCount();
// The libraries the last scan listed, in the order the folder listing gave them.
const std::vector<PluginLibrary>& PluginLibraries();

// Loads the DLL at the UTF-8 `path` when its file names the plug-in entry point; null otherwise or on
// failure.
HMODULE LoadPluginLibrary(const char* path);
// The header the loaded library's entry point returns, or null.
VisHeader* PluginHeader(HMODULE library);
// Copies a text of a plug-in, cut to `capacity` - 1 characters; a null text reads as "".
void CopyPluginText(char* destination, size_t capacity, const char* text);
