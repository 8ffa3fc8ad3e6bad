// The multi-select "open" dialog that adds files and playlists to the playlist (Windows only).
#pragma once
#include <windows.h>

#include <cstdint>

// Lets the user pick files; with `replace` set the playlist is cleared first. Each pick is added with
// AddByType, then the editor is refreshed. Returns -1 when cancelled, or refused with a beep while
// another add runs (nothing changes), else the number of names picked plus one for a multiple
// selection, and 1 for a single one.
int32_t OpenFilesDialog(HWND owner, int32_t replace);
