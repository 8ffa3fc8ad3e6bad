// The tag editor: a modal dialog with a file's title, artist, album, year, track number, genre and
// comment, saved into its tags with "Save". Windows only.
#pragma once
#include <windows.h>

#include <cstdint>

// Edits the tags of the file at `path` in a dialog owned by `owner`. After "Save" the playlist's entries
// of the file show the new tags and the player window is told (WM_PLAYLIST_TAGS_SAVED); a file that
// cannot be read or saved gives a box saying why and stays as it was. Returns 1 when saved, else 0.
int32_t EditTags(HWND owner, const char* path);
