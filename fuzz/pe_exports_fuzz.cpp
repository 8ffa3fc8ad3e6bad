// Reads arbitrary bytes as a DLL's export table. The answer is 0 or 1, and a name reported as exported
// must stand, with its terminator, somewhere in the bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "plugins/pe_exports.h"

namespace {
constexpr char kEntryPoint[] = "winampVisGetHeader";

bool Contains(const uint8_t* data, size_t size, const char* text, size_t length) {
  for (size_t i = 0; i + length <= size; ++i) {
    if (std::memcmp(data + i, text, length) == 0) return true;
  }
  return false;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (const char* name : {kEntryPoint, "A"}) {
    const FileHandle file = FileOpenMemory(data, static_cast<int64_t>(size));
    const int32_t found = ImageExportsName(file, name);
    FileClose(file);
    if (found != 0 && found != 1) std::abort();
    if (found && !Contains(data, size, name, std::strlen(name) + 1)) std::abort();
  }
  return 0;
}
