// "Open URL...": a modal dialog for a stream's address, pre-filled from the clipboard when it holds one.
// The address replaces the playlist, as Open File does with a file.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// What OK makes of the text typed: 1 and `address` set (the blanks around it dropped) for a well-formed
// http:// or https:// address that fits a playlist entry; else 0 after a box owned by `owner` saying why
// (the text is no address, or it is too long).
int32_t AcceptStreamAddress(HWND owner, const std::string& text, std::string* address);

// The command (Ctrl+L): the dialog, then the playlist replaced by the address, played with Auto Play On
// File Open.
void OpenUrl(HWND window);
