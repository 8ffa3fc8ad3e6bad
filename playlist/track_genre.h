// The genre of the track that plays, for the equalizer's presets: read by the Decode thread as a file
// starts, read by the player window when it hears of the start.
#pragma once
#include <cstdint>

constexpr int32_t kGenreNameBytes = 4 * 30 + 1;

// The genre a file names, in UTF-8: the text of its ID3v2 genre frame (numbers as the genre table's
// names), else the name of its ID3v1 genre byte ("Unknown" is no genre). 1 with the name, else 0 with "".
int32_t ReadTrackGenre(const char* path, char (&name)[kGenreNameBytes]);
// Decode thread: keeps the genre of the file at `path` as the playing track's ("" for a stream).
void NotePlayingGenre(const char* path);
// Copies the playing track's genre ("" when it names none). 1 when there is one, else 0.
int32_t PlayingGenre(char (&name)[kGenreNameBytes]);
