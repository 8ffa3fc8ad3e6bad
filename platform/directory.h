// Folders for the playlist and the settings: attributes, the process's current directory, the program's
// own folder and listing the "*.mp?" files of the current directory, every name in UTF-8. The Windows
// half uses the wide GetFileAttributesW, Get/SetCurrentDirectoryW and FindFirstFileW/FindNextFileW/
// FindClose; the host half gives the same results with POSIX calls.
#pragma once
#include <cstdint>

// Separator between a folder and a name in the paths this build opens.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// 1 when the path's attributes can be read and it is a folder, else 0.
int32_t PathIsDirectory(const char* path);

// Copies the current directory (NUL-terminated) into `buffer`; 1 on success, 0 when it does not fit or
// cannot be read.
int32_t GetWorkingDirectory(char* buffer, int32_t size);
// 1 on success, 0 on failure.
int32_t SetWorkingDirectory(const char* path);
// Copies the user's music folder (Windows: the shell's "My Music"; host: $HOME/Music) into `buffer`;
// 1, or 0 when there is none or it does not fit (the buffer then holds "").
int32_t GetMusicFolder(char* buffer, int32_t size);
// Copies the folder that holds the running program, with a trailing separator, into `buffer`; 1 on
// success, 0 when it does not fit or cannot be read (the buffer then holds "").
int32_t GetProgramFolder(char* buffer, int32_t size);

// A listing of the current directory's files matching "*.mp?" (case-insensitive), in the order the file
// system gives them; folders are left out. 0 means "no listing".
using MatchSearch = intptr_t;
constexpr MatchSearch kNoSearch = 0;
constexpr int32_t kMatchNameSize = 766;  // a name of up to 255 UTF-16 units, in UTF-8, and the NUL
// Starts the listing and copies the first name; kNoSearch when nothing matches.
MatchSearch FindFirstMatch(char name[kMatchNameSize]);
// Copies the next name; 0 when the listing is over.
int32_t FindNextMatch(MatchSearch search, char name[kMatchNameSize]);
void FindEndMatches(MatchSearch search);
