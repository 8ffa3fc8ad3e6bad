// The open-argument rule on Windows: an argument string (the command line, a second copy's hand-over,
// or the paths of a drop) split into paths, each made absolute against the current folder (a stream's
// address is left as it is). A path too
// long for a playlist entry (259 characters) is left out and named in one box, never cut into another.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The paths an add left out for their length, in order.
struct SkippedPaths {
  std::vector<std::string> paths;
};

// Adds each path of `text[0 .. length)` to the playlist with AddByType; a path whose absolute form is
// too long goes to `skipped` instead. Stops adding once the player window is being destroyed. `text`
// need not end in a NUL. Returns the number of paths in the text.
int32_t AddOpenArguments(const char* text, size_t length, SkippedPaths* skipped);

// The argument string a second copy hands over: every path made absolute here (the first copy's current
// folder is another) and quoted, separated by spaces; a path whose absolute form is too long goes to
// `skipped` (handed over relative, the first copy would resolve it against its own folder). Empty when
// no path is left.
std::string AbsoluteOpenArguments(const char* text, size_t length, SkippedPaths* skipped);

// One "Error..." box naming the skipped paths (the first few, and how many more); nothing when none.
void ReportSkippedPaths(HWND owner, const SkippedPaths& skipped);

// Replaces the playlist with the paths of `text` (handed over or dropped), refreshes the editor, names
// what was too long, and with Auto Play On File Open plays from the first entry.
void OpenArgumentString(HWND window, const std::string& text);
