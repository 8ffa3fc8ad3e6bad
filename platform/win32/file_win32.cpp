// Windows half of the file seam: kernel32 file handles.
#include "platform/file.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace {
HANDLE Native(FileHandle file) { return reinterpret_cast<HANDLE>(file); }
}  // namespace

FileHandle FileOpenRead(const char* path) {
  if (path == nullptr) return kNoFile;
  HANDLE h = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE || h == nullptr) return kNoFile;
  return reinterpret_cast<FileHandle>(h);
}

int32_t FileRead(FileHandle file, void* buffer, int32_t count) {
  if (file == kNoFile || count <= 0) return 0;
  DWORD got = 0;
  if (!ReadFile(Native(file), buffer, static_cast<DWORD>(count), &got, nullptr)) return 0;
  return static_cast<int32_t>(got);
}

int64_t FileSeek(FileHandle file, int64_t distance, FileOrigin origin) {
  if (file == kNoFile) return -1;
  DWORD method = origin == kFromStart ? FILE_BEGIN : origin == kFromCurrent ? FILE_CURRENT : FILE_END;
  LARGE_INTEGER move;
  LARGE_INTEGER result;
  move.QuadPart = distance;
  if (!SetFilePointerEx(Native(file), move, &result, method)) return -1;
  return static_cast<int64_t>(result.QuadPart);
}

int64_t FileSize(FileHandle file) {
  LARGE_INTEGER size;
  if (file == kNoFile || !GetFileSizeEx(Native(file), &size)) return -1;
  return static_cast<int64_t>(size.QuadPart);
}

void FileClose(FileHandle file) {
  if (file != kNoFile) CloseHandle(Native(file));
}

int32_t FileWriteWhole(const char* path, const void* bytes, int64_t size) {
  if (path == nullptr || size < 0 || (bytes == nullptr && size > 0)) return 0;
  // OPEN_ALWAYS keeps the attributes of a file that exists (a hidden file refuses CREATE_ALWAYS).
  HANDLE h = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE || h == nullptr) return 0;
  const auto* data = static_cast<const char*>(bytes);
  bool ok = true;
  for (int64_t done = 0; ok && done < size;) {
    const DWORD chunk = size - done > (int64_t(1) << 20) ? DWORD(1) << 20 : DWORD(size - done);
    DWORD put = 0;
    ok = WriteFile(h, data + done, chunk, &put, nullptr) && put == chunk;
    done += put;
  }
  ok = ok && SetEndOfFile(h);
  return CloseHandle(h) && ok ? 1 : 0;
}

FileHandle FileCreateNew(const char* path, int32_t* exists) {
  *exists = 0;
  if (path == nullptr) return kNoFile;
  HANDLE h = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE || h == nullptr) {
    const DWORD error = GetLastError();
    *exists = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? 1 : 0;
    return kNoFile;
  }
  return reinterpret_cast<FileHandle>(h);
}

int32_t FileWrite(FileHandle file, const void* bytes, int32_t count) {
  if (file == kNoFile || count < 0) return 0;
  DWORD put = 0;
  return count == 0 || (WriteFile(Native(file), bytes, static_cast<DWORD>(count), &put, nullptr) &&
                        put == static_cast<DWORD>(count))
             ? 1
             : 0;
}

FileHandle FileOpenUpdate(const char* path) {
  if (path == nullptr) return kNoFile;
  // A read-only file stays unwritten, also where the system would let its owner open it (Wine as root).
  const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    return kNoFile;
  }
  HANDLE h = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE || h == nullptr) return kNoFile;
  return reinterpret_cast<FileHandle>(h);
}

int32_t FileFlush(FileHandle file) { return file != kNoFile && FlushFileBuffers(Native(file)) ? 1 : 0; }

namespace {
int64_t Ticks(const FILETIME& t) { return int64_t(uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime); }
FILETIME FileTimeOf(int64_t ticks) {
  FILETIME t;
  t.dwLowDateTime = DWORD(uint64_t(ticks) & 0xFFFFFFFFu);
  t.dwHighDateTime = DWORD(uint64_t(ticks) >> 32);
  return t;
}
}  // namespace

int32_t FileGetTimes(FileHandle file, FileTimes* times) {
  FILETIME c, a, w;
  if (file == kNoFile || !GetFileTime(Native(file), &c, &a, &w)) return 0;
  *times = {Ticks(c), Ticks(a), Ticks(w)};
  return 1;
}

int32_t FileSetTimes(FileHandle file, const FileTimes& times) {
  const FILETIME c = FileTimeOf(times.created), a = FileTimeOf(times.accessed), w = FileTimeOf(times.written);
  return file != kNoFile && SetFileTime(Native(file), &c, &a, &w) ? 1 : 0;
}

int32_t FileRename(const char* from, const char* to) {
  if (from == nullptr || to == nullptr) return 0;
  return MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(), MOVEFILE_WRITE_THROUGH) ? 1 : 0;
}

int32_t FileDelete(const char* path) {
  return path != nullptr && DeleteFileW(WideFromUtf8(path).c_str()) ? 1 : 0;
}
