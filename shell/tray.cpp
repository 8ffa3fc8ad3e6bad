// The tray icon: added when the window is minimized with "Minimize To Systray", removed on restore.
#include "shell/tray.h"

#include <shellapi.h>

#include <cstring>

#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "shell/shell_state.h"
#include "shell/skin.h"

BOOL(WINAPI* gShellNotifyIcon)(DWORD, PNOTIFYICONDATAA) = Shell_NotifyIconA;

namespace {

constexpr int32_t kMinimizeToTray = 2;

// The first version of the record, which every shell takes; the full structure is larger, and larger
// again in 64-bit builds.
NOTIFYICONDATAA TrayRecord(HWND window) {
  NOTIFYICONDATAA data;
  std::memset(&data, 0, sizeof data);
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = window;
  data.uID = 0;
  return data;
}

void AddTrayIcon(HWND window) {
  NOTIFYICONDATAA data = TrayRecord(window);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayCallbackMessage;
  data.hIcon = static_cast<HICON>(LoadImageA(gShell.instance, MAKEINTRESOURCEA(IDI_ZAV), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  std::strcpy(data.szTip, "zav");
  if (gShellNotifyIcon(NIM_ADD, &data)) gShell.trayIconPresent = 1;
  // The shell keeps its own copy of the icon.
  if (data.hIcon) DestroyIcon(data.hIcon);
}

}  // namespace

void RemoveTrayIcon(HWND window) {
  if (!gShell.trayIconPresent) return;
  NOTIFYICONDATAA data = TrayRecord(window);
  gShellNotifyIcon(NIM_DELETE, &data);
  gShell.trayIconPresent = 0;
}

LRESULT OnSize(HWND window, WPARAM kind) {
  if (kind == SIZE_MINIMIZED && gSettings.minimizeMode == kMinimizeToTray) {
    if (!gShell.trayIconPresent) AddTrayIcon(window);
    if (gShell.trayIconPresent) ShowWindow(window, SW_HIDE);
  } else if (kind == SIZE_RESTORED) {
    RemoveTrayIcon(window);
  }
  return 1;
}

LRESULT OnTaskbarCreated(HWND window) {
  if (!gShell.trayIconPresent) return 0;
  // The new shell knows nothing of the icon: it is added again. Should that fail, a window hidden in the
  // tray could never be reached again, so it comes back on the screen.
  gShell.trayIconPresent = 0;
  AddTrayIcon(window);
  if (!gShell.trayIconPresent && !IsWindowVisible(window)) ShowWindow(window, SW_RESTORE);
  return 0;
}

LRESULT OnTrayNotify(HWND window, LPARAM mouseMessage) {
  switch (mouseMessage) {
    case WM_LBUTTONDBLCLK:
      ShowWindow(window, SW_RESTORE);
      SetForegroundWindow(window);
      return 0;
    case WM_RBUTTONDOWN: {
      POINT cursor;
      GetCursorPos(&cursor);
      SetActiveWindow(window);
      TrackPopupMenuEx(GetSubMenu(gSkin.popupMenu, 0), 0, cursor.x, cursor.y, window, nullptr);
      return 1;
    }
    default:
      return 1;
  }
}
