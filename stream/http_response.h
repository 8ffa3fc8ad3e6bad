// The head of an HTTP/1.0, HTTP/1.1 or "ICY" response: status line and the header fields a stream needs.
#pragma once
#include <cstdint>

constexpr int32_t kResponseHeadMaxBytes = 16384;  // a head larger than this is refused
constexpr int32_t kResponseMaxLines = 100;        // so are more header lines than this
constexpr int32_t kResponseLineMaxBytes = 4096;   // and a line longer than this

struct ResponseHead {
  int32_t status;             // 200, 301, …
  int32_t headBytes;          // bytes of the head, blank line included; the body follows
  int32_t metaInterval;       // icy-metaint: audio bytes between metadata blocks; 0 when none
  int32_t bitrateKbps;        // icy-br, 0 when none
  char contentType[128];      // lower case, without parameters; "" when none
  char location[2048];        // Location, "" when none
  char stationName[256];      // icy-name in UTF-8 (ANSI code page when it is not valid UTF-8); "" when none
};
// Looks at the first `length` bytes received. 1: the whole head is there and was parsed into `out`;
// 0: more bytes are needed; -1: not a response this client takes (unknown status line, a line or the head
// too long, too many lines, a malformed or out-of-range icy-metaint).
int32_t ParseResponseHead(const char* data, int32_t length, ResponseHead* out);

enum ContentKind : int32_t { kContentMpegAudio = 0, kContentPlaylist = 1, kContentOther = 2 };
// What a response carries, by its content type and, when that says nothing, by the address's name
// (".pls", ".m3u", ".m3u8" mean a playlist). An empty or generic type ("application/octet-stream")
// counts as MPEG audio.
int32_t ClassifyContent(const char* contentType, const char* path);
