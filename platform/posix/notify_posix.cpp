// Host half of the notification seam: without a hook, posts go nowhere and a box is printed to
// standard error and answered OK, so that nothing can block.
#include "platform/notify.h"

#include <cstdio>

namespace {
PostMessageHook gPostHook = nullptr;
SendMessageHook gSendHook = nullptr;
MessageBoxHook gBoxHook = nullptr;
}  // namespace

void PostPlayerMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (gPostHook) gPostHook(window, message, wParam, lParam);
}

intptr_t SendPlayerMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (gSendHook && window) return gSendHook(window, message, wParam, lParam);
  return 0;
}

int32_t ShowMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
  if (gBoxHook) return gBoxHook(owner, text, caption, style);
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  return kAnswerOk;
}

void SetPostMessageHook(PostMessageHook hook) { gPostHook = hook; }
void SetSendMessageHook(SendMessageHook hook) { gSendHook = hook; }
void SetMessageBoxHook(MessageBoxHook hook) { gBoxHook = hook; }
