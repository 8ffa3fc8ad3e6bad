#include "shell/command_line.h"

#include <cstring>
#include <string>

namespace {
struct PieceSink {
  void (*take)(const char*, void*);
  void* context;
  int32_t count;
  std::string path;

  void Hand(const char* begin, const char* end) {
    if (begin == end) return;
    path.assign(begin, end);
    take(path.c_str(), context);
    ++count;
  }
};
}  // namespace

int32_t SplitOpenArguments(const char* text, size_t length, void (*take)(const char* path, void* context),
                           void* context) {
  if (!text || !take) return 0;
  // A text handed over with its terminator ends there.
  if (const void* nul = std::memchr(text, '\0', length)) length = size_t(static_cast<const char*>(nul) - text);

  PieceSink sink{take, context, 0, {}};
  const char* p = text;
  const char* const end = text + length;
  while (p < end) {
    if (*p == '"') {
      const char* const begin = p + 1;
      const void* close = std::memchr(begin, '"', size_t(end - begin));
      const char* const stop = close ? static_cast<const char*>(close) : end;
      sink.Hand(begin, stop);
      p = close ? stop + 1 : end;
    } else if (*p == ' ') {
      ++p;
    } else {
      const char* const begin = p;
      while (p < end && *p != ' ' && *p != '"') ++p;
      sink.Hand(begin, p);
    }
  }
  return sink.count;
}

const char* SkipProgramName(const char* commandLine) {
  if (!commandLine) return "";
  const char* p = commandLine;
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}
