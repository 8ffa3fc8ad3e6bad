// The player window's procedure and its life: creation, log-off and destruction.
#include "shell/player_window.h"

#include "engine/messages.h"
#include "playlist/playlist.h"
#include "plugins/plugin_host.h"
#include "plugins/plugin_scan.h"
#include "resources/resource_ids.h"
#include "settings/eq_plugin_keys.h"
#include "settings/plugin_paths.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "shell/commands.h"
#include "shell/displays.h"
#include "shell/global_hotkeys.h"
#include "shell/playback_control.h"
#include "shell/resume.h"
#include "shell/shell_state.h"
#include "shell/skin.h"
#include "shell/tray.h"

ShellState gShell = [] {
  ShellState s = {};
  s.playState = kStopped;
  s.lastSync = -1;
  return s;
}();

namespace {

LRESULT OnCreate(HWND window) {
  gShell.closing = 0;
  gShell.trackEndPending = 0;
  gShell.taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  SetPlaylistWindows(window, gShell.playlistEditor);
  if (!CreateSkin(window)) return -1;  // CreateWindowExA fails; the destroy handler releases what was made
  ScanPlugins(gSettings.pluginFolder);
  // "Auto-Start Plugin ": the chosen module starts as "Execute Visualisation Plugin..." would start it,
  // once the window is made.
  if (gEqPluginOptions.autoStartPlugin == 1 && PluginLibraryCount() > 0 && PluginFile().text[0])
    PostMessageA(window, WM_COMMAND, IDM_PLUGIN_EXECUTE, 0);
  StartPlayback(window);
  StartHotkeys(window);
  return 0;
}

// Log-off ends the process without WM_DESTROY: keep what closing would have kept.
LRESULT OnEndSession(HWND window, WPARAM ending) {
  if (ending) {
    StoreWindowPosition(window);
    SaveSettings();
    SaveResumeState(true);
  }
  return 0;
}

LRESULT OnDestroy(HWND window) {
  // A handler that runs on after a nested message loop closed the window starts nothing more.
  gShell.closing = 1;
  KillTimer(window, kDeferredWorkTimer);
  // A running module gets its Quit (and may save its own settings); a visualisation it switched off is
  // saved as it was before, as the module's end would have restored it.
  if (IsPluginRunning() && !gSettings.visActive) gSettings.visActive = gShell.rememberedVisActive;
  StopPlugin();
  ReleaseHotkeys(window);
  StopPlayback(window);
  RemoveTrayIcon(window);
  ReleaseDisplays();
  ReleaseSkin(window);
  SetPlaylistWindows(nullptr, nullptr);
  gShell.equalizer = nullptr;       // owned windows, destroyed with the player
  gShell.playlistEditor = nullptr;
  if (gShell.window == window) gShell.window = nullptr;
  PostQuitMessage(0);
  return 0;
}

}  // namespace

LRESULT CALLBACK PlayerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: return OnCreate(window);
    case WM_DESTROY: return OnDestroy(window);
    case WM_ENDSESSION: return OnEndSession(window, wParam);
    case WM_ERASEBKGND: return OnEraseBackground(reinterpret_cast<HDC>(wParam));
    case WM_PAINT: return OnPaint(window);
    case WM_DRAWITEM: return OnDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_CTLCOLORBTN: return OnButtonColour();
    case WM_TIMER: return OnTimer(window, wParam);
    case WM_COMMAND: return OnCommand(window, LOWORD(wParam));
    case WM_INITMENUPOPUP: return OnInitMenuPopup();
    case WM_CONTEXTMENU: return OnContextMenu(window, lParam);
    case WM_NCHITTEST: return OnNcHitTest(window, lParam);
    case WM_MOVING: return OnMoving(window, reinterpret_cast<RECT*>(lParam));
    case WM_MOVE: return OnMove(window);
    case WM_SIZE: return OnSize(window, wParam);
    case WM_LBUTTONDOWN: return OnLeftButtonDown(window, lParam);
    case WM_MOUSEMOVE: return OnMouseMove(window, wParam, lParam);
    case WM_LBUTTONUP: return OnLeftButtonUp(window, lParam);
    case WM_LBUTTONDBLCLK: return OnLeftButtonDoubleClick(window, lParam);
    case WM_DROPFILES: return OnDropFiles(window, reinterpret_cast<HDROP>(wParam));
    case WM_HOTKEY: return OnHotkey(window, wParam);
    case WM_APPCOMMAND: return OnAppCommand(window, wParam, lParam);
    case WM_COPYDATA: return OnCopyData(window, reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case kTrayCallbackMessage: return OnTrayNotify(window, lParam);
    case WM_PLAYER_TRACK_END: return OnTrackEnd(window);
    case WM_PLAYER_INFO: return OnPlayerInfo(wParam, lParam);
    case WM_PLAYER_POSITION: return OnPlayerPosition(wParam, lParam);
    case WM_PLAYER_STARTED: return OnPlayerStarted(window);
    case WM_PLAYER_STOPPED: return OnPlayerStopped(window);
    case WM_PLAYER_SYNC: return OnPlayerSync(lParam);
    case WM_PLAYER_STREAM: return OnPlayerStream(window, wParam, lParam);
    case WM_PLAYLIST_REMOTE_TAG: return OnRemoteTag(window);
    case WM_PLAYLIST_TAGS_SAVED: return OnTagsSaved(window);
    default:
      if (message == gShell.taskbarCreated && message != 0) return OnTaskbarCreated(window);
      if (message >= kFirstPluginMessage && message <= kLastPluginMessage)
        return OnPluginMessage(window, message, wParam, lParam);
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
