// The "Plugins" page of the preferences sheet (dialog 160): the libraries and modules the last scan
// found, Test and Configure for the chosen module, and the plug-in folder with Browse.
#pragma once
#include <windows.h>

INT_PTR CALLBACK PluginsPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
