// Host half of the file seam: POSIX descriptors, stored as descriptor + 1 so that 0 stays "no file".
#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include <cstring>

namespace {
int Descriptor(FileHandle file) { return static_cast<int>(file - 1); }

// The one memory file: a handle no descriptor can have.
constexpr FileHandle kMemoryFile = -2;
struct MemoryFile {
  const uint8_t* data;
  int64_t size;
  int64_t pos;
} gMemory = {nullptr, 0, 0};
}  // namespace

FileHandle FileOpenMemory(const uint8_t* data, int64_t size) {
  gMemory = {data, size < 0 ? 0 : size, 0};
  return kMemoryFile;
}

FileHandle FileOpenRead(const char* path) {
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kNoFile;
  struct stat info;
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return kNoFile;
  }
#ifdef POSIX_FADV_SEQUENTIAL
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
  return static_cast<FileHandle>(fd) + 1;
}

int32_t FileRead(FileHandle file, void* buffer, int32_t count) {
  if (file == kNoFile || count <= 0) return 0;
  if (file == kMemoryFile) {
    const int64_t left = gMemory.pos < gMemory.size ? gMemory.size - gMemory.pos : 0;
    const int32_t n = left < count ? static_cast<int32_t>(left) : count;
    if (n > 0) std::memcpy(buffer, gMemory.data + gMemory.pos, static_cast<size_t>(n));
    gMemory.pos += n;
    return n;
  }
  char* out = static_cast<char*>(buffer);
  int32_t total = 0;
  while (total < count) {
    ssize_t got = ::read(Descriptor(file), out + total, static_cast<size_t>(count - total));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    total += static_cast<int32_t>(got);
  }
  return total;
}

int64_t FileSeek(FileHandle file, int64_t distance, FileOrigin origin) {
  if (file == kNoFile) return -1;
  if (file == kMemoryFile) {
    const int64_t base = origin == kFromStart ? 0 : origin == kFromCurrent ? gMemory.pos : gMemory.size;
    if (base + distance < 0) return -1;
    gMemory.pos = base + distance;
    return gMemory.pos;
  }
  int whence = origin == kFromStart ? SEEK_SET : origin == kFromCurrent ? SEEK_CUR : SEEK_END;
  off_t pos = ::lseek(Descriptor(file), static_cast<off_t>(distance), whence);
  return pos < 0 ? -1 : static_cast<int64_t>(pos);
}

int64_t FileSize(FileHandle file) {
  if (file == kMemoryFile) return gMemory.size;
  struct stat info;
  if (file == kNoFile || ::fstat(Descriptor(file), &info) != 0) return -1;
  return static_cast<int64_t>(info.st_size);
}

void FileClose(FileHandle file) {
  if (file == kMemoryFile) {
    gMemory = {nullptr, 0, 0};
    return;
  }
  if (file != kNoFile) ::close(Descriptor(file));
}

int32_t FileWriteWhole(const char* path, const void* bytes, int64_t size) {
  if (path == nullptr || size < 0 || (bytes == nullptr && size > 0)) return 0;
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return 0;
  const auto* data = static_cast<const char*>(bytes);
  for (int64_t done = 0; done < size;) {
    const ssize_t put = ::write(fd, data + done, static_cast<size_t>(size - done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      ::close(fd);
      return 0;
    }
    done += put;
  }
  return ::close(fd) == 0 ? 1 : 0;
}

FileHandle FileCreateNew(const char* path, int32_t* exists) {
  *exists = 0;
  if (path == nullptr) return kNoFile;
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    *exists = errno == EEXIST ? 1 : 0;
    return kNoFile;
  }
  return static_cast<FileHandle>(fd) + 1;
}

int32_t FileWrite(FileHandle file, const void* bytes, int32_t count) {
  if (file == kNoFile || file == kMemoryFile || count < 0) return 0;
  const auto* data = static_cast<const char*>(bytes);
  for (int32_t done = 0; done < count;) {
    const ssize_t put = ::write(Descriptor(file), data + done, static_cast<size_t>(count - done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return 0;
    done += static_cast<int32_t>(put);
  }
  return 1;
}

FileHandle FileOpenUpdate(const char* path) {
  if (path == nullptr) return kNoFile;
  const int fd = ::open(path, O_RDWR | O_CLOEXEC);
  if (fd < 0) return kNoFile;
  struct stat info;
  // A file without write permission stays unwritten even for a user who could override it.
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode) || (info.st_mode & S_IWUSR) == 0) {
    ::close(fd);
    return kNoFile;
  }
  return static_cast<FileHandle>(fd) + 1;
}

int32_t FileFlush(FileHandle file) {
  return file != kNoFile && file != kMemoryFile && ::fsync(Descriptor(file)) == 0 ? 1 : 0;
}

int32_t FileGetTimes(FileHandle file, FileTimes* times) {
  struct stat info;
  if (file == kNoFile || file == kMemoryFile || ::fstat(Descriptor(file), &info) != 0) return 0;
  const auto ns = [](const timespec& t) { return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec; };
  *times = {ns(info.st_ctim), ns(info.st_atim), ns(info.st_mtim)};
  return 1;
}

int32_t FileSetTimes(FileHandle file, const FileTimes& times) {
  if (file == kNoFile || file == kMemoryFile) return 0;
  const auto toTimespec = [](int64_t ns) { return timespec{time_t(ns / 1000000000), long(ns % 1000000000)}; };
  const timespec both[2] = {toTimespec(times.accessed), toTimespec(times.written)};
  return ::futimens(Descriptor(file), both) == 0 ? 1 : 0;
}

int32_t FileRename(const char* from, const char* to) {
  if (from == nullptr || to == nullptr) return 0;
  struct stat info;
  if (::lstat(to, &info) == 0) return 0;
  return ::rename(from, to) == 0 ? 1 : 0;
}

int32_t FileDelete(const char* path) { return path != nullptr && ::unlink(path) == 0 ? 1 : 0; }
