// Host half of the file seam: POSIX descriptors, stored as descriptor + 1 so that 0 stays "no file".
#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {
int Descriptor(FileHandle file) { return static_cast<int>(file - 1); }
}  // namespace

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
  int whence = origin == kFromStart ? SEEK_SET : origin == kFromCurrent ? SEEK_CUR : SEEK_END;
  off_t pos = ::lseek(Descriptor(file), static_cast<off_t>(distance), whence);
  return pos < 0 ? -1 : static_cast<int64_t>(pos);
}

int64_t FileSize(FileHandle file) {
  struct stat info;
  if (file == kNoFile || ::fstat(Descriptor(file), &info) != 0) return -1;
  return static_cast<int64_t>(info.st_size);
}

void FileClose(FileHandle file) {
  if (file != kNoFile) ::close(Descriptor(file));
}
