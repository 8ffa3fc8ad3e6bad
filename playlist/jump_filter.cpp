#include "playlist/jump_filter.h"

#include <cstring>

#include "platform/text.h"
#include "playlist/playlist.h"

namespace {

void AppendCodePoint(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

uint32_t LowerCodePoint(uint32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 0x20;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;      // Latin-1 capitals
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;   // Greek capitals
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;                 // Cyrillic А..Я
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;                 // Cyrillic Ѐ..Џ
  return c;
}

void AppendFolded(std::string& out, const char* text, size_t count) {
  size_t at = 0;
  while (at < count) {
    const uint8_t first = uint8_t(text[at]);
    if (first < 0x80) {  // the common case, without decoding
      out += char(first >= 'A' && first <= 'Z' ? first + 0x20 : first);
      ++at;
      continue;
    }
    const size_t start = at;
    const uint32_t c = NextCodePoint(text, count, &at);
    const uint32_t lower = LowerCodePoint(c);
    if (lower == c) {
      out.append(text + start, at - start);  // kept byte for byte, malformed bytes too
    } else {
      AppendCodePoint(out, lower);
    }
  }
}

// The file's name without its folder and extension, as the playlist editor shows a path.
std::string FileTitle(const char* path) {
  const char* name = path;
  for (const char* p = path; *p; ++p)
    if (*p == '\\' || *p == '/') name = p + 1;
  const char* dot = std::strrchr(name, '.');
  return dot && dot != name ? std::string(name, size_t(dot - name)) : std::string(name);
}

int32_t VisitEntry(const PlaylistEntry& entry, void* context) {
  JumpIndex& index = *static_cast<JumpIndex*>(context);
  const size_t titleLength = strnlen(entry.tag.title, sizeof entry.tag.title);
  const size_t artistLength = strnlen(entry.tag.artist, sizeof entry.tag.artist);
  const size_t pathLength = strnlen(entry.path, sizeof entry.path);
  const size_t streamLength = strnlen(entry.streamTitle, sizeof entry.streamTitle);
  static std::string folded;  // one entry's text, reused from entry to entry
  folded.clear();
  if (entry.tag.present) AppendFolded(folded, entry.tag.title, titleLength);
  else if (streamLength > 0) AppendFolded(folded, entry.streamTitle, streamLength);
  folded += '\n';
  if (entry.tag.present) AppendFolded(folded, entry.tag.artist, artistLength);
  folded += '\n';
  AppendFolded(folded, entry.path, pathLength);
  index.offsets.push_back(uint32_t(index.folded.size()));
  index.folded.insert(index.folded.end(), folded.c_str(), folded.c_str() + folded.size() + 1);
  const std::string path(entry.path, pathLength);
  if (entry.tag.present) {
    index.lines.push_back(std::string(entry.tag.artist, artistLength) + " - " + std::string(entry.tag.title, titleLength));
  } else if (IsStreamPath(path.c_str())) {
    index.lines.push_back(streamLength > 0 ? std::string(entry.streamTitle, streamLength) : path);
  } else {
    index.lines.push_back(FileTitle(path.c_str()));
  }
  return 1;
}

}  // namespace

std::string FoldCase(const char* text) {
  std::string out;
  if (text) AppendFolded(out, text, std::strlen(text));
  return out;
}

void BuildJumpIndex(JumpIndex* index) {
  index->folded.clear();
  index->offsets.clear();
  index->lines.clear();
  WalkPlaylist(VisitEntry, index);
}

void FilterJumpIndex(const JumpIndex& index, const char* query, std::vector<int32_t>* matches) {
  matches->clear();
  const std::string folded = FoldCase(query);
  // The words, each NUL-terminated in one buffer, for strstr.
  std::string words;
  int32_t wordCount = 0;
  for (size_t i = 0; i < folded.size();) {
    while (i < folded.size() && (folded[i] == ' ' || folded[i] == '\t')) ++i;
    const size_t start = i;
    while (i < folded.size() && folded[i] != ' ' && folded[i] != '\t') ++i;
    if (i > start) {
      words.append(folded, start, i - start);
      words += '\0';
      ++wordCount;
    }
  }
  const int32_t count = int32_t(index.offsets.size());
  for (int32_t entry = 0; entry < count; ++entry) {
    const char* text = index.folded.data() + index.offsets[size_t(entry)];
    const char* word = words.c_str();
    bool all = true;
    for (int32_t w = 0; w < wordCount && all; ++w, word += std::strlen(word) + 1) all = std::strstr(text, word) != nullptr;
    if (all) matches->push_back(entry);
  }
}
