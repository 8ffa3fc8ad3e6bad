// Ini ("profile") files for the settings file and PLS playlists.
// The Windows half is exactly GetPrivateProfileIntA / GetPrivateProfileStringA /
// WritePrivateProfileStringA / GetPrivateProfileStructA / WritePrivateProfileStructA. The host half is an
// ini reader and writer with the same observable behaviour for what the program uses, so that the
// settings loader and the playlist readers build, run and can be fuzzed natively.
//
// Shared behaviour:
// - section and key names compare case-insensitively; the first section of a name is the one used;
// - a file name without a folder ("zav.ini") lives in the Windows folder (on the host: the folder named
//   by the environment variable ZAV_WINDOWS_DIR, else the current directory), or in the folder that
//   SetProfileFolder chose;
// - values are read without the blanks around them, and without one pair of matching quotes around them;
// - struct values are two upper-case hex digits per byte followed by a checksum byte (the sum of the
//   bytes modulo 256); a read whose length, digits or checksum do not match fails.
// Section, key and file must not be null.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Makes names without a folder live in `folder` (UTF-8, with its trailing separator) instead of the
// Windows folder: a portable copy keeps its files beside the program. Null or "" goes back to the Windows
// folder.
void SetProfileFolder(const char* folder);

// Where the profile functions keep `file` (UTF-8): a name without a folder is in the Windows folder,
// any other path is itself. For code that reads and writes profile files through the file seam.
std::string ProfileFilePath(const char* file);

// The value of `key` as an integer, or `defaultValue` when the key is missing or its value is empty.
// Parsing stops at the first character that is not part of the number, as Windows does.
int32_t ProfileGetInt(const char* section, const char* key, int32_t defaultValue, const char* file);

// Copies the value of `key` (or `defaultValue` when the key is missing; null reads as "") into `dest`
// of `size` bytes, cut to size - 1 characters and always terminated when size > 0. Returns the number
// of characters copied, without the terminator.
uint32_t ProfileGetString(const char* section, const char* key, const char* defaultValue, char* dest,
                          uint32_t size, const char* file);

// Sets `key` to `value`, creating the file, a missing [section] or the key as needed and keeping every other
// line. Returns false when the file could not be written.
bool ProfileWriteString(const char* section, const char* key, const char* value, const char* file);

// Removes `key` from `section`, every line of that name (a hand-edited file may repeat a key, and the
// next would be read in its place), keeping every other line; a missing file, section or key is left as
// it is. Returns false when the file could not be written.
bool ProfileDeleteKey(const char* section, const char* key, const char* file);

// One key and its value for ProfileWriteStrings.
struct ProfileString {
  const char* key;
  const char* value;
};

// Sets `count` keys of `section` with one read and one write of the file: the result is that of a
// ProfileWriteString call for each in turn, made in a time that grows with the file, not with its square.
// Returns false when the file could not be written.
bool ProfileWriteStrings(const char* section, const ProfileString* strings, size_t count, const char* file);

// Reads a struct value of exactly `size` bytes into `dest`. Returns false when the key is missing or the
// value does not match; `dest` may then have been changed (the Windows function decodes as it checks),
// so callers read into a scratch record and copy it on success.
bool ProfileGetStruct(const char* section, const char* key, void* dest, uint32_t size, const char* file);

// Stores `size` bytes of `src` as a struct value. Returns false when the file could not be written.
bool ProfileWriteStruct(const char* section, const char* key, const void* src, uint32_t size,
                        const char* file);
