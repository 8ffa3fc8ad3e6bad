// The "Open URL..." dialog and command.
#include "shell/open_url.h"

#include "platform/notify.h"
#include "platform/text.h"
#include "platform/win32/wide.h"
#include "playlist/playlist.h"
#include "playlist/playlist_files.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "shell/playback_control.h"
#include "shell/shell_state.h"
#include "stream/stream_url.h"

namespace {

// Most units the address field takes: more than an entry holds, so that a longer address is refused by
// name rather than cut into another one.
constexpr int32_t kFieldUnits = 2048;

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The clipboard's text when it is a stream's address (without the blanks around it), else "". Text
// longer than the field is no candidate.
std::wstring ClipboardAddress(HWND owner) {
  std::wstring text;
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(owner)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    const size_t units = GlobalSize(data) / sizeof(wchar_t);
    if (const auto* clip = static_cast<const wchar_t*>(GlobalLock(data))) {
      size_t n = 0;
      while (n < units && n <= size_t(kFieldUnits) && clip[n] != 0) ++n;
      if (n <= size_t(kFieldUnits)) text.assign(clip, n);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  size_t first = 0, end = text.size();
  while (first < end && IsBlank(text[first])) ++first;
  while (end > first && IsBlank(text[end - 1])) --end;
  text = text.substr(first, end - first);
  if (StreamUrlScheme(Utf8FromWide(text.c_str()).c_str()) == 0) text.clear();
  return text;
}

INT_PTR OnUrlDialogInit(HWND dialog, LPARAM address) {
  SetWindowLongPtrW(dialog, DWLP_USER, address);
  SendDlgItemMessageW(dialog, IDC_OPEN_URL_ADDRESS, EM_LIMITTEXT, kFieldUnits, 0);
  SetDlgItemTextW(dialog, IDC_OPEN_URL_ADDRESS, ClipboardAddress(dialog).c_str());
  return TRUE;
}

// OK ends the dialog only with an address the player takes; after a box the text can be corrected.
INT_PTR OnUrlDialogOk(HWND dialog) {
  wchar_t text[kFieldUnits + 1];
  const UINT length = GetDlgItemTextW(dialog, IDC_OPEN_URL_ADDRESS, text, kFieldUnits + 1);
  auto* address = reinterpret_cast<std::string*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (address && AcceptStreamAddress(dialog, Utf8FromWide(text, int32_t(length)), address)) EndDialog(dialog, IDOK);
  return TRUE;
}

INT_PTR CALLBACK UrlDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnUrlDialogInit(dialog, lParam);
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) return OnUrlDialogOk(dialog);
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default: return FALSE;
  }
}

}  // namespace

int32_t AcceptStreamAddress(HWND owner, const std::string& text, std::string* address) {
  const std::string trimmed = Trimmed(text);
  std::string reason;
  StreamUrl parsed;
  if (StreamUrlScheme(trimmed.c_str()) == 0 || !ParseStreamUrl(trimmed.c_str(), &parsed)) {
    reason = "This is not a valid http:// or https:// address:";
  } else if (Utf16Length(trimmed.c_str()) > kMaxPathUnits) {
    reason = "This address is too long to play (over 259 characters):";
  } else {
    *address = trimmed;
    return 1;
  }
  ShowMessageBox(owner, (reason + "\n\n" + trimmed).c_str(), "Error...", kBoxOk);
  return 0;
}

void OpenUrl(HWND window) {
  // A replaced list under an "Adding Directory..." box would pull the add's entries away from it.
  if (AddRunning()) {
    MessageBeep(MB_OK);
    return;
  }
  std::string address;
  const INT_PTR answer = DialogBoxParamW(gShell.instance, MAKEINTRESOURCEW(IDD_OPEN_URL), window, UrlDialogProc,
                                         reinterpret_cast<LPARAM>(&address));
  if (answer != IDOK || gShell.closing || AddRunning()) return;
  ClearPlaylist();
  AddByType(address.c_str());
  RefreshPlaylistEditor();
  if (gSettings.autoPlay) RestartFromFirst(window, 30);
}
