// Titles from an ID3v2 tag, read through the tag reader the tag editor uses, then cut to what a
// playlist entry holds.
#include "playlist/id3v2_titles.h"

#include <cstring>

#include "platform/text.h"
#include "tags/tag_file.h"

namespace {

constexpr size_t kTextLength = 30;

// Copies the first 30 characters of `text` without trailing spaces into `to` (`size` bytes, zero-filled
// behind the text). Characters are code points; none is cut in two.
void CopyCut(const char* text, char* to, size_t size) {
  std::memset(to, 0, size);
  const size_t n = std::strlen(text);
  size_t at = 0;
  for (size_t characters = 0; at < n && characters < kTextLength; ++characters) {
    size_t next = at;
    NextCodePoint(text, n, &next);
    if (next >= size) break;
    at = next;
  }
  while (at > 0 && text[at - 1] == ' ') --at;
  std::memcpy(to, text, at);
}

// The genre text read as a number: "(200)" or "200". The reader names every number of the table, so
// such a text is past it.
bool IsNumber(const char* text) {
  const char* p = text + (text[0] == '(' ? 1 : 0);
  const char* digits = p;
  while (*p >= '0' && *p <= '9') ++p;
  return p > digits && (text[0] == '(' ? p[0] == ')' : p[0] == 0);
}

}  // namespace

int32_t ReadId3v2Tag(FileHandle file, TagInfo* tag) {
  if (tag == nullptr) return 0;
  std::memset(tag, 0, sizeof *tag);
  TagFields fields{};
  if (!ReadId3v2Fields(file, &fields) || (fields.title[0] == 0 && fields.artist[0] == 0)) return 0;
  TagInfo found{};
  CopyCut(fields.title, found.title, sizeof found.title);
  CopyCut(fields.artist, found.artist, sizeof found.artist);
  if (found.title[0] == 0 && found.artist[0] == 0) return 0;
  const int32_t genre = GenreNumberOf(fields.genre);
  found.genre = genre < 0 ? kUnknownGenre : genre;
  std::strncpy(found.genreName, kGenreNames[found.genre], sizeof found.genreName - 1);
  found.present = 1;
  *tag = found;
  return 1;
}

int32_t ReadId3v2Genre(FileHandle file, char* name, int32_t size) {
  if (name == nullptr || size < 1) return 0;
  name[0] = 0;
  TagFields fields{};
  if (!ReadId3v2Fields(file, &fields) || fields.genre[0] == 0 || IsNumber(fields.genre)) return 0;
  char cut[4 * kTextLength + 1];
  CopyCut(fields.genre, cut, sizeof cut);
  const size_t length = std::strlen(cut);
  if (length == 0 || length + 1 > size_t(size)) return 0;
  std::memcpy(name, cut, length + 1);
  return 1;
}
