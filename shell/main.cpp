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
  const int32_t handedOver = HandOverToRunningCopy(commandLine);
  if (handedOver == 1) return 0;
  if (handedOver < 0) return 1;
  FillPlaylist(commandLine);
  gShell.accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_PLAYER));
  if (!CreatePlayerWindow()) return 0;
  return RunMessageLoop();
}
