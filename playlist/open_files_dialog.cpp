// The open dialog over GetOpenFileNameW, in its Explorer form with multiple selection.
#include "playlist/open_files_dialog.h"

#include <commdlg.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/wide.h"
#include "playlist/playlist.h"
#include "playlist/playlist_files.h"

namespace {

constexpr DWORD kFileBufferChars = 16384;

const WCHAR kFilter[] =
    L"All Supported Types\0*.MP?;*.PLS;*.M3U;*.M3U8\0"
    L"Mpeg Audio Files\0*.MP?\0"
    L"Playlist Files\0*.PLS;*.M3U;*.M3U8\0";

}  // namespace

int32_t OpenFilesDialog(HWND owner, int32_t replace) {
  // A second add while an "Adding Directory..." box of the first is up would replace the list under it.
  if (AddRunning()) {
    MessageBeep(MB_OK);
    return -1;
  }
  // Each call has buffers of its own: another open dialog (the player's and the editor's may both be
  // up) or an add inside this one's message loops never writes into them.
  std::vector<WCHAR> files(kFileBufferChars, L'\0');
  OPENFILENAMEW dialog;
  std::memset(&dialog, 0, sizeof dialog);
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kFilter;
  dialog.nFilterIndex = 0;
  dialog.lpstrFile = files.data();
  dialog.nMaxFile = kFileBufferChars;
  dialog.lpstrTitle = L"Open A Mp3 Or Playlist...";
  dialog.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameW(&dialog)) return -1;
  if (AddRunning()) {  // one started while the dialog was up
    MessageBeep(MB_OK);
    return -1;
  }

  if (replace) ClearPlaylist();
  // The last two units always stay 0, so every walk below ends inside the buffer.
  files[kFileBufferChars - 2] = files[kFileBufferChars - 1] = L'\0';
  const WCHAR* const buffer = files.data();
  const std::string folder = Utf8FromWide(buffer);
  const WCHAR* name = buffer + wcslen(buffer) + 1;
  if (*name == L'\0') {
    // One file: the buffer holds its full path.
    AddByType(folder.c_str());
    RefreshPlaylistEditor();
    return 1;
  }
  // Several files: the folder, then each name, each ending in a 0, and an empty name last.
  const bool needsSeparator = folder.empty() || folder.back() != '\\';
  std::string joined;
  int32_t names = 0;
  for (; *name != L'\0'; name += wcslen(name) + 1) {
    joined = folder;
    if (needsSeparator) joined += '\\';
    joined += Utf8FromWide(name);
    AddByType(joined.c_str());
    ++names;
  }
  RefreshPlaylistEditor();
  return names + 1;
}
