// The system's folder browser, for the playlist editor's "Add Dir" and the Plugins page's Browse.
// Windows only: the browser is a shell dialog, and only Windows code asks for it.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <cstddef>
#include <cstdint>

// Shows the folder browser owned by `owner` with the UTF-8 `title` above its tree, on this thread.
// Returns 1 with the chosen folder's UTF-8 path in `path` (at most `capacity` bytes with its NUL); 0
// when it was cancelled or the choice is no file-system folder or does not fit; -1 when the shell's
// allocator is not available, and then nothing is shown (the caller reports it).
int32_t ChooseFolder(HWND owner, const char* title, char* path, size_t capacity);

// The browser ChooseFolder opens: SHBrowseForFolderW; tests put a stand-in here.
extern PIDLIST_ABSOLUTE(WINAPI* gBrowseForFolder)(LPBROWSEINFOW);
