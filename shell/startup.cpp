// Start-up: settings, priority, single instance, the playlist from the command line, the window and
// the message loop.
#include "shell/startup.h"

#include <cstring>
#include <string>

#include "platform/notify.h"
#include "platform/text.h"
#include "platform/win32/wide.h"
#include "playlist/playlist.h"
#include "plugins/plugins_page.h"
#include "resources/resource_ids.h"
#include "settings/playback_options.h"
#include "settings/preferences_sheet.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "shell/about.h"
#include "shell/commands.h"
#include "shell/hotkeys_page.h"
#include "shell/open_arguments.h"
#include "shell/player_window.h"
#include "shell/resume.h"
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
  gShell.playback.speedPercent = gPlaybackOptions.speedPercent;
}

void RegisterPreferencePages() {
  SetPreferencePageProcedure(IDD_PLUGINS_PAGE, PluginsPageProcedure);
  SetPreferencePageProcedure(IDD_VISUALISATION_PAGE, VisualisationPageProc);
  SetPreferencePageProcedure(IDD_HOTKEYS_PAGE, HotkeysPageProc);
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
  // The text goes in the ANSI code page when that holds every path, so that an older first copy takes
  // it too; in UTF-16 under the wide tag otherwise. No terminator is sent.
  std::string ansi(text.size() + 1, '\0');
  const int32_t ansiLength = AnsiFromUtf8(text.c_str(), &ansi[0], int32_t(ansi.size()));
  const std::wstring wide = ansiLength < 0 ? WideFromUtf8(text) : std::wstring();
  COPYDATASTRUCT data;
  data.dwData = ansiLength < 0 ? kWideHandOverTag : kHandOverTag;
  data.cbData = ansiLength < 0 ? DWORD(wide.size() * sizeof(wchar_t)) : DWORD(ansiLength);
  data.lpData = ansiLength < 0 ? static_cast<void*>(const_cast<wchar_t*>(wide.data())) : &ansi[0];
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
  } else {
    RestoreLastList();
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

bool KeyForTextField(const MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
  WCHAR name[16];
  return GetClassNameW(msg.hwnd, name, 16) > 0 && lstrcmpiW(name, L"Edit") == 0;
}

void DispatchPlayerMessage(MSG& msg) {
  // Keys act on the player window whichever of the program's windows has the focus, except keys typed
  // into a text field, which are the field's ("b" there is a letter, not Next Track).
  if (gShell.window && !KeyForTextField(msg) && TranslateAcceleratorW(gShell.window, gShell.accelerators, &msg))
    return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

int RunMessageLoop() {
  // The wide loop: a Unicode window gets the characters typed as they are; an ANSI one gets them
  // converted by the system, as before.
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchPlayerMessage(msg);
  return static_cast<int>(msg.wParam);
}
