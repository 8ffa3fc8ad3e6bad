// The command side of the player window: WM_COMMAND from menus, keys and buttons, menu states, context
// menus, dragging, the close, minimize and pin areas, dropped files, the hand-over from a second copy,
// and the messages by which plug-ins query the window.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <cstdint>

// The tag a second copy puts on its WM_COPYDATA hand-over.
constexpr ULONG_PTR kHandOverTag = 54321;
// The hand-over of paths the ANSI code page cannot hold: the same text in UTF-16 (cbData counts bytes).
constexpr ULONG_PTR kWideHandOverTag = 54322;

// Messages plug-ins send the window.
constexpr UINT kPluginSetValue = 0x8400;   // keep lParam
constexpr UINT kPluginElapsed = 0x8402;    // answer the elapsed seconds
constexpr UINT kPluginPlayState = 0x8406;  // answer the play state
constexpr UINT kPluginAlive = 0x8408;      // answer 1
constexpr UINT kFirstPluginMessage = 0x8400;
constexpr UINT kLastPluginMessage = 0x8408;

// The home page the Help menu opens.
constexpr const char* kHomePage = "https://zav.example.org/";

LRESULT OnCommand(HWND window, int32_t id);
LRESULT OnInitMenuPopup();
LRESULT OnContextMenu(HWND window, LPARAM screenPoint);
LRESULT OnNcHitTest(HWND window, LPARAM screenPoint);
LRESULT OnMoving(HWND window, RECT* proposed);
// Brings the window back inside its monitor's work area when "Lock zav window to screen" is on.
void ApplyScreenLock(HWND window);
LRESULT OnMove(HWND window);
LRESULT OnLeftButtonUp(HWND window, LPARAM point);
LRESULT OnLeftButtonDoubleClick(HWND window, LPARAM point);
LRESULT OnDropFiles(HWND window, HDROP drop);
LRESULT OnCopyData(HWND window, const COPYDATASTRUCT* data);
LRESULT OnPluginMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
