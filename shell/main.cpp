// zav's entry point.
#include <windows.h>

#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "shell/about.h"
#include "shell/shell_state.h"
#include "shell/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  gShell.instance = instance;
  LoadStartupSettings();
  ApplyProcessorAndOutputSettings();
  RegisterPreferencePages();
  if (gSettings.showSplash) ShowSplash();
  if (HandOverToRunningCopy(commandLine)) return 0;
  FillPlaylist(commandLine);
  gShell.accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_PLAYER));
  if (!CreatePlayerWindow()) return 0;
  return RunMessageLoop();
}
