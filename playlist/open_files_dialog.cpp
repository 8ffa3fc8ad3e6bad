// The open dialog over GetOpenFileNameA, in its Explorer form with multiple selection.
#include "playlist/open_files_dialog.h"

#include <commdlg.h>

#include <cstring>
#include <string>
#include <vector>

#include "playlist/playlist.h"
#include "playlist/playlist_files.h"

namespace {

constexpr DWORD kFileBufferChars = 16384;

const char kFilter[] =
    "All Supported Types\0*.MP?;*.PLS;*.M3U\0"
    "Mpeg Audio Files\0*.MP?\0"
    "Playlist Files\0*.PLS;*.M3U\0";

}  // namespace

int32_t OpenFilesDialog(HWND owner, int32_t replace) {
  // A second add while an "Adding Directory..." box of the first is up would replace the list under it.
  if (AddRunning()) {
    MessageBeep(MB_OK);
    return -1;
  }
  // Each call has buffers of its own: another open dialog (the player's and the editor's may both be
  // up) or an add inside this one's message loops never writes into them.
  std::vector<char> files(kFileBufferChars, '\0');
  OPENFILENAMEA dialog;
  std::memset(&dialog, 0, sizeof dialog);
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kFilter;
  dialog.nFilterIndex = 0;
  dialog.lpstrFile = files.data();
  dialog.nMaxFile = kFileBufferChars;
  dialog.lpstrTitle = "Open A Mp3 Or Playlist...";
  dialog.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameA(&dialog)) return -1;
  if (AddRunning()) {  // one started while the dialog was up
    MessageBeep(MB_OK);
    return -1;
  }

  if (replace) ClearPlaylist();
  // The last two characters always stay NUL, so every walk below ends inside the buffer.
  files[kFileBufferChars - 2] = files[kFileBufferChars - 1] = '\0';
  const char* const buffer = files.data();
  const size_t folderLength = std::strlen(buffer);
  const char* name = buffer + folderLength + 1;
  if (*name == '\0') {
    // One file: the buffer holds its full path.
    AddByType(buffer);
    RefreshPlaylistEditor();
    return 1;
  }
  // Several files: the folder, then each name, each ending in a NUL, and an empty name last.
  const bool needsSeparator = folderLength == 0 || buffer[folderLength - 1] != '\\';
  std::string joined;
  int32_t names = 0;
  for (; *name != '\0'; name += std::strlen(name) + 1) {
    joined.assign(buffer, folderLength);
    if (needsSeparator) joined += '\\';
    joined += name;
    AddByType(joined.c_str());
    ++names;
  }
  RefreshPlaylistEditor();
  return names + 1;
}
