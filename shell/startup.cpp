// Start-up: settings, priority, single instance, the playlist from the command line, the window and
// the message loop.
#include "shell/startup.h"

#include <cstring>
#include <string>

#include "platform/notify.h"
#include "playlist/playlist.h"
#include "plugins/plugins_page.h"
#include "resources/resource_ids.h"
#include "settings/preferences_sheet.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "shell/about.h"
#include "shell/commands.h"
#include "shell/open_arguments.h"
#include "shell/player_window.h"
#include "shell/shell_state.h"
#include "shell/skin_geometry.h"
#include "shell/visualisation.h"

namespace {

constexpr int32_t kDefaultWindowLeft = 100;
constexpr int32_t kDefaultWindowTop = 100;

}  // namespace

void LoadStartupSettings() {
  gShowAboutBox = ShowAboutBoxWithoutOwner;
  LoadSettings();
  ClampSettings(&gSettings);
  KeepWindowOnAMonitor();
}

bool KeepWindowOnAMonitor() {
  // The title strip is what the user drags the window by: its middle must be on a screen.
  const SkinRect& title = kAreaRects[kAreaTitle];
  const POINT grip = {gSettings.windowLeft + (title.left + kSkinWidth) / 2,
                      gSettings.windowTop + (title.top + title.bottom) / 2};
  if (MonitorFromPoint(grip, MONITOR_DEFAULTTONULL)) return false;
  gSettings.windowLeft = kDefaultWindowLeft;
  gSettings.windowTop = kDefaultWindowTop;
  return true;
}

void ApplyProcessorAndOutputSettings() {
  SetPriorityClass(GetCurrentProcess(), gSettings.processor == 0 ? HIGH_PRIORITY_CLASS : NORMAL_PRIORITY_CLASS);
  gShell.playback.channelMode = gSettings.channelMode;
  gShell.playback.quality = gSettings.quality;
}

void RegisterPreferencePages() {
  SetPreferencePageProcedure(IDD_PLUGINS_PAGE, PluginsPageProcedure);
  SetPreferencePageProcedure(IDD_VISUALISATION_PAGE, VisualisationPageProc);
}

int32_t HandOverToRunningCopy(const char* commandLine) {
  if (gSettings.multipleInstances) return 0;
  HWND other = FindWindowA(kPlayerClassName, nullptr);
  if (!other) return 0;
  // A window hidden in the tray or minimized comes back: SetForegroundWindow alone would not show it.
  if (!IsWindowVisible(other) || IsIconic(other)) ShowWindowAsync(other, SW_RESTORE);
  SetForegroundWindow(other);
  SkippedPaths skipped;
  const std::string text =
      AbsoluteOpenArguments(commandLine, commandLine ? std::strlen(commandLine) : 0, &skipped);
  ReportSkippedPaths(nullptr, skipped);
  if (text.empty()) return 1;
  COPYDATASTRUCT data;
  data.dwData = kHandOverTag;
  data.cbData = static_cast<DWORD>(text.size());  // no terminator is sent
  data.lpData = const_cast<char*>(text.data());
  // The first copy answers at once (it adds the files afterwards): the time-out only tells whether it
  // is alive.
  DWORD_PTR answer = 0;
  const LRESULT sent = SendMessageTimeoutA(other, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                           SMTO_ABORTIFHUNG, kHandOverWaitMs, &answer);
  if (sent && answer == 1) return 1;
  // Gone in between: this copy plays the files itself.
  if (!IsWindow(other) && !FindWindowA(kPlayerClassName, nullptr)) return 0;
  ShowMessageBox(nullptr,
                 "zav is already running but does not answer, so the files could not be handed to it.\n\n"
                 "Close it and try again, or turn on \"Multiple Instances\" in its preferences.",
                 "Error...", kBoxOk);
  return -1;
}

void FillPlaylist(const char* commandLine) {
  ClearPlaylist();
  if (commandLine && *commandLine) {
    SkippedPaths skipped;
    AddOpenArguments(commandLine, std::strlen(commandLine), &skipped);
    RefreshPlaylistEditor();
    ReportSkippedPaths(nullptr, skipped);
  }
}

HWND CreatePlayerWindow() {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_DBLCLKS | CS_SAVEBITS;
  windowClass.lpfnWndProc = PlayerWindowProc;
  windowClass.hInstance = gShell.instance;
  windowClass.hIcon = LoadIconA(gShell.instance, MAKEINTRESOURCEA(IDI_ZAV));
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.lpszClassName = kPlayerClassName;
  if (!RegisterClassA(&windowClass)) return nullptr;
  gShell.window = CreateWindowExA(WS_EX_ACCEPTFILES, kPlayerClassName, kPlayerTitle,
                                  WS_POPUP | WS_VISIBLE | WS_SYSMENU | WS_MINIMIZEBOX, gSettings.windowLeft,
                                  gSettings.windowTop, kSkinWidth, kSkinHeight, nullptr, nullptr, gShell.instance,
                                  nullptr);
  return gShell.window;
}

int RunMessageLoop() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    // Keys act on the player window whichever of the program's windows has the focus.
    if (gShell.window && TranslateAcceleratorA(gShell.window, gShell.accelerators, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
