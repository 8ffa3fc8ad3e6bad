// The playlist editor: a modeless dialog owned by the player window that shows the playlist, edits,
// sorts, shuffles, loads and saves it, shows its times and plays an entry on double-click (Windows only).
#pragma once
#include <windows.h>

// What the editor takes from the player window.
struct PlaylistEditorSetup {
  HMENU sortMenu;                         // menu 147: its first popup is the "Sort" button's menu
  void (*playCurrentEntry)(HWND player);  // stops playback and plays the playlist's current entry
};

// Creates the editor (dialog 145) owned by `player`; null when it cannot be created. It fills its list
// on WM_PLAYLIST_REFRESH, and closes itself by sending IDM_PLAYLIST_EDITOR to `player`, whose command
// destroys it.
HWND CreatePlaylistEditor(HINSTANCE instance, HWND player, const PlaylistEditorSetup& setup);
