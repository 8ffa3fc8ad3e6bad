// Windows half of the directory seam: kernel32's attribute, current-directory and find functions.
#include "platform/directory.h"

#include <windows.h>

#include <cstring>

namespace {
HANDLE Native(MatchSearch search) { return reinterpret_cast<HANDLE>(search); }

bool IsFile(const WIN32_FIND_DATAA& data) { return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0; }

void CopyName(const WIN32_FIND_DATAA& data, char name[kMatchNameSize]) {
  const size_t n = strnlen(data.cFileName, sizeof data.cFileName);
  const size_t kept = n < size_t(kMatchNameSize - 1) ? n : size_t(kMatchNameSize - 1);
  std::memcpy(name, data.cFileName, kept);
  name[kept] = 0;
}
}  // namespace

int32_t PathIsDirectory(const char* path) {
  if (path == nullptr) return 0;
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

int32_t GetWorkingDirectory(char* buffer, int32_t size) {
  if (buffer == nullptr || size <= 0) return 0;
  const DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(size), buffer);
  if (n == 0 || n >= static_cast<DWORD>(size)) {
    buffer[0] = 0;
    return 0;
  }
  return 1;
}

int32_t SetWorkingDirectory(const char* path) {
  return path != nullptr && SetCurrentDirectoryA(path) ? 1 : 0;
}

int32_t GetProgramFolder(char* buffer, int32_t size) {
  if (buffer == nullptr || size <= 0) return 0;
  // A path that does not fit comes back cut to the buffer's size.
  const DWORD n = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
  const char* separator = n > 0 && n < static_cast<DWORD>(size) ? std::strrchr(buffer, '\\') : nullptr;
  if (separator == nullptr) {
    buffer[0] = 0;
    return 0;
  }
  buffer[separator - buffer + 1] = 0;
  return 1;
}

MatchSearch FindFirstMatch(char name[kMatchNameSize]) {
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA("*.mp?", &data);
  if (h == INVALID_HANDLE_VALUE) return kNoSearch;
  while (!IsFile(data)) {
    if (!FindNextFileA(h, &data)) {
      FindClose(h);
      return kNoSearch;
    }
  }
  CopyName(data, name);
  return reinterpret_cast<MatchSearch>(h);
}

int32_t FindNextMatch(MatchSearch search, char name[kMatchNameSize]) {
  if (search == kNoSearch) return 0;
  WIN32_FIND_DATAA data;
  do {
    if (!FindNextFileA(Native(search), &data)) return 0;
  } while (!IsFile(data));
  CopyName(data, name);
  return 1;
}

void FindEndMatches(MatchSearch search) {
  if (search != kNoSearch) FindClose(Native(search));
}
