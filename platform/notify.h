// Notifications and message boxes of the portable decoder core.
// On Windows they go to PostMessageA and MessageBoxA; tests and command-line tools install hooks
// so that nothing ever blocks on a box and every posted message can be recorded.
#pragma once
#include <cstdint>

using WindowHandle = void*;

// Message box styles and answers, with the values Windows gives them.
constexpr uint32_t kBoxOk = 0x00000000;        // MB_OK
constexpr uint32_t kBoxOkCancel = 0x00000001;  // MB_OKCANCEL
constexpr uint32_t kBoxIconError = 0x00000010; // MB_ICONHAND
constexpr int32_t kAnswerOk = 1;               // IDOK
constexpr int32_t kAnswerCancel = 2;           // IDCANCEL

using PostMessageHook = void (*)(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
using SendMessageHook = intptr_t (*)(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
using MessageBoxHook = int32_t (*)(WindowHandle owner, const char* text, const char* caption, uint32_t style);

// Posts a message to a window (or, with a null window, to the calling thread's queue on Windows).
void PostPlayerMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Sends a message to a window and waits for its answer (nothing happens for a null window).
intptr_t SendPlayerMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Shows a modal message box and returns the answer.
int32_t ShowMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t style);

// A null hook restores the platform's own behaviour.
void SetPostMessageHook(PostMessageHook hook);
void SetSendMessageHook(SendMessageHook hook);
void SetMessageBoxHook(MessageBoxHook hook);
