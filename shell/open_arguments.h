// The open-argument rule on Windows: an argument string (the command line, or the text a second copy
// hands over) split into paths, each made absolute against the current folder.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Adds each path of `text[0 .. length)` to the playlist with AddByType. `text` need not end in a NUL.
// Returns the number of paths.
int32_t AddOpenArguments(const char* text, size_t length);

// The argument string a second copy hands over: every path made absolute here (the first copy's current
// folder is another) and quoted, separated by spaces. Empty when the string names no path.
std::string AbsoluteOpenArguments(const char* text, size_t length);
