// The program's help: one HTML page shipped beside zav.exe, opened in the default browser by "Contents"
// and F1.
#pragma once
#include <windows.h>

#include <cstdint>

constexpr const char* kHelpPageName = "zav-help.html";

// ShellExecuteW; tests put a recorder here.
extern HINSTANCE(WINAPI* gOpenDocument)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);

// Opens the help page of `folder` (with its trailing separator; null: the program's folder) with the
// "open" verb. A missing page, or one no program would open, is reported in a box. 1 when opened, else 0.
int32_t OpenHelpPage(HWND window, const char* folder = nullptr);
