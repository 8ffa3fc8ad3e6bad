// The tail of a file served over HTTP, for its ID3v1 tag: one bounded range request.
#include "stream/remote_tag.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "stream/http_response.h"
#include "stream/stream_url.h"

namespace {

constexpr int32_t kTimeoutMs = 5000;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EndsWith(const char* text, size_t length, const char* ending) {
  const size_t n = std::strlen(ending);
  if (length < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (Lower(text[length - n + i]) != ending[i]) return false;
  return true;
}

}  // namespace

int32_t IsAudioFileUrl(const char* url) {
  StreamUrl u;
  if (url == nullptr || !ParseStreamUrl(url, &u) || u.scheme != 1) return 0;
  const size_t length = std::strcspn(u.path, "?");
  for (const char* extension : {".mp3", ".mp2", ".mp1", ".mpga"}) {
    // A name, not just the extension after a folder's slash.
    if (EndsWith(u.path, length, extension) && length > std::strlen(extension) &&
        u.path[length - std::strlen(extension) - 1] != '/')
      return 1;
  }
  return 0;
}

int32_t FetchRemoteTail(const char* url, uint8_t (&tail)[kRemoteTailBytes], const SocketWaker* waker) {
  StreamUrl u;
  if (!IsAudioFileUrl(url) || !ParseStreamUrl(url, &u)) return 0;
  const SocketHandle socket = SocketConnect(u.host, u.port, kTimeoutMs, waker);
  if (socket == kNoSocket) return 0;
  char range[40];
  std::snprintf(range, sizeof range, "Range: bytes=-%d\r\n", static_cast<int>(kRemoteTailBytes));
  char request[2600];
  const int32_t n = FormatStreamRequest(u, range, request, sizeof request);
  static char head[kResponseHeadMaxBytes];  // one caller: the playlist's tag thread
  int32_t received = 0;
  int32_t parsed = 0;
  ResponseHead response{};
  if (n > 0 && SocketSendAll(socket, request, n, kTimeoutMs, waker)) {
    while (parsed == 0 && received < kResponseHeadMaxBytes) {
      const int32_t got = SocketReceive(socket, head + received, kResponseHeadMaxBytes - received, kTimeoutMs, waker);
      if (got <= 0) break;
      received += got;
      parsed = ParseResponseHead(head, received, &response);
    }
  }
  // Only "206 Partial Content" holds the tail; a whole file (200) is not read on.
  int32_t have = 0;
  if (parsed == 1 && response.status == 206 && received - response.headBytes <= kRemoteTailBytes) {
    have = received - response.headBytes;
    std::memcpy(tail, head + response.headBytes, static_cast<size_t>(have));
    while (have < kRemoteTailBytes) {
      const int32_t got = SocketReceive(socket, tail + have, kRemoteTailBytes - have, kTimeoutMs, waker);
      if (got <= 0) break;
      have += got;
    }
  }
  SocketClose(socket);
  return have == kRemoteTailBytes ? 1 : 0;
}
