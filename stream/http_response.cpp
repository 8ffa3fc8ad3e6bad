// The head of a server's response: found within its bounds, its status line checked and the fields a
// stream needs taken out; and what the response carries, by content type and address.
#include "stream/http_response.h"

#include <cstring>

#include "stream/stream_text.h"

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool EqualsNoCase(const char* text, int32_t length, const char* word) {
  int32_t i = 0;
  for (; i < length && word[i]; ++i) {
    if (Lower(text[i]) != word[i]) return false;
  }
  return i == length && word[i] == 0;
}

// The status lines this client takes, up to the status code.
const char* const kStatusPrefixes[] = {"HTTP/1.0 ", "HTTP/1.1 ", "ICY "};

// Whether the first `length` bytes of a status line (possibly not all of it yet) can still start one
// this client takes: 1 yes and the prefix is complete with its code, 0 yes so far, -1 no.
int32_t CheckStatusLine(const char* line, int32_t length, int32_t* status) {
  for (const char* prefix : kStatusPrefixes) {
    const int32_t prefixLength = int32_t(std::strlen(prefix));
    const int32_t compared = length < prefixLength ? length : prefixLength;
    if (std::memcmp(line, prefix, size_t(compared)) != 0) continue;
    // Three digits follow, then a blank and the reason, or the line's end.
    int32_t code = 0;
    for (int32_t i = prefixLength; i < prefixLength + 3; ++i) {
      if (i >= length) return 0;
      if (!IsDigit(line[i])) return -1;
      code = code * 10 + (line[i] - '0');
    }
    if (length > prefixLength + 3 && !IsBlank(line[prefixLength + 3]) && line[prefixLength + 3] != '\r') return -1;
    if (code < 100) return -1;
    *status = code;
    return 1;
  }
  return -1;
}

// The digits of a whole field value as a number up to `limit`; -1 when it is not one or goes beyond.
int32_t NumberUpTo(const char* value, int32_t length, int32_t limit) {
  if (length == 0) return -1;
  int32_t n = 0;
  for (int32_t i = 0; i < length; ++i) {
    if (!IsDigit(value[i])) return -1;
    n = n * 10 + (value[i] - '0');
    if (n > limit) return -1;
  }
  return n;
}

// Takes one header line (its end of line removed) into `head`; false when it makes the response one
// this client refuses.
bool TakeField(const char* line, int32_t length, ResponseHead* head) {
  const char* colon = static_cast<const char*>(std::memchr(line, ':', size_t(length)));
  if (colon == nullptr || IsBlank(line[0])) return true;  // not a field, or a folded continuation: ignored
  const char* value = colon + 1;
  int32_t valueLength = length - int32_t(value - line);
  int32_t nameLength = int32_t(colon - line);
  while (nameLength > 0 && IsBlank(line[nameLength - 1])) --nameLength;
  while (valueLength > 0 && IsBlank(*value)) ++value, --valueLength;
  while (valueLength > 0 && IsBlank(value[valueLength - 1])) --valueLength;

  if (EqualsNoCase(line, nameLength, "icy-metaint")) {
    const int32_t interval = NumberUpTo(value, valueLength, 65536);
    if (interval < 0) return false;
    head->metaInterval = interval;
  } else if (EqualsNoCase(line, nameLength, "icy-br")) {
    // Some servers list several rates ("128,128"): the first counts. Nonsense leaves it unknown.
    int32_t digits = 0;
    while (digits < valueLength && IsDigit(value[digits])) ++digits;
    const int32_t kbps = NumberUpTo(value, digits, 1000);
    head->bitrateKbps = kbps > 0 ? kbps : 0;
  } else if (EqualsNoCase(line, nameLength, "icy-name")) {
    StreamTextToUtf8(value, valueLength, head->stationName, int32_t(sizeof head->stationName));
  } else if (EqualsNoCase(line, nameLength, "content-type")) {
    int32_t n = 0;
    while (n < valueLength && value[n] != ';') ++n;
    while (n > 0 && IsBlank(value[n - 1])) --n;
    // A type longer than the field is none this client knows; kept cut, it still reads as unknown.
    if (n > int32_t(sizeof head->contentType) - 1) n = int32_t(sizeof head->contentType) - 1;
    for (int32_t i = 0; i < n; ++i) {
      const char c = value[i];
      head->contentType[i] = (c > 0x20 && c < 0x7F) ? Lower(c) : '?';
    }
    head->contentType[n] = 0;
  } else if (EqualsNoCase(line, nameLength, "location")) {
    // A target too long to hold cannot be followed: it is left out rather than cut.
    head->location[0] = 0;
    if (valueLength < int32_t(sizeof head->location)) {
      std::memcpy(head->location, value, size_t(valueLength));
      head->location[valueLength] = 0;
    }
  }
  return true;
}

}  // namespace

int32_t ParseResponseHead(const char* data, int32_t length, ResponseHead* out) {
  if (data == nullptr || length < 0) return -1;
  if (length > kResponseHeadMaxBytes) length = kResponseHeadMaxBytes + 1;  // enough to see it is too long
  ResponseHead head;
  std::memset(&head, 0, sizeof head);
  int32_t lineStart = 0;
  int32_t lines = 0;
  for (;;) {
    const char* lf = static_cast<const char*>(std::memchr(data + lineStart, '\n', size_t(length - lineStart)));
    const int32_t lineEnd = lf ? int32_t(lf - data) : length;  // the line so far when it has no end yet
    int32_t lineLength = lineEnd - lineStart;
    if (lineLength > kResponseLineMaxBytes) return -1;
    if (lf == nullptr) {
      if (lines == 0 && CheckStatusLine(data, lineLength, &head.status) < 0) return -1;
      return length > kResponseHeadMaxBytes ? -1 : 0;
    }
    if (lineEnd + 1 > kResponseHeadMaxBytes) return -1;
    if (lineLength > 0 && data[lineEnd - 1] == '\r') --lineLength;
    const char* line = data + lineStart;
    lineStart = lineEnd + 1;
    if (lines == 0) {
      if (CheckStatusLine(line, lineLength, &head.status) != 1) return -1;
    } else if (lineLength == 0) {
      head.headBytes = lineStart;
      *out = head;
      return 1;
    } else if (lines > kResponseMaxLines) {
      return -1;
    } else if (!TakeField(line, lineLength, &head)) {
      return -1;
    }
    ++lines;
  }
}

int32_t ClassifyContent(const char* contentType, const char* path) {
  static const char* const kMpegTypes[] = {"audio/mpeg", "audio/mp3", "audio/mpa", "audio/x-mpeg"};
  static const char* const kPlaylistTypes[] = {
      "audio/x-scpls",         "audio/scpls",          "audio/mpegurl", "audio/x-mpegurl",
      "application/pls+xml",   "application/mpegurl",  "application/x-mpegurl",
      "application/vnd.apple.mpegurl"};
  // The type without parameters or blanks around it, in any case.
  const char* type = contentType ? contentType : "";
  while (IsBlank(*type)) ++type;
  int32_t typeLength = 0;
  while (type[typeLength] && type[typeLength] != ';' && typeLength < 256) ++typeLength;
  while (typeLength > 0 && IsBlank(type[typeLength - 1])) --typeLength;

  for (const char* t : kMpegTypes) {
    if (EqualsNoCase(type, typeLength, t)) return kContentMpegAudio;
  }
  for (const char* t : kPlaylistTypes) {
    if (EqualsNoCase(type, typeLength, t)) return kContentPlaylist;
  }
  // A type that says nothing particular: the address's name decides. Plain text is never audio.
  const bool generic = typeLength == 0 || EqualsNoCase(type, typeLength, "application/octet-stream");
  const bool text = EqualsNoCase(type, typeLength, "text/plain");
  if (!generic && !text) return kContentOther;
  // The last segment of the path, before any query or fragment, ending in a playlist's extension.
  const char* p = path ? path : "";
  int32_t end = 0;
  while (p[end] && p[end] != '?' && p[end] != '#' && end < 4096) ++end;
  int32_t dot = end;
  while (dot > 0 && p[dot - 1] != '.' && p[dot - 1] != '/') --dot;
  const bool playlistName =
      dot > 0 && p[dot - 1] == '.' &&
      (EqualsNoCase(p + dot, end - dot, "pls") || EqualsNoCase(p + dot, end - dot, "m3u") ||
       EqualsNoCase(p + dot, end - dot, "m3u8"));
  if (playlistName) return kContentPlaylist;
  return generic ? kContentMpegAudio : kContentOther;
}
