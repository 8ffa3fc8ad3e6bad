// Windows half of the notification seam: PostMessageA and MessageBoxW unless a hook is installed.
#include "platform/notify.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace {
PostMessageHook gPostHook = nullptr;
SendMessageHook gSendHook = nullptr;
MessageBoxHook gBoxHook = nullptr;
}  // namespace

void PostPlayerMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (gPostHook) {
    gPostHook(window, message, wParam, lParam);
    return;
  }
  PostMessageA(static_cast<HWND>(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

intptr_t SendPlayerMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (!window) return 0;
  if (gSendHook) return gSendHook(window, message, wParam, lParam);
  return SendMessageA(static_cast<HWND>(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

int32_t ShowMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
  if (gBoxHook) return gBoxHook(owner, text, caption, style);
  // The text may name a file in any script.
  return MessageBoxW(static_cast<HWND>(owner), WideFromUtf8(text).c_str(), WideFromUtf8(caption).c_str(), style);
}

void SetPostMessageHook(PostMessageHook hook) { gPostHook = hook; }
void SetSendMessageHook(SendMessageHook hook) { gSendHook = hook; }
void SetMessageBoxHook(MessageBoxHook hook) { gBoxHook = hook; }
