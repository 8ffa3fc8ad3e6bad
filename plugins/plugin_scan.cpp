#include "plugins/plugin_scan.h"

#include <cstring>

#include "plugins/pe_exports.h"

namespace {

std::vector<PluginLibrary> gLibraries;
int32_t gLibraryCount = 0;

// path := folder + name, or false when it would not fit (a cut path could name another file).
bool JoinPath(char (&path)[kPluginPathSize], const char* folder, const char* name) {
  const size_t folderLength = strnlen(folder, kPluginPathSize);
  const size_t nameLength = strnlen(name, kPluginPathSize);
  if (folderLength + nameLength >= kPluginPathSize) return false;
  std::memcpy(path, folder, folderLength);
  std::memcpy(path + folderLength, name, nameLength);
  path[folderLength + nameLength] = 0;
  return true;
}

void ListLibrary(const char* path, HMODULE library) {
  VisHeader* header = PluginHeader(library);
  if (!header) return;
  gLibraries.emplace_back();
  PluginLibrary& listed = gLibraries.back();
  CopyPluginText(listed.path, sizeof listed.path, path);
  CopyPluginText(listed.description, sizeof listed.description, header->description);
  for (int32_t i = 0; header->getModule && i < kMaxPluginModules; ++i) {
    const VisModule* module = header->getModule(i);
    if (!module) break;
    PluginModule entry;
    CopyPluginText(entry.description, sizeof entry.description, module->description);
    entry.index = i;
    listed.modules.push_back(entry);
  }
  listed.moduleCount = static_cast<int32_t>(listed.modules.size());
}

}  // namespace

void CopyPluginText(char* destination, size_t capacity, const char* text) {
  if (!destination || capacity == 0) return;
  const size_t length = text ? strnlen(text, capacity - 1) : 0;
  if (length) std::memcpy(destination, text, length);
  destination[length] = 0;
}

HMODULE LoadPluginLibrary(const char* path) {
  if (!path || !path[0] || !PathExportsName(path, kVisEntryPoint)) return nullptr;
  return LoadLibraryA(path);
}

VisHeader* PluginHeader(HMODULE library) {
  const auto entry = reinterpret_cast<VisGetHeader>(
      reinterpret_cast<void*>(library ? GetProcAddress(library, kVisEntryPoint) : nullptr));
  return entry ? entry() : nullptr;
}

int32_t ScanPlugins(char (&folder)[kPluginPathSize]) {
  gLibraries.clear();
  gLibraryCount = 0;
  folder[kPluginPathSize - 1] = 0;  // the field may come damaged from the settings file
  const size_t length = std::strlen(folder);
  if ((length == 0 || folder[length - 1] != '\\') && length + 1 < kPluginPathSize) {
    folder[length] = '\\';
    folder[length + 1] = 0;
  }
  char pattern[kPluginPathSize];
  if (!JoinPath(pattern, folder, "*.DLL")) return 0;
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    char path[kPluginPathSize];
    found.cFileName[sizeof found.cFileName - 1] = 0;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !JoinPath(path, folder, found.cFileName)) continue;
    const HMODULE library = LoadPluginLibrary(path);
    if (!library) continue;
    ++gLibraryCount;
    ListLibrary(path, library);
    FreeLibrary(library);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return gLibraryCount;
}

int32_t PluginLibraryCount() { return gLibraryCount; }

const std::vector<PluginLibrary>& PluginLibraries() { return gLibraries; }
