#include "platform/folder_dialog.h"

#include <cstring>
#include <string>

#include "platform/win32/wide.h"

PIDLIST_ABSOLUTE(WINAPI* gBrowseForFolder)(LPBROWSEINFOW) = SHBrowseForFolderW;

int32_t ChooseFolder(HWND owner, const char* title, char* path, size_t capacity) {
  if (capacity > 0) path[0] = '\0';
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator)) || !allocator) return -1;
  // The browser is a shell object: COM runs apartment-threaded on this thread while it is shown. A
  // thread that already runs COM, in either model, is left as it was.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::wstring wideTitle = WideFromUtf8(title);
  WCHAR name[MAX_PATH] = L"";
  BROWSEINFOW browse = {};
  browse.hwndOwner = owner;
  browse.pszDisplayName = name;
  browse.lpszTitle = wideTitle.c_str();
  int32_t chosen = 0;
  if (PIDLIST_ABSOLUTE item = gBrowseForFolder(&browse)) {
    WCHAR folder[MAX_PATH] = L"";
    const std::string text = SHGetPathFromIDListW(item, folder) ? Utf8FromWide(folder) : std::string();
    // A path cut short would name another folder: one that does not fit counts as none chosen.
    if (!text.empty() && text.size() < capacity) {
      std::memcpy(path, text.c_str(), text.size() + 1);
      chosen = 1;
    }
    allocator->Free(item);
  }
  allocator->Release();
  if (SUCCEEDED(com)) CoUninitialize();
  return chosen;
}
