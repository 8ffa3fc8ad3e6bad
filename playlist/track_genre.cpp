#include "playlist/track_genre.h"

#include <cstring>
#include <mutex>

#include "platform/file.h"
#include "playlist/id3v2_titles.h"
#include "playlist/playlist.h"
#include "playlist/track_scanner.h"

namespace {

// Written by the Decode thread before it posts the start, read by the window after.
std::mutex gGenreLock;
char gPlayingGenre[kGenreNameBytes] = "";

}  // namespace

int32_t ReadTrackGenre(const char* path, char (&name)[kGenreNameBytes]) {
  name[0] = 0;
  const FileHandle file = path ? FileOpenRead(path) : kNoFile;
  if (file == kNoFile) return 0;
  int32_t found = ReadId3v2Genre(file, name, kGenreNameBytes);
  TagInfo tag{};
  // ReadTag reports a file too short for a tag; such a file names no genre, silently.
  if (!found && FileSize(file) >= 128 && ReadTag(file, &tag) && tag.genre >= 0 && tag.genre < kUnknownGenre) {
    std::memcpy(name, kGenreNames[tag.genre], std::strlen(kGenreNames[tag.genre]) + 1);
    found = 1;
  }
  FileClose(file);
  return found;
}

void NotePlayingGenre(const char* path) {
  char name[kGenreNameBytes] = "";
  if (path && !IsStreamPath(path)) ReadTrackGenre(path, name);
  std::lock_guard<std::mutex> hold(gGenreLock);
  std::memcpy(gPlayingGenre, name, sizeof name);
}

int32_t PlayingGenre(char (&name)[kGenreNameBytes]) {
  std::lock_guard<std::mutex> hold(gGenreLock);
  std::memcpy(name, gPlayingGenre, sizeof name);
  return name[0] ? 1 : 0;
}
