// The notification-area icon that stands in for the window when it is minimized to the tray.
#pragma once
#include <windows.h>
#include <shellapi.h>

constexpr UINT kTrayCallbackMessage = 0x8300;

LRESULT OnSize(HWND window, WPARAM kind);
LRESULT OnTrayNotify(HWND window, LPARAM mouseMessage);
// Deletes the icon if it is present.
void RemoveTrayIcon(HWND window);
// The shell has started again ("TaskbarCreated"): a tray icon the window had is added anew.
LRESULT OnTaskbarCreated(HWND window);

// Shell_NotifyIconA; tests put a recorder here.
extern BOOL(WINAPI* gShellNotifyIcon)(DWORD, PNOTIFYICONDATAA);
