// Windows half of the profile seam: the kernel's own profile functions.
#include "platform/profile.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "platform/profile_text.h"
#include "platform/win32/wide.h"

namespace {

// Files are read up to this size for a batch write; no playlist or settings file comes near it.
constexpr DWORD kMaxFileBytes = DWORD(64) << 20;

// The folder SetProfileFolder chose, in UTF-8 and in the form the ANSI profile functions take; both
// empty for the Windows folder.
std::string gFolderUtf8;
std::string gFolderAnsi;

bool HasFolder(const char* file) { return std::strchr(file, '\\') || std::strchr(file, '/'); }

// The name to hand the ANSI profile functions: `file` itself, or its path in the chosen folder.
std::string Resolved(const char* file) {
  if (gFolderAnsi.empty() || HasFolder(file)) return file;
  return gFolderAnsi + file;
}

// Where the profile functions keep `file`: a name without a folder lives in the Windows folder.
std::string ProfilePath(const char* file) {
  if (HasFolder(file)) return file;
  if (!gFolderAnsi.empty()) return gFolderAnsi + file;
  char folder[MAX_PATH];
  const UINT length = GetWindowsDirectoryA(folder, sizeof folder);
  if (length == 0 || length >= sizeof folder) return file;
  std::string path(folder, length);
  if (path.back() != '\\') path += '\\';
  return path + file;
}

enum class ReadResult { kRead, kMissing, kError };

ReadResult ReadText(const std::string& path, std::string& text) {
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? ReadResult::kMissing : ReadResult::kError;
  }
  DWORD high = 0;
  const DWORD size = GetFileSize(handle, &high);
  bool ok = size != INVALID_FILE_SIZE && high == 0 && size <= kMaxFileBytes;
  if (ok) {
    text.resize(size);
    DWORD done = 0;
    while (ok && done < size) {
      DWORD got = 0;
      ok = ReadFile(handle, &text[done], size - done, &got, nullptr) && got > 0;
      done += got;
    }
  }
  CloseHandle(handle);
  return ok ? ReadResult::kRead : ReadResult::kError;
}

bool WriteText(const std::string& path, const std::string& text) {
  // OPEN_ALWAYS keeps the attributes of a file that exists (a hidden file refuses CREATE_ALWAYS).
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  size_t done = 0;
  while (ok && done < text.size()) {
    const size_t left = text.size() - done;
    const DWORD chunk = left > (DWORD(1) << 20) ? (DWORD(1) << 20) : DWORD(left);
    DWORD put = 0;
    ok = WriteFile(handle, text.data() + done, chunk, &put, nullptr) && put == chunk;
    done += put;
  }
  ok = ok && SetEndOfFile(handle);
  return CloseHandle(handle) && ok;
}

// A key is there unless reads with two different defaults both give their default.
bool HasKey(const char* section, const char* key, const char* file) {
  char first[2], second[2];
  GetPrivateProfileStringA(section, key, "a", first, sizeof first, file);
  GetPrivateProfileStringA(section, key, "b", second, sizeof second, file);
  return first[0] != 'a' || second[0] != 'b';
}

bool IsUtf16(const std::string& text) {
  return text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF'));
}

}  // namespace

void SetProfileFolder(const char* folder) {
  gFolderUtf8 = folder ? folder : "";
  gFolderAnsi.clear();
  if (gFolderUtf8.empty()) return;
  if (gFolderUtf8.back() != '\\' && gFolderUtf8.back() != '/') gFolderUtf8 += '\\';
  // The profile functions take ANSI names: a folder the code page cannot spell is named by its short form.
  std::string ansi(gFolderUtf8.size() + 1, '\0');
  const int32_t length = AnsiFromUtf8(gFolderUtf8.c_str(), &ansi[0], int32_t(ansi.size()));
  if (length >= 0) {
    gFolderAnsi.assign(ansi.c_str(), size_t(length));
    return;
  }
  const std::wstring wide = WideFromUtf8(gFolderUtf8);
  wchar_t shortForm[MAX_PATH];
  const DWORD units = GetShortPathNameW(wide.c_str(), shortForm, MAX_PATH);
  char shortAnsi[MAX_PATH * 2];
  if (units > 0 && units < MAX_PATH &&
      AnsiFromUtf8(Utf8FromWide(shortForm, int32_t(units)).c_str(), shortAnsi, sizeof shortAnsi) >= 0)
    gFolderAnsi = shortAnsi;
  else
    gFolderAnsi = gFolderUtf8;  // no better name: the files are at least never looked for elsewhere
}

std::string ProfileFilePath(const char* file) {
  if (HasFolder(file)) return file;
  if (!gFolderUtf8.empty()) return gFolderUtf8 + file;
  wchar_t folder[MAX_PATH];
  const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return file;
  std::string path = Utf8FromWide(folder, int32_t(length));
  if (path.back() != '\\') path += '\\';
  return path + file;
}

int32_t ProfileGetInt(const char* section, const char* key, int32_t defaultValue, const char* file) {
  return static_cast<int32_t>(GetPrivateProfileIntA(section, key, defaultValue, Resolved(file).c_str()));
}

uint32_t ProfileGetString(const char* section, const char* key, const char* defaultValue, char* dest,
                          uint32_t size, const char* file) {
  if (!dest || size == 0) return 0;
  return GetPrivateProfileStringA(section, key, defaultValue ? defaultValue : "", dest, size, Resolved(file).c_str());
}

bool ProfileWriteString(const char* section, const char* key, const char* value, const char* file) {
  return WritePrivateProfileStringA(section, key, value, Resolved(file).c_str()) != FALSE;
}

bool ProfileDeleteKey(const char* section, const char* key, const char* file) {
  // Each call removes the first line of the key; the bound keeps a hostile file from holding us long.
  const std::string name = Resolved(file);
  for (int32_t lines = 0; lines < 1024 && HasKey(section, key, name.c_str()); ++lines) {
    if (!WritePrivateProfileStringA(section, key, nullptr, name.c_str())) return false;
  }
  return true;
}

bool ProfileGetStruct(const char* section, const char* key, void* dest, uint32_t size, const char* file) {
  return GetPrivateProfileStructA(section, key, dest, size, Resolved(file).c_str()) != FALSE;
}

bool ProfileWriteStruct(const char* section, const char* key, const void* src, uint32_t size,
                        const char* file) {
  // The function does not write through its pointer; its prototype just lacks the const.
  return WritePrivateProfileStructA(section, key, const_cast<void*>(src), size, Resolved(file).c_str()) != FALSE;
}

bool ProfileWriteStrings(const char* section, const ProfileString* strings, size_t count, const char* file) {
  if (!section || !file || (!strings && count > 0)) return false;
  // What the profile functions hold of the file goes to disk first and is forgotten afterwards, so that
  // neither this write nor their later reads work from a stale copy.
  const std::string name = Resolved(file);
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, name.c_str());
  const std::string path = ProfilePath(file);
  std::string text;
  const ReadResult read = ReadText(path, text);
  if (read == ReadResult::kError) return false;
  bool ok;
  if (IsUtf16(text)) {
    // A Unicode file is left to the profile functions, which keep it in its encoding.
    ok = true;
    for (size_t i = 0; ok && i < count; ++i) ok = ProfileWriteString(section, strings[i].key, strings[i].value, file);
  } else {
    ok = ApplyProfileWrites(text, section, strings, count) && WriteText(path, text);
  }
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, name.c_str());
  return ok;
}
