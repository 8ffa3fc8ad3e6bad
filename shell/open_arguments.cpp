// Argument strings to playlist additions, with every path made absolute first.
#include "shell/open_arguments.h"

#include <windows.h>

#include "playlist/playlist.h"
#include "shell/command_line.h"

namespace {

// The absolute form of `path`, or `path` itself when that does not fit a playlist path.
void MakeAbsolute(const char* path, char (&absolute)[MAX_PATH]) {
  const DWORD length = GetFullPathNameA(path, MAX_PATH, absolute, nullptr);
  if (length == 0 || length >= MAX_PATH) lstrcpynA(absolute, path, MAX_PATH);
}

void AddOne(const char* path, void*) {
  char absolute[MAX_PATH];
  MakeAbsolute(path, absolute);
  AddByType(absolute);
}

void QuoteOne(const char* path, void* context) {
  char absolute[MAX_PATH];
  MakeAbsolute(path, absolute);
  std::string& out = *static_cast<std::string*>(context);
  if (!out.empty()) out += ' ';
  out += '"';
  out += absolute;
  out += '"';
}

}  // namespace

int32_t AddOpenArguments(const char* text, size_t length) {
  if (!text) return 0;
  return SplitOpenArguments(text, length, AddOne, nullptr);
}

std::string AbsoluteOpenArguments(const char* text, size_t length) {
  std::string out;
  if (text) SplitOpenArguments(text, length, QuoteOne, &out);
  return out;
}
