// "Jump to file" (J): a modal dialog with a search box over the playlist. Typing filters the list at
// once (every word must appear in an entry's title, artist or path, in any case); Enter or a double
// click plays the chosen line, Esc closes. The playlist itself is never changed.
#pragma once
#include <windows.h>

// Shows the dialog owned by the player window; a chosen line is made current and played.
void JumpToFile(HWND window);
