// Playlist bodies received from a server: which entries are stream addresses, in playing order.
#include "stream/stream_playlist.h"

#include <cstring>

#include "stream/stream_url.h"

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The next line of `body` from `*at` (ending at CR, LF or both), blanks around it taken off; moves `*at`
// past its end.
void NextLine(const char* body, int32_t length, int32_t* at, const char** line, int32_t* lineLength) {
  int32_t start = *at;
  int32_t end = start;
  while (end < length && body[end] != '\n' && body[end] != '\r') ++end;
  *at = end;
  if (*at < length && body[*at] == '\r') ++*at;
  if (*at < length && body[*at] == '\n') ++*at;
  while (start < end && IsBlank(body[start])) ++start;
  while (end > start && IsBlank(body[end - 1])) --end;
  *line = body + start;
  *lineLength = end - start;
}

// Copies an entry to `out` when it is a well-formed stream address that fits.
bool TakeUrl(const char* text, int32_t length, char* out) {
  if (length <= 0 || length >= kStreamUrlBytes) return false;
  if (std::memchr(text, 0, size_t(length)) != nullptr) return false;
  char url[kStreamUrlBytes];
  std::memcpy(url, text, size_t(length));
  url[length] = 0;
  StreamUrl parsed;
  if (!ParseStreamUrl(url, &parsed)) return false;
  std::memcpy(out, url, size_t(length) + 1);
  return true;
}

// "FileN=" with N of up to nine digits: N, and the value's start; -1 when the line is not one.
int32_t PlsFileNumber(const char* line, int32_t length, int32_t* valueStart) {
  static const char kKey[] = "file";
  if (length < 6) return -1;
  for (int32_t i = 0; i < 4; ++i) {
    if (Lower(line[i]) != kKey[i]) return -1;
  }
  int32_t n = 0;
  int32_t i = 4;
  for (; i < length && i < 13 && line[i] >= '0' && line[i] <= '9'; ++i) n = n * 10 + (line[i] - '0');
  if (i == 4 || i >= length || line[i] != '=') return -1;
  *valueStart = i + 1;
  return n;
}

bool IsPls(const char* body, int32_t length) {
  for (int32_t at = 0; at < length;) {
    const char* line;
    int32_t lineLength;
    NextLine(body, length, &at, &line, &lineLength);
    if (lineLength == 0) continue;
    static const char kSection[] = "[playlist]";
    if (lineLength != int32_t(sizeof kSection) - 1) return false;
    for (int32_t i = 0; i < lineLength; ++i) {
      if (Lower(line[i]) != kSection[i]) return false;
    }
    return true;
  }
  return false;
}

}  // namespace

int32_t StreamPlaylistUrls(const char* body, int32_t length, char (*urls)[kStreamUrlBytes], int32_t maxUrls) {
  if (body == nullptr || urls == nullptr || maxUrls <= 0 || length <= 0) return 0;
  if (length > kStreamPlaylistMaxBytes) length = kStreamPlaylistMaxBytes;
  // A UTF-8 byte order mark in front is not part of the first line.
  if (length >= 3 && std::memcmp(body, "\xEF\xBB\xBF", 3) == 0) body += 3, length -= 3;
  int32_t found = 0;
  if (!IsPls(body, length)) {
    for (int32_t at = 0; at < length && found < maxUrls;) {
      const char* line;
      int32_t lineLength;
      NextLine(body, length, &at, &line, &lineLength);
      if (lineLength > 0 && line[0] != '#' && TakeUrl(line, lineLength, urls[found])) ++found;
    }
    // A PLS body without its "[playlist]" line has no M3U entries: it is read as PLS below.
    if (found > 0) return found;
  }
  // PLS: the entry with the least N above the one taken last, one pass over the body each, so entries
  // listed out of order still play in order without a table of them. Entries that repeat an N count once.
  int32_t last = -1;
  while (found < maxUrls) {
    int32_t best = -1;
    const char* bestValue = nullptr;
    int32_t bestLength = 0;
    for (int32_t at = 0; at < length;) {
      const char* line;
      int32_t lineLength;
      NextLine(body, length, &at, &line, &lineLength);
      int32_t valueStart;
      const int32_t n = PlsFileNumber(line, lineLength, &valueStart);
      if (n <= last || (best >= 0 && n >= best)) continue;
      const char* value = line + valueStart;
      int32_t valueLength = lineLength - valueStart;
      while (valueLength > 0 && IsBlank(*value)) ++value, --valueLength;
      char probe[kStreamUrlBytes];
      if (!TakeUrl(value, valueLength, probe)) continue;
      best = n, bestValue = value, bestLength = valueLength;
    }
    if (best < 0) break;
    TakeUrl(bestValue, bestLength, urls[found++]);
    last = best;
  }
  return found;
}
