// "Jump to file": the playlist's entries searched as the user types. Each entry's title, artist and
// path are folded to lower case once, when the index is built; a search then only compares bytes, so
// that it keeps up with typing on a list of tens of thousands of entries.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct JumpIndex {
  std::vector<char> folded;        // per entry: "title\nartist\npath", folded, NUL-terminated
  std::vector<uint32_t> offsets;   // of each entry's folded text
  std::vector<std::string> lines;  // what the dialog shows for each entry (UTF-8)
};

// Fills `index` from the playlist in one walk. A line reads "artist - title" for a tagged entry, the
// title a stream sent (else its address) for a stream, and the file's name for any other entry.
void BuildJumpIndex(JumpIndex* index);

// `text` with the capitals of ASCII, Latin-1, Greek and Cyrillic in lower case; everything else is
// copied as it is, a malformed byte too.
std::string FoldCase(const char* text);

// The positions of the entries that hold every blank-separated word of `query` (case-insensitive), in
// list order, into `matches` (its capacity is kept). An empty query matches every entry.
void FilterJumpIndex(const JumpIndex& index, const char* query, std::vector<int32_t>* matches);
