// The playlist editor's lines and times, read from the playlist in single walks.
#include "playlist/playlist_view.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "playlist/playlist.h"

namespace {

// Appends `length` bytes of `text` to the line being built.
void Append(std::vector<char>& to, const char* text, size_t length) { to.insert(to.end(), text, text + length); }

int32_t VisitLine(const PlaylistEntry& entry, void* context) {
  PlaylistLines& out = *static_cast<PlaylistLines*>(context);
  // A stream's line is its title, else its address; never turned into a file's title.
  const bool stream = IsStreamPath(entry.path) != 0;
  out.lines.push_back({static_cast<uint32_t>(out.text.size()), entry.tag.present == 0 && !stream});
  if (stream && entry.streamTitle[0] != '\0') {
    Append(out.text, entry.streamTitle, strnlen(entry.streamTitle, sizeof entry.streamTitle));
  } else if (entry.tag.present) {
    Append(out.text, entry.tag.artist, strnlen(entry.tag.artist, sizeof entry.tag.artist));
    Append(out.text, " / ", 3);
    Append(out.text, entry.tag.title, strnlen(entry.tag.title, sizeof entry.tag.title));
  } else {
    Append(out.text, entry.path, strnlen(entry.path, sizeof entry.path));
  }
  out.text.push_back('\0');
  out.totalSeconds += CountedSeconds(entry.duration);
  return 1;
}

int32_t VisitTotal(const PlaylistEntry& entry, void* context) {
  *static_cast<int64_t*>(context) += CountedSeconds(entry.duration);
  return 1;
}

struct Selection {
  const int32_t* indices;
  int32_t count;
  int32_t next;      // the first index not yet reached
  int32_t position;  // of the entry being visited
  int64_t seconds;
};

int32_t VisitSelected(const PlaylistEntry& entry, void* context) {
  Selection& s = *static_cast<Selection*>(context);
  while (s.next < s.count && s.indices[s.next] < s.position) ++s.next;  // repeated or negative indices
  while (s.next < s.count && s.indices[s.next] == s.position) {
    s.seconds += CountedSeconds(entry.duration);
    ++s.next;
  }
  ++s.position;
  return s.next < s.count ? 1 : 0;
}

}  // namespace

void GatherPlaylistLines(PlaylistLines* lines) {
  if (lines == nullptr) return;
  lines->text.clear();
  lines->lines.clear();
  lines->totalSeconds = 0;
  // One entry's line is at most a path: reserving for the count known now spares most regrowth.
  const size_t expected = static_cast<size_t>(PlaylistCount());
  if (lines->lines.capacity() < expected) lines->lines.reserve(expected);
  WalkPlaylist(&VisitLine, lines);
}

int64_t PlaylistTotalSeconds() {
  int64_t total = 0;
  WalkPlaylist(&VisitTotal, &total);
  return total;
}

int64_t SelectedSeconds(const int32_t* indices, int32_t count) {
  if (indices == nullptr || count <= 0) return 0;
  Selection selection = {indices, count, 0, 0, 0};
  WalkPlaylist(&VisitSelected, &selection);
  return selection.seconds;
}

TimeText FormatPlaylistTime(const char* label, int64_t seconds) {
  if (seconds < 0) seconds = 0;
  TimeText t;
  std::snprintf(t.text, sizeof t.text, "%s: %02" PRId64 ":%02" PRId64 ":%02" PRId64, label ? label : "",
                seconds / 3600, seconds % 3600 / 60, seconds % 60);
  return t;
}
