// The tag editor dialog.
#include "playlist/tag_editor.h"

#include <cstring>
#include <string>
#include <thread>

#include "platform/message_numbers.h"
#include "platform/notify.h"
#include "platform/win32/wide.h"
#include "playlist/playlist.h"
#include "resources/resource_ids.h"
#include "tags/tag_file.h"

namespace {

// Units a field takes: a field's UTF-8 bytes hold at least this many characters.
constexpr int32_t kFieldUnits = kFieldBytes / 4;

// The save runs on a thread of its own, so that copying a large file never holds the window; the
// dialog takes no input until it ends.
struct TagDialog {
  const char* path;
  TagFields fields;
  std::thread saver;
  char error[kPathBytes + 200];
};

// The field a control shows.
char* FieldOf(TagFields& f, int32_t id) {
  switch (id) {
    case IDC_TAG_TITLE: return f.title;
    case IDC_TAG_ARTIST: return f.artist;
    case IDC_TAG_ALBUM: return f.album;
    case IDC_TAG_YEAR: return f.year;
    case IDC_TAG_TRACK: return f.track;
    case IDC_TAG_GENRE: return f.genre;
    default: return f.comment;
  }
}
constexpr int32_t kFieldIds[] = {IDC_TAG_TITLE, IDC_TAG_ARTIST, IDC_TAG_ALBUM, IDC_TAG_YEAR,
                                 IDC_TAG_TRACK, IDC_TAG_GENRE,  IDC_TAG_COMMENT};

// The comment keeps its line breaks as the tag's "\n"; the edit control wants "\r\n".
std::wstring WithCarriageReturns(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\n') out += L'\r';
    out += c;
  }
  return out;
}

INT_PTR OnTagDialogInit(HWND dialog, LPARAM data) {
  SetWindowLongPtrW(dialog, DWLP_USER, data);
  auto* state = reinterpret_cast<TagDialog*>(data);
  SetDlgItemTextW(dialog, IDC_TAG_FILE, WideFromUtf8(state->path).c_str());
  for (int32_t i = 0; i < kUnknownGenre; ++i) {
    SendDlgItemMessageW(dialog, IDC_TAG_GENRE, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(WideFromUtf8(kGenreNames[i]).c_str()));
  }
  for (int32_t id : kFieldIds) {
    SendDlgItemMessageW(dialog, id, id == IDC_TAG_GENRE ? CB_LIMITTEXT : EM_LIMITTEXT, kFieldUnits, 0);
    const std::wstring text = WideFromUtf8(FieldOf(state->fields, id));
    SetDlgItemTextW(dialog, id, id == IDC_TAG_COMMENT ? WithCarriageReturns(text).c_str() : text.c_str());
  }
  return TRUE;
}

INT_PTR OnTagDialogSave(HWND dialog) {
  auto* state = reinterpret_cast<TagDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (state == nullptr || state->saver.joinable()) return TRUE;
  for (int32_t id : kFieldIds) {
    wchar_t text[kFieldUnits + 1];
    const UINT length = GetDlgItemTextW(dialog, id, text, kFieldUnits + 1);
    std::string utf8 = Utf8FromWide(text, int32_t(length));
    if (id == IDC_TAG_COMMENT) {
      std::string lines;
      for (char c : utf8) {
        if (c != '\r') lines += c;
      }
      utf8.swap(lines);
    }
    char* field = FieldOf(state->fields, id);
    std::memset(field, 0, kFieldBytes);
    std::memcpy(field, utf8.data(), utf8.size() < size_t(kFieldBytes) ? utf8.size() : size_t(kFieldBytes - 1));
  }
  EnableWindow(dialog, FALSE);
  state->saver = std::thread([dialog, state] {
    const int32_t saved = SaveTagFields(state->path, state->fields, state->error, sizeof state->error);
    PostMessageW(dialog, WM_TAG_SAVE_DONE, WPARAM(saved), 0);
  });
  return TRUE;
}

INT_PTR OnTagSaveDone(HWND dialog, WPARAM saved) {
  auto* state = reinterpret_cast<TagDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (state == nullptr) return TRUE;
  state->saver.join();
  EnableWindow(dialog, TRUE);
  if (!saved) {
    ShowMessageBox(dialog, state->error, "Error Saving Tag", kBoxOk);
    SetFocus(GetDlgItem(dialog, IDC_TAG_TITLE));
    return TRUE;  // the dialog stays, so that nothing typed is lost
  }
  EndDialog(dialog, IDOK);
  return TRUE;
}

INT_PTR CALLBACK TagDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnTagDialogInit(dialog, lParam);
    case WM_TAG_SAVE_DONE: return OnTagSaveDone(dialog, wParam);
    case WM_SETCURSOR: {
      // The wait cursor over the dialog while its save runs.
      auto* state = reinterpret_cast<TagDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
      if (state == nullptr || !state->saver.joinable()) return FALSE;
      SetCursor(LoadCursor(nullptr, IDC_WAIT));
      SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) return OnTagDialogSave(dialog);
      if (LOWORD(wParam) == IDCANCEL) {
        auto* state = reinterpret_cast<TagDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (state != nullptr && state->saver.joinable()) return TRUE;  // a save cannot be called back
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default: return FALSE;
  }
}

}  // namespace

int32_t EditTags(HWND owner, const char* path) {
  if (path == nullptr || path[0] == 0 || IsStreamPath(path)) {
    MessageBeep(MB_OK);
    return 0;
  }
  static TagDialog state;  // one modal dialog at a time
  state.path = path;
  if (!ReadTagFields(path, &state.fields)) {
    const std::string text = std::string("The file cannot be read:\n") + path;
    ShowMessageBox(owner, text.c_str(), "Error Reading Tag", kBoxOk);
    return 0;
  }
  const INT_PTR answer = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TAG_EDITOR), owner,
                                         TagDialogProc, reinterpret_cast<LPARAM>(&state));
  if (answer != IDOK) return 0;
  RereadEntryTags(path);
  if (HWND player = static_cast<HWND>(PlaylistOwner())) PostMessageW(player, WM_PLAYLIST_TAGS_SAVED, 0, 0);
  RefreshPlaylistEditor();
  return 1;
}
