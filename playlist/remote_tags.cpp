// The tag thread: a fixed queue of addresses in, a fixed queue of tags out.
#include "playlist/remote_tags.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "platform/message_numbers.h"
#include "playlist/playlist.h"
#include "stream/remote_tag.h"
#include "stream/stream_playlist.h"

namespace {

constexpr int32_t kQueued = 32;

struct FetchedTag {
  char url[kStreamUrlBytes];
  TagInfo tag;
};

struct RemoteTags {
  std::mutex lock;
  std::condition_variable wake;
  bool started = false;
  char requests[kQueued][kStreamUrlBytes];
  int32_t requestCount = 0;
  FetchedTag fetched[kQueued];
  int32_t fetchedCount = 0;
  SocketWaker waker{};  // never signalled: a fetch ends by its own time-outs
};
// Never destroyed: the thread may still wait when the process exits.
RemoteTags& gTags = *new RemoteTags();

void TagThread() {
  static char url[kStreamUrlBytes];
  static FetchedTag result;
  for (;;) {
    {
      std::unique_lock<std::mutex> hold(gTags.lock);
      gTags.wake.wait(hold, [] { return gTags.requestCount > 0; });
      std::snprintf(url, sizeof url, "%s", gTags.requests[0]);
      --gTags.requestCount;
      for (int32_t i = 0; i < gTags.requestCount; ++i)
        std::snprintf(gTags.requests[i], sizeof gTags.requests[i], "%s", gTags.requests[i + 1]);
    }
    uint8_t tail[kRemoteTailBytes];
    if (!FetchRemoteTail(url, tail, &gTags.waker) || !ParseTag(tail, &result.tag)) continue;
    std::snprintf(result.url, sizeof result.url, "%s", url);
    {
      std::lock_guard<std::mutex> hold(gTags.lock);
      if (gTags.fetchedCount == kQueued) continue;
      gTags.fetched[gTags.fetchedCount++] = result;
    }
    PostPlayerMessage(PlaylistOwner(), WM_PLAYLIST_REMOTE_TAG, 0, 0);
  }
}

}  // namespace

void RequestRemoteTag(const char* url) {
  std::lock_guard<std::mutex> hold(gTags.lock);
  if (!gTags.started) {
    if (!SocketWakerOpen(&gTags.waker)) return;
    std::thread(TagThread).detach();
    gTags.started = true;
  }
  if (gTags.requestCount == kQueued) return;
  std::snprintf(gTags.requests[gTags.requestCount++], kStreamUrlBytes, "%s", url);
  gTags.wake.notify_one();
}

int32_t ApplyRemoteTags() {
  static FetchedTag taken[kQueued];
  int32_t count = 0;
  {
    std::lock_guard<std::mutex> hold(gTags.lock);
    count = gTags.fetchedCount;
    for (int32_t i = 0; i < count; ++i) taken[i] = gTags.fetched[i];
    gTags.fetchedCount = 0;
  }
  int32_t changed = 0;
  for (int32_t i = 0; i < count; ++i) changed += SetAddressTag(taken[i].url, taken[i].tag);
  return changed;
}
