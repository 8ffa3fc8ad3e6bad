// Titles from an ID3v2 tag. The tag is read in small pieces as it is walked: frames of no interest (cover
// art, lyrics) are skipped, and only the first bytes of a text frame are kept, enough for 30 characters.
#include "playlist/id3v2_titles.h"

#include <cstring>

#include "decoder/id3v2_tag.h"
#include "platform/text.h"

namespace {

constexpr int32_t kChunkBytes = 256;
// Bytes kept of a text frame: 30 characters of up to four bytes (UTF-8, or a UTF-16 surrogate pair),
// doubled by unsynchronisation, with the encoding byte, a byte-order mark and the frame's own extra bytes.
constexpr int32_t kFrameBytes = 256;
// Code units decoded: 30 characters of two UTF-16 units each.
constexpr int32_t kMaxUnits = 60;
constexpr int32_t kTextLength = 30;

// Flags of the tag header and of a frame's format byte.
constexpr int32_t kTagUnsynchronised = 0x80;
constexpr int32_t kTagExtendedHeader = 0x40;  // 2.2: compressed, by a scheme never fixed
constexpr int32_t kFrame23Compressed = 0x80, kFrame23Encrypted = 0x40, kFrame23Grouped = 0x20;
constexpr int32_t kFrame24Grouped = 0x40, kFrame24Compressed = 0x08, kFrame24Encrypted = 0x04;
constexpr int32_t kFrame24Unsynchronised = 0x02, kFrame24DataLength = 0x01;

// The tag's body, read from the file in chunks. With whole-tag unsynchronisation (2.2, 2.3) the zero
// byte written behind every 0xFF is taken out as the body is read.
struct TagReader {
  FileHandle file;
  int64_t unread;  // bytes of the body still in the file
  bool unsynchronised;
  bool afterFF;
  int32_t at, filled;
  uint8_t chunk[kChunkBytes];
};

bool NextRawByte(TagReader& r, uint8_t* byte) {
  if (r.at == r.filled) {
    if (r.unread <= 0) return false;
    const int32_t want = r.unread < kChunkBytes ? int32_t(r.unread) : kChunkBytes;
    const int32_t got = FileRead(r.file, r.chunk, want);
    if (got <= 0) return false;
    r.unread -= got;
    r.at = 0;
    r.filled = got;
  }
  *byte = r.chunk[r.at++];
  return true;
}

bool NextByte(TagReader& r, uint8_t* byte) {
  if (!NextRawByte(r, byte)) return false;
  if (r.unsynchronised && r.afterFF && *byte == 0 && !NextRawByte(r, byte)) return false;
  r.afterFF = *byte == 0xFF;
  return true;
}

bool ReadBytes(TagReader& r, uint8_t* to, int64_t count) {
  for (int64_t i = 0; i < count; ++i) {
    if (!NextByte(r, to + i)) return false;
  }
  return true;
}

// An upper bound of the body's bytes still to come.
int64_t Remaining(const TagReader& r) { return r.unread + (r.filled - r.at); }

bool SkipBytes(TagReader& r, int64_t count) {
  if (count > Remaining(r)) return false;
  if (r.unsynchronised) {
    uint8_t byte;
    for (; count > 0; --count) {
      if (!NextByte(r, &byte)) return false;
    }
    return true;
  }
  const int32_t buffered = r.filled - r.at;
  if (count <= buffered) {
    r.at += int32_t(count);
    return true;
  }
  count -= buffered;
  r.at = r.filled;
  if (FileSeek(r.file, count, kFromCurrent) < 0) return false;
  r.unread -= count;
  return true;
}

uint32_t BigEndian(const uint8_t* b, int32_t n) {
  uint32_t v = 0;
  for (int32_t i = 0; i < n; ++i) v = v << 8 | b[i];
  return v;
}

// Four 7-bit digits; -1 when a byte has its top bit set.
int64_t Syncsafe(const uint8_t* b) {
  if ((b[0] | b[1] | b[2] | b[3]) & 0x80) return -1;
  return int64_t(b[0]) << 21 | int64_t(b[1]) << 14 | int64_t(b[2]) << 7 | b[3];
}

// Takes out the zero byte behind every 0xFF; returns the new length.
int32_t Resynchronise(uint8_t* bytes, int32_t length) {
  int32_t n = 0;
  for (int32_t i = 0; i < length; ++i) {
    bytes[n++] = bytes[i];
    if (bytes[i] == 0xFF && i + 1 < length && bytes[i + 1] == 0) ++i;
  }
  return n;
}

// Code units of a text frame's first string, up to its terminator and at most kMaxUnits. Encodings:
// 0 ISO-8859-1 (its bytes are the first 256 code points), 1 UTF-16 with a byte-order mark, and in 2.4
// also 2 UTF-16 big-endian and 3 UTF-8, where each malformed byte stands for one U+FFFD. A byte-order
// mark in front of the text is no part of it. Returns the count, or -1 for an encoding the version
// lacks or UTF-16 without a byte-order mark.
int32_t DecodeText(int32_t major, const uint8_t* b, int32_t n, uint16_t* units) {
  if (n < 1) return -1;
  const int32_t encoding = b[0];
  ++b;
  --n;
  int32_t count = 0;
  if (encoding == 0) {
    for (int32_t i = 0; i < n && b[i] != 0 && count < kMaxUnits; ++i) units[count++] = b[i];
  } else if (encoding == 1 || (encoding == 2 && major == 4)) {
    bool little = false;
    int32_t i = 0;
    if (encoding == 1) {
      if (n < 2 || !((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) return -1;
      little = b[0] == 0xFF;
      i = 2;
    }
    for (; i + 1 < n && count < kMaxUnits; i += 2) {
      const uint16_t unit = little ? uint16_t(b[i] | b[i + 1] << 8) : uint16_t(b[i] << 8 | b[i + 1]);
      if (unit == 0) break;
      if (unit != 0xFEFF || count > 0) units[count++] = unit;
    }
  } else if (encoding == 3 && major == 4) {
    int32_t length = 0;
    while (length < n && b[length] != 0) ++length;
    int32_t start = length >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF ? 3 : 0;
    count = Utf16FromUtf8(reinterpret_cast<const char*>(b + start), length - start, units, kMaxUnits + 1);
  } else {
    return -1;
  }
  return count;
}

// The units of the first `characters` characters of `units`: a surrogate pair is one character, as
// is an unpaired surrogate (which becomes U+FFFD).
int32_t UnitsOfCharacters(const uint16_t* units, int32_t count, int32_t characters) {
  int32_t i = 0;
  for (int32_t c = 0; c < characters && i < count; ++c) {
    const bool pair = units[i] >= 0xD800 && units[i] <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
                      units[i + 1] <= 0xDFFF;
    i += pair ? 2 : 1;
  }
  return i;
}

// Converts a text frame's content into a UTF-8 tag field: its first 30 characters without trailing
// spaces. `field` holds kTagTextBytes.
bool StoreText(int32_t major, const uint8_t* content, int32_t length, char* field) {
  uint16_t units[kMaxUnits + 1];
  const int32_t count = DecodeText(major, content, length, units);
  if (count < 0) return false;
  std::memset(field, 0, kTagTextBytes);
  int32_t n = Utf8FromUtf16(units, UnitsOfCharacters(units, count, kTextLength), field, kTagTextBytes);
  while (n > 0 && field[n - 1] == ' ') field[--n] = 0;
  return true;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool SameName(const char* a, const char* b) {
  while (*a && Lower(*a) == Lower(*b)) ++a, ++b;
  return *a == 0 && *b == 0;
}

// The genre a TCON text names: "(17)" or "(17)Rock" as 2.3 writes it, "17" as 2.4 does, or a name of
// the table without regard to case. Numbers above 43 and anything else are "Unknown".
// A number in the forms "(17)", "(17)Rock" or "17": 1 with the number, else 0.
int32_t NumericGenre(const char* text, int32_t* number) {
  const char* p = text;
  const bool bracketed = *p == '(';
  if (bracketed) ++p;
  int32_t value = 0, digits = 0;
  for (; *p >= '0' && *p <= '9' && digits < 4; ++p, ++digits) value = value * 10 + (*p - '0');
  *number = value;
  return digits > 0 && (bracketed ? *p == ')' : *p == 0) ? 1 : 0;
}

int32_t GenreNumber(const char* text) {
  int32_t number;
  if (NumericGenre(text, &number)) return number < kUnknownGenre ? number : kUnknownGenre;
  for (int32_t i = 0; i < kUnknownGenre; ++i) {
    if (SameName(text, kGenreNames[i])) return i;
  }
  return kUnknownGenre;
}

enum Wanted { kNotWanted, kTitle, kArtist, kGenre };

Wanted FrameKind(int32_t major, const uint8_t* id) {
  const char* names[3][3] = {{"TT2", "TP1", "TCO"}, {"TIT2", "TPE1", "TCON"}, {"TIT2", "TPE1", "TCON"}};
  const size_t length = major == 2 ? 3 : 4;
  for (int32_t k = 0; k < 3; ++k) {
    if (std::memcmp(id, names[major - 2][k], length) == 0) return Wanted(kTitle + k);
  }
  return kNotWanted;
}

bool IsFrameName(const uint8_t* id, int32_t length) {
  for (int32_t i = 0; i < length; ++i) {
    if (!((id[i] >= 'A' && id[i] <= 'Z') || (id[i] >= '0' && id[i] <= '9'))) return false;
  }
  return true;
}

// Skips the extended header of a 2.3 or 2.4 tag; false when it is damaged.
bool SkipExtendedHeader(TagReader& r, int32_t major) {
  uint8_t b[4];
  if (!ReadBytes(r, b, 4)) return false;
  if (major == 3) return SkipBytes(r, BigEndian(b, 4));  // the size leaves out its own four bytes
  const int64_t size = Syncsafe(b);                      // 2.4: the size counts them
  return size >= 6 && SkipBytes(r, size - 4);
}

// Walks the tag's frames: artist and title into `found`, the text of the last readable genre frame
// into `genre` ("" when none). 0 for a missing or damaged tag.
int32_t WalkTag(FileHandle file, TagInfo& found, char (&genre)[kTagTextBytes]) {
  genre[0] = 0;
  Id3v2Header header{};
  if (!ReadId3v2Header(file, &header) || header.major < 2 || header.major > 4) return 0;
  const int32_t major = header.major;
  if (major == 2 && (header.flags & kTagExtendedHeader)) return 0;

  TagReader r{};
  r.file = file;
  r.unread = header.bodySize;
  r.unsynchronised = major < 4 && (header.flags & kTagUnsynchronised);
  if (major > 2 && (header.flags & kTagExtendedHeader) && !SkipExtendedHeader(r, major)) return 0;

  const int32_t idLength = major == 2 ? 3 : 4;
  const int32_t headerLength = major == 2 ? 6 : 10;
  uint8_t frame[10];
  uint8_t content[kFrameBytes];
  // Frames follow one another up to the padding (zero bytes) or the body's end.
  while (NextByte(r, &frame[0]) && frame[0] != 0) {
    if (!ReadBytes(r, frame + 1, headerLength - 1) || !IsFrameName(frame, idLength)) return 0;
    const int64_t size = major == 2   ? BigEndian(frame + 3, 3)
                         : major == 3 ? BigEndian(frame + 4, 4)
                                      : Syncsafe(frame + 4);
    if (size < 0 || size > Remaining(r)) return 0;
    const Wanted kind = FrameKind(major, frame);
    if (kind == kNotWanted) {
      if (!SkipBytes(r, size)) return 0;
      continue;
    }
    const int32_t kept = size < kFrameBytes ? int32_t(size) : kFrameBytes;
    if (!ReadBytes(r, content, kept) || !SkipBytes(r, size - kept)) return 0;

    // Frames compressed or encrypted are passed over; grouping and data-length bytes stand in front.
    const int32_t format = major == 2 ? 0 : frame[9];
    int32_t length = kept, extra = 0;
    if (major == 3) {
      if (format & (kFrame23Compressed | kFrame23Encrypted)) continue;
      extra = (format & kFrame23Grouped) ? 1 : 0;
    } else if (major == 4) {
      if (format & (kFrame24Compressed | kFrame24Encrypted)) continue;
      if ((format & kFrame24Unsynchronised) || (header.flags & kTagUnsynchronised)) {
        length = Resynchronise(content, length);
      }
      extra = ((format & kFrame24Grouped) ? 1 : 0) + ((format & kFrame24DataLength) ? 4 : 0);
    }
    if (length <= extra) continue;
    const uint8_t* text = content + extra;
    length -= extra;
    if (kind == kTitle) {
      StoreText(major, text, length, found.title);
    } else if (kind == kArtist) {
      StoreText(major, text, length, found.artist);
    } else {
      char name[kTagTextBytes];
      if (StoreText(major, text, length, name)) std::memcpy(genre, name, sizeof name);
    }
  }
  return 1;
}

}  // namespace

int32_t ReadId3v2Tag(FileHandle file, TagInfo* tag) {
  if (tag == nullptr) return 0;
  std::memset(tag, 0, sizeof *tag);
  TagInfo found{};
  char genreText[kTagTextBytes];
  if (!WalkTag(file, found, genreText)) return 0;
  const int32_t genre = genreText[0] ? GenreNumber(genreText) : kUnknownGenre;
  if (found.title[0] == 0 && found.artist[0] == 0) return 0;
  found.genre = genre;
  std::strncpy(found.genreName, kGenreNames[genre], sizeof found.genreName - 1);
  found.present = 1;
  *tag = found;
  return 1;
}

int32_t ReadId3v2Genre(FileHandle file, char* name, int32_t size) {
  if (name == nullptr || size < 1) return 0;
  name[0] = 0;
  TagInfo found{};
  char text[kTagTextBytes];
  if (!WalkTag(file, found, text) || text[0] == 0) return 0;
  int32_t number;
  const char* chosen = text;
  if (NumericGenre(text, &number)) {
    if (number >= kUnknownGenre) return 0;
    chosen = kGenreNames[number];
  } else if (std::strcmp(text, "(RX)") == 0 || std::strcmp(text, "RX") == 0) {
    chosen = "Remix";
  } else if (std::strcmp(text, "(CR)") == 0 || std::strcmp(text, "CR") == 0) {
    chosen = "Cover";
  }
  const size_t length = std::strlen(chosen);
  if (length + 1 > size_t(size)) return 0;
  std::memcpy(name, chosen, length + 1);
  return 1;
}
