// Host half of the profile seam: a small ini reader and writer that behaves like the Windows profile
// functions for what the program uses. Every call reads the file afresh (no cache to go stale), and any
// content is accepted: lines end at CR LF, LF or CR; lines that are neither a section header nor hold
// a "=" are ignored; values are cut at a NUL byte.
#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Files are read up to this size; no ini file of ours comes near it. A longer file is never written
// back, so that its tail is not lost.
constexpr size_t kMaxFileBytes = size_t(16) << 20;

enum class ReadResult { kRead, kMissing, kError };

// Where a profile file lives: a name without a folder goes to the Windows folder.
std::string ResolvePath(const char* file) {
  if (std::strchr(file, '/') || std::strchr(file, '\\')) return file;
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

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// One line of the file: its text is [begin, end); the following line starts at next.
struct Line {
  size_t begin;
  size_t end;
  size_t next;
};

bool NextLine(const std::string& text, size_t pos, Line& line) {
  if (pos >= text.size()) return false;
  size_t end = pos;
  while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
  size_t next = end;
  if (next < text.size()) next += (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1;
  line = {pos, end, next};
  return true;
}

enum class LineKind { kOther, kSection, kKey };

// What a line holds: a section header (name in [nameBegin, nameEnd)), a key (name and value), or
// anything else.
struct ParsedLine {
  LineKind kind = LineKind::kOther;
  size_t nameBegin = 0, nameEnd = 0;
  size_t valueBegin = 0, valueEnd = 0;
};

// Offset of the first `c` in [begin, end), or end.
size_t FindIn(const std::string& text, size_t begin, size_t end, char c) {
  const void* hit = begin < end ? std::memchr(text.data() + begin, c, end - begin) : nullptr;
  return hit ? size_t(static_cast<const char*>(hit) - text.data()) : end;
}

void Trim(const std::string& text, size_t& begin, size_t& end) {
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
}

ParsedLine ParseLine(const std::string& text, const Line& line) {
  ParsedLine parsed;
  size_t begin = line.begin;
  size_t end = line.end;
  Trim(text, begin, end);
  if (begin < end && text[begin] == '[') {
    const size_t close = FindIn(text, begin + 1, end, ']');
    if (close == end) return parsed;
    parsed.kind = LineKind::kSection;
    parsed.nameBegin = begin + 1;
    parsed.nameEnd = close;
    Trim(text, parsed.nameBegin, parsed.nameEnd);
    return parsed;
  }
  const size_t equals = FindIn(text, begin, end, '=');
  if (equals == end) return parsed;
  parsed.kind = LineKind::kKey;
  parsed.nameBegin = begin;
  parsed.nameEnd = equals;
  Trim(text, parsed.nameBegin, parsed.nameEnd);
  size_t valueBegin = equals + 1;
  size_t valueEnd = FindIn(text, valueBegin, end, '\0');
  Trim(text, valueBegin, valueEnd);
  if (valueEnd - valueBegin >= 2 && (text[valueBegin] == '"' || text[valueBegin] == '\'') &&
      text[valueEnd - 1] == text[valueBegin]) {
    ++valueBegin;
    --valueEnd;
  }
  parsed.valueBegin = valueBegin;
  parsed.valueEnd = valueEnd;
  return parsed;
}

bool NameIs(const std::string& text, size_t begin, size_t end, const char* name) {
  const size_t length = std::strlen(name);
  if (end - begin != length) return false;
  for (size_t i = 0; i < length; ++i) {
    if (Lower(text[begin + i]) != Lower(name[i])) return false;
  }
  return true;
}

// The first section called `section` and, inside it, the first key called `key`.
struct Location {
  bool sectionFound = false;
  bool keyFound = false;
  Line keyLine{};
  ParsedLine key;
  size_t insertAt = 0;  // just after the last non-blank line of that section
};

Location Locate(const std::string& text, const char* section, const char* key) {
  Location where;
  Line line{};
  for (size_t pos = 0; NextLine(text, pos, line); pos = line.next) {
    const ParsedLine parsed = ParseLine(text, line);
    if (!where.sectionFound) {
      if (parsed.kind == LineKind::kSection && NameIs(text, parsed.nameBegin, parsed.nameEnd, section)) {
        where.sectionFound = true;
        where.insertAt = line.next;
      }
      continue;
    }
    if (parsed.kind == LineKind::kSection) break;
    if (parsed.kind == LineKind::kKey && !where.keyFound &&
        NameIs(text, parsed.nameBegin, parsed.nameEnd, key)) {
      where.keyFound = true;
      where.keyLine = line;
      where.key = parsed;
    }
    size_t begin = line.begin;
    size_t end = line.end;
    Trim(text, begin, end);
    if (begin < end) where.insertAt = line.next;
  }
  return where;
}

// The value of a key, as a view into `content`; false when the file or the key is missing.
bool FindValue(const char* section, const char* key, const char* file, std::string& content, size_t& begin,
               size_t& length) {
  bool truncated = false;
  if (ReadFileText(ResolvePath(file), content, truncated) != ReadResult::kRead) return false;
  const Location where = Locate(content, section, key);
  if (!where.keyFound) return false;
  begin = where.key.valueBegin;
  length = where.key.valueEnd - where.key.valueBegin;
  return true;
}

bool HasLineBreak(const char* text) { return std::strpbrk(text, "\r\n") != nullptr; }

bool EndsWithLineBreak(const std::string& text) {
  return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

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
  // A line break would end the line early and turn the rest into lines of their own.
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return false;
  const std::string path = ResolvePath(file);
  std::string content;
  bool truncated = false;
  const ReadResult read = ReadFileText(path, content, truncated);
  if (read == ReadResult::kError || truncated) return false;

  const std::string entry = std::string(key) + "=" + value + "\r\n";
  const Location where = Locate(content, section, key);
  if (where.keyFound) {
    content.replace(where.keyLine.begin, where.keyLine.next - where.keyLine.begin, entry);
  } else if (where.sectionFound) {
    const bool needBreak = where.insertAt > 0 && content[where.insertAt - 1] != '\n' &&
                           content[where.insertAt - 1] != '\r';
    content.insert(where.insertAt, needBreak ? "\r\n" + entry : entry);
  } else {
    if (!content.empty()) content += EndsWithLineBreak(content) ? "\r\n" : "\r\n\r\n";
    content += "[";
    content += section;
    content += "]\r\n";
    content += entry;
  }
  return WriteFileText(path, content);
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
