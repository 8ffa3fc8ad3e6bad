// Arbitrary bytes as a file that starts with an ID3v2 tag: the titles read from it must be
// NUL-terminated UTF-8 texts of at most 30 characters without trailing spaces, the genre within its
// table, and the result must agree with the present flag.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/tag_text_check.h"
#include "playlist/id3v2_titles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const FileHandle file = FileOpenMemory(data, static_cast<int64_t>(size));
  TagInfo tag;
  std::memset(&tag, 0x7F, sizeof tag);
  const int32_t read = ReadId3v2Tag(file, &tag);
  FileClose(file);
  if (read != tag.present || (read != 0 && read != 1)) std::abort();
  if (read == 0) {
    for (size_t i = 0; i < sizeof tag; ++i) {
      if (reinterpret_cast<const uint8_t*>(&tag)[i] != 0) std::abort();
    }
    return 0;
  }
  CheckText(tag.title, 30);
  CheckText(tag.artist, 30);
  if (tag.title[0] == 0 && tag.artist[0] == 0) std::abort();
  if (tag.album[0] || tag.year[0] || tag.comment[0]) std::abort();
  if (tag.genre < 0 || tag.genre >= kGenreCount || std::strcmp(tag.genreName, kGenreNames[tag.genre]) != 0) {
    std::abort();
  }
  return 0;
}
