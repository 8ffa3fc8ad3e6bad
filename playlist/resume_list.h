// The list the player restores on its next start: the playlist as a UTF-8 M3U8 file, one path or
// stream address a line, read back by the M3U reader.
#pragma once
#include <cstdint>

// A fingerprint of the playlist's paths in their order, taken in one walk without building any text:
// the list is written again only when it changes.
uint64_t PlaylistFingerprint();

// Writes the playlist to `path` (UTF-8, "#EXTM3U" first, CR LF after each line; an entry holding a line
// break is left out, as no line could hold it). An empty playlist writes the header alone, so that the
// next start restores an empty list. Returns 1, or 0 when the file could not be written.
int32_t WriteResumeList(const char* path);

// Adds the entries of the file at `path` with the M3U reader. Returns 1, or 0 when there is no file.
int32_t LoadResumeList(const char* path);
