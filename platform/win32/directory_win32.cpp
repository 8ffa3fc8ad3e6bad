// Windows half of the directory seam: kernel32's attribute, current-directory and find functions.
#include "platform/directory.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "platform/text.h"
#include "platform/win32/wide.h"

namespace {
HANDLE Native(MatchSearch search) { return reinterpret_cast<HANDLE>(search); }

bool IsFile(const WIN32_FIND_DATAW& data) { return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0; }

void CopyName(const WIN32_FIND_DATAW& data, char name[kMatchNameSize]) {
  size_t units = 0;
  while (units < MAX_PATH && data.cFileName[units] != 0) ++units;
  Utf8FromUtf16(reinterpret_cast<const uint16_t*>(data.cFileName), int32_t(units), name, kMatchNameSize);
}
}  // namespace

int32_t PathIsDirectory(const char* path) {
  if (path == nullptr) return 0;
  const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

int32_t GetWorkingDirectory(char* buffer, int32_t size) {
  if (buffer == nullptr || size <= 0) return 0;
  WCHAR folder[MAX_PATH + 1];
  const DWORD n = GetCurrentDirectoryW(MAX_PATH + 1, folder);
  buffer[0] = 0;
  if (n == 0 || n > MAX_PATH) return 0;
  // A folder whose UTF-8 does not fit is not cut into another one.
  const std::string text = Utf8FromWide(folder, int32_t(n));
  if (text.size() >= static_cast<size_t>(size)) return 0;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return 1;
}

int32_t SetWorkingDirectory(const char* path) {
  return path != nullptr && SetCurrentDirectoryW(WideFromUtf8(path).c_str()) ? 1 : 0;
}

int32_t GetProgramFolder(char* buffer, int32_t size) {
  if (buffer == nullptr || size <= 0) return 0;
  std::wstring module(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, &module[0], DWORD(module.size()));
  buffer[0] = 0;
  if (n == 0 || n >= module.size()) return 0;
  const std::string path = Utf8FromWide(module.c_str(), int32_t(n));
  const size_t separator = path.rfind('\\');
  if (separator == std::string::npos || separator + 1 >= static_cast<size_t>(size)) return 0;
  std::memcpy(buffer, path.c_str(), separator + 1);
  buffer[separator + 1] = 0;
  return 1;
}

MatchSearch FindFirstMatch(char name[kMatchNameSize]) {
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(L"*.mp?", &data);
  if (h == INVALID_HANDLE_VALUE) return kNoSearch;
  while (!IsFile(data)) {
    if (!FindNextFileW(h, &data)) {
      FindClose(h);
      return kNoSearch;
    }
  }
  CopyName(data, name);
  return reinterpret_cast<MatchSearch>(h);
}

int32_t FindNextMatch(MatchSearch search, char name[kMatchNameSize]) {
  if (search == kNoSearch) return 0;
  WIN32_FIND_DATAW data;
  do {
    if (!FindNextFileW(Native(search), &data)) return 0;
  } while (!IsFile(data));
  CopyName(data, name);
  return 1;
}

void FindEndMatches(MatchSearch search) {
  if (search != kNoSearch) FindClose(Native(search));
}

int32_t GetMusicFolder(char* buffer, int32_t size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = 0;
  WCHAR folder[MAX_PATH + 1] = {};
  if (SHGetFolderPathW(nullptr, CSIDL_MYMUSIC, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK || folder[0] == 0) return 0;
  const int32_t units = static_cast<int32_t>(wcslen(folder));
  const int32_t n = Utf8FromUtf16(reinterpret_cast<const uint16_t*>(folder), units, buffer, size);
  if (n <= 0 || Utf16Length(buffer) != units) {  // cut: no folder rather than another one
    buffer[0] = 0;
    return 0;
  }
  return 1;
}
