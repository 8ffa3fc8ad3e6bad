// The "Plugins" page of the preferences sheet (dialog 160): the libraries and modules the last scan
// found, Test and Configure for the chosen module, and the plug-in folder with Browse.
#pragma once
#include <windows.h>
#include <shlobj.h>

// The folder chooser Browse opens: SHBrowseForFolderA; tests put a stand-in here.
extern PIDLIST_ABSOLUTE(WINAPI* gBrowseForFolder)(LPBROWSEINFOA);

INT_PTR CALLBACK PluginsPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
