// ID3v1 and ID3v2 tags in memory: the shown fields read out, and a tag rebuilt with new fields while
// every other frame is kept as it was.
#include "tags/tag_fields.h"

#include <cstdio>
#include <cstring>

#include "platform/text.h"
#include "tags/replay_gain.h"

const char* const kGenreNames[kGenreCount] = {
    "Blues",        "Classic Rock", "Country",     "Dance",       "Disco",      "Funk",       "Grunge",
    "Hip-Hop",      "Jazz",         "Metal",       "New Age",     "Oldies",     "Other",      "Pop",
    "R&B",          "Rap",          "Reggae",      "Rock",        "Techno",     "Industrial", "Alternative",
    "Ska",          "Death Metal",  "Pranks",      "Soundtrack",  "Euro-Techno", "Ambient",   "Trip-Hop",
    "Vocal",        "Jazz+Funk",    "Fusion",      "Trance",      "Classical",  "Instrumental", "Acid",
    "House",        "Game",         "Sound Clip",  "Gospel",      "Noise",      "AlternRock", "Bass",
    "Soul",         "Punk",         "Unknown",
};

namespace {

// Tag header flags and the format flags of 2.3 and 2.4 frames.
constexpr uint8_t kUnsynchronised = 0x80, kExtendedHeader = 0x40;
constexpr uint8_t kFrame23Compressed = 0x80, kFrame23Encrypted = 0x40, kFrame23Grouped = 0x20;
constexpr uint8_t kFrame24Grouped = 0x40, kFrame24Compressed = 0x08, kFrame24Encrypted = 0x04;
constexpr uint8_t kFrame24Unsynchronised = 0x02, kFrame24DataLength = 0x01;
// The largest body a tag's four 7-bit size digits can count.
constexpr size_t kMaxBody = (size_t(1) << 28) - 1;

enum Field { kTitle, kArtist, kAlbum, kYear, kComment, kTrack, kGenre, kFieldCount, kOther = -1 };

// Frame names of the shown fields: 2.2, 2.3, 2.4.
const char* const kFieldFrames[3][kFieldCount] = {
    {"TT2", "TP1", "TAL", "TYE", "COM", "TRK", "TCO"},
    {"TIT2", "TPE1", "TALB", "TYER", "COMM", "TRCK", "TCON"},
    {"TIT2", "TPE1", "TALB", "TDRC", "COMM", "TRCK", "TCON"},
};

// 2.2 frame names and their 2.3 names; a 2.2 frame of another name cannot be carried over.
const char* const kFrames22To23[][2] = {
    {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"}, {"TP1", "TPE1"}, {"TP2", "TPE2"}, {"TP3", "TPE3"},
    {"TP4", "TPE4"}, {"TCM", "TCOM"}, {"TXT", "TEXT"}, {"TLA", "TLAN"}, {"TCO", "TCON"}, {"TAL", "TALB"},
    {"TPA", "TPOS"}, {"TRK", "TRCK"}, {"TRC", "TSRC"}, {"TYE", "TYER"}, {"TDA", "TDAT"}, {"TIM", "TIME"},
    {"TRD", "TRDA"}, {"TMT", "TMED"}, {"TFT", "TFLT"}, {"TBP", "TBPM"}, {"TCR", "TCOP"}, {"TPB", "TPUB"},
    {"TEN", "TENC"}, {"TSS", "TSSE"}, {"TOF", "TOFN"}, {"TLE", "TLEN"}, {"TSI", "TSIZ"}, {"TDY", "TDLY"},
    {"TKE", "TKEY"}, {"TOT", "TOAL"}, {"TOA", "TOPE"}, {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TXX", "TXXX"},
    {"WAF", "WOAF"}, {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"}, {"WPB", "WPUB"},
    {"WXX", "WXXX"}, {"IPL", "IPLS"}, {"MCI", "MCDI"}, {"ETC", "ETCO"}, {"MLL", "MLLT"}, {"STC", "SYTC"},
    {"ULT", "USLT"}, {"SLT", "SYLT"}, {"COM", "COMM"}, {"RVA", "RVAD"}, {"EQU", "EQUA"}, {"REV", "RVRB"},
    {"PIC", "APIC"}, {"GEO", "GEOB"}, {"CNT", "PCNT"}, {"POP", "POPM"}, {"BUF", "RBUF"}, {"CRA", "AENC"},
};

// One frame of a tag body: where its header and its content lie.
struct FrameRef {
  char id[5];
  size_t at, contentAt, contentSize;
  uint8_t format;  // the second flag byte (2.3, 2.4)
};

// A tag taken apart: the body with whole-tag unsynchronisation undone, and its frames.
struct ParsedTag {
  int32_t major;
  uint8_t flags;
  std::vector<uint8_t> body;
  std::vector<FrameRef> frames;
};

size_t BigEndian(const uint8_t* b, int32_t n) {
  size_t v = 0;
  for (int32_t i = 0; i < n; ++i) v = v << 8 | b[i];
  return v;
}

// Four 7-bit digits; -1 when a byte has its top bit set.
int64_t Syncsafe(const uint8_t* b) {
  if ((b[0] | b[1] | b[2] | b[3]) & 0x80) return -1;
  return int64_t(b[0]) << 21 | int64_t(b[1]) << 14 | int64_t(b[2]) << 7 | b[3];
}

void PutBigEndian(std::vector<uint8_t>& out, size_t value, int32_t n) {
  for (int32_t i = n - 1; i >= 0; --i) out.push_back(uint8_t(value >> (8 * i)));
}

void PutSyncsafe(std::vector<uint8_t>& out, size_t value) {
  for (int32_t i = 3; i >= 0; --i) out.push_back(uint8_t((value >> (7 * i)) & 0x7F));
}

// Takes out the zero byte written behind every 0xFF.
std::vector<uint8_t> Resynchronised(const uint8_t* bytes, size_t length) {
  std::vector<uint8_t> out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    out.push_back(bytes[i]);
    if (bytes[i] == 0xFF && i + 1 < length && bytes[i + 1] == 0) ++i;
  }
  return out;
}

bool IsFrameName(const uint8_t* id, int32_t length) {
  for (int32_t i = 0; i < length; ++i) {
    if (!((id[i] >= 'A' && id[i] <= 'Z') || (id[i] >= '0' && id[i] <= '9'))) return false;
  }
  return true;
}

// Takes a tag apart; false for no tag, a damaged one or a compressed 2.2 one. With `cut` given, `size`
// may hold only the tag's first bytes: the walk then stops at the first frame that runs past them, and
// *cut says whether one did.
bool ParseTag(const uint8_t* tag, size_t size, ParsedTag* parsed, bool* cut = nullptr) {
  if (tag == nullptr || size < 10 || std::memcmp(tag, "ID3", 3) != 0 || tag[3] < 2 || tag[3] > 4 ||
      tag[4] == 0xFF) {
    return false;
  }
  const int64_t bodySize = Syncsafe(tag + 6);
  if (bodySize < 0) return false;
  const bool partial = size_t(bodySize) > size - 10;
  if (partial && cut == nullptr) return false;
  if (cut != nullptr) *cut = false;
  const size_t held = partial ? size - 10 : size_t(bodySize);
  parsed->major = tag[3];
  parsed->flags = tag[5];
  const int32_t major = parsed->major;
  if (major == 2 && (parsed->flags & kExtendedHeader)) return false;
  if (major < 4 && (parsed->flags & kUnsynchronised)) {
    parsed->body = Resynchronised(tag + 10, held);
  } else {
    parsed->body.assign(tag + 10, tag + 10 + held);
  }
  const std::vector<uint8_t>& body = parsed->body;
  size_t at = 0;
  if (major > 2 && (parsed->flags & kExtendedHeader)) {
    if (body.size() < 4) return false;
    // 2.3 counts the extended header without its size bytes, 2.4 with them.
    const int64_t extended = major == 3 ? int64_t(BigEndian(body.data(), 4)) + 4 : Syncsafe(body.data());
    if (extended < 6 || size_t(extended) > body.size()) return false;
    at = size_t(extended);
  }
  const size_t idLength = major == 2 ? 3 : 4, headerLength = major == 2 ? 6 : 10;
  parsed->frames.clear();
  // Frames follow one another up to the padding (zero bytes) or the body's end.
  while (at + headerLength <= body.size() && body[at] != 0) {
    const uint8_t* h = body.data() + at;
    if (!IsFrameName(h, int32_t(idLength))) return false;
    const int64_t length = major == 2 ? int64_t(BigEndian(h + 3, 3))
                           : major == 3 ? int64_t(BigEndian(h + 4, 4))
                                        : Syncsafe(h + 4);
    if (length < 0 || size_t(length) > size_t(bodySize)) return false;
    if (size_t(length) > body.size() - at - headerLength) {
      if (!partial) return false;
      break;
    }
    FrameRef frame{};
    std::memcpy(frame.id, h, idLength);
    frame.at = at;
    frame.contentAt = at + headerLength;
    frame.contentSize = size_t(length);
    frame.format = major == 2 ? 0 : h[9];
    parsed->frames.push_back(frame);
    at = frame.contentAt + frame.contentSize;
  }
  // A held part that ends in a frame, rather than in the padding, left something out.
  if (partial) *cut = !(at < body.size() && body[at] == 0);
  return true;
}

// The content of a frame as its reader sees it: grouping and data-length bytes passed over, 2.4
// unsynchronisation undone. False for compressed or encrypted frames.
bool FrameContent(const ParsedTag& tag, const FrameRef& frame, std::vector<uint8_t>* content) {
  const uint8_t* b = tag.body.data() + frame.contentAt;
  size_t n = frame.contentSize, skip = 0;
  if (tag.major == 3) {
    if (frame.format & (kFrame23Compressed | kFrame23Encrypted)) return false;
    skip = (frame.format & kFrame23Grouped) ? 1 : 0;
  } else if (tag.major == 4) {
    if (frame.format & (kFrame24Compressed | kFrame24Encrypted)) return false;
    skip = ((frame.format & kFrame24Grouped) ? 1 : 0) + ((frame.format & kFrame24DataLength) ? 4 : 0);
  }
  if (n < skip) return false;
  b += skip;
  n -= skip;
  if (tag.major == 4 && ((frame.format & kFrame24Unsynchronised) || (tag.flags & kUnsynchronised))) {
    *content = Resynchronised(b, n);
  } else {
    content->assign(b, b + n);
  }
  return true;
}

// The length of a string of encoding `encoding` at the start of `n` bytes, without its terminator,
// and (in *next) where what follows it begins.
size_t StringLength(int32_t encoding, const uint8_t* b, size_t n, size_t* next) {
  const bool wide = encoding == 1 || encoding == 2;
  size_t i = 0;
  if (wide) {
    while (i + 1 < n && (b[i] | b[i + 1]) != 0) i += 2;
    if (i + 1 >= n) i = n;
    *next = i + 1 < n ? i + 2 : n;
  } else {
    while (i < n && b[i] != 0) ++i;
    *next = i < n ? i + 1 : n;
  }
  return i;
}

// Decodes one string of encoding `encoding` (0 ISO-8859-1, 1 UTF-16 with a byte-order mark, 2
// UTF-16 big-endian, 3 UTF-8) into `out` as UTF-8; malformed UTF-8 or an unpaired surrogate becomes
// U+FFFD. False for an encoding that is none of these.
bool DecodeString(int32_t encoding, const uint8_t* b, size_t n, char* out) {
  uint16_t units[kFieldBytes];
  int32_t count = 0;
  if (encoding == 0) {
    for (size_t i = 0; i < n && count < kFieldBytes - 1; ++i) units[count++] = b[i];
  } else if (encoding == 1 || encoding == 2) {
    bool little = false;
    size_t i = 0;
    if (n >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
      little = b[0] == 0xFF;
      i = 2;
    } else if (encoding == 1) {
      little = true;  // a mark left out: the order Windows writes
    }
    for (; i + 1 < n && count < kFieldBytes - 1; i += 2) {
      units[count++] = little ? uint16_t(b[i] | b[i + 1] << 8) : uint16_t(b[i] << 8 | b[i + 1]);
    }
  } else if (encoding == 3) {
    const size_t start = n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF ? 3 : 0;
    const size_t length = n - start < size_t(kFieldBytes) ? n - start : size_t(kFieldBytes);
    count = Utf16FromUtf8(reinterpret_cast<const char*>(b + start), int32_t(length), units, kFieldBytes);
  } else {
    return false;
  }
  // A byte-order mark in front is no part of the text (2.4 writers put one before UTF-8 too).
  int32_t first = 0;
  while (first < count && units[first] == 0xFEFF) ++first;
  Utf8FromUtf16(units + first, count - first, out, kFieldBytes);
  return true;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool SameName(const char* a, const char* b) {
  while (*a && Lower(*a) == Lower(*b)) ++a, ++b;
  return *a == 0 && *b == 0;
}

// A genre text as the user reads it: "(17)", "(17)Rock" and "17" as the table's name, "(RX)" and
// "(CR)" (bare in 2.4) as "Remix" and "Cover", any other text as it is.
void GenreName(char* text) {
  const char* p = text + (text[0] == '(' ? 1 : 0);
  int32_t value = 0, digits = 0;
  for (; *p >= '0' && *p <= '9' && digits < 4; ++p, ++digits) value = value * 10 + (*p - '0');
  const bool numeric = digits > 0 && (text[0] == '(' ? *p == ')' : *p == 0);
  const char* name = nullptr;
  if (numeric && value < kUnknownGenre) {
    name = kGenreNames[value];
  } else if (std::strcmp(text, "(RX)") == 0 || std::strcmp(text, "RX") == 0) {
    name = "Remix";
  } else if (std::strcmp(text, "(CR)") == 0 || std::strcmp(text, "CR") == 0) {
    name = "Cover";
  }
  if (name != nullptr) std::memcpy(text, name, std::strlen(name) + 1);
}

char* FieldText(TagFields* fields, int32_t field) {
  char* const texts[kFieldCount] = {fields->title, fields->artist, fields->album, fields->year,
                                    fields->comment, fields->track, fields->genre};
  return texts[field];
}

// The shown field a frame holds, or kOther. Only comments without a description are shown (others are
// players' private notes).
int32_t FieldOf(const ParsedTag& tag, const FrameRef& frame) {
  for (int32_t f = 0; f < kFieldCount; ++f) {
    if (std::strcmp(frame.id, kFieldFrames[tag.major - 2][f]) != 0) continue;
    if (f != kComment) return f;
    std::vector<uint8_t> c;
    if (!FrameContent(tag, frame, &c) || c.size() < 4) return kOther;
    size_t next;
    const size_t length = StringLength(c[0], c.data() + 4, c.size() - 4, &next);
    const bool onlyMark = length == 2 && c[0] == 1 && (c[4] == 0xFF || c[4] == 0xFE) && (c[5] == 0xFF || c[5] == 0xFE);
    return length == 0 || onlyMark ? kComment : kOther;
  }
  return kOther;
}

// Reads a text or comment frame into its field; nothing when it cannot be read or is empty.
void ReadField(const ParsedTag& tag, const FrameRef& frame, int32_t field, TagFields* fields) {
  std::vector<uint8_t> c;
  if (!FrameContent(tag, frame, &c) || c.empty()) return;
  const int32_t encoding = c[0];
  size_t at = 1, next;
  if (field == kComment) {
    if (c.size() < 4) return;
    StringLength(encoding, c.data() + 4, c.size() - 4, &next);
    at = 4 + next;
  }
  const size_t length = StringLength(encoding, c.data() + at, c.size() - at, &next);
  char text[kFieldBytes];
  if (length == 0 || !DecodeString(encoding, c.data() + at, length, text) || text[0] == 0) return;
  if (field == kGenre) GenreName(text);
  std::memcpy(FieldText(fields, field), text, kFieldBytes);
}

bool IsLatin1(const char* text) {
  size_t at = 0;
  const size_t n = std::strlen(text);
  while (at < n) {
    if (NextCodePoint(text, n, &at) > 0xFF) return false;
  }
  return true;
}

// A text frame's content (or a comment's, with language and empty description): ISO-8859-1 when every
// character fits it, else UTF-16 with a byte-order mark (2.3) or UTF-8 (2.4).
std::vector<uint8_t> TextContent(int32_t major, const char* text, bool comment) {
  const size_t n = std::strlen(text);
  const int32_t encoding = IsLatin1(text) ? 0 : major == 4 ? 3 : 1;
  std::vector<uint8_t> c(1, uint8_t(encoding));
  if (comment) {
    c.insert(c.end(), {'e', 'n', 'g', 0});  // the language, and an empty description's terminator
    if (encoding == 1) c.push_back(0);     // two bytes wide in UTF-16
  }
  size_t at = 0;
  if (encoding == 0) {
    while (at < n) c.push_back(uint8_t(NextCodePoint(text, n, &at)));
  } else if (encoding == 3) {
    c.insert(c.end(), text, text + n);
  } else {
    std::vector<uint16_t> units(n + 1);
    const int32_t count = Utf16FromUtf8(text, int32_t(n), units.data(), int32_t(units.size()));
    c.insert(c.end(), {0xFF, 0xFE});
    for (int32_t i = 0; i < count; ++i) c.insert(c.end(), {uint8_t(units[i] & 0xFF), uint8_t(units[i] >> 8)});
  }
  return c;
}

void PutFrame(std::vector<uint8_t>& out, int32_t major, const char* id, const std::vector<uint8_t>& content,
              uint8_t status, uint8_t format) {
  out.insert(out.end(), id, id + 4);
  if (major == 4) {
    PutSyncsafe(out, content.size());
  } else {
    PutBigEndian(out, content.size(), 4);
  }
  out.push_back(status);
  out.push_back(format);
  out.insert(out.end(), content.begin(), content.end());
}

// A 2.2 picture's content as a 2.3 one: the three-letter image format becomes a MIME type.
std::vector<uint8_t> PictureContent23(const uint8_t* b, size_t n) {
  if (n < 4) return std::vector<uint8_t>(b, b + n);
  std::vector<uint8_t> c(1, b[0]);
  const char* mime = std::memcmp(b + 1, "JPG", 3) == 0 ? "image/jpeg" : std::memcmp(b + 1, "PNG", 3) == 0 ? "image/png" : nullptr;
  if (mime != nullptr) {
    c.insert(c.end(), mime, mime + std::strlen(mime));
  } else {
    c.insert(c.end(), {'i', 'm', 'a', 'g', 'e', '/'});
    for (size_t i = 1; i < 4; ++i) c.push_back(uint8_t(Lower(char(b[i]))));
  }
  c.push_back(0);
  c.insert(c.end(), b + 4, b + n);
  return c;
}

// Carries one kept frame over into the new body.
void KeepFrame(const ParsedTag& tag, const FrameRef& frame, std::vector<uint8_t>& out) {
  const uint8_t* b = tag.body.data();
  if (tag.major == 3) {
    out.insert(out.end(), b + frame.at, b + frame.contentAt + frame.contentSize);
  } else if (tag.major == 4) {
    const size_t start = out.size();
    out.insert(out.end(), b + frame.at, b + frame.contentAt + frame.contentSize);
    // The new tag carries no whole-tag flag, so each frame says it is unsynchronised itself.
    if (tag.flags & kUnsynchronised) out[start + 9] |= kFrame24Unsynchronised;
  } else {
    for (const auto& names : kFrames22To23) {
      if (std::strcmp(frame.id, names[0]) != 0) continue;
      const uint8_t* content = b + frame.contentAt;
      const std::vector<uint8_t> c = std::strcmp(frame.id, "PIC") == 0
                                         ? PictureContent23(content, frame.contentSize)
                                         : std::vector<uint8_t>(content, content + frame.contentSize);
      PutFrame(out, 3, names[1], c, 0, 0);
      return;
    }
  }
}

// Converts ANSI text of at most `length` bytes (stopping at a NUL, without trailing spaces) into a field.
void V1Text(const uint8_t* raw, size_t length, char* field) {
  size_t n = 0;
  while (n < length && raw[n] != 0) ++n;
  while (n > 0 && raw[n - 1] == ' ') --n;
  if (n > 0) Utf8FromAnsi(reinterpret_cast<const char*>(raw), int32_t(n), field, kFieldBytes);
}

// Writes a field in the ANSI code page into `length` bytes, cut between characters.
void V1Put(const char* text, uint8_t* raw, size_t length) {
  char ansi[32];
  AnsiFromUtf8(text, ansi, int32_t(length + 1));
  std::memcpy(raw, ansi, std::strlen(ansi));
}

}  // namespace

int32_t GenreNumberOf(const char* name) {
  for (int32_t i = 0; i < kUnknownGenre; ++i) {
    if (SameName(name, kGenreNames[i])) return i;
  }
  return -1;
}

int32_t ParseId3v1(const uint8_t raw[kId3v1Bytes], TagFields* fields) {
  if (raw == nullptr || std::memcmp(raw, "TAG", 3) != 0) return 0;
  V1Text(raw + 3, 30, fields->title);
  V1Text(raw + 33, 30, fields->artist);
  V1Text(raw + 63, 30, fields->album);
  V1Text(raw + 93, 4, fields->year);
  const bool hasTrack = raw[125] == 0 && raw[126] != 0;
  V1Text(raw + 97, hasTrack ? 28 : 30, fields->comment);
  if (hasTrack) std::snprintf(fields->track, kFieldBytes, "%d", raw[126]);
  if (raw[127] < kUnknownGenre) std::snprintf(fields->genre, kFieldBytes, "%s", kGenreNames[raw[127]]);
  return 1;
}

void BuildId3v1(const TagFields& fields, uint8_t raw[kId3v1Bytes]) {
  std::memset(raw, 0, kId3v1Bytes);
  std::memcpy(raw, "TAG", 3);
  V1Put(fields.title, raw + 3, 30);
  V1Put(fields.artist, raw + 33, 30);
  V1Put(fields.album, raw + 63, 30);
  V1Put(fields.year, raw + 93, 4);
  int32_t track = 0;
  for (const char* p = fields.track; *p >= '0' && *p <= '9' && track < 1000; ++p) track = track * 10 + (*p - '0');
  const bool hasTrack = track >= 1 && track <= 255;
  V1Put(fields.comment, raw + 97, hasTrack ? 28 : 30);
  if (hasTrack) raw[126] = uint8_t(track);
  const int32_t genre = GenreNumberOf(fields.genre);
  raw[127] = genre < 0 ? 255 : uint8_t(genre);
}

int32_t ParseId3v2(const uint8_t* tag, size_t size, TagFields* fields, bool* cut) {
  ParsedTag parsed;
  if (!ParseTag(tag, size, &parsed, cut)) return 0;
  for (const FrameRef& frame : parsed.frames) {
    const int32_t field = FieldOf(parsed, frame);
    if (field != kOther) ReadField(parsed, frame, field, fields);
  }
  return parsed.major;
}

int32_t BuildId3v2(const uint8_t* old, size_t oldSize, const TagFields& fields, size_t minimumSize,
                   std::vector<uint8_t>* out) {
  ParsedTag parsed;
  parsed.major = 3;
  if (oldSize > 0 && !ParseTag(old, oldSize, &parsed)) return 0;
  const int32_t major = parsed.major == 2 ? 3 : parsed.major;
  std::vector<uint8_t> body;
  for (const FrameRef& frame : parsed.frames) {
    if (FieldOf(parsed, frame) == kOther) KeepFrame(parsed, frame, body);
  }
  TagFields copy = fields;
  for (int32_t f = 0; f < kFieldCount; ++f) {
    const char* text = FieldText(&copy, f);
    if (text[0] != 0) PutFrame(body, major, kFieldFrames[major - 2][f], TextContent(major, text, f == kComment), 0, 0);
  }
  if (minimumSize > 10 && body.size() < minimumSize - 10) body.resize(minimumSize - 10, 0);
  if (body.size() > kMaxBody) return 0;
  out->assign({'I', 'D', '3', uint8_t(major), 0, 0});
  PutSyncsafe(*out, body.size());
  out->insert(out->end(), body.begin(), body.end());
  return 1;
}

int32_t ParseId3v2ReplayGain(const uint8_t* tag, size_t size, ReplayGainInfo* info, bool* cut) {
  ParsedTag parsed;
  if (!ParseTag(tag, size, &parsed, cut)) return 0;
  // A user text frame: the encoding, the description (the field's name) and the value.
  const char* const id = parsed.major == 2 ? "TXX" : "TXXX";
  int32_t kept = 0;
  for (const FrameRef& frame : parsed.frames) {
    std::vector<uint8_t> c;
    if (std::strcmp(frame.id, id) != 0 || !FrameContent(parsed, frame, &c) || c.empty()) continue;
    const int32_t encoding = c[0];
    size_t valueAt, next;
    const size_t nameLength = StringLength(encoding, c.data() + 1, c.size() - 1, &valueAt);
    char name[kFieldBytes], value[kFieldBytes];
    if (!DecodeString(encoding, c.data() + 1, nameLength, name)) continue;
    const int32_t field = ReplayGainFieldNamed(name);
    if (field < 0) continue;
    valueAt += 1;
    const size_t valueLength = StringLength(encoding, c.data() + valueAt, c.size() - valueAt, &next);
    float v;
    if (DecodeString(encoding, c.data() + valueAt, valueLength, value) && ParseReplayGainValue(field, value, &v) &&
        NoteReplayGain(info, field, v, kGainFromId3v2)) {
      ++kept;
    }
  }
  return kept;
}
