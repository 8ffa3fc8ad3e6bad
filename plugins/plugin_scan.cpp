#include "plugins/plugin_scan.h"

#include <cstring>

#include "platform/win32/wide.h"
#include "plugins/pe_exports.h"
#include "settings/plugin_paths.h"
#include "settings/settings.h"

namespace {

std::vector<PluginLibrary> gLibraries;
int32_t gLibraryCount = 0;

// path := folder + name, or false when it would not fit in a path (a cut path could name another file).
bool JoinPath(char (&path)[kPathBytes], const char* folder, const char* name) {
  const size_t folderLength = strnlen(folder, kPathBytes);
  const size_t nameLength = strnlen(name, kPathBytes);
  if (folderLength + nameLength >= kPathBytes) return false;
  std::memcpy(path, folder, folderLength);
  std::memcpy(path + folderLength, name, nameLength);
  path[folderLength + nameLength] = 0;
  return Utf16Length(path) <= kMaxPathUnits;
}

// Appends "\" to the text in `size` bytes when it does not end in one and one more fits, as a byte of
// the buffer and as a unit of a path.
void EndWithBackslash(char* text, size_t size) {
  const size_t length = std::strlen(text);
  if ((length == 0 || text[length - 1] != '\\') && length + 1 < size && Utf16Length(text) < kMaxPathUnits) {
    text[length] = '\\';
    text[length + 1] = 0;
  }
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

// Lists the DLLs of the UTF-8 `folder`, which ends in "\"; returns the number loaded.
int32_t ScanFolder(const char* folder) {
  char pattern[kPathBytes];
  if (!JoinPath(pattern, folder, "*.DLL")) return 0;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(WideFromUtf8(pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int32_t count = 0;
  do {
    char path[kPathBytes];
    found.cFileName[MAX_PATH - 1] = 0;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !JoinPath(path, folder, Utf8FromWide(found.cFileName).c_str()))
      continue;
    const HMODULE library = LoadPluginLibrary(path);
    if (!library) continue;
    ++count;
    ListLibrary(path, library);
    FreeLibrary(library);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return count;
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
  return LoadLibraryW(WideFromUtf8(path).c_str());
}

VisHeader* PluginHeader(HMODULE library) {
  const auto entry = reinterpret_cast<VisGetHeader>(
      reinterpret_cast<void*>(library ? GetProcAddress(library, kVisEntryPoint) : nullptr));
  return entry ? entry() : nullptr;
}

int32_t ScanPlugins(char (&folder)[kPluginPathSize]) {
  gLibraries.clear();
  folder[kPluginPathSize - 1] = 0;  // the field may come damaged from the settings file
  PluginPath path;
  if (&folder == &gSettings.pluginFolder) {
    path = PluginFolder();
    EndWithBackslash(path.text, sizeof path.text);
    SetPluginFolder(path.text);
  } else {
    EndWithBackslash(folder, kPluginPathSize);
    Utf8FromAnsi(folder, -1, path.text, int32_t(sizeof path.text));
  }
  gLibraryCount = ScanFolder(path.text);
  return gLibraryCount;
}

int32_t PluginLibraryCount() { return gLibraryCount; }

const std::vector<PluginLibrary>& PluginLibraries() { return gLibraries; }
