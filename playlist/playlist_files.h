// Playlist files: M3U (read) and PLS (read and write). The readers append to the playlist with
// AddTrack; none of them sends WM_PLAYLIST_REFRESH (the caller does after the batch).
#pragma once
#include <cstdint>

// Adds `path` by its kind: a folder (after an "Adding Directory..." box owned by the playlist's owner)
// with AddDirectory, a ".pls" or ".m3u" file (any case) with its reader, anything else with AddTrack.
// Returns 1, or 0 for a null path.
int32_t AddByType(const char* path);
// 1 while an AddByType shows its "Adding Directory..." box or scans the folder after it: messages the
// box's loop dispatches meanwhile must not start another add or play the half-built list.
int32_t AddRunning();

// Most entries one PLS file adds, whatever its "NumberOfEntries" says.
constexpr int32_t kMaxPlsEntries = 65536;
// A PLS read ends after this many "File" keys in a row are missing or empty: the entries have run out.
constexpr int32_t kMaxPlsGap = 1000;

// Adds one entry per line of an M3U file. Empty lines, lines of blanks and "#" lines (extended M3U
// directives) are skipped; lines that start with a drive ("C:\") or a folder separator are used as they
// stand, other lines are joined to the playlist file's folder; a line or joined path too long for a
// path (259 characters) is skipped. Returns 1, or 0 when the file cannot be opened.
int32_t LoadM3u(const char* path);

// Adds "File1" ... "File<n>" of section "playlist", n = "NumberOfEntries" (bounded as above), resolving
// entries against the playlist file's folder as LoadM3u does; missing or empty values add nothing.
// Returns 1, or 0 when "NumberOfEntries" is missing.
int32_t LoadPls(const char* path);

// Writes the playlist to `path` (".pls" appended unless the name ends with it) as "File1".. and
// "NumberOfEntries". Returns 1, or 0 after a message box when the playlist is empty or the file could
// not be written.
int32_t SavePls(const char* path);
