// The open dialog over GetOpenFileNameA, in its Explorer form with multiple selection.
#include "playlist/open_files_dialog.h"

#include <commdlg.h>

#include <cstring>

#include "playlist/playlist.h"

namespace {

constexpr DWORD kFileBufferChars = 16384;
// The buffer the dialog fills, and a path joined from its folder and one name.
char gFileBuffer[kFileBufferChars];
char gJoined[kFileBufferChars + MAX_PATH];

const char kFilter[] =
    "All Supported Types\0*.MP?;*.PLS;*.M3U\0"
    "Mpeg Audio Files\0*.MP?\0"
    "Playlist Files\0*.PLS;*.M3U\0";

}  // namespace

int32_t OpenFilesDialog(HWND owner, int32_t replace) {
  std::memset(gFileBuffer, 0, sizeof gFileBuffer);
  OPENFILENAMEA dialog;
  std::memset(&dialog, 0, sizeof dialog);
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kFilter;
  dialog.nFilterIndex = 0;
  dialog.lpstrFile = gFileBuffer;
  dialog.nMaxFile = kFileBufferChars;
  dialog.lpstrTitle = "Open A Mp3 Or Playlist...";
  dialog.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameA(&dialog)) return -1;

  if (replace) ClearPlaylist();
  // The last two characters always stay NUL, so every walk below ends inside the buffer.
  gFileBuffer[kFileBufferChars - 2] = gFileBuffer[kFileBufferChars - 1] = '\0';
  const size_t folderLength = std::strlen(gFileBuffer);
  const char* name = gFileBuffer + folderLength + 1;
  if (*name == '\0') {
    // One file: the buffer holds its full path.
    AddByType(gFileBuffer);
    RefreshPlaylistEditor();
    return 1;
  }
  // Several files: the folder, then each name, each ending in a NUL, and an empty name last.
  const bool needsSeparator = folderLength == 0 || gFileBuffer[folderLength - 1] != '\\';
  int32_t names = 0;
  for (; *name != '\0'; name += std::strlen(name) + 1) {
    std::memcpy(gJoined, gFileBuffer, folderLength);
    size_t at = folderLength;
    if (needsSeparator) gJoined[at++] = '\\';
    const size_t nameLength = std::strlen(name);
    std::memcpy(gJoined + at, name, nameLength + 1);
    AddByType(gJoined);
    ++names;
  }
  RefreshPlaylistEditor();
  return names + 1;
}
