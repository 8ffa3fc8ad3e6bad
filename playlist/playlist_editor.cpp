// The playlist editor dialog. It keeps no entries of its own: WM_PLAYLIST_REFRESH rebuilds the list box
// from one walk of the playlist.
#include "playlist/playlist_editor.h"

#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>

#include <cstring>
#include <string>
#include <vector>

#include "platform/folder_dialog.h"
#include "platform/message_numbers.h"
#include "platform/notify.h"
#include "platform/win32/wide.h"
#include "playlist/open_files_dialog.h"
#include "playlist/playlist.h"
#include "playlist/playlist_files.h"
#include "playlist/playlist_view.h"
#include "playlist/tag_editor.h"
#include "resources/resource_ids.h"

namespace {

struct EditorState {
  HWND player;
  PlaylistEditorSetup setup;
  PlaylistLines lines;            // the last fill's lines, kept for their capacity
  std::vector<int32_t> selected;  // list-box indices of the selection, sized by its count
  std::vector<uint16_t> wide;     // one line in UTF-16, kept for its capacity
  std::vector<int32_t> moved;     // where the selected lines went
  WNDPROC listProc;               // the list box's own procedure, under the drag's
  size_t shownLines;              // lines the list box shows
};
EditorState gEditor;

constexpr char kEmptyLine[] = "[EMPTY]";
constexpr DWORD kOpenPlaylistFlags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
// A playlist is saved under a new name as often as over an old one: only its folder must exist.
constexpr DWORD kSavePlaylistFlags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;

HWND ListBox(HWND dialog) { return GetDlgItem(dialog, IDC_PLAYLIST_LIST); }

void ShowTotalTime(HWND dialog, int64_t seconds) {
  SetDlgItemTextA(dialog, IDC_PLAYLIST_TOTAL_TIME, FormatPlaylistTime("Total Time", seconds).text);
}

void ShowSongTime(HWND dialog, int64_t seconds) {
  SetDlgItemTextA(dialog, IDC_PLAYLIST_SONG_TIME, FormatPlaylistTime("Song Time", seconds).text);
}

void ShowCurrentSongTime(HWND dialog) { ShowSongTime(dialog, CountedSeconds(CurrentDuration())); }

// Closes the editor the way its owner's command does, so the owner forgets it and unlights its button.
void Close() { SendMessageA(gEditor.player, WM_COMMAND, IDM_PLAYLIST_EDITOR, 0); }

// Refills the list box from the playlist and shows the times. The list keeps its scroll position. The
// list box is a Unicode one: each line goes in as UTF-16.
void Fill(HWND dialog) {
  HWND list = ListBox(dialog);
  GatherPlaylistLines(&gEditor.lines);
  const PlaylistLines& lines = gEditor.lines;
  const LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  if (lines.lines.empty()) {
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kEmptyLine));
    EnableWindow(list, FALSE);
  } else {
    if (!IsWindowEnabled(list)) EnableWindow(list, TRUE);
    SendMessageW(list, LB_INITSTORAGE, lines.lines.size(), 2 * lines.text.size());
    std::vector<uint16_t>& wide = gEditor.wide;
    for (const PlaylistLine& line : lines.lines) {
      const char* text = lines.text.data() + line.offset;
      const size_t bytes = std::strlen(text);
      if (wide.size() < bytes + 1) wide.resize(bytes + 1);
      Utf16FromUtf8(text, int32_t(bytes), wide.data(), int32_t(wide.size()));
      auto* units = reinterpret_cast<WCHAR*>(wide.data());
      WCHAR title[MAX_PATH];
      // A path that has no file title (a folder, a name with wildcards) shows as it is.
      if (line.isPath && GetFileTitleW(units, title, MAX_PATH) == 0) units = title;
      SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(units));
    }
    if (top > 0) SendMessageW(list, LB_SETTOPINDEX, top, 0);
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  // As many lines as before (lines moved): every line paints its own ground, nothing is erased first.
  InvalidateRect(list, nullptr, lines.lines.empty() || lines.lines.size() != gEditor.shownLines);
  gEditor.shownLines = lines.lines.size();
  ShowTotalTime(dialog, lines.totalSeconds);
  ShowCurrentSongTime(dialog);
}

// The selection's list-box indices, ascending; as many as are selected.
const std::vector<int32_t>& SelectedIndices(HWND dialog) {
  HWND list = ListBox(dialog);
  const LRESULT count = SendMessageA(list, LB_GETSELCOUNT, 0, 0);
  gEditor.selected.resize(count > 0 ? static_cast<size_t>(count) : 0);
  if (count > 0) {
    const LRESULT got = SendMessageA(list, LB_GETSELITEMS, static_cast<WPARAM>(count),
                                     reinterpret_cast<LPARAM>(gEditor.selected.data()));
    gEditor.selected.resize(got > 0 ? static_cast<size_t>(got) : 0);
  }
  return gEditor.selected;
}

void DeleteSelected(HWND dialog) {
  const std::vector<int32_t>& indices = SelectedIndices(dialog);
  if (indices.empty()) return;
  // Deleting refreshes the list; every selected entry goes, however many there are.
  DeleteEntries(static_cast<int32_t>(indices.size()), indices.data());
  ShowTotalTime(dialog, PlaylistTotalSeconds());
}

void ShowSelectionTime(HWND dialog) {
  const std::vector<int32_t>& indices = SelectedIndices(dialog);
  ShowSongTime(dialog, SelectedSeconds(indices.data(), static_cast<int32_t>(indices.size())));
}

// Selects exactly the lines at `indices` (ascending), with the caret on `caret`'s line, which the list
// scrolls into view; the song time follows.
void Select(HWND dialog, const std::vector<int32_t>& indices, int32_t caret) {
  HWND list = ListBox(dialog);
  SendMessageW(list, LB_SETSEL, FALSE, -1);
  for (const int32_t line : indices) SendMessageW(list, LB_SETSEL, TRUE, line);
  if (caret >= 0) {
    SendMessageW(list, LB_SETANCHORINDEX, caret, 0);
    SendMessageW(list, LB_SETCARETINDEX, caret, FALSE);
  }
  ShowSelectionTime(dialog);
}

// "Up" (step -1) and "Down" (+1): the selected lines move one place and stay selected. Returns 1 when
// any moved.
int32_t MoveSelected(HWND dialog, int32_t step) {
  const std::vector<int32_t>& indices = SelectedIndices(dialog);
  if (indices.empty()) return 0;
  gEditor.moved.resize(indices.size());
  if (MoveEntries(int32_t(indices.size()), indices.data(), step, gEditor.moved.data()) != 1) return 0;
  Select(dialog, gEditor.moved, step < 0 ? gEditor.moved.front() : gEditor.moved.back());
  return 1;
}

// "Edit Tag": the tag editor for the first selected line's file.
void EditSelectedTags(HWND dialog) {
  const std::vector<int32_t>& indices = SelectedIndices(dialog);
  PlaylistEntry entry;
  if (indices.empty() || !CopyEntryAt(indices[0], &entry)) {
    MessageBeep(MB_OK);
    return;
  }
  entry.path[sizeof entry.path - 1] = 0;
  EditTags(dialog, entry.path);
}

// "Crop List": only the selected lines stay, still selected. Nothing selected, nothing goes.
void CropToSelection(HWND dialog) {
  const std::vector<int32_t>& indices = SelectedIndices(dialog);
  if (indices.empty()) return;
  const int32_t kept = int32_t(indices.size());
  CropEntries(kept, indices.data());
  ShowTotalTime(dialog, PlaylistTotalSeconds());
  std::vector<int32_t>& all = gEditor.moved;
  all.resize(size_t(kept));
  for (int32_t i = 0; i < kept; ++i) all[size_t(i)] = i;
  Select(dialog, all, 0);
}

// ---- Dragging selected lines ----------------------------------------------------------------------
// A press on a selected line (without Shift or Ctrl) picks the selection up: while the button is held
// the lines move with the pointer a whole line at a time, through the same moves as "Up" and "Down".
// Released where it started, the press selects its line alone, as a plain click does. Esc, the pointer
// leaving the list or a lost capture put the list back in its order before the press.
struct LineDrag {
  bool held;
  bool moved;
  int32_t line;                   // the line under the pointer, where the picked-up line is now
  std::vector<uint64_t> order;    // the playlist's order at the press
  std::vector<int32_t> selection; // the selection at the press
};
LineDrag gDrag;

int32_t LineAt(HWND list, int32_t y) {
  const int32_t count = int32_t(SendMessageW(list, LB_GETCOUNT, 0, 0));
  const int32_t height = std::max<int32_t>(1, int32_t(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0)));
  const int32_t line = int32_t(SendMessageW(list, LB_GETTOPINDEX, 0, 0)) + (y < 0 ? -1 : y / height);
  return std::min(std::max(line, 0), count - 1);
}

void EndDrag(HWND list, bool cancel) {
  if (!gDrag.held) return;
  gDrag.held = false;  // first: releasing the capture below comes back as WM_CAPTURECHANGED
  if (GetCapture() == list) ReleaseCapture();
  HWND dialog = GetParent(list);
  if (cancel && gDrag.moved) {
    RestorePlaylistOrder(gDrag.order);
    Select(dialog, gDrag.selection, gDrag.selection.empty() ? -1 : gDrag.selection.front());
  } else if (!cancel && !gDrag.moved) {
    Select(dialog, std::vector<int32_t>{gDrag.line}, gDrag.line);
  }
}

bool StartDrag(HWND list, WPARAM keys, LPARAM point) {
  if ((keys & (MK_SHIFT | MK_CONTROL)) || !IsWindowEnabled(list)) return false;
  const int32_t line = LineAt(list, GET_Y_LPARAM(point));
  RECT item{};
  if (SendMessageW(list, LB_GETITEMRECT, line, reinterpret_cast<LPARAM>(&item)) == LB_ERR ||
      GET_Y_LPARAM(point) >= item.bottom || SendMessageW(list, LB_GETSEL, line, 0) <= 0) {
    return false;
  }
  HWND dialog = GetParent(list);
  gDrag.selection = SelectedIndices(dialog);
  SavePlaylistOrder(&gDrag.order);
  gDrag.held = true;
  gDrag.moved = false;
  gDrag.line = line;
  SetFocus(list);
  SetCapture(list);
  return true;
}

void FollowPointer(HWND list, LPARAM point) {
  RECT client{};
  GetClientRect(list, &client);
  const POINT at = {GET_X_LPARAM(point), GET_Y_LPARAM(point)};
  if (!PtInRect(&client, at)) {
    EndDrag(list, true);
    return;
  }
  const int32_t target = LineAt(list, at.y);
  HWND dialog = GetParent(list);
  while (gDrag.line != target) {
    const int32_t step = target < gDrag.line ? -1 : 1;
    if (!MoveSelected(dialog, step)) break;  // the selection is against the edge
    gDrag.line += step;
    gDrag.moved = true;
  }
}

LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
      if (StartDrag(list, wParam, lParam)) return 0;
      break;
    case WM_MOUSEMOVE:
      if (gDrag.held) {
        FollowPointer(list, lParam);
        return 0;
      }
      break;
    case WM_LBUTTONUP:
      if (gDrag.held) {
        EndDrag(list, false);
        return 0;
      }
      break;
    case WM_GETDLGCODE:  // Esc comes to the list while a drag is held, not to the dialog
      if (gDrag.held) return DLGC_WANTALLKEYS;
      break;
    case WM_KEYDOWN:
      if (gDrag.held) {
        if (wParam == VK_ESCAPE) EndDrag(list, true);
        return 0;
      }
      break;
    case WM_CAPTURECHANGED:
      if (gDrag.held && reinterpret_cast<HWND>(lParam) != list) EndDrag(list, true);
      break;
    default: break;
  }
  return CallWindowProcW(gEditor.listProc, list, message, wParam, lParam);
}

void PlayEntryAtCaret(HWND dialog) {
  const LRESULT index = SendMessageA(ListBox(dialog), LB_GETCURSEL, 0, 0);
  if (index < 0 || !MakeCurrentAt(static_cast<int32_t>(index))) return;
  if (gEditor.setup.playCurrentEntry) gEditor.setup.playCurrentEntry(gEditor.player);
}

// The playlist-file dialog for loading (GetOpenFileNameW) or saving (GetSaveFileNameW). Returns true
// with the chosen path in UTF-8 and, for saving, the type chosen by the filter, in PlaylistType's order.
bool ChoosePlaylistFile(HWND dialog, bool save, std::string* path, int32_t* type) {
  WCHAR name[MAX_PATH] = L"";
  OPENFILENAMEW file = {};
  file.lStructSize = sizeof file;
  file.hwndOwner = dialog;
  file.lpstrFilter = save ? L"Playlist Files\0*.PLS\0M3U Playlist\0*.M3U\0M3U8 Playlist (UTF-8)\0*.M3U8\0"
                          : L"Playlist Files\0*.PLS;*.M3U;*.M3U8\0";
  file.nFilterIndex = 1;
  file.lpstrFile = name;
  file.nMaxFile = MAX_PATH;
  file.lpstrTitle = save ? L"Save Playlist..." : L"Open A Mpeg Audio File...";
  file.Flags = save ? kSavePlaylistFlags : kOpenPlaylistFlags;
  const BOOL chosen = save ? GetSaveFileNameW(&file) : GetOpenFileNameW(&file);
  name[MAX_PATH - 1] = L'\0';
  if (!chosen || name[0] == L'\0') return false;
  *path = Utf8FromWide(name);
  if (type) *type = file.nFilterIndex >= 1 && file.nFilterIndex <= 3 ? int32_t(file.nFilterIndex) - 1 : 0;
  return true;
}

void AddPlaylistFile(HWND dialog, bool replace) {
  std::string path;
  if (!ChoosePlaylistFile(dialog, false, &path, nullptr)) return;
  if (replace) ClearPlaylist();
  AddByType(path.c_str());
  Fill(dialog);
}

void SavePlaylistFile(HWND dialog) {
  std::string path;
  int32_t type = 0;
  if (ChoosePlaylistFile(dialog, true, &path, &type)) SavePlaylist(path.c_str(), PlaylistType(type));
}

void AddFolder(HWND dialog) {
  char folder[MAX_PATH];
  const int32_t chosen = ChooseFolder(dialog, "Please Select a directory containing mp3s...", folder, sizeof folder);
  if (chosen < 0) {
    ShowMessageBox(dialog, "An Error Occurred...", "Error...", kBoxOk);
    return;
  }
  if (chosen > 0) AddDirectory(folder);
  ShowTotalTime(dialog, PlaylistTotalSeconds());
}

void ShowSortMenu(HWND dialog) {
  HMENU popup = gEditor.setup.sortMenu ? GetSubMenu(gEditor.setup.sortMenu, 0) : nullptr;
  POINT at;
  if (popup && GetCursorPos(&at)) TrackPopupMenu(popup, TPM_LEFTBUTTON, at.x, at.y, 0, dialog, nullptr);
}

void OnListNotification(HWND dialog, int32_t code) {
  if (code == LBN_SELCHANGE) ShowSelectionTime(dialog);
  if (code == LBN_DBLCLK) PlayEntryAtCaret(dialog);
}

INT_PTR OnCommand(HWND dialog, int32_t id, int32_t code) {
  // While an "Adding Directory..." box of another add is up, the list is half built: adds wait.
  const bool adds = id == IDC_PLAYLIST_ADD_ITEMS || id == IDC_PLAYLIST_LOAD || id == IDC_PLAYLIST_ADD_PLAYLIST ||
                    id == IDC_PLAYLIST_ADD_DIR;
  if (adds && AddRunning()) {
    MessageBeep(MB_OK);
    return TRUE;
  }
  switch (id) {
    case IDOK:
    case IDCANCEL: Close(); break;
    case IDC_PLAYLIST_DELETE: DeleteSelected(dialog); break;
    case IDC_PLAYLIST_EDIT_TAG: EditSelectedTags(dialog); break;
    case IDC_PLAYLIST_ADD_ITEMS: OpenFilesDialog(dialog, 0); break;  // refreshes the list itself
    case IDC_PLAYLIST_LOAD: AddPlaylistFile(dialog, true); break;
    case IDC_PLAYLIST_ADD_PLAYLIST: AddPlaylistFile(dialog, false); break;
    case IDC_PLAYLIST_SAVE: SavePlaylistFile(dialog); break;
    case IDC_PLAYLIST_SHUFFLE: ShufflePlaylist(); break;
    case IDC_PLAYLIST_SORT: ShowSortMenu(dialog); break;
    case IDM_SORT_ASCENDING: SortPlaylist(0); break;
    case IDM_SORT_DESCENDING: SortPlaylist(1); break;
    case IDC_PLAYLIST_ADD_DIR: AddFolder(dialog); break;
    case IDC_PLAYLIST_DELETE_ALL: ClearPlaylist(); break;
    case IDC_PLAYLIST_UP: MoveSelected(dialog, -1); break;
    case IDC_PLAYLIST_DOWN: MoveSelected(dialog, 1); break;
    case IDC_PLAYLIST_CROP: CropToSelection(dialog); break;
    case IDC_PLAYLIST_LIST: OnListNotification(dialog, code); break;
    default: return FALSE;
  }
  return TRUE;
}

// Puts the editor just below the player, where it covers nothing of it, kept inside the work area of
// the player's monitor.
void PlaceBelowPlayer(HWND dialog) {
  RECT player, editor;
  if (!gEditor.player || !GetWindowRect(gEditor.player, &player) || !GetWindowRect(dialog, &editor)) return;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoA(MonitorFromWindow(gEditor.player, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT& work = monitor.rcWork;
  const LONG width = editor.right - editor.left, height = editor.bottom - editor.top;
  LONG x = player.left, y = player.bottom;
  if (y + height > work.bottom) y = player.top - height;  // no room below: above the player
  if (x + width > work.right) x = work.right - width;
  if (x < work.left) x = work.left;
  if (y < work.top) y = work.top;
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR OnInitDialog(HWND dialog) {
  PlaceBelowPlayer(dialog);
  gDrag.held = false;
  gEditor.listProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(ListBox(dialog), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListProc)));
  ShowTotalTime(dialog, PlaylistTotalSeconds());
  ShowCurrentSongTime(dialog);
  ShowWindow(dialog, SW_SHOW);
  return TRUE;
}

INT_PTR CALLBACK EditorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_PLAYLIST_REFRESH: Fill(dialog); return TRUE;
    case WM_COMMAND: return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    // The title bar's close button closes the editor as its "Close" button does.
    case WM_CLOSE: Close(); return TRUE;
    default: return FALSE;
  }
}

}  // namespace

HWND CreatePlaylistEditor(HINSTANCE instance, HWND player, const PlaylistEditorSetup& setup) {
  gEditor.player = player;
  gEditor.setup = setup;
  // A Unicode dialog, so that its list box holds names in any script.
  return CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_PLAYLIST_EDITOR), player, &EditorProc, 0);
}
