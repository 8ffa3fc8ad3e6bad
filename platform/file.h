// File access for the portable decoder core: read-only files addressed by a small handle, named in UTF-8.
// The Windows half uses CreateFileW/ReadFile/SetFilePointerEx/GetFileSizeEx, the host half POSIX calls.
#pragma once
#include <cstdint>

// 0 means "no file". Any other value is an open file.
using FileHandle = intptr_t;
constexpr FileHandle kNoFile = 0;

enum FileOrigin : int32_t { kFromStart = 0, kFromCurrent = 1, kFromEnd = 2 };

// Opens an existing file for reading, sharing read and write, with a sequential-scan hint.
FileHandle FileOpenRead(const char* path);
// Reads up to `count` bytes; returns the number read (0 at end of file or on failure).
int32_t FileRead(FileHandle file, void* buffer, int32_t count);
// Moves the file pointer; returns the new position, or -1 on failure.
int64_t FileSeek(FileHandle file, int64_t distance, FileOrigin origin);
// Size of the file in bytes, or -1 on failure.
int64_t FileSize(FileHandle file);
void FileClose(FileHandle file);

#ifndef _WIN32
// Host only: serves `size` bytes from memory as an open file (one at a time), so that fuzz targets need
// no disk. The bytes must outlive the handle.
FileHandle FileOpenMemory(const uint8_t* data, int64_t size);
#endif
