// Host half of the directory seam: stat, getcwd/chdir and readdir, with the "*.mp?" match done here
// without regard to case, as the Windows find functions do.
#include "platform/directory.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {
struct Search {
  DIR* dir;
};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool MatchesMp(const char* name) {
  const size_t n = std::strlen(name);
  return n >= 4 && name[n - 4] == '.' && Lower(name[n - 3]) == 'm' && Lower(name[n - 2]) == 'p';
}

// Next matching file name of the listing; false at the end.
bool NextName(DIR* dir, char name[kMatchNameSize]) {
  while (dirent* entry = ::readdir(dir)) {
    const size_t n = std::strlen(entry->d_name);
    if (n >= size_t(kMatchNameSize) || !MatchesMp(entry->d_name)) continue;
    struct stat info;
    if (::stat(entry->d_name, &info) != 0 || S_ISDIR(info.st_mode)) continue;
    std::memcpy(name, entry->d_name, n + 1);
    return true;
  }
  return false;
}
}  // namespace

int32_t PathIsDirectory(const char* path) {
  struct stat info;
  return path != nullptr && ::stat(path, &info) == 0 && S_ISDIR(info.st_mode) ? 1 : 0;
}

int32_t GetWorkingDirectory(char* buffer, int32_t size) {
  if (buffer == nullptr || size <= 0) return 0;
  if (::getcwd(buffer, static_cast<size_t>(size)) == nullptr) {
    buffer[0] = 0;
    return 0;
  }
  return 1;
}

int32_t GetProgramFolder(char* buffer, int32_t size) {
  if (buffer == nullptr || size <= 0) return 0;
  const ssize_t n = ::readlink("/proc/self/exe", buffer, static_cast<size_t>(size));
  if (n > 0 && n < size) {
    buffer[n] = 0;
    if (char* separator = std::strrchr(buffer, '/')) {
      separator[1] = 0;
      return 1;
    }
  }
  buffer[0] = 0;
  return 0;
}

int32_t SetWorkingDirectory(const char* path) { return path != nullptr && ::chdir(path) == 0 ? 1 : 0; }

MatchSearch FindFirstMatch(char name[kMatchNameSize]) {
  DIR* dir = ::opendir(".");
  if (dir == nullptr) return kNoSearch;
  if (!NextName(dir, name)) {
    ::closedir(dir);
    return kNoSearch;
  }
  Search* search = new (std::nothrow) Search{dir};
  if (search == nullptr) {
    ::closedir(dir);
    return kNoSearch;
  }
  return reinterpret_cast<MatchSearch>(search);
}

int32_t FindNextMatch(MatchSearch search, char name[kMatchNameSize]) {
  if (search == kNoSearch) return 0;
  return NextName(reinterpret_cast<Search*>(search)->dir, name) ? 1 : 0;
}

void FindEndMatches(MatchSearch search) {
  if (search == kNoSearch) return;
  Search* s = reinterpret_cast<Search*>(search);
  ::closedir(s->dir);
  delete s;
}

int32_t GetMusicFolder(char* buffer, int32_t size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = 0;
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == 0) return 0;
  const int n = std::snprintf(buffer, static_cast<size_t>(size), "%s/Music", home);
  if (n <= 0 || n >= size) {
    buffer[0] = 0;
    return 0;
  }
  return 1;
}
