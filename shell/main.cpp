// zav's entry point.
#include <windows.h>

#include <string>

#include "platform/win32/wide.h"

#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "shell/about.h"
#include "shell/command_line.h"
#include "shell/shell_state.h"
#include "shell/startup.h"
#include "shell/window_scale.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The wide command line: names in any script, not what the ANSI code page makes of them.
  const std::string arguments = Utf8FromWide(GetCommandLineW());
  const char* commandLine = SkipProgramName(arguments.c_str());
  gShell.instance = instance;
  UsePortableSettings();  // a "zav.ini" beside the program: every settings file is kept there
  BecomeDpiAware();
  LoadStartupSettings();
  ApplyProcessorAndOutputSettings();
  RegisterPreferencePages();
  if (gSettings.showSplash) ShowSplash();
  const int32_t handedOver = HandOverToRunningCopy(commandLine);
  if (handedOver == 1) return 0;
  if (handedOver < 0) return 1;
  FillPlaylist(commandLine);
  gShell.accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_PLAYER));
  if (!CreatePlayerWindow()) return 0;
  return RunMessageLoop();
}
