// The tag fields the tag editor shows, read from and written into ID3v2 (2.2 to 2.4) and ID3v1 tags.
// Portable and in memory: tag_file.h reads and saves them in files. Texts are UTF-8.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The ID3v1 genres: numbers 0..43 and 44 for "Unknown".
constexpr int32_t kGenreCount = 45;
constexpr int32_t kUnknownGenre = 44;
extern const char* const kGenreNames[kGenreCount];

// Each text holds up to kFieldBytes - 1 bytes of UTF-8 and a NUL; longer texts are cut between
// characters.
constexpr int32_t kFieldBytes = 512;
struct TagFields {
  char title[kFieldBytes];
  char artist[kFieldBytes];
  char album[kFieldBytes];
  char year[kFieldBytes];
  char comment[kFieldBytes];
  char track[kFieldBytes];
  char genre[kFieldBytes];  // a genre name: one of the table or free text
};

constexpr int32_t kId3v1Bytes = 128;

// The fields of an ID3v1 tag (the 128 bytes at a file's end, texts in the ANSI code page); 1 when
// `raw` is one ("TAG"), else 0 with nothing changed. Fields the tag leaves empty are left as they are.
int32_t ParseId3v1(const uint8_t raw[kId3v1Bytes], TagFields* fields);
// Writes the fields into an ID3v1.1 tag: texts cut to their 30 (year 4, comment 28) bytes in the ANSI
// code page, the track number in byte 126 when it is 1..255, the genre's number (255 when the name is
// none of the table).
void BuildId3v1(const TagFields& fields, uint8_t raw[kId3v1Bytes]);

// The number of a genre of the table named `name` (case aside), or -1.
int32_t GenreNumberOf(const char* name);

// Reads the fields of the ID3v2 tag `tag` (`size` bytes from its header on). Returns the tag's major
// version (2, 3 or 4), or 0 when it is no tag, is damaged (a frame running past the body, a frame
// name that is none), or is a compressed 2.2 tag. Fields the tag lacks are left as they are. A genre
// reads as the table's name for its number, "Remix" or "Cover"; any other text (a number past the
// table too) as it stands. With `cut` given, `size` may hold only the tag's first bytes: the frames
// that lie whole in them are read, and *cut says whether a frame was left out.
int32_t ParseId3v2(const uint8_t* tag, size_t size, TagFields* fields, bool* cut = nullptr);
// The tag to write in place of `old` (`oldSize` bytes, none when 0): the old tag's version (2.3 or
// 2.4; 2.2 becomes 2.3 with its frames renamed, none when there is no tag), every frame but the
// shown ones kept byte for byte, the shown fields as new frames (empty ones left out), and zero padding
// up to `minimumSize` bytes. Returns 1, or 0 when the old tag is damaged.
int32_t BuildId3v2(const uint8_t* old, size_t oldSize, const TagFields& fields, size_t minimumSize,
                   std::vector<uint8_t>* out);
