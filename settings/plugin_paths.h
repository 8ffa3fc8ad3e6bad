// The plug-in folder and library file as the program uses them: UTF-8 paths. The settings record keeps
// them in the ANSI code page, in fields older copies of the program read and write; a path that code
// page cannot hold whole is kept in an extra key of "zav.ini" as well, its UTF-8 escaped so that the
// ANSI profile functions pass it through unchanged on any code page. The record's field holds the
// path's ANSI form then.
//
// A kept path counts only while the record's field still holds its ANSI form: a record that something
// else changed in between (an older copy of the program, which knows nothing of the keys, or code that
// writes the field directly) wins over it, and the field read in the ANSI code page is the path.
#pragma once
#include <cstdint>

#include "platform/text.h"

constexpr const char* kPluginFolderKey = "PluginFolderUtf8";
constexpr const char* kPluginFileKey = "PluginFileUtf8";

// A UTF-8 path of at most kMaxPathUnits UTF-16 units.
struct PluginPath {
  char text[kPathBytes];
};

// The plug-in folder and the chosen plug-in library ("" for none).
PluginPath PluginFolder();
PluginPath PluginFile();
// Keeps `path` (UTF-8, cut to kMaxPathUnits units without splitting a character; null reads as "") and
// stores its ANSI form in the record's field.
void SetPluginFolder(const char* path);
void SetPluginFile(const char* path);

// Called by LoadSettings once the record is read: keeps the path of each extra key that is well formed,
// and drops every path kept before.
void LoadPluginPaths();
// Called by SaveSettings: writes the extra key of each path the record's field cannot hold whole, and
// removes the key of each it can. Returns 1, or 0 when a write failed.
int32_t SavePluginPaths();

// A UTF-8 path as a value the ANSI profile functions keep unchanged on any code page (bytes beyond
// printable ASCII, blanks, quotes and "%" as %XX), and back: false for a value this program does not
// write (a malformed escape, bytes that are not UTF-8, more than a path's units, nothing at all).
constexpr uint32_t kEscapedPathBytes = 3 * (kPathBytes - 1) + 2;  // and one more to tell a longer value
void EscapePathValue(const char* path, char (&out)[kEscapedPathBytes]);
bool UnescapePathValue(const char* text, char (&path)[kPathBytes]);
