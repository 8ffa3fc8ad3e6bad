// One network stream at a time: a thread connects (following redirects), reads the response into a
// bounded ring, splits off ICY metadata and reconnects with back-off when the connection drops. The
// frame reader reads the ring through the same source seam as a file.
#pragma once
#include <cstdint>

#include "decoder/byte_source.h"

struct StreamOptions {
  int32_t connectionBps;     // "Connection Speed"
  int32_t extraServerData;   // "Allow Extra Server Data": ask for ICY metadata
  int32_t reconnectScale;    // percent of the back-off schedule (100; tests shorten it)
  int32_t stallMs;           // a connection silent this long is dropped and reconnected; 0: 15 s
};
extern StreamOptions gStreamOptions;

// Starts the stream at `url`: 1 and `*source` set to a source the frame reader reads (a read waits at
// most a frame's worth of time, then returns what it has; 0 only at the stream's end; no seek, size -1),
// or 0 when it cannot start (malformed address).
int32_t StreamOpen(const char* url, ByteSource* source);
// Stops the stream at once from any thread: the thread is woken, its socket closed; reads return 0.
void StreamAbort();

// What the window shows: latest StreamTitle (else the station's name) as UTF-8, with a number that
// changes with it; whether the ring is refilling; the reason the stream ended, "" while none.
int32_t StreamTitle(char* out, int32_t size);  // returns the title's change count
int32_t StreamBuffering();
int32_t StreamError(char* out, int32_t size);
