#include "platform/folder_dialog.h"

#include <cstring>

PIDLIST_ABSOLUTE(WINAPI* gBrowseForFolder)(LPBROWSEINFOA) = SHBrowseForFolderA;

int32_t ChooseFolder(HWND owner, const char* title, char* path, size_t capacity) {
  if (capacity > 0) path[0] = '\0';
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator)) || !allocator) return -1;
  // The browser is a shell object: COM runs apartment-threaded on this thread while it is shown. A
  // thread that already runs COM, in either model, is left as it was.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  char name[MAX_PATH] = "";
  BROWSEINFOA browse = {};
  browse.hwndOwner = owner;
  browse.pszDisplayName = name;
  browse.lpszTitle = title;
  int32_t chosen = 0;
  if (PIDLIST_ABSOLUTE item = gBrowseForFolder(&browse)) {
    char folder[MAX_PATH] = "";
    const size_t length = SHGetPathFromIDListA(item, folder) ? strnlen(folder, sizeof folder) : 0;
    // A path cut short would name another folder: one that does not fit counts as none chosen.
    if (length > 0 && length < capacity) {
      std::memcpy(path, folder, length + 1);
      chosen = 1;
    }
    allocator->Free(item);
  }
  allocator->Release();
  if (SUCCEEDED(com)) CoUninitialize();
  return chosen;
}
