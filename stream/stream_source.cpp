// The network stream source: the state the window reads (title, buffering, error) and, below it, the
// network thread that fills the ring the frame reader reads.
#include "stream/stream_source.h"

#include <cstring>
#include <mutex>

StreamOptions gStreamOptions = {64000, 1, 100};

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

// Copies `text` into `out` (size bytes), cut on a UTF-8 character boundary.
void CopyText(char* out, int32_t size, const char* text) {
  if (size <= 0) return;
  int32_t n = static_cast<int32_t>(std::strlen(text));
  if (n > size - 1) {
    n = size - 1;
    while (n > 0 && (static_cast<uint8_t>(text[n]) & 0xC0) == 0x80) --n;
  }
  std::memcpy(out, text, static_cast<size_t>(n));
  out[n] = '\0';
}

}  // namespace

int32_t StreamTitle(char* out, int32_t size) {
  std::lock_guard<std::mutex> lock(gShownLock);
  CopyText(out, size, gShown.title);
  return gShown.titleCount;
}

int32_t StreamBuffering() {
  std::lock_guard<std::mutex> lock(gShownLock);
  return gShown.buffering;
}

int32_t StreamError(char* out, int32_t size) {
  std::lock_guard<std::mutex> lock(gShownLock);
  CopyText(out, size, gShown.error);
  return gShown.error[0] != '\0' ? 1 : 0;
}
