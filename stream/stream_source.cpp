// The network stream source: a thread per stream connects (following redirects and playlists), reads
// the response into a fixed ring, splits off ICY metadata and reconnects with back-off when the
// connection drops; the frame reader reads the ring through the byte-source seam. Below it, the state
// the window reads (title, buffering, error).
#include "stream/stream_source.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/secure_channel.h"
#include "platform/socket.h"
#include "stream/http_response.h"
#include "stream/icy_metadata.h"
#include "stream/stream_playlist.h"
#include "stream/stream_policy.h"
#include "stream/stream_save.h"
#include "stream/stream_text.h"
#include "stream/stream_url.h"

StreamOptions gStreamOptions = {64000, 1, 100, 0};

namespace {

// What the window reads, written by the network thread; guarded by gShownLock.
struct ShownState {
  char title[512];      // latest StreamTitle, else the station name; UTF-8
  int32_t titleCount;   // changes with every new title
  int32_t buffering;    // 1 while the ring refills
  char error[256];      // why the stream ended; "" while none
};
std::mutex gShownLock;
ShownState gShown = {};

void SetShownTitle(const char* title) {
  std::lock_guard<std::mutex> lock(gShownLock);
  if (std::strcmp(gShown.title, title) == 0) return;
  CopyUtf8Text(gShown.title, sizeof gShown.title, title);
  ++gShown.titleCount;
}

void SetShownBuffering(int32_t buffering) {
  std::lock_guard<std::mutex> lock(gShownLock);
  gShown.buffering = buffering;
}

void SetShownError(const char* text) {
  std::lock_guard<std::mutex> lock(gShownLock);
  CopyUtf8Text(gShown.error, sizeof gShown.error, text);
}

constexpr int32_t kRingBytes = 512 * 1024;
constexpr int32_t kConnectTimeoutMs = 10000;
constexpr int32_t kStallTimeoutMs = 15000;  // a connection silent this long is dropped
constexpr int32_t kReadWaitMs = 26;         // about a frame: the longest a read of the decode side waits
constexpr int32_t kMaxRedirects = 5;
constexpr int32_t kMaxPlaylistDepth = 2;    // a playlist may name a playlist, once
constexpr int32_t kMaxPlaylistUrls = 16;

// The one stream. The ring and the flags are guarded by `lock`; `changed` tells either side that the
// other moved (bytes in, bytes out, an abort, the end).
struct Session {
  std::mutex lock;
  std::condition_variable changed;
  int64_t written;         // bytes put into the ring since the stream opened
  int64_t taken;           // bytes read out of it
  int32_t prebufferBytes;  // what must be in the ring before reads go on after it ran empty
  int32_t buffering;       // 1 until prebufferBytes are in (at the start, and after the ring ran empty)
  int32_t ended;           // the network thread is done: the ring's rest is the stream's end
  int32_t aborted;         // StreamAbort: reads return 0 at once, every wait ends
  intptr_t generation;     // the source handle of the current stream; 0 when none
  std::thread thread;
  SocketWaker waker;
  char url[kStreamUrlBytes];
};
// Never destroyed: a network thread still running when the process exits (its Decode thread ended
// by force) must not meet a thread object's destructor.
Session& gSession = *new Session();
uint8_t gRing[kRingBytes];
std::mutex gControl;  // StreamOpen and StreamAbort one at a time

// What the network thread keeps about its connections.
struct Network {
  IcyDemux demux;
  char head[kResponseHeadMaxBytes];
  char body[kStreamPlaylistMaxBytes];
  char urls[kMaxPlaylistDepth][kMaxPlaylistUrls][kStreamUrlBytes];  // a playlist's entries, per depth
  int32_t titleSeen;        // a StreamTitle has been shown: a reconnect's station name does not replace it
  int64_t audioThisTime;    // audio bytes of the current connection
  char error[256];
};
Network gNet;

int32_t StallMs() { return gStreamOptions.stallMs > 0 ? gStreamOptions.stallMs : kStallTimeoutMs; }

bool Aborted() {
  std::lock_guard<std::mutex> lock(gSession.lock);
  return gSession.aborted != 0;
}

void Fail(const char* text) { std::snprintf(gNet.error, sizeof gNet.error, "%s", text); }

// Puts audio bytes into the ring, waiting for room; false on an abort.
bool PutAudio(const uint8_t* bytes, int32_t count) {
  Session& s = gSession;
  std::unique_lock<std::mutex> lock(s.lock);
  while (count > 0) {
    s.changed.wait(lock, [&] { return s.aborted || s.written - s.taken < kRingBytes; });
    if (s.aborted) return false;
    const int32_t at = static_cast<int32_t>(s.written % kRingBytes);
    int32_t n = static_cast<int32_t>(kRingBytes - (s.written - s.taken));
    if (n > kRingBytes - at) n = kRingBytes - at;
    if (n > count) n = count;
    std::memcpy(gRing + at, bytes, static_cast<size_t>(n));
    s.written += n;
    bytes += n;
    count -= n;
    if (s.buffering && s.written - s.taken >= s.prebufferBytes) {
      s.buffering = 0;
      SetShownBuffering(0);
    }
    s.changed.notify_all();
  }
  return true;
}

// Demuxes received body bytes, shows new titles and puts the audio into the ring; false on an abort.
bool TakeBodyPart(uint8_t* bytes, int32_t count) {
  int32_t blockDone = 0;
  const int32_t audio = IcyDemuxBytes(&gNet.demux, bytes, count, &blockDone);
  if (blockDone) {
    char title[512];
    if (IcyStreamTitle(gNet.demux.meta, gNet.demux.metaLength, title, sizeof title) == 1 && title[0] != '\0') {
      SetShownTitle(title);
      SaveTitle(title);
      gNet.titleSeen = 1;
    }
  }
  gNet.audioThisTime += audio;
  SaveAudio(bytes, audio);
  return audio <= 0 || PutAudio(bytes, audio);
}

// While the stream is saved, the bytes are taken a run of audio or a metadata block at a time, so that
// the saved pieces split exactly where a new title's block stood.
bool TakeBody(uint8_t* bytes, int32_t count) {
  const IcyDemux& d = gNet.demux;
  while (count > 0) {
    int32_t step = count;
    if (SavingStream() && d.interval > 0) {
      step = d.audioLeft > 0 ? d.audioLeft : d.metaLeft < 0 ? 1 : d.metaLeft;
      if (step > count || step <= 0) step = count;
    }
    if (!TakeBodyPart(bytes, step)) return false;
    bytes += step;
    count -= step;
  }
  return true;
}

// The value of a "Content-Length" field in the head, or -1 when it has none: a response of known length
// (a file served over HTTP) ends with it rather than being reconnected.
int64_t ContentLength(const char* head, int32_t length) {
  static const char kName[] = "\ncontent-length:";
  const int32_t nameLength = static_cast<int32_t>(sizeof kName - 1);
  for (int32_t i = 0; i + nameLength <= length; ++i) {
    int32_t k = 0;
    while (k < nameLength) {
      char c = head[i + k];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != kName[k]) break;
      ++k;
    }
    if (k < nameLength) continue;
    int32_t at = i + nameLength;
    while (at < length && (head[at] == ' ' || head[at] == '\t')) ++at;
    int64_t value = -1;
    for (; at < length && head[at] >= '0' && head[at] <= '9' && value < (int64_t(1) << 50); ++at) {
      value = (value < 0 ? 0 : value * 10) + (head[at] - '0');
    }
    return value;
  }
  return -1;
}

// One connection of the network thread: a socket, with TLS over it for an https:// address, so that
// both kinds go through the same requests, ring and reconnects.
struct Link {
  SocketHandle socket;
  SecureChannel channel;
};

// Connects to `u`'s host, shaking hands for https://: 1; 0 when the address cannot be played (a refused
// certificate, no TLS in this build); -1 when the connection failed or was aborted. gNet.error says why.
int32_t LinkOpen(const StreamUrl& u, Link* link) {
  link->socket = kNoSocket;
  link->channel = kNoChannel;
  if (u.scheme == 2 && !SecureChannelSupported()) {  // refused before any connection is tried
    return SecureChannelOpen(kNoSocket, u.host, 0, &gSession.waker, &link->channel, gNet.error, sizeof gNet.error);
  }
  link->socket = SocketConnect(u.host, u.port, kConnectTimeoutMs, &gSession.waker);
  if (link->socket == kNoSocket) {
    std::snprintf(gNet.error, sizeof gNet.error, "Could not connect to %s.", u.host);
    return -1;
  }
  if (u.scheme != 2) return 1;
  const int32_t opened = SecureChannelOpen(link->socket, u.host, kConnectTimeoutMs, &gSession.waker, &link->channel,
                                           gNet.error, sizeof gNet.error);
  if (opened != 1) {
    SocketClose(link->socket);
    link->socket = kNoSocket;
  }
  return opened;
}

int32_t LinkSendAll(const Link& link, const void* data, int32_t count, int32_t timeoutMs) {
  return link.channel != kNoChannel ? SecureChannelSendAll(link.channel, data, count, timeoutMs, &gSession.waker)
                                    : SocketSendAll(link.socket, data, count, timeoutMs, &gSession.waker);
}

int32_t LinkReceive(const Link& link, void* buffer, int32_t count, int32_t timeoutMs) {
  return link.channel != kNoChannel ? SecureChannelReceive(link.channel, buffer, count, timeoutMs, &gSession.waker)
                                    : SocketReceive(link.socket, buffer, count, timeoutMs, &gSession.waker);
}

void LinkClose(Link* link) {
  if (link->channel != kNoChannel) SecureChannelClose(link->channel, &gSession.waker);
  SocketClose(link->socket);
  link->channel = kNoChannel;
  link->socket = kNoSocket;
}

enum Outcome : int32_t {
  kEnded = 0,    // the response ended where its length said: the stream's end
  kDropped = 1,  // the connection failed, stalled or closed: reconnect
  kFailed = 2,   // the address or the server's answer cannot be played: gNet.error says why
  kAbort = 3,
};

Outcome PlayAddress(const char* url, int32_t playlistDepth);

// Sends the request and reads the response head into gNet.head; the head's parse result (1 or -1), or 0
// when the connection failed or stalled first. *received: bytes in gNet.head, the body's first after it.
int32_t RequestHead(const Link& link, const StreamUrl& u, ResponseHead* response, int32_t* received) {
  char request[2600];
  const int32_t n = FormatStreamRequest(u, gStreamOptions.extraServerData ? "Icy-MetaData: 1\r\n" : "", request,
                                        sizeof request);
  if (n == 0) return -1;
  if (!LinkSendAll(link, request, n, kConnectTimeoutMs)) return 0;
  *received = 0;
  for (;;) {
    const int32_t room = kResponseHeadMaxBytes - *received;
    if (room <= 0) return -1;  // a head that never ends
    const int32_t got = LinkReceive(link, gNet.head + *received, room, StallMs());
    if (got <= 0) return 0;
    *received += got;
    const int32_t parsed = ParseResponseHead(gNet.head, *received, response);
    if (parsed != 0) return parsed;
  }
}

// Reads a playlist body (bounded) and plays the first of its entries that plays.
Outcome PlayPlaylist(Link* link, int32_t bodyStart, int32_t received, int32_t playlistDepth,
                     const char* contentType) {
  int32_t length = received - bodyStart;
  if (length > kStreamPlaylistMaxBytes) length = kStreamPlaylistMaxBytes;
  std::memmove(gNet.body, gNet.head + bodyStart, static_cast<size_t>(length));
  while (length < kStreamPlaylistMaxBytes) {
    const int32_t got = LinkReceive(*link, gNet.body + length, kStreamPlaylistMaxBytes - length, StallMs());
    if (got <= 0) break;
    length += got;
  }
  LinkClose(link);
  if (Aborted()) return kAbort;
  if (playlistDepth >= kMaxPlaylistDepth) {
    Fail("The stream's playlist names only further playlists.");
    return kFailed;
  }
  char (*entries)[kStreamUrlBytes] = gNet.urls[playlistDepth];
  const int32_t count = StreamPlaylistUrls(gNet.body, length, entries, kMaxPlaylistUrls);
  if (count <= 0) {
    // A list of relative segments (an HLS list) or of files: nothing this player can play. The type is
    // named, as for any other stream that is not MPEG audio.
    std::snprintf(gNet.error, sizeof gNet.error, "The stream's playlist names no stream this player can play (%.100s).",
                  contentType[0] != '\0' ? contentType : "no content type");
    return kFailed;
  }
  Outcome outcome = kFailed;
  for (int32_t i = 0; i < count; ++i) {
    outcome = PlayAddress(entries[i], playlistDepth + 1);
    if (outcome != kFailed && outcome != kDropped) break;
    if (gNet.audioThisTime > 0) break;  // an entry played and then dropped: reconnect to the same list
  }
  return outcome;
}

// Connects to `url` (following redirects) and plays its response until it ends, drops or is aborted.
Outcome PlayAddress(const char* url, int32_t playlistDepth) {
  char current[kStreamUrlBytes];
  std::snprintf(current, sizeof current, "%s", url);
  for (int32_t redirects = 0;; ++redirects) {
    StreamUrl u;
    if (!ParseStreamUrl(current, &u)) {
      Fail("The stream's address is not valid.");
      return kFailed;
    }
    Link link;
    const int32_t opened = LinkOpen(u, &link);
    if (Aborted()) {
      LinkClose(&link);
      return kAbort;
    }
    if (opened != 1) return opened == 0 ? kFailed : kDropped;
    ResponseHead response;
    int32_t received = 0;
    const int32_t parsed = RequestHead(link, u, &response, &received);
    if (parsed != 1) {
      LinkClose(&link);
      if (Aborted()) return kAbort;
      if (parsed == 0) {
        Fail("The connection to the stream was lost.");
        return kDropped;
      }
      Fail("The server's answer is not one this player understands.");
      return kFailed;
    }
    if (response.status >= 300 && response.status < 400 && response.location[0] != '\0') {
      LinkClose(&link);
      if (redirects >= kMaxRedirects) {
        Fail("The stream was redirected too many times.");
        return kFailed;
      }
      char next[kStreamUrlBytes];
      if (!ResolveStreamLocation(u, response.location, next, sizeof next)) {
        Fail("The stream was redirected to an address that is not valid.");
        return kFailed;
      }
      std::memcpy(current, next, sizeof current);
      continue;
    }
    if (response.status != 200) {
      LinkClose(&link);
      std::snprintf(gNet.error, sizeof gNet.error, "The server answered %d.", static_cast<int>(response.status));
      return kDropped;
    }
    const int32_t kind = ClassifyContent(response.contentType, u.path);
    if (kind == kContentPlaylist) {
      return PlayPlaylist(&link, response.headBytes, received, playlistDepth, response.contentType);
    }
    if (kind != kContentMpegAudio) {
      LinkClose(&link);
      std::snprintf(gNet.error, sizeof gNet.error, "This stream is not MPEG audio (%.100s).", response.contentType);
      return kFailed;
    }

    // MPEG audio: the body, with ICY metadata split off, goes into the ring.
    if (response.stationName[0] != '\0' && !gNet.titleSeen) SetShownTitle(response.stationName);
    {
      std::lock_guard<std::mutex> lock(gSession.lock);
      gSession.prebufferBytes =
          PrebufferBytes(PrebufferMs(gStreamOptions.connectionBps), response.bitrateKbps, kRingBytes);
    }
    IcyDemuxStart(&gNet.demux, response.metaInterval);
    const int64_t length = ContentLength(gNet.head, response.headBytes);
    SaveResponse(response.stationName, u.path, length, response.metaInterval);
    int64_t bodyBytes = received - response.headBytes;
    uint8_t* chunk = reinterpret_cast<uint8_t*>(gNet.head);
    std::memmove(chunk, gNet.head + response.headBytes, static_cast<size_t>(bodyBytes));
    int32_t pending = static_cast<int32_t>(bodyBytes);
    Outcome outcome = kDropped;
    for (;;) {
      if (length >= 0 && bodyBytes > length) pending -= static_cast<int32_t>(bodyBytes - length);
      if (pending > 0 && !TakeBody(chunk, pending)) {
        outcome = kAbort;
        break;
      }
      if (length >= 0 && bodyBytes >= length) {
        outcome = kEnded;
        break;
      }
      pending = LinkReceive(link, chunk, kResponseHeadMaxBytes, StallMs());
      if (pending <= 0) {
        outcome = Aborted() ? kAbort : kDropped;
        Fail("The connection to the stream was lost.");
        break;
      }
      bodyBytes += pending;
    }
    LinkClose(&link);
    return outcome;
  }
}

// Waits `ms` or until an abort; false on an abort.
bool BackOff(int32_t ms) {
  Session& s = gSession;
  std::unique_lock<std::mutex> lock(s.lock);
  return !s.changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return s.aborted != 0; });
}

void NetworkThread() {
  SaveStreamStart();
  gNet.titleSeen = 0;
  int32_t attempt = 0;
  bool everPlayed = false;
  Outcome outcome;
  for (;;) {
    gNet.error[0] = '\0';
    gNet.audioThisTime = 0;
    outcome = PlayAddress(gSession.url, 0);
    if (gNet.audioThisTime > 0) everPlayed = true;
    if (outcome != kDropped) break;
    // Only a stream that has played is reconnected; one that never started fails at once. A connection
    // that delivered a prebuffer's worth starts the schedule afresh.
    if (!everPlayed) break;
    if (gNet.audioThisTime >= gSession.prebufferBytes) attempt = 0;
    const int32_t delay = ReconnectDelayMs(++attempt, gStreamOptions.reconnectScale);
    if (delay < 0) {
      Fail("The connection to the stream was lost; reconnecting gave up.");
      break;
    }
    if (!BackOff(delay)) {
      outcome = kAbort;
      break;
    }
  }
  if (outcome != kAbort && outcome != kEnded) SetShownError(gNet.error[0] ? gNet.error : "The stream ended.");
  SaveStreamEnd(outcome == kEnded ? 1 : 0);
  std::lock_guard<std::mutex> lock(gSession.lock);
  gSession.ended = 1;
  gSession.changed.notify_all();
}

// The byte-source table over the ring.
int32_t RingRead(intptr_t handle, void* buffer, int32_t count) {
  Session& s = gSession;
  std::unique_lock<std::mutex> lock(s.lock);
  if (handle != s.generation || s.aborted) return 0;
  s.changed.wait_for(lock, std::chrono::milliseconds(kReadWaitMs), [&] {
    return s.aborted || s.ended || (!s.buffering && s.written > s.taken);
  });
  if (s.aborted) return 0;
  const int64_t available = s.written - s.taken;
  if (available == 0 && s.ended) return 0;
  if (available == 0 || (s.buffering && !s.ended)) {
    if (available == 0 && !s.buffering) {
      // The ring ran empty: wait for a prebuffer's worth again.
      s.buffering = 1;
      SetShownBuffering(1);
    }
    return -1;
  }
  const int32_t at = static_cast<int32_t>(s.taken % kRingBytes);
  int32_t n = count;
  if (n > available) n = static_cast<int32_t>(available);
  if (n > kRingBytes - at) n = kRingBytes - at;
  std::memcpy(buffer, gRing + at, static_cast<size_t>(n));
  s.taken += n;
  s.changed.notify_all();
  return n;
}

int64_t RingSeek(intptr_t, int64_t, FileOrigin) { return -1; }
int64_t RingSize(intptr_t) { return -1; }
void RingClose(intptr_t handle) {
  if (handle == gSession.generation) StreamAbort();
}

const ByteSourceFunctions kRingSourceFunctions = {RingRead, RingSeek, RingSize, RingClose};

void StopThread() {
  Session& s = gSession;
  {
    std::lock_guard<std::mutex> lock(s.lock);
    s.aborted = 1;
    s.changed.notify_all();
  }
  if (s.thread.joinable()) {
    SocketWakerSignal(&s.waker);
    s.thread.join();
    SocketWakerClose(&s.waker);
  }
  SetShownBuffering(0);
}

}  // namespace

int32_t StreamOpen(const char* url, ByteSource* source) {
  std::lock_guard<std::mutex> control(gControl);
  StopThread();
  StreamUrl parsed;
  if (url == nullptr || !ParseStreamUrl(url, &parsed)) return 0;
  Session& s = gSession;
  if (!SocketWakerOpen(&s.waker)) return 0;
  {
    std::lock_guard<std::mutex> lock(gShownLock);
    if (gShown.title[0] != '\0') ++gShown.titleCount;
    gShown.title[0] = '\0';
    gShown.error[0] = '\0';
    gShown.buffering = 1;
  }
  std::lock_guard<std::mutex> lock(s.lock);
  std::snprintf(s.url, sizeof s.url, "%s", url);
  s.written = s.taken = 0;
  s.prebufferBytes = PrebufferBytes(PrebufferMs(gStreamOptions.connectionBps), 0, kRingBytes);
  s.buffering = 1;
  s.ended = 0;
  s.aborted = 0;
  ++s.generation;
  s.thread = std::thread(NetworkThread);
  *source = ByteSource{s.generation, &kRingSourceFunctions};
  return 1;
}

void StreamAbort() {
  std::lock_guard<std::mutex> control(gControl);
  StopThread();
}


int32_t StreamTitle(char* out, int32_t size) {
  std::lock_guard<std::mutex> lock(gShownLock);
  CopyUtf8Text(out, size, gShown.title);
  return gShown.titleCount;
}

int32_t StreamBuffering() {
  std::lock_guard<std::mutex> lock(gShownLock);
  return gShown.buffering;
}

int32_t StreamError(char* out, int32_t size) {
  std::lock_guard<std::mutex> lock(gShownLock);
  CopyUtf8Text(out, size, gShown.error);
  return gShown.error[0] != '\0' ? 1 : 0;
}
