#include "tools/player_watch/player_remote.h"

#include <cstring>

HWND FindPlayerWindow() {
  const HWND window = FindWindowA("zav", nullptr);
  return window && IsWindowVisible(window) ? window : nullptr;
}

int32_t AskPlayer(HWND window, UINT message, DWORD timeoutMs) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(window, message, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &answer)) return kNoAnswer;
  return static_cast<int32_t>(answer);
}

DWORD WindowProcess(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

std::string WindowText(HWND window) {
  char text[512] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

namespace {

struct BoxSearch {
  DWORD pid;
  const char* caption;
  HWND found;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<BoxSearch*>(context);
  char className[16] = "";
  GetClassNameA(window, className, sizeof className);
  if (std::strcmp(className, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  if (search->pid != 0 && WindowProcess(window) != search->pid) return TRUE;
  if (search->caption != nullptr && WindowText(window) != search->caption) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

HWND FindBox(DWORD pid, const char* caption) {
  BoxSearch search{pid, caption, nullptr};
  EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string BoxText(HWND box) {
  char text[1024] = "";
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  return text;
}

void PressBoxButton(HWND box, int32_t id) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}
