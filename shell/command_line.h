// Splitting an argument string (the command line, or the text a second copy hands over) into paths.
// No windows.h: the caller makes each path absolute and adds it to the playlist.
#pragma once
#include <cstddef>
#include <cstdint>

// Calls `take(path, context)` for each path in `text[0 .. length)`, in order; `text` need not end in a
// NUL. Each double-quoted run is one path (an unterminated run goes to the end); the unquoted text
// between runs is split at spaces; empty pieces are skipped. Pieces are handed whole, however long: a
// path cut to what a playlist entry holds could name another file, so the caller decides. Returns the
// number of paths handed to `take`.
int32_t SplitOpenArguments(const char* text, size_t length, void (*take)(const char* path, void* context),
                           void* context);

// The arguments of a whole command line as the system keeps it: the program name (a quoted run, or up
// to the first blank) and the blanks after it skipped, as the entry point's own argument string has it.
const char* SkipProgramName(const char* commandLine);
