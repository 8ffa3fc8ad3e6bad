// A private temporary folder for fuzz targets that must read their input from a named file: in memory
// (/dev/shm) when the system has it, removed with its files when the fuzzer exits.
#pragma once
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace scratch_detail {
// Kept alive to the very end, so that the exit handler still finds them.
inline std::string& Folder() {
  static std::string* folder = new std::string;
  return *folder;
}
inline std::vector<std::string>& Files() {
  static std::vector<std::string>* files = new std::vector<std::string>;
  return *files;
}
inline void Cleanup() {
  for (const std::string& f : Files()) std::remove(f.c_str());
  rmdir(Folder().c_str());
}
}  // namespace scratch_detail

// Path of `name` in the folder, which is made on first use.
inline std::string ScratchFile(const char* prefix, const char* name) {
  std::string& folder = scratch_detail::Folder();
  if (folder.empty()) {
    char pattern[64];
    std::snprintf(pattern, sizeof pattern, "%s/zav-%s-XXXXXX", access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp",
                  prefix);
    if (!mkdtemp(pattern)) std::abort();
    folder = pattern;
    std::atexit(&scratch_detail::Cleanup);
  }
  const std::string path = folder + "/" + name;
  scratch_detail::Files().push_back(path);
  return path;
}
