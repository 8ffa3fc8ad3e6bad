// What the playlist editor shows, worked out without windows: one line per entry, gathered in one walk
// of the playlist, and the times of the whole list and of a selection.
#pragma once
#include <cstdint>
#include <vector>

// A tagged entry's line is its text, "artist / title"; a stream's line is the title it sent, else its
// address; any other entry's line is its path, which the editor turns into the file's title. All are
// UTF-8, as the entry holds them.
struct PlaylistLine {
  uint32_t offset;  // of the line's NUL-terminated text in PlaylistLines::text
  bool isPath;
};

struct PlaylistLines {
  std::vector<char> text;
  std::vector<PlaylistLine> lines;
  int64_t totalSeconds;
};

// Replaces `lines` with the playlist's lines and total time, in one walk under the playlist's lock. The
// vectors keep their capacity, so refilling a list no longer than before allocates nothing.
void GatherPlaylistLines(PlaylistLines* lines);

// Seconds an entry counts for in the editor's times: an unknown duration counts 0.
constexpr int64_t CountedSeconds(int32_t duration) { return duration > 0 ? duration : 0; }
// Total of every entry's counted seconds.
int64_t PlaylistTotalSeconds();
// Total of the counted seconds of the entries at `indices` (ascending positions, as a list box gives its
// selection); indices past the end count 0.
int64_t SelectedSeconds(const int32_t* indices, int32_t count);

// "<label>: HH:MM:SS" with hours = s / 3600, minutes = s mod 3600 / 60, seconds = s mod 60, each at least
// two digits (hours may have more); negative seconds show as 0.
struct TimeText {
  char text[64];
};
TimeText FormatPlaylistTime(const char* label, int64_t seconds);
