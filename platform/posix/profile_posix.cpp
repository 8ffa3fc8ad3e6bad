// Host half of the profile seam: a small ini reader and writer that behaves like the Windows profile
// functions for what the program uses, on the ini text rules of profile_text.h. Every call reads the file
// afresh (no cache to go stale), and any content is accepted.
#include "platform/profile.h"
#include "platform/profile_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Files are read up to this size; no settings or playlist file comes near it. A longer file is never
// written back, so that its tail is not lost.
constexpr size_t kMaxFileBytes = size_t(64) << 20;

enum class ReadResult { kRead, kMissing, kError };

// The folder SetProfileFolder chose; empty for the Windows folder.
std::string gFolder;

// Where a profile file lives: a name without a folder goes to the chosen folder, else the Windows folder.
std::string ResolvePath(const char* file) {
  if (std::strchr(file, '/') || std::strchr(file, '\\')) return file;
  if (!gFolder.empty()) return gFolder + file;
  const char* folder = std::getenv("ZAV_WINDOWS_DIR");
  if (!folder || !*folder) return file;
  std::string path = folder;
  if (path.back() != '/') path += '/';
  return path + file;
}

ReadResult ReadFileText(const std::string& path, std::string& content, bool& truncated) {
  content.clear();
  truncated = false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? ReadResult::kMissing : ReadResult::kError;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return ReadResult::kError;
  }
  char buffer[16384];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      ::close(fd);
      return ReadResult::kError;
    }
    if (got == 0) break;
    const size_t room = kMaxFileBytes - content.size();
    if (size_t(got) > room) {
      content.append(buffer, room);
      truncated = true;
      break;
    }
    content.append(buffer, size_t(got));
  }
  ::close(fd);
  return ReadResult::kRead;
}

bool WriteFileText(const std::string& path, const std::string& content) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t put = ::write(fd, content.data() + done, content.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      ::close(fd);
      return false;
    }
    done += size_t(put);
  }
  return ::close(fd) == 0;
}

// The value of a key, as a view into `content`; false when the file or the key is missing.
bool FindValue(const char* section, const char* key, const char* file, std::string& content, size_t& begin,
               size_t& length) {
  bool truncated = false;
  if (ReadFileText(ResolvePath(file), content, truncated) != ReadResult::kRead) return false;
  return FindProfileValue(content, section, key, begin, length);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

void SetProfileFolder(const char* folder) {
  gFolder = folder ? folder : "";
  if (!gFolder.empty() && gFolder.back() != '/') gFolder += '/';
}

std::string ProfileFilePath(const char* file) { return ResolvePath(file); }

int32_t ProfileGetInt(const char* section, const char* key, int32_t defaultValue, const char* file) {
  char value[64];
  if (ProfileGetString(section, key, "", value, sizeof value, file) == 0) return defaultValue;
  const char* p = value;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  uint32_t base = 10;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
  }
  uint32_t result = 0;
  for (; *p; ++p) {
    const int digit = HexDigit(*p);
    if (digit < 0 || uint32_t(digit) >= base) break;
    result = result * base + uint32_t(digit);  // wraps like the Windows conversion
  }
  if (negative) result = 0u - result;
  return static_cast<int32_t>(result);
}

uint32_t ProfileGetString(const char* section, const char* key, const char* defaultValue, char* dest,
                          uint32_t size, const char* file) {
  if (!dest || size == 0) return 0;
  std::string content;
  size_t begin = 0;
  size_t length = 0;
  const char* source;
  if (FindValue(section, key, file, content, begin, length)) {
    source = content.data() + begin;
  } else {
    source = defaultValue ? defaultValue : "";
    length = std::strlen(source);
  }
  const size_t copied = std::min<size_t>(length, size - 1);
  std::memcpy(dest, source, copied);
  dest[copied] = '\0';
  return static_cast<uint32_t>(copied);
}

bool ProfileWriteString(const char* section, const char* key, const char* value, const char* file) {
  const ProfileString one = {key, value};
  return ProfileWriteStrings(section, &one, 1, file);
}

bool ProfileWriteStrings(const char* section, const ProfileString* strings, size_t count, const char* file) {
  if (!strings && count > 0) return false;
  const std::string path = ResolvePath(file);
  std::string content;
  bool truncated = false;
  const ReadResult read = ReadFileText(path, content, truncated);
  if (read == ReadResult::kError || truncated) return false;
  if (!ApplyProfileWrites(content, section, strings, count)) return false;
  return WriteFileText(path, content);
}

bool ProfileDeleteKey(const char* section, const char* key, const char* file) {
  const std::string path = ResolvePath(file);
  std::string content;
  bool truncated = false;
  const ReadResult read = ReadFileText(path, content, truncated);
  if (read == ReadResult::kMissing) return true;
  if (read == ReadResult::kError || truncated) return false;
  return !RemoveProfileKey(content, section, key) || WriteFileText(path, content);
}

bool ProfileGetStruct(const char* section, const char* key, void* dest, uint32_t size, const char* file) {
  std::string content;
  size_t begin = 0;
  size_t length = 0;
  if (!dest || !FindValue(section, key, file, content, begin, length)) return false;
  if (uint64_t(length) != uint64_t(size) * 2 + 2) return false;
  const char* hex = content.data() + begin;
  // Check everything before the first byte is stored, so that a bad value leaves `dest` alone.
  uint32_t sum = 0;
  for (size_t i = 0; i < length; i += 2) {
    const int high = HexDigit(hex[i]);
    const int low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    if (i + 2 < length) sum += uint32_t(high * 16 + low);
    else if (uint32_t(high * 16 + low) != (sum & 0xFF)) return false;
  }
  uint8_t* out = static_cast<uint8_t*>(dest);
  for (uint32_t i = 0; i < size; ++i) out[i] = uint8_t(HexDigit(hex[2 * i]) * 16 + HexDigit(hex[2 * i + 1]));
  return true;
}

bool ProfileWriteStruct(const char* section, const char* key, const void* src, uint32_t size,
                        const char* file) {
  if (!src && size > 0) return false;
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string value;
  value.reserve(size_t(size) * 2 + 2);
  const uint8_t* bytes = static_cast<const uint8_t*>(src);
  uint32_t sum = 0;
  for (uint32_t i = 0; i < size; ++i) {
    value += kHex[bytes[i] >> 4];
    value += kHex[bytes[i] & 15];
    sum += bytes[i];
  }
  value += kHex[(sum >> 4) & 15];
  value += kHex[sum & 15];
  return ProfileWriteString(section, key, value.c_str(), file);
}
