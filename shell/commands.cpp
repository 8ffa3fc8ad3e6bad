// Commands, menu states, context menus and the mouse gestures on the skin that are not about playback.
#include "shell/commands.h"

#include <windowsx.h>

#include <string>
#include <utility>

#include "engine/messages.h"
#include "eq/equalizer_dialog.h"
#include "platform/notify.h"
#include "platform/text.h"
#include "platform/win32/wide.h"
#include "playlist/open_files_dialog.h"
#include "playlist/playlist.h"
#include "playlist/playlist_editor.h"
#include "playlist/playlist_files.h"
#include "plugins/plugin_host.h"
#include "plugins/plugin_scan.h"
#include "resources/resource_ids.h"
#include "settings/general_options.h"
#include "settings/preferences_sheet.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "shell/about.h"
#include "shell/deferred_work.h"
#include "shell/displays.h"
#include "shell/help_page.h"
#include "shell/jump_to_file.h"
#include "shell/open_arguments.h"
#include "shell/open_url.h"
#include "shell/playback_control.h"
#include "shell/shell_state.h"
#include "shell/skin.h"
#include "shell/startup.h"
#include "shell/window_scale.h"

namespace {

enum PopupIndex : int32_t { kMainPopup = 0, kSongNamePopup = 1, kTimePopup = 2 };

void Toggle(int32_t& setting) { setting = setting ? 0 : 1; }

void OpenFiles(HWND window) {
  const int32_t added = OpenFilesDialog(window, 1);
  if (!gSettings.autoPlay || added < 1) return;
  // Paused output holds the Decode thread in its write: RestartFromFirst lets it go first.
  RestartFromFirst(window, 30);
}

// Opens the playlist editor, or closes it when it is open; its button shows which.
void TogglePlaylistEditor(HWND window) {
  if (gShell.playlistEditor) {
    HWND editor = gShell.playlistEditor;
    gShell.playlistEditor = nullptr;
    SetPlaylistWindows(window, nullptr);
    DestroyWindow(editor);
  } else {
    if (!gShell.sortMenu) gShell.sortMenu = LoadMenuA(gShell.instance, MAKEINTRESOURCEA(IDM_SORT));
    gShell.playlistEditor = CreatePlaylistEditor(gShell.instance, window, {gShell.sortMenu, &RestartCurrentEntry});
    if (gShell.playlistEditor) {
      SetPlaylistWindows(window, gShell.playlistEditor);
      SendMessageA(gShell.playlistEditor, WM_PLAYLIST_REFRESH, 0, 0);
    } else {
      ShowMessageBox(window, "Error Opening Window...", "Error...", kBoxOk);
    }
  }
  RepaintButton(window, IDM_PLAYLIST_EDITOR);
}

void ToggleAlwaysOnTop(HWND window) {
  Toggle(gSettings.alwaysOnTop);
  ApplyAlwaysOnTop(window);
  RepaintArea(window, kAreaPin);
}

// Opens the equalizer, or closes it when it is open; its button is lit while it is open.
void ToggleEqualizer(HWND window) {
  if (gShell.equalizer) {
    HWND open = gShell.equalizer;
    gShell.equalizer = nullptr;
    DestroyWindow(open);
  } else {
    // A Unicode window, so that the preset list shows names in any script.
    gShell.equalizer =
        CreateDialogParamW(gShell.instance, MAKEINTRESOURCEW(IDD_EQUALIZER), window, EqualizerDialog, 0);
    if (!gShell.equalizer) ShowMessageBox(window, "Error Opening Window...", "Error...", kBoxOk);
  }
  RepaintButton(window, IDM_EQUALIZER);
}

// Runs the chosen plug-in module in place of the internal visualisation, which comes back when it ends.
void ExecutePlugin(HWND window) {
  if (IsPluginRunning()) StopPlugin();
  StartPlugin(gSettings.pluginModule, window, 2, 44100);
  gShell.rememberedVisActive = gSettings.visActive;
  gSettings.visActive = 0;
  RepaintArea(window, kAreaDisplay);
}

// Also ends a module still in its Init, which does not count as running yet.
void TerminatePlugin(HWND window) {
  StopPlugin();
  gSettings.visActive = gShell.rememberedVisActive;
  RepaintArea(window, kAreaDisplay);
}

// The sheet edits the settings in place. Once it has closed, by OK or Cancel, what is not read afresh
// where it is used is applied and the settings file is written. A sheet that could not be shown edited
// nothing: that is reported, and nothing is applied or saved.
// A second request while the sheet is open (the tray menu still reaches the disabled window) brings
// the open sheet forward instead of stacking another one on it.
// `startPage` is the dialog of the page shown first (0: the first page).
void EditPreferences(HWND window, int32_t startPage = 0) {
  static bool sheetOpen = false;
  if (sheetOpen) {
    SetForegroundWindow(GetLastActivePopup(window));
    return;
  }
  sheetOpen = true;
  const int32_t shown = ShowPreferencesAt(window, startPage);
  sheetOpen = false;
  if (!shown) {
    ShowMessageBox(window, "Error In Preferences ", "Error", kBoxOk);
    return;
  }
  ApplyProcessorAndOutputSettings();
  ApplySongScrollSettings();
  ApplyAlwaysOnTop(window);
  ApplyScreenLock(window);  // a window partly off the screen comes back when the lock is turned on
  SaveSettings();
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void ShowTime(HWND window, int32_t mode) {
  gSettings.visActive = 0;
  gSettings.timeDisplay = mode;
  RedrawTime(gShell.elapsedSeconds, gShell.totalSeconds);
  RepaintArea(window, kAreaDisplay);
}

void ShowPopup(HWND window, int32_t index, UINT flags, int32_t x, int32_t y, bool extended) {
  HMENU popup = GetSubMenu(gSkin.popupMenu, index);
  if (!popup) return;
  if (extended) {
    TrackPopupMenuEx(popup, flags, x, y, window, nullptr);
  } else {
    TrackPopupMenu(popup, flags, x, y, 0, window, nullptr);
  }
}

void SetItemEnabled(UINT id, bool enabled) {
  EnableMenuItem(gSkin.popupMenu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void SetItemChecked(UINT id, bool checked) {
  CheckMenuItem(gSkin.popupMenu, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

}  // namespace

LRESULT OnCommand(HWND window, int32_t id) {
  switch (id) {
    case IDM_CLOSE: DestroyWindow(window); break;
    case IDM_OPEN_FILE: OpenFiles(window); break;
    case IDM_OPEN_URL: OpenUrl(window); break;
    case IDM_TAG_EDITOR: EditPlayingTags(window); break;
    case IDM_JUMP_TO_FILE: JumpToFile(window); break;
    case IDM_ABOUT: ShowAboutBox(window); break;
    case IDM_EQUALIZER: ToggleEqualizer(window); break;
    case IDM_PLAY: Play(window); break;
    case IDM_PAUSE: Pause(window); break;
    case IDM_STOP: Stop(window); break;
    case IDM_NEXT: NextTrack(window); break;
    case IDM_PREVIOUS: PreviousTrack(window); break;
    case IDM_ALWAYS_ON_TOP: ToggleAlwaysOnTop(window); break;
    case IDM_DOUBLE_SIZE: ToggleDoubleSize(window); break;
    case IDM_PLAYLIST_EDITOR: TogglePlaylistEditor(window); break;
    case IDM_PREFERENCES: EditPreferences(window); break;
    case IDM_HOMEPAGE: ShellExecuteA(window, "open", kHomePage, "", "", SW_SHOW); break;
    case IDM_REPEAT:
      Toggle(gSettings.repeat);
      RepaintButton(window, IDM_REPEAT);
      break;
    case IDM_SHUFFLE:
      Toggle(gSettings.shuffle);
      RepaintButton(window, IDM_SHUFFLE);
      break;
    case IDM_AUTOSCROLL:
      Toggle(gSettings.autoScroll);
      if (!gSettings.autoScroll) {
        ResetSongNameOffset();
        RepaintArea(window, kAreaSongName);
      }
      break;
    case IDM_CONTEXT_MENU_KEY: {
      RECT r;
      GetWindowRect(window, &r);
      ShowPopup(window, kMainPopup, TPM_RIGHTBUTTON, r.left + 20, r.top + 20, true);
      break;
    }
    case IDM_TIME_ELAPSED: ShowTime(window, 0); break;
    case IDM_TIME_REMAINING: ShowTime(window, 1); break;
    case IDM_VIS_ACTIVATE:
      gSettings.visActive = 1;
      gShell.rememberedVisActive = 1;
      StopPlugin();
      RepaintArea(window, kAreaDisplay);
      break;
    case IDM_PLUGIN_EXECUTE: ExecutePlugin(window); break;
    case IDM_PLUGIN_TERMINATE: TerminatePlugin(window); break;
    case IDM_HELP_CONTENTS: OpenHelpPage(window); break;
    // The running module's own settings; the item is greyed while none runs.
    case IDM_PLUGIN_OPTIONS:
      if (IsPluginRunning()) ConfigurePlugin(gSettings.pluginModule, window);
      break;
    case IDM_VIS_OPTIONS: EditPreferences(window, IDD_VISUALISATION_PAGE); break;
    default:
      break;
  }
  return 1;
}

LRESULT OnInitMenuPopup() {
  SetItemEnabled(IDM_VIS_OPTIONS, gSettings.visActive != 0);
  SetItemEnabled(IDM_TAG_EDITOR, PlaylistCount() > 0 && !CurrentIsStream());
  SetItemChecked(IDM_AUTOSCROLL, gSettings.autoScroll != 0);
  SetItemChecked(IDM_REPEAT, gSettings.repeat != 0);
  SetItemChecked(IDM_SHUFFLE, gSettings.shuffle != 0);
  SetItemChecked(IDM_ALWAYS_ON_TOP, gSettings.alwaysOnTop != 0);
  SetItemChecked(IDM_DOUBLE_SIZE, gWindowScale.current != gWindowScale.start);
  SetItemChecked(IDM_EQUALIZER, gShell.equalizer != nullptr);
  SetItemChecked(IDM_PLAYLIST_EDITOR, gShell.playlistEditor != nullptr);
  SetItemEnabled(IDM_NEXT, !IsAtLast());
  SetItemEnabled(IDM_PREVIOUS, !IsAtFirst());
  const bool haveLibraries = PluginLibraryCount() >= 1;
  const bool running = IsPluginRunning() != 0;
  SetItemEnabled(IDM_PLUGIN_EXECUTE, haveLibraries && !running);
  SetItemEnabled(IDM_PLUGIN_TERMINATE, haveLibraries && running);
  SetItemEnabled(IDM_PLUGIN_OPTIONS, running);
  return 1;
}

LRESULT OnContextMenu(HWND window, LPARAM screenPoint) {
  POINT p = {GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
  if (p.x == -1 && p.y == -1) {
    // From the keyboard: no pointer position, so the menu opens near the window's corner.
    RECT r;
    GetWindowRect(window, &r);
    p = {r.left + 20, r.top + 20};
  }
  POINT onWindow = p;
  ScreenToClient(window, &onWindow);
  const SkinPoint client = SkinPointOf(onWindow.x, onWindow.y);
  if (RectContains(kAreaRects[kAreaVolume], client.x, client.y)) {
    SetVolume(window, 32);
    return 1;
  }
  int32_t index = kMainPopup;
  if (RectContains(kAreaRects[kAreaDisplay], client.x, client.y)) {
    index = kTimePopup;
  } else if (RectContains(kAreaRects[kAreaSongName], client.x, client.y)) {
    index = kSongNamePopup;
  }
  ShowPopup(window, index, TPM_RIGHTBUTTON, p.x, p.y, false);
  return 1;
}

LRESULT OnNcHitTest(HWND window, LPARAM screenPoint) {
  POINT p = {GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
  ScreenToClient(window, &p);
  const SkinPoint at = SkinPointOf(p.x, p.y);
  if (RectContains(kAreaRects[kAreaTitle], at.x, at.y)) return HTCAPTION;
  return DefWindowProcA(window, WM_NCHITTEST, 0, screenPoint);
}

// With "Lock zav window to screen" on, a rectangle the window is moved to is pushed back inside the work
// area of the monitor it is nearest to (so it may still go to another monitor, whole).
void KeepOnScreen(RECT* r) {
  if (!gGeneralOptions.lockToScreen) return;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoA(MonitorFromRect(r, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT& w = monitor.rcWork;
  const int32_t width = r->right - r->left, height = r->bottom - r->top;
  const SkinPoint at = KeptInside({r->left, r->top}, width, height, {w.left, w.top, w.right, w.bottom});
  *r = RECT{at.x, at.y, at.x + width, at.y + height};
}

LRESULT OnMoving(HWND window, RECT* proposed) {
  if (!proposed) return 1;
  KeepOnScreen(proposed);  // the system's move loop takes the changed rectangle too
  SetWindowPos(window, nullptr, proposed->left, proposed->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  return 1;
}

void ApplyScreenLock(HWND window) {
  RECT r;
  if (!GetWindowRect(window, &r)) return;
  const RECT was = r;
  KeepOnScreen(&r);
  if (r.left != was.left || r.top != was.top)
    SetWindowPos(window, nullptr, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT OnMove(HWND window) {
  StoreWindowPosition(window);
  return 0;
}

LRESULT OnLeftButtonUp(HWND window, LPARAM point) {
  const SkinPoint at = SkinPointOf(LOWORD(point), HIWORD(point));
  const int32_t x = at.x;
  const int32_t y = at.y;
  if (RectContains(kAreaRects[kAreaPin], x, y)) OnCommand(window, IDM_ALWAYS_ON_TOP);
  if (y >= 5 && y <= 22) {
    if (x < 5) return 1;
    if (x <= 22) {  // the close symbol
      DestroyWindow(window);
      return 1;
    }
  }
  if (x >= 5 && x <= 19 && y >= 34 && y <= 48) ShowWindow(window, SW_MINIMIZE);  // the minimize symbol
  return 1;
}

LRESULT OnLeftButtonDoubleClick(HWND window, LPARAM point) {
  const SkinPoint at = SkinPointOf(LOWORD(point), HIWORD(point));
  if (RectContains(kAreaRects[kAreaDisplay], at.x, at.y)) {
    if (!IsPluginRunning()) Toggle(gSettings.visActive);
    RepaintArea(window, kAreaDisplay);
  }
  return 1;
}

LRESULT OnDropFiles(HWND window, HDROP drop) {
  // The paths as one argument string, each quoted whole (a file name cannot hold a quote); a path too
  // long for a playlist entry stays whole too, so the add names it instead of cutting it.
  std::string text;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    if (length == 0 || DragQueryFileW(drop, i, &path[0], length + 1) != length) continue;
    if (!text.empty()) text += ' ';
    text += '"' + Utf8FromWide(path.c_str(), int32_t(length)) + '"';
  }
  DragFinish(drop);
  // A drop onto the window while an "Adding Directory..." box is up waits until that add is done.
  if (AddRunning()) {
    QueueOpenRequest(window, std::move(text));
  } else {
    OpenArgumentString(window, text);
  }
  return 1;
}

// Answered at once, so that the second copy can tell a live first copy from a dead one: the text is
// kept and its files are added from a timer (adding may show boxes, which must not hold the sender).
// The text comes in the ANSI code page, as every copy sends it whose paths that code page holds, or in
// UTF-16 under the wide tag.
LRESULT OnCopyData(HWND window, const COPYDATASTRUCT* data) {
  const bool wide = data && data->dwData == kWideHandOverTag;
  if (!data || (data->dwData != kHandOverTag && !wide)) {
    QueueRefusedHandOver(window);
    return 0;
  }
  // The text is bounded by cbData alone: it carries no terminator.
  const void* text = data->lpData;
  std::string utf8;
  if (text && wide) {
    utf8 = Utf8FromWide(static_cast<const wchar_t*>(text), int32_t(data->cbData / sizeof(wchar_t)));
  } else if (text && data->cbData > 0) {
    utf8.resize(3 * size_t(data->cbData) + 1);
    utf8.resize(size_t(Utf8FromAnsi(static_cast<const char*>(text), int32_t(data->cbData), &utf8[0],
                                    int32_t(utf8.size()))));
  }
  QueueOpenRequest(window, std::move(utf8));
  return 1;
}

LRESULT OnPluginMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kPluginSetValue:
      gShell.pluginValue = lParam;
      return 1;
    case WM_PLUGIN_ENDED:
      if (!IsCurrentPluginEnd(wParam)) return 1;  // a replaced module's: the new one runs on
      gSettings.visActive = gShell.rememberedVisActive;
      gShell.pluginValue = 0;
      RepaintArea(window, kAreaDisplay);
      return 1;
    case kPluginElapsed: return gShell.elapsedSeconds;
    case kPluginPlayState: return gShell.playState;
    case kPluginAlive: return 1;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}
