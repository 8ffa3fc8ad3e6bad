// Arbitrary bytes as what a stream's server sends: four knob bytes, then the response. The head must
// parse the same however the bytes arrive, the audio split off the body must be the body without its
// metadata blocks whatever the reads, titles and station names must be bounded well-formed UTF-8,
// redirect targets and playlist entries well-formed addresses. Anything else stops the fuzz run.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/text.h"
#include "stream/http_response.h"
#include "stream/icy_metadata.h"
#include "stream/stream_playlist.h"
#include "stream/stream_url.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// A display text in a buffer of `size` bytes: ends within it, well-formed UTF-8, no control characters.
void CheckText(const char* text, size_t size) {
  const size_t n = strnlen(text, size);
  Check(n < size);
  Check(IsUtf8(reinterpret_cast<const uint8_t*>(text), n) == 1);
  for (size_t i = 0; i < n; ++i) Check(static_cast<uint8_t>(text[i]) >= 0x20 && text[i] != 0x7F);
}

// A resolved address parses, and resolving it again gives itself.
void CheckResolved(const StreamUrl& base, const char* location) {
  char target[2048];
  if (ResolveStreamLocation(base, location, target, int32_t(sizeof target)) != 1) return;
  StreamUrl parsed;
  Check(ParseStreamUrl(target, &parsed) == 1);
  char again[2048];
  Check(ResolveStreamLocation(base, target, again, int32_t(sizeof again)) == 1);
  Check(std::strcmp(target, again) == 0);
}

// The audio of an ICY body, the plain way: `interval` bytes, then a length byte and 16 times as many
// bytes of metadata, again and again.
std::vector<uint8_t> ReferenceAudio(const uint8_t* body, size_t size, int32_t interval) {
  if (interval == 0) return std::vector<uint8_t>(body, body + size);
  std::vector<uint8_t> audio;
  size_t at = 0;
  while (at < size) {
    const size_t run = size - at < size_t(interval) ? size - at : size_t(interval);
    audio.insert(audio.end(), body + at, body + at + run);
    at += run;
    if (at < size) at += 1 + size_t(body[at]) * 16;
  }
  return audio;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint8_t step = data[0];             // how the head arrives: 1 + step % 64 bytes a time
  const uint16_t knob = uint16_t(data[1] << 8 | data[2]);  // metadata interval when the head gives none
  uint32_t seed = data[3];                  // the body's read sizes
  const char* text = reinterpret_cast<const char*>(data + 4);
  const int32_t length = int32_t(size - 4);

  // The head, whole and in growing prefixes: each prefix undecided or decided as the whole.
  ResponseHead whole;
  std::memset(&whole, 0, sizeof whole);
  const int32_t result = ParseResponseHead(text, length, &whole);
  Check(result >= -1 && result <= 1);
  for (int32_t n = 0; n <= length; n += 1 + step % 64) {
    ResponseHead part;
    const int32_t r = ParseResponseHead(text, n, &part);
    Check(r == 0 || r == result);
    if (r == 1) Check(std::memcmp(&part, &whole, sizeof part) == 0);
    if (r != 0) break;
  }
  StreamUrl base;
  Check(ParseStreamUrl("http://fuzz.example:8000/dir/list.pls?x=1", &base) == 1);
  int32_t interval = knob % 8193;
  int32_t bodyStart = 0;
  if (result == 1) {
    Check(whole.headBytes > 0 && whole.headBytes <= length && whole.headBytes <= kResponseHeadMaxBytes);
    Check(whole.status >= 100 && whole.status <= 999);
    Check(whole.metaInterval >= 0 && whole.metaInterval <= 65536);
    Check(whole.bitrateKbps >= 0 && whole.bitrateKbps <= 1000);
    CheckText(whole.stationName, sizeof whole.stationName);
    CheckText(whole.contentType, sizeof whole.contentType);
    for (const char* c = whole.contentType; *c; ++c) Check(!(*c >= 'A' && *c <= 'Z') && *c != ';');
    Check(strnlen(whole.location, sizeof whole.location) < sizeof whole.location);
    CheckResolved(base, whole.location);
    const int32_t kind = ClassifyContent(whole.contentType, whole.location);
    Check(kind >= kContentMpegAudio && kind <= kContentOther);
    if (whole.metaInterval > 0) interval = whole.metaInterval;
    bodyStart = whole.headBytes;
  }

  // The body through the demux in reads of pseudo-random sizes, against the plain reading.
  const uint8_t* body = data + 4 + bodyStart;
  const size_t bodySize = size_t(length - bodyStart);
  const std::vector<uint8_t> expected = ReferenceAudio(body, bodySize, interval);
  static IcyDemux demux;
  IcyDemuxStart(&demux, interval);
  std::vector<uint8_t> audio, read;
  for (size_t at = 0; at < bodySize;) {
    seed = seed * 1103515245u + 12345u;
    const size_t want = 1 + (seed >> 16) % (seed & 0x100 ? 16 : 5000);
    const size_t n = want < bodySize - at ? want : bodySize - at;
    read.assign(body + at, body + at + n);
    at += n;
    int32_t done = -1;
    const int32_t got = IcyDemuxBytes(&demux, read.data(), int32_t(n), &done);
    Check(got >= 0 && size_t(got) <= n && (done == 0 || done == 1));
    audio.insert(audio.end(), read.begin(), read.begin() + got);
    if (done) {
      Check(demux.metaLength > 0 && demux.metaLength <= kIcyMetaMaxBytes && demux.metaLength % 16 == 0);
      char title[300];
      std::memset(title, 0x55, sizeof title);
      const int32_t titleSize = 1 + int32_t((seed >> 8) % 256);
      if (IcyStreamTitle(demux.meta, demux.metaLength, title, titleSize)) CheckText(title, size_t(titleSize));
      for (size_t i = size_t(titleSize); i < sizeof title; ++i) Check(title[i] == 0x55);
    }
  }
  Check(audio == expected);

  // The bytes as a playlist body, and as an address and a redirect target.
  static char urls[8][kStreamUrlBytes];
  const int32_t count = StreamPlaylistUrls(text, length, urls, 8);
  Check(count >= 0 && count <= 8);
  for (int32_t i = 0; i < count; ++i) {
    StreamUrl parsed;
    Check(strnlen(urls[i], kStreamUrlBytes) < size_t(kStreamUrlBytes));
    Check(ParseStreamUrl(urls[i], &parsed) == 1);
  }
  char line[4096];
  const size_t lineLength = strnlen(text, size_t(length) < sizeof line - 1 ? size_t(length) : sizeof line - 1);
  std::memcpy(line, text, lineLength);
  line[lineLength] = 0;
  StreamUrl parsed;
  if (ParseStreamUrl(line, &parsed) == 1) {
    Check(parsed.port >= 1 && parsed.port <= 65535 && parsed.host[0] != 0 && parsed.path[0] == '/');
  }
  CheckResolved(base, line);
  return 0;
}
