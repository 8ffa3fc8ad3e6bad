#include "shell/help_page.h"

#include <shellapi.h>

#include <string>

#include "platform/directory.h"
#include "platform/file.h"
#include "platform/notify.h"
#include "platform/text.h"
#include "platform/win32/wide.h"

HINSTANCE(WINAPI* gOpenDocument)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT) = ShellExecuteW;

int32_t OpenHelpPage(HWND window, const char* folder) {
  char programFolder[kPathBytes] = "";
  if (!folder) folder = GetProgramFolder(programFolder, kPathBytes) ? programFolder : "";
  const std::string page = std::string(folder) + kHelpPageName;
  const FileHandle file = FileOpenRead(page.c_str());
  if (file == kNoFile) {
    const std::string text = "The help page could not be found:\n" + page +
                             "\n\nIt is installed beside zav.exe; installing zav again puts it back.";
    ShowMessageBox(window, text.c_str(), "Error...", kBoxOk);
    return 0;
  }
  FileClose(file);
  // Values above 32 mean the page was handed to the program that opens web pages.
  const INT_PTR result = reinterpret_cast<INT_PTR>(
      gOpenDocument(window, L"open", WideFromUtf8(page).c_str(), nullptr, WideFromUtf8(folder).c_str(), SW_SHOWNORMAL));
  if (result > 32) return 1;
  const std::string text = "The help page could not be opened:\n" + page +
                           "\n\nNo program is set to open web pages (HTML files) on this computer.";
  ShowMessageBox(window, text.c_str(), "Error...", kBoxOk);
  return 0;
}
