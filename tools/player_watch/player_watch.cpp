// player_watch: watches a player started beside it (the run script's headless mode), photographs its
// window while it plays and closes it once the list has played, so that an unattended run ends. Boxes
// the player shows meanwhile are printed and answered with OK, as nobody is there to answer them.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tools/player_watch/player_remote.h"
#include "tools/player_watch/screen_capture.h"

namespace {

constexpr DWORD kPollMs = 20;
constexpr DWORD kWindowWaitMs = 120000;   // Wine's first start in a new prefix is slow
constexpr DWORD kEndQuietMs = 2000;       // stopped this long after playing: the list has played
constexpr DWORD kNeverPlayedMs = 30000;   // nothing played this long after the window came up
constexpr DWORD kNoAnswerMs = 10000;
constexpr int32_t kPictureAtSecond = 2;   // elapsed seconds at which the playing window is photographed

void AnswerBoxes() {
  while (const HWND box = FindBox(0, nullptr)) {
    const std::string text = BoxText(box);
    std::printf("player_watch: the player shows \"%s\"%s%s -- answered OK\n", WindowText(box).c_str(),
                text.empty() ? "" : ": ", text.c_str());
    std::fflush(stdout);
    PressBoxButton(box, IDOK);
    for (int i = 0; i < 50 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(kPollMs);
  }
}

HWND WaitForPlayer() {
  for (DWORD waited = 0; waited < kWindowWaitMs; waited += kPollMs) {
    AnswerBoxes();
    if (const HWND window = FindPlayerWindow()) return window;
    Sleep(kPollMs);
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: player_watch SCREENSHOT.bmp\n");
    return 2;
  }
  const HWND window = WaitForPlayer();
  if (!window) {
    std::fprintf(stderr, "player_watch: no player window appeared\n");
    return 1;
  }

  Picture picture;
  bool played = false;
  DWORD since = GetTickCount(), stoppedSince = since, answeredAt = since;
  for (;;) {
    Sleep(kPollMs);
    if (!IsWindow(window)) return 0;  // closed by someone else
    AnswerBoxes();
    const DWORD now = GetTickCount();
    const int32_t state = AskPlayer(window, kAskPlayState);
    if (state == kNoAnswer) {
      if (now - answeredAt > kNoAnswerMs) {
        std::fprintf(stderr, "player_watch: the player does not answer\n");
        return 3;
      }
      continue;
    }
    answeredAt = now;
    if (state != kStopped) {
      played = true;
      stoppedSince = now;
      if (picture.pixels.empty() && state == kPlaying &&
          AskPlayer(window, kAskElapsedSeconds) >= kPictureAtSecond)
        picture = GrabWindow(window);
    } else if ((played && now - stoppedSince >= kEndQuietMs) || (!played && now - since >= kNeverPlayedMs)) {
      break;
    }
  }
  if (picture.pixels.empty()) picture = GrabWindow(window);
  if (!WriteBmp(argv[1], picture)) std::fprintf(stderr, "player_watch: cannot write %s\n", argv[1]);
  PostMessageA(window, WM_COMMAND, kCommandClose, 0);
  for (int i = 0; i < 500 && IsWindow(window); ++i) Sleep(kPollMs);
  return IsWindow(window) ? 3 : 0;
}
