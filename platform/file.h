// File access for the portable code: read-only files addressed by a small handle, whole files written
// in one go, and new files written piece by piece, named in UTF-8. The Windows half uses CreateFileW/ReadFile/SetFilePointerEx/
// GetFileSizeEx/WriteFile/SetEndOfFile, the host half POSIX calls.
#pragma once
#include <cstdint>

// 0 means "no file". Any other value is an open file.
using FileHandle = intptr_t;
constexpr FileHandle kNoFile = 0;

enum FileOrigin : int32_t { kFromStart = 0, kFromCurrent = 1, kFromEnd = 2 };

// Opens an existing file for reading, sharing read, write and delete (a tag editor may rewrite or
// replace the file while it plays), with a sequential-scan hint.
FileHandle FileOpenRead(const char* path);
// Reads up to `count` bytes; returns the number read (0 at end of file or on failure).
int32_t FileRead(FileHandle file, void* buffer, int32_t count);
// Moves the file pointer; returns the new position, or -1 on failure.
int64_t FileSeek(FileHandle file, int64_t distance, FileOrigin origin);
// Size of the file in bytes, or -1 on failure.
int64_t FileSize(FileHandle file);
void FileClose(FileHandle file);

// Makes `size` bytes the whole content of the file at `path`, creating it when missing; an existing
// file keeps its attributes (a hidden file stays hidden). Returns 1, or 0 when it could not be written.
int32_t FileWriteWhole(const char* path, const void* bytes, int64_t size);

// Creates the file at `path` for writing only when no file of that name exists (the check and the
// creation are one step, so a file made meanwhile is never opened over). kNoFile when it exists (then
// *exists is 1) or cannot be created (*exists 0). Close it with FileClose.
FileHandle FileCreateNew(const char* path, int32_t* exists);
// Writes `count` bytes at the file pointer; 1, or 0 when not all of them could be written (a full disk).
int32_t FileWrite(FileHandle file, const void* bytes, int32_t count);

// Opens an existing file for reading and writing, sharing read, write and delete; kNoFile when it is
// missing, read-only or held without sharing.
FileHandle FileOpenUpdate(const char* path);
// Writes what the system still buffers of the file to the disk; 1, or 0 on failure.
int32_t FileFlush(FileHandle file);
// The creation, last access and last write times of an open file, in the system's own units.
struct FileTimes {
  int64_t created, accessed, written;
};
int32_t FileGetTimes(FileHandle file, FileTimes* times);
int32_t FileSetTimes(FileHandle file, const FileTimes& times);
// Renames a file; fails (0) when `to` exists. 1 when renamed.
int32_t FileRename(const char* from, const char* to);
// Deletes a file; 1, or 0 when it could not be deleted.
int32_t FileDelete(const char* path);

#ifndef _WIN32
// Host only: serves `size` bytes from memory as an open file (one at a time), so that fuzz targets need
// no disk. The bytes must outlive the handle.
FileHandle FileOpenMemory(const uint8_t* data, int64_t size);
#endif
