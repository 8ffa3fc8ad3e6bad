// Work the player window does from a timer rather than inside the message that asked for it.
#include "shell/deferred_work.h"

#include <deque>
#include <utility>

#include "platform/notify.h"
#include "playlist/playlist_files.h"
#include "shell/open_arguments.h"
#include "shell/playback_control.h"
#include "shell/shell_state.h"

namespace {

constexpr UINT kDeferredWorkMs = 20;

std::deque<std::string> gOpenRequests;
int32_t gRefusedHandOvers = 0;

}  // namespace

void ScheduleDeferredWork(HWND window) { SetTimer(window, kDeferredWorkTimer, kDeferredWorkMs, nullptr); }

void QueueOpenRequest(HWND window, std::string text) {
  gOpenRequests.push_back(std::move(text));
  ScheduleDeferredWork(window);
}

void QueueRefusedHandOver(HWND window) {
  ++gRefusedHandOvers;
  ScheduleDeferredWork(window);
}

void OnDeferredWorkTimer(HWND window) {
  // An add's box is up: its list is half built. The timer keeps running and tries again.
  if (AddRunning() && !gShell.closing) return;
  KillTimer(window, kDeferredWorkTimer);
  if (gShell.closing) {
    gOpenRequests.clear();
    gShell.trackEndPending = 0;
    return;
  }
  for (; gRefusedHandOvers > 0; --gRefusedHandOvers)
    ShowMessageBox(nullptr, "Invalid Parameters!", "Error!!!", kBoxOk);
  // Each request replaces the list, so the last one handed over is the one that stays, as if they had
  // come one after another. A request queued from inside an add below waits for the next tick.
  while (!gOpenRequests.empty() && !gShell.closing && !AddRunning()) {
    const std::string text = std::move(gOpenRequests.front());
    gOpenRequests.pop_front();
    OpenArgumentString(window, text);
  }
  if (gShell.trackEndPending && !gShell.closing && !AddRunning()) {
    gShell.trackEndPending = 0;
    OnTrackEnd(window);
  }
  if (!gShell.closing && (!gOpenRequests.empty() || gShell.trackEndPending)) ScheduleDeferredWork(window);
}
