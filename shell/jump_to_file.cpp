#include "shell/jump_to_file.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/wide.h"
#include "playlist/jump_filter.h"
#include "playlist/playlist.h"
#include "playlist/resume_list.h"
#include "resources/resource_ids.h"
#include "shell/playback_control.h"
#include "shell/shell_state.h"

namespace {

// What the open dialog works on: the index is built once when it opens, the matches with every key.
struct JumpDialog {
  JumpIndex index;
  std::vector<int32_t> matches;
  WNDPROC editProcedure;
  int32_t chosen;  // the entry to play once the dialog has closed, -1 for none
  uint64_t fingerprint;  // the list the index was built from
};
JumpDialog gJump;

void ShowMatches(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_JUMP_LIST);
  WCHAR query[512] = L"";
  GetDlgItemTextW(dialog, IDC_JUMP_SEARCH, query, 512);
  FilterJumpIndex(gJump.index, Utf8FromWide(query).c_str(), &gJump.matches);
  // The list holds no text of its own (it draws the matches it is told to), so a refill costs the
  // same for ten lines as for ten thousand.
  SendMessageW(list, LB_SETCOUNT, gJump.matches.size(), 0);
  SendMessageW(list, LB_SETCURSEL, gJump.matches.empty() ? WPARAM(-1) : 0, 0);
  InvalidateRect(list, nullptr, TRUE);
  char count[64];
  std::snprintf(count, sizeof count, "%u of %u", unsigned(gJump.matches.size()), unsigned(gJump.index.lines.size()));
  SetDlgItemTextA(dialog, IDC_JUMP_COUNT, count);
}

// A line of the list: "<position>. <line>", in the list's colours.
void DrawMatch(const DRAWITEMSTRUCT& item) {
  if (item.CtlID != IDC_JUMP_LIST) return;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (item.itemID < gJump.matches.size()) {
    const int32_t entry = gJump.matches[item.itemID];
    const std::wstring line = WideFromUtf8(std::to_string(entry + 1) + ". " + gJump.index.lines[size_t(entry)]);
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT text = item.rcItem;
    text.left += 2;
    DrawTextW(item.hDC, line.c_str(), int(line.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
}

// The search box hands the keys that move through a list to the list, so that the user can type and
// choose without leaving it.
LRESULT CALLBACK SearchBoxProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN &&
      (wParam == VK_UP || wParam == VK_DOWN || wParam == VK_PRIOR || wParam == VK_NEXT)) {
    return SendMessageW(GetDlgItem(GetParent(edit), IDC_JUMP_LIST), message, wParam, lParam);
  }
  return CallWindowProcW(gJump.editProcedure, edit, message, wParam, lParam);
}

void PlayChosen(HWND dialog) {
  const LRESULT line = SendDlgItemMessageW(dialog, IDC_JUMP_LIST, LB_GETCURSEL, 0, 0);
  if (line == LB_ERR || size_t(line) >= gJump.matches.size()) {
    MessageBeep(MB_OK);
    return;
  }
  gJump.chosen = gJump.matches[size_t(line)];
  EndDialog(dialog, IDOK);
}

INT_PTR OnJumpInit(HWND dialog) {
  BuildJumpIndex(&gJump.index);
  gJump.fingerprint = PlaylistFingerprint();
  HWND edit = GetDlgItem(dialog, IDC_JUMP_SEARCH);
  gJump.editProcedure =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SearchBoxProc)));
  // Lines as high as the list's font.
  HWND list = GetDlgItem(dialog, IDC_JUMP_LIST);
  HDC dc = GetDC(list);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(list, dc);
  SendMessageW(list, LB_SETITEMHEIGHT, 0, metrics.tmHeight + 1);
  ShowMatches(dialog);
  // The playing entry is where the user starts from.
  const int32_t current = CurrentIndex();
  if (current >= 0) SendDlgItemMessageW(dialog, IDC_JUMP_LIST, LB_SETCURSEL, WPARAM(current), 0);
  SetFocus(edit);
  return FALSE;  // the focus is set
}

INT_PTR OnJumpCommand(HWND dialog, WPARAM wParam) {
  switch (LOWORD(wParam)) {
    case IDC_JUMP_SEARCH:
      if (HIWORD(wParam) == EN_CHANGE) ShowMatches(dialog);
      return TRUE;
    case IDC_JUMP_LIST:
      if (HIWORD(wParam) == LBN_DBLCLK) PlayChosen(dialog);
      return TRUE;
    case IDOK: PlayChosen(dialog); return TRUE;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
    default: return FALSE;
  }
}

INT_PTR CALLBACK JumpDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnJumpInit(dialog);
    case WM_COMMAND: return OnJumpCommand(dialog, wParam);
    case WM_DRAWITEM:
      DrawMatch(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    default: return FALSE;
  }
}

}  // namespace

void JumpToFile(HWND window) {
  gJump.chosen = -1;
  // A Unicode dialog, so that names in any script show as they are.
  DialogBoxParamW(gShell.instance, MAKEINTRESOURCEW(IDD_JUMP_TO_FILE), window, JumpDialogProc, 0);
  gJump.index = JumpIndex{};  // the memory of a long list is given back
  gJump.matches = std::vector<int32_t>{};
  // Files handed over while the dialog was open may have replaced the list: its lines name other entries.
  if (gJump.chosen < 0 || gShell.closing || PlaylistFingerprint() != gJump.fingerprint) return;
  if (MakeCurrentAt(gJump.chosen)) RestartCurrentEntry(window);
}
