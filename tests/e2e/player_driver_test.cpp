// zav.exe worked from outside, as a user would, in one X server and Wine session: the first start,
// transport, seeking and volume, the pin, minimizing and dragging, playlists with Repeat and Shuffle,
// the ends of the list, the hand-over between copies, the boxes, the tray icon, and a monkey run. The
// scenarios run in the order written; each starts its own copy of the player.
#include <windows.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/wide.h"
#include "tests/decode_file.h"
#include "tests/e2e/player_driver.h"
#include "tests/engine/capture_file.h"
#include "tests/test_files.h"

namespace {

const std::initializer_list<Button> kTransport = {kPlay, kPause, kStop};

// A point of the ring at `degrees` clockwise from 12 o'clock, in window coordinates.
POINT RingPoint(double degrees, int32_t radius = kRingMidRadius) {
  const double a = degrees * 3.14159265358979 / 180;
  return {kRingX + int32_t(radius * std::sin(a)), kRingY - int32_t(radius * std::cos(a))};
}
// Whether the ring shows its lit picture (`lit`) or the body's along the arc from `from` to `to`
// degrees, judged where the two pictures differ (there must be such points).
bool RingShows(HWND player, bool lit, int32_t from, int32_t to) {
  const Picture shown = Screen(player);
  int32_t telling = 0;
  for (int32_t degrees = from; degrees <= to; ++degrees) {
    const POINT p = RingPoint(degrees);
    const COLORREF litPixel = Art().ring.At(p.x - 178, p.y - 38), bodyPixel = Art().body.At(p.x, p.y);
    if (litPixel == bodyPixel) continue;
    ++telling;
    if (shown.At(p.x, p.y) != (lit ? litPixel : bodyPixel)) return false;
  }
  return telling > 0;
}

COLORREF VolumeRowColour(HWND player, int32_t row) { return Screen(player).At(kVolumeX, VolumeRowY(row)); }

// The three tracks of the album are 3, 6 and 9 seconds long. Which one played is told by the last
// elapsed second the window reported for it (the next track starts decoding about half a second before
// the device has played the last one out).
int32_t TrackFromLastSecond(int32_t lastSecond) { return lastSecond <= 3 ? 3 : lastSecond <= 6 ? 6 : 9; }

// The lengths of the album's tracks that play once `key` is pressed (none: from now on), in order,
// until `count` have played to their end or the list has ended (stopped for 1.5 s). The state is read
// before the key goes, so that a track the key starts at once is still seen to start. A track already
// playing is not counted. A new track shows as its first second following a later one (every track
// reports at least 2), or as the stopped state between two tracks. What was seen is printed, one state letter and second a change.
std::vector<int32_t> WatchTracks(HWND player, size_t count, WORD key = 0, DWORD timeoutMs = 60000) {
  std::vector<int32_t> lastSeconds;
  std::string seen;
  bool inTrack = false, fresh = false;  // fresh: the elapsed seconds shown are this track's
  int32_t previousState = PlayState(player), previousElapsed = ElapsedSeconds(player);
  // The last second read while the track played: the state and the second are read one after the
  // other, so a stop read between two tracks may come with the next track's first second.
  int32_t trackLast = 0;
  if (key != 0) Key(player, key);
  const DWORD start = GetTickCount();
  DWORD playingAt = start;
  while (GetTickCount() - start < timeoutMs) {
    const int32_t state = PlayState(player), elapsed = ElapsedSeconds(player);
    const DWORD now = GetTickCount();
    if (state != previousState || elapsed != previousElapsed) {
      seen += " " + std::string(1, state == kPlaying ? 'P' : state == kStopped ? 'S' : '?') +
              std::to_string(elapsed);
    }
    if (state == kPlaying) {
      const bool wentBack = elapsed < previousElapsed && (fresh || !inTrack);
      if (previousState == kStopped || wentBack) {
        if (inTrack) lastSeconds.push_back(fresh ? trackLast : 0);
        if (lastSeconds.size() == count) break;
        inTrack = true;
        fresh = elapsed != previousElapsed;
      } else if (elapsed != previousElapsed) {
        fresh = true;
      }
      if (elapsed != kNoAnswer) trackLast = elapsed;
      playingAt = now;
    } else if (state == kStopped && now - playingAt > 1500) {
      if (inTrack) lastSeconds.push_back(fresh ? trackLast : 0);
      break;
    }
    if (state != kNoAnswer) previousState = state;
    if (elapsed != kNoAnswer) previousElapsed = elapsed;
    Sleep(2);
  }
  std::vector<int32_t> tracks;
  std::printf("  last seconds of the tracks played:");
  for (int32_t s : lastSeconds) {
    std::printf(" %d", s);
    tracks.push_back(TrackFromLastSecond(s));
  }
  std::printf(" (seen:%s)\n", seen.c_str());
  return tracks;
}

// Answers whatever box or menu the player has open: menus are closed with Esc, the About box with
// OK, other boxes with Cancel (OK when they have none). Returns the number handled.
int32_t TendBoxesAndMenus(HWND player, DWORD pid) {
  int32_t handled = 0;
  for (int round = 0; round < 10; ++round) {
    if (FindPopupMenu(pid)) {
      Key(player, VK_ESCAPE);
      WaitUntil([&] { return FindPopupMenu(pid) == nullptr; }, 300);
      ++handled;
      continue;
    }
    const HWND box = FindBox(pid, nullptr);
    if (!box) break;
    PressBoxButton(box, WindowText(box) == "About ZAV..." || !GetDlgItem(box, IDCANCEL) ? IDOK : IDCANCEL);
    if (!WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 1000)) PressBoxButton(box, IDOK);
    ++handled;
  }
  return handled;
}

// ---------------------------------------------------------------------------------------------------

TEST(PlayerDriver, FirstStartIdleWindowSecondCopiesAndTwoTracksAsDecoded) {
  ASSERT_FALSE(Art().body.pixels.empty()) << "bitmap 103 of " << ZAV_EXE_PATH;
  ASSERT_NE(PrepareDesktop(), nullptr);
  DeleteFileA(IniPath().c_str());
  Process zav;
  ASSERT_TRUE(zav.StartPlayer(""));
  const DWORD pid = zav.info.dwProcessId;

  // Without a settings file the About box comes first, before the window, and only OK closes it.
  const HWND about = WaitForBox(pid, "About ZAV...", 60000);
  ASSERT_NE(about, nullptr) << "a first start shows the About box";
  char text[1024] = "";
  GetDlgItemTextA(about, 1228, text, sizeof text);
  EXPECT_NE(std::string(text).find("Zav v0.77"), std::string::npos) << text;
  EXPECT_EQ(FindPlayerWindow(), nullptr);
  Sleep(500);  // drawn
  SaveScreenshot("about", GrabWindow(about));
  PressBoxButton(about, IDCANCEL);
  Sleep(300);
  EXPECT_TRUE(IsWindowVisible(about)) << "the About box has no cancel";
  const HWND ok = GetDlgItem(about, IDOK);
  RECT okArea{};
  GetClientRect(ok, &okArea);
  Click(ok, okArea.right / 2, okArea.bottom / 2);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }, 3000));

  const HWND player = WaitForPlayerWindow(10000);
  ASSERT_NE(player, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return ShowsTitleStrip(player); }, 5000)) << "drawn";
  EXPECT_EQ(WindowText(player), "Zav 0.77");
  const RECT r = WindowRect(player);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 100);
  EXPECT_EQ(r.right - r.left, 258);
  EXPECT_EQ(r.bottom - r.top, 115);
  EXPECT_EQ(PlayState(player), kStopped);

  // Idle: the Stop face is lit, the volume bar shows the default 32, the rest is the body artwork
  // except where the outline is cut away and the window behind shows through.
  EXPECT_TRUE(ShowsFaces(player, kTransport, {kNormal, kNormal, kLit}));
  EXPECT_TRUE(WaitUntil([&] { return VolumeRowColour(player, 0) == RGB(0, 255, 0); }, 1000));
  EXPECT_EQ(VolumeRowColour(player, 31), RGB(0, 255, 0));
  EXPECT_EQ(VolumeRowColour(player, 32), kCanvasColour);
  const Picture shown = Screen(player);
  const std::array<RECT, 6> changing = {{{27, 27, 258, 37},    // song name
                                         {29, 42, 176, 84},    // time display
                                         {178, 38, 233, 93},   // seek ring
                                         {236, 41, 244, 105},  // volume bar
                                         {26, 91, 225, 108},   // buttons
                                         {3, 50, 19, 65}}};    // pin
  int32_t differing = 0, cutAway = 0;
  for (int32_t y = 0; y < 115; ++y) {
    for (int32_t x = 0; x < 258; ++x) {
      const POINT p{x, y};
      if (std::any_of(changing.begin(), changing.end(), [&](const RECT& c) { return PtInRect(&c, p) != 0; }))
        continue;
      if (shown.At(x, y) == Art().body.At(x, y)) continue;
      ++(shown.At(x, y) == kBackdropColour ? cutAway : differing);
    }
  }
  EXPECT_EQ(differing, 0) << "pixels that are neither the body artwork nor the window behind";
  EXPECT_GT(cutAway, 500);
  for (POINT corner : {POINT{0, 0}, POINT{50, 0}, POINT{257, 5}, POINT{257, 60}, POINT{5, 100}, POINT{60, 15}})
    EXPECT_EQ(WindowFromPoint(ScreenPoint(player, corner)), PrepareDesktop()) << corner.x << "," << corner.y;
  for (POINT inside : {kTitleStrip, kDisplay, POINT{255, 80}, kPinSymbol})
    EXPECT_EQ(WindowFromPoint(ScreenPoint(player, inside)), player) << inside.x << "," << inside.y;
  SaveScreenshot("player-idle", shown);

  const double idleCpu = zav.CpuSeconds();
  Sleep(3000);
  std::printf("FIGURE idle (stopped) CPU: %.2f %% of one core\n", (zav.CpuSeconds() - idleCpu) / 3 * 100);

  // A second copy without files only brings the first forward; one with files hands them over (two
  // quoted paths: each is one file) and the first plays them without a gap, bit for bit as decoded.
  // Nothing has been saved yet, so each copy shows the About box before it looks for the first.
  const auto secondCopy = [](Process& copy, const std::string& arguments) {
    ASSERT_TRUE(copy.StartPlayer(arguments));
    const HWND box = WaitForBox(copy.info.dwProcessId, "About ZAV...", 15000);
    ASSERT_NE(box, nullptr);
    PressBoxButton(box, IDOK);
    EXPECT_EQ(copy.WaitExit(15000), 0);
  };
  Process second;
  secondCopy(second, "");
  EXPECT_EQ(PlayState(player), kStopped);

  const std::string a = MediaPath("first-44k.mp3"), b = MediaPath("second-44k.mp3");
  const DecodedFile expected = DecodeFilesToPcm({a, b}, DecodeOptions{});
  ASSERT_EQ(expected.result, kTrackDone);
  ASSERT_TRUE(WriteWholeFile(CapturePath(), {}));
  secondCopy(second, Quoted(a) + " " + Quoted(b));
  EXPECT_TRUE(WaitForState(player, kPlaying, 5000));
  size_t first = 0;
  EXPECT_EQ(CaptureMismatches(player, expected.pcm, 32, &first), 0u) << "first at sample " << first;
  EXPECT_TRUE(ShowsFaces(player, kTransport, {kNormal, kNormal, kLit}));

  Command(player, kCommandClose);
  EXPECT_EQ(zav.WaitExit(10000), 0);
}

TEST(PlayerDriver, TransportSeekVolumePinMinimizeDragAndClose) {
  PrepareDesktop();
  Process zav;
  ASSERT_TRUE(zav.StartPlayer(Quoted(MediaPath("steady-128k.mp3"))));
  const HWND player = WaitForPlayerWindow(30000);
  ASSERT_NE(player, nullptr);
  std::printf("FIGURE start to window shown: %lu ms\n", GetTickCount() - zav.startedAt);
  EXPECT_EQ(FindBox(zav.info.dwProcessId, nullptr), nullptr) << "no About box once settings are saved";

  // Playing at start (auto play); CPU per second of audio over a stretch of steady playback.
  ASSERT_TRUE(WaitUntil([&] { return PlayState(player) == kPlaying && ElapsedSeconds(player) >= 2; }, 20000));
  EXPECT_TRUE(ShowsFaces(player, kTransport, {kLit, kNormal, kNormal}));
  const double cpu0 = zav.CpuSeconds();
  const int32_t audio0 = ElapsedSeconds(player);
  const DWORD wall0 = GetTickCount();
  EXPECT_TRUE(WaitUntil([&] { return ElapsedSeconds(player) >= audio0 + 12; }, 40000, 250));
  const double cpu = zav.CpuSeconds() - cpu0, wall = (GetTickCount() - wall0) / 1000.0;
  const int32_t audio = ElapsedSeconds(player) - audio0;
  std::printf("FIGURE playing a 128 kbit/s MP3: %.2f %% of one core per second of audio (%d s of audio "
              "in %.1f s; %.2f %% per second of wall time)\n",
              cpu / audio * 100, audio, wall, cpu / wall * 100);
  EXPECT_LE(cpu / audio, 0.05);
  EXPECT_TRUE(RingShows(player, true, 5, 40));
  SaveScreenshot("player-playing", Screen(player));

  // Keys: C pauses (time stands), X resumes, V stops.
  Key(player, 'C');
  EXPECT_TRUE(WaitForState(player, kPaused, 1000));
  EXPECT_TRUE(ShowsFaces(player, kTransport, {kNormal, kLit, kNormal}));
  const int32_t pausedAt = ElapsedSeconds(player);
  Sleep(1200);
  EXPECT_EQ(ElapsedSeconds(player), pausedAt);
  SaveScreenshot("player-paused", Screen(player));
  Key(player, 'X');
  EXPECT_TRUE(WaitForState(player, kPlaying, 1000));
  EXPECT_TRUE(WaitUntil([&] { return ElapsedSeconds(player) > pausedAt; }, 3000));
  Key(player, 'V');
  EXPECT_TRUE(WaitForState(player, kStopped, 1000));
  EXPECT_TRUE(ShowsFaces(player, kTransport, {kNormal, kNormal, kLit}));

  // Buttons: Play from stopped starts the track again, Pause, Play resumes, Stop.
  Click(player, kPlay.Centre().x, kPlay.Centre().y);
  EXPECT_TRUE(WaitForState(player, kPlaying, 2000));
  EXPECT_TRUE(WaitUntil([&] { return ElapsedSeconds(player) <= 2; }, 2000));
  Click(player, kPause.Centre().x, kPause.Centre().y);
  EXPECT_TRUE(WaitForState(player, kPaused, 1000));
  EXPECT_TRUE(ShowsFaces(player, kTransport, {kNormal, kLit, kNormal}));
  Click(player, kPlay.Centre().x, kPlay.Centre().y);
  EXPECT_TRUE(WaitForState(player, kPlaying, 1000));
  Click(player, kStop.Centre().x, kStop.Centre().y);
  EXPECT_TRUE(WaitForState(player, kStopped, 1000));

  // A ring click at 3 o'clock seeks to a quarter of the 40-second track; the ring lights up to there.
  Key(player, 'X');
  ASSERT_TRUE(WaitUntil([&] { return PlayState(player) == kPlaying && ElapsedSeconds(player) >= 1; }, 5000));
  const POINT threeOClock = RingPoint(89.5);
  Click(player, threeOClock.x, threeOClock.y);
  EXPECT_TRUE(WaitUntil([&] { return ElapsedSeconds(player) >= 9 && ElapsedSeconds(player) <= 12; }, 3000))
      << ElapsedSeconds(player);
  Key(player, 'C');
  EXPECT_TRUE(WaitForState(player, kPaused, 1000));
  EXPECT_TRUE(WaitUntil([&] { return RingShows(player, true, 5, 85); }, 1000));
  EXPECT_TRUE(RingShows(player, false, 150, 355));
  Key(player, 'X');

  // Volume: the row under the pointer, dragging along the bar, right click for 32 and no menu.
  Click(player, kVolumeX, VolumeRowY(44));
  EXPECT_TRUE(WaitUntil([&] { return VolumeRowColour(player, 44) == kCanvasColour; }, 1000));
  EXPECT_NE(VolumeRowColour(player, 43), kCanvasColour);
  EXPECT_EQ(VolumeRowColour(player, 0), VolumeRowColour(player, 43));
  Drag(player, {kVolumeX, VolumeRowY(44)}, {kVolumeX, VolumeRowY(10)});
  EXPECT_TRUE(WaitUntil([&] { return VolumeRowColour(player, 11) == kCanvasColour; }, 1000));
  EXPECT_NE(VolumeRowColour(player, 9), kCanvasColour);
  RightClick(player, kVolumeX, VolumeRowY(5));
  EXPECT_TRUE(WaitUntil([&] { return VolumeRowColour(player, 31) == RGB(0, 255, 0); }, 1000));
  EXPECT_EQ(VolumeRowColour(player, 32), kCanvasColour);
  EXPECT_EQ(FindPopupMenu(zav.info.dwProcessId), nullptr);

  // The pin and its menu command keep the window on top; the pin shows it.
  const auto topmost = [&] { return (GetWindowLongA(player, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
  const auto pinShows = [&](const Picture& art, int32_t x, int32_t y) {
    return DifferingPixels(Screen(player), 3, 50, art, x, y, 16, 15) == 0;
  };
  EXPECT_FALSE(topmost());
  Click(player, kPinSymbol.x, kPinSymbol.y);
  EXPECT_TRUE(WaitUntil(topmost, 1000));
  EXPECT_TRUE(WaitUntil([&] { return pinShows(Art().pin, 0, 0); }, 1000));
  Command(player, 40014);
  EXPECT_TRUE(WaitUntil([&] { return !topmost(); }, 1000));
  EXPECT_TRUE(WaitUntil([&] { return pinShows(Art().body, 3, 50); }, 1000));

  // Repeat and Shuffle light their buttons while on.
  Click(player, kRepeat.Centre().x, kRepeat.Centre().y);
  Click(player, kShuffle.Centre().x, kShuffle.Centre().y);
  EXPECT_TRUE(ShowsFaces(player, {kRepeat, kShuffle}, {kLit, kLit}));
  Click(player, kRepeat.Centre().x, kRepeat.Centre().y);
  Click(player, kShuffle.Centre().x, kShuffle.Centre().y);
  EXPECT_TRUE(ShowsFaces(player, {kRepeat, kShuffle}, {kNormal, kNormal}));

  // The minimize symbol minimizes (to the taskbar, the default); restored, the window comes back.
  Click(player, kMinimizeSymbol.x, kMinimizeSymbol.y);
  EXPECT_TRUE(WaitUntil([&] { return IsIconic(player) != 0; }, 2000));
  ShowWindow(player, SW_RESTORE);
  EXPECT_TRUE(WaitUntil([&] { return !IsIconic(player) && IsWindowVisible(player); }, 2000));
  EXPECT_TRUE(WaitUntil([&] { return ShowsTitleStrip(player); }, 3000)) << "back on the screen";

  // Dragged by its title strip, the window follows; closed by its close symbol, the process ends and
  // "zav.ini" holds the new position and the volume.
  const RECT before = WindowRect(player);
  Drag(player, kTitleStrip, {kTitleStrip.x + 40, kTitleStrip.y + 30});
  const RECT after = WindowRect(player);
  EXPECT_EQ(after.left - before.left, 40);
  EXPECT_EQ(after.top - before.top, 30);
  Click(player, kCloseSymbol.x, kCloseSymbol.y);
  EXPECT_EQ(zav.WaitExit(10000), 0);
  Settings saved{};
  ASSERT_TRUE(ReadSavedSettings(&saved));
  EXPECT_EQ(saved.windowLeft, after.left);
  EXPECT_EQ(saved.windowTop, after.top);
  EXPECT_EQ(saved.volume, 32);
  EXPECT_EQ(saved.repeat, 0);
  EXPECT_EQ(saved.alwaysOnTop, 0);
}

TEST(PlayerDriver, ExtendedM3uPlaysInOrderThenRepeatsAndShuffles) {
  PrepareDesktop();
  Process zav;
  ASSERT_TRUE(zav.StartPlayer(Quoted(MediaPath("mix.m3u"))));
  const HWND player = WaitForPlayerWindow(30000);
  ASSERT_NE(player, nullptr);
  ASSERT_TRUE(WaitForState(player, kPlaying, 10000));
  Click(player, kRepeat.Centre().x, kRepeat.Centre().y);
  EXPECT_TRUE(ShowsFaces(player, {kRepeat}, {kLit}));
  // From the top (Play while playing starts over): the list's order, then the first track again.
  ASSERT_TRUE(WaitUntil([&] { return ElapsedSeconds(player) >= 2; }, 10000));
  EXPECT_EQ(WatchTracks(player, 4, 'X'), (std::vector<int32_t>{9, 3, 6, 9}));

  // Play while playing starts over at the top; with Shuffle on the list is reshuffled first, and a
  // round still plays every track once before Repeat starts the next.
  Click(player, kShuffle.Centre().x, kShuffle.Centre().y);
  EXPECT_TRUE(WaitUntil([&] { return ElapsedSeconds(player) >= 2; }, 10000));
  std::vector<int32_t> round = WatchTracks(player, 3, 'X');
  std::sort(round.begin(), round.end());
  EXPECT_EQ(round, (std::vector<int32_t>{3, 6, 9}));
  EXPECT_EQ(PlayState(player), kPlaying) << "Repeat goes on after a shuffled round";

  // Closed from its menu, chosen with the keyboard.
  RightClick(player, 120, 87);  // on the body, outside every area
  ASSERT_TRUE(WaitUntil([&] { return FindPopupMenu(zav.info.dwProcessId) != nullptr; }, 2000));
  Key(player, 'C');
  EXPECT_EQ(zav.WaitExit(10000), 0);
  Settings saved{};
  ASSERT_TRUE(ReadSavedSettings(&saved));
  EXPECT_EQ(saved.repeat, 1);
  EXPECT_EQ(saved.shuffle, 1);
  saved.repeat = saved.shuffle = 0;
  WriteSavedSettings(saved);
}

TEST(PlayerDriver, PlsEndsOfTheListHandOverBoxesAndTray) {
  PrepareDesktop();
  // Minimizing to the tray, and a saved window position off every screen; the list plays in order once.
  Settings settings{};
  ASSERT_TRUE(ReadSavedSettings(&settings)) << "saved by the scenarios before";
  settings.shuffle = settings.repeat = 0;
  settings.minimizeMode = 2;
  settings.windowLeft = -3000;
  settings.windowTop = 5000;
  WriteSavedSettings(settings);
  Process zav;
  ASSERT_TRUE(zav.StartPlayer(Quoted(MediaPath("mix.pls"))));
  const HWND player = WaitForPlayerWindow(30000);
  ASSERT_NE(player, nullptr);
  const RECT placed = WindowRect(player);
  EXPECT_TRUE(placed.left >= 0 && placed.top >= 0 && placed.right <= GetSystemMetrics(SM_CXSCREEN) &&
              placed.bottom <= GetSystemMetrics(SM_CYSCREEN))
      << "a saved position off the screen comes back on it: " << placed.left << "," << placed.top;
  const DWORD pid = zav.info.dwProcessId;
  // From the top, the list plays through once and stops at its end.
  ASSERT_TRUE(WaitUntil([&] { return ElapsedSeconds(player) >= 2; }, 10000));
  EXPECT_EQ(WatchTracks(player, 4, 'X'), (std::vector<int32_t>{6, 3, 9}));
  EXPECT_TRUE(ShowsFaces(player, kTransport, {kNormal, kNormal, kLit}));
  // Next at the last entry plays the last again.
  EXPECT_EQ(WatchTracks(player, 2, 'B'), (std::vector<int32_t>{9}));
  // Previous twice reaches the first entry; Previous there starts it again.
  Key(player, 'Z');
  EXPECT_TRUE(WaitForState(player, kPlaying, 2000));
  Key(player, 'Z');
  EXPECT_TRUE(WaitUntil([&] { return ElapsedSeconds(player) <= 1; }, 10000));  // the first entry's first second
  EXPECT_TRUE(WaitUntil([&] { return ElapsedSeconds(player) >= 2; }, 10000));
  EXPECT_EQ(WatchTracks(player, 4, 'Z'), (std::vector<int32_t>{6, 3, 9}));

  // A hand-over with a wrong tag is refused with a box and changes nothing: Play then plays the
  // current entry, still the last.
  DWORD_PTR refusal = 1;
  std::thread sender([player, &refusal] {
    const char text[] = "C:\\nothing.mp3";  // sent without its terminator, as copies do
    COPYDATASTRUCT data{54320, DWORD(sizeof text - 1), const_cast<char*>(text)};
    SendMessageTimeoutA(player, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 20000, &refusal);
  });
  const HWND refused = WaitForBox(pid, "Error!!!", 5000);
  ASSERT_NE(refused, nullptr);
  EXPECT_EQ(BoxText(refused), "Invalid Parameters!");
  PressBoxButton(refused, IDOK);
  sender.join();
  EXPECT_EQ(refusal, 0u);
  EXPECT_EQ(WatchTracks(player, 1, 'X'), (std::vector<int32_t>{9}));

  // A second copy naming a folder by a relative path: the first announces it, made absolute, in a box;
  // the first copy took the files at once, so the second has ended without waiting for the box.
  Process second;
  ASSERT_TRUE(second.StartPlayer("album", MediaPath("")));
  const HWND adding = WaitForBox(pid, "Adding Directory...", 15000);
  ASSERT_NE(adding, nullptr);
  EXPECT_EQ(BoxText(adding), MediaPath("album"));
  EXPECT_EQ(second.WaitExit(10000), 0);
  PressBoxButton(adding, IDOK);
  EXPECT_TRUE(WaitForState(player, kPlaying, 5000));

  // Minimized to the tray: the window hides and an icon appears; its double click brings the window
  // back and takes the icon away.
  Click(player, kMinimizeSymbol.x, kMinimizeSymbol.y);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(player); }, 2000));
  const HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
  ASSERT_NE(tray, nullptr);
  const HWND icon = GetWindow(tray, GW_CHILD);
  ASSERT_NE(icon, nullptr);
  EXPECT_TRUE(IsWindowVisible(tray));
  Sleep(500);
  SaveScreenshot("tray", GrabWindow(tray));
  DoubleClick(icon, 8, 8);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(player) && !IsIconic(player); }, 3000));
  EXPECT_TRUE(WaitUntil([&] { return ShowsTitleStrip(player); }, 3000)) << "back on the screen";
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(icon) || !IsWindowVisible(icon); }, 3000));

  // In the tray again (the click is repeated while the window may still be coming back): a second copy
  // without files brings the window back too.
  for (int i = 0; i < 5 && IsWindowVisible(player); ++i) {
    Click(player, kMinimizeSymbol.x, kMinimizeSymbol.y);
    WaitUntil([&] { return !IsWindowVisible(player); }, 1000);
  }
  EXPECT_FALSE(IsWindowVisible(player));
  Process third;
  ASSERT_TRUE(third.StartPlayer(""));
  EXPECT_EQ(third.WaitExit(10000), 0);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(player) && !IsIconic(player); }, 3000));
  EXPECT_TRUE(WaitUntil([&] { return ShowsTitleStrip(player); }, 3000));

  Click(player, kCloseSymbol.x, kCloseSymbol.y);
  EXPECT_EQ(zav.WaitExit(10000), 0);
  ASSERT_TRUE(ReadSavedSettings(&settings));
  EXPECT_EQ(settings.minimizeMode, 2);
  settings.minimizeMode = 1;
  WriteSavedSettings(settings);
}

// Names in four scripts, in folders named likewise: given on the command line, handed over by a second
// copy, listed in an M3U8 of relative paths and in a UTF-8 PLS, and added as a folder, every one plays as
// decoded and the editor shows its name.
TEST(PlayerDriver, NamesInEveryScriptPlayFromEveryPlaceTheyComeFrom) {
  PrepareDesktop();
  const std::vector<std::string> tracks = {MediaPath("Музыка/Песня.mp3"), MediaPath("Ελληνικά/Τραγούδι.mp3"),
                                           MediaPath("音乐/歌曲.mp3"), MediaPath("😀 Emoji/🎵 Song.mp3")};
  std::vector<std::string> titles;
  for (const std::string& track : tracks) {
    WCHAR title[MAX_PATH] = L"";
    GetFileTitleW(WideFromUtf8(track).c_str(), title, MAX_PATH);
    titles.push_back(Utf8FromWide(title));
  }
  Settings settings{};
  if (!ReadSavedSettings(&settings)) {
    ASSERT_TRUE(WriteSavedSettings(settings = DefaultSettings()));
  }
  // The Decode thread carries its filter state from track to track, so what it plays next is decoded
  // after everything it played before in this process.
  std::vector<std::string> played;
  const auto playsAsDecoded = [&](HWND player, const std::vector<std::string>& paths) {
    const size_t before = DecodeFilesToPcm(played, DecodeOptions{}).pcm.size();
    played.insert(played.end(), paths.begin(), paths.end());
    const DecodedFile all = DecodeFilesToPcm(played, DecodeOptions{});
    ASSERT_EQ(all.result, kTrackDone);
    size_t first = 0;
    const std::vector<int16_t> expected(all.pcm.begin() + long(before), all.pcm.end());
    EXPECT_EQ(CaptureMismatches(player, expected, settings.volume, &first), 0u) << paths[0] << " at " << first;
  };
  ASSERT_TRUE(WriteWholeFile(CapturePath(), {}));
  Process zav;
  ASSERT_TRUE(zav.StartPlayer(Quoted(tracks[0])));
  const HWND player = WaitForPlayerWindow(30000);
  ASSERT_NE(player, nullptr);
  const DWORD pid = zav.info.dwProcessId;
  playsAsDecoded(player, {tracks[0]});
  Key(player, 'E', true);
  const HWND editor = WaitForBox(pid, "Playlist Editor...", 5000);
  ASSERT_NE(editor, nullptr);
  const HWND list = GetDlgItem(editor, 1147);
  const auto handOver = [&](const std::string& arguments) {
    ASSERT_TRUE(WriteWholeFile(CapturePath(), {}));
    Process second;
    ASSERT_TRUE(second.StartPlayer(arguments));
    EXPECT_EQ(second.WaitExit(15000), 0) << arguments;
  };
  handOver(Quoted(tracks[1]) + " " + Quoted(tracks[2]));
  playsAsDecoded(player, {tracks[1], tracks[2]});
  EXPECT_EQ(ListBoxLines(list), std::vector<std::string>(titles.begin() + 1, titles.begin() + 3));
  for (const char* list : {"Списки.m3u8", "Списки.pls"}) {
    handOver(Quoted(MediaPath(list)));
    playsAsDecoded(player, tracks);
  }
  EXPECT_EQ(ListBoxLines(list), titles);
  SaveScreenshot("playlist-editor-unicode", GrabWindow(editor));
  handOver(Quoted(MediaPath("Всё 全部")));
  const HWND adding = WaitForBox(pid, "Adding Directory...", 15000);
  ASSERT_NE(adding, nullptr);
  PressBoxButton(adding, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return ListBoxLines(list).size() == 4; }, 5000));
  std::vector<std::string> lines = ListBoxLines(list), sorted = titles;
  std::sort(lines.begin(), lines.end());
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(lines, sorted);
  Command(player, kCommandClose);
  EXPECT_EQ(zav.WaitExit(10000), 0);
}

// Where `count` samples of `captured` from sample `from` on sit in `reference` (stereo): of the offsets
// where their first 64 samples match within 2, the one with the least RMS difference over all of them,
// returned with that difference (nothing compared when there is none). `at` gets the offset.
Difference AlignIn(const std::vector<int16_t>& captured, size_t from, size_t count,
                   const std::vector<int16_t>& reference, size_t* at) {
  Difference best;
  best.rms = 1e9;
  *at = reference.size();
  if (from + count > captured.size() || count < 64) return Difference{};
  const std::vector<int16_t> window(captured.begin() + long(from), captured.begin() + long(from + count));
  for (size_t k = 0; k + count <= reference.size(); k += 2) {
    size_t i = 0;
    while (i < 64 && std::abs(reference[k + i] - window[i]) <= 2) ++i;
    if (i < 64) continue;
    const Difference d = Compare(window, std::vector<int16_t>(reference.begin() + long(k), reference.begin() + long(k + count)));
    if (d.rms < best.rms) {
      best = d;
      *at = k;
    }
  }
  return best.compared ? best : Difference{};
}

void SetClipboardText(const std::string& text) {
  const std::wstring wide = WideFromUtf8(text);
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
  std::memcpy(GlobalLock(memory), wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(memory);
  if (OpenClipboard(PrepareDesktop())) {  // with no window, SetClipboardData fails
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
  }
}

// A radio stream from an Icecast server that plays a file in a loop, its address on the command line:
// the capture holds the file's decoding from wherever the stream began; the station's name and then a
// title set through the server's admin interface show in the editor's line, and the title in the strip
// (paused, so that the buffer stays full and the strip shows no "Buffering..."); the server stopped and
// started again mid-play, the music comes back by itself, the time counting on. Then the station's https://
// address, taken from the clipboard by Open URL (Ctrl+L), plays a new title; the URL Streaming page's
// controls are enabled.
TEST(PlayerDriver, RadioStreamPlaysTitlesAndComesBack) {
  const DWORD began = GetTickCount();
  PrepareDesktop();
  const Settings settings = DefaultSettings();
  ASSERT_TRUE(WriteSavedSettings(settings));
  // Started first, so that the player joins the loop well into the file, past the server's burst.
  RadioStation radio;
  ASSERT_TRUE(radio.Start(UnixPath(MediaPath("steady-128k.mp3"))));
  const DWORD onAir = GetTickCount();
  // The server sends the file's frames without its header frame (its source client drops it), looped;
  // the player decodes them without the header's trimming, its state running on at each loop.
  const std::string source = MediaPath("steady-128k.mp3");
  const std::vector<uint8_t> file = ReadWholeFile(source);
  ASSERT_GT(file.size(), 1000u);
  ASSERT_EQ(std::string(file.begin() + 36, file.begin() + 40), "Info");
  const size_t headerFrame = 144 * 128000 / 44100 + ((file[2] >> 1) & 1);
  const std::string frames = WriteScratchFile("radio-frames.mp3", {file.begin() + long(headerFrame), file.end()});
  DecodedFile looped = DecodeFilesToPcm({frames, frames}, DecodeOptions{});
  ASSERT_EQ(looped.result, kTrackDone);
  for (int16_t& sample : looped.pcm) sample = AtWineVolume(sample, settings.volume);
  constexpr size_t kSecond = 2 * 44100;  // samples
  const auto capturedSamples = [] { return ReadWholeFile(CapturePath()).size() / 2; };
  // The capture holds silence wherever the player waited for the stream, so the last three seconds of it
  // that play on without a break (the player plays at least a prebuffer's worth at once) are looked for,
  // a quarter second at a time, back to sample `from`.
  const auto playsTheFile = [&](size_t from, const char* what) {
    const std::vector<int16_t> captured = ReadPcm16(CapturePath());
    Difference d;
    size_t start = captured.size() < 3 * kSecond ? 0 : (captured.size() - 3 * kSecond) / 2 * 2, at = 0;
    for (; start >= from && start + 3 * kSecond <= captured.size(); start -= kSecond / 4) {
      d = AlignIn(captured, start, 3 * kSecond, looped.pcm, &at);
      if (d.compared && d.rms <= 1.0) break;
    }
    std::printf("FIGURE radio %s: 3 s of the capture from %.2f s match the file's decoding from %.2f s at %.3f LSB "
                "RMS (largest %d)\n", what, double(start) / kSecond, double(at % (looped.pcm.size() / 2)) / kSecond,
                d.rms, d.max);
    EXPECT_TRUE(d.compared && d.rms <= 1.0) << what;
  };

  while (GetTickCount() - onAir < 10000) Sleep(100);
  ASSERT_TRUE(WriteWholeFile(CapturePath(), {}));
  Process zav;
  ASSERT_TRUE(zav.StartPlayer(radio.Address()));
  const HWND player = WaitForPlayerWindow(30000);
  ASSERT_NE(player, nullptr);
  const DWORD pid = zav.info.dwProcessId;
  ASSERT_TRUE(WaitForState(player, kPlaying, 30000));
  // A second in, past what the decoder makes of the frames it joined in the middle.
  ASSERT_TRUE(WaitUntil([&] { return capturedSamples() >= 5 * kSecond; }, 30000, 100));
  playsTheFile(kSecond, "as it began");

  Key(player, 'E', true);
  const HWND editor = WaitForBox(pid, "Playlist Editor...", 5000);
  ASSERT_NE(editor, nullptr);
  const HWND list = GetDlgItem(editor, 1147);
  EXPECT_TRUE(WaitUntil([&] { return ListBoxLines(list) == std::vector<std::string>{"zav test radio"}; }, 5000, 20));
  const std::string title = "Zav Radio - First Light";
  ASSERT_TRUE(radio.SetTitle(title));
  DWORD titleSet = GetTickCount();
  EXPECT_TRUE(WaitUntil([&] { return ListBoxLines(list) == std::vector<std::string>{title}; }, 10000, 20));
  const DWORD toEditor = GetTickCount() - titleSet;
  Key(player, 'C');
  EXPECT_TRUE(WaitForState(player, kPaused, 2000));
  EXPECT_TRUE(WaitUntil([&] { return ShownStripOffset(player, {ExpectedStrip(title, 0)}) == 0; }, 15000, 20));
  const DWORD toStrip = GetTickCount() - titleSet;
  std::printf("FIGURE radio title: in the editor %lu ms, in the strip (paused) %lu ms after the server took it\n",
              toEditor, toStrip);
  EXPECT_LE(toEditor, 5000u);
  SaveScreenshot("player-stream-title", Screen(player));
  Key(player, 'X');
  EXPECT_TRUE(WaitForState(player, kPlaying, 2000));

  // The server stopped for a second and started again: ten seconds more counted (of which the ring held
  // three and a half at most when it stopped), the time never going back, three of them played on
  // without a break.
  const size_t atStop = capturedSamples();
  const int32_t elapsedAtStop = ElapsedSeconds(player);
  const DWORD stoppedAt = GetTickCount();
  ASSERT_GE(radio.Restart(1.0), 0);
  const DWORD backAt = GetTickCount();
  int32_t leastElapsed = elapsedAtStop;
  DWORD resumedAt = 0;  // when more was counted than the ring held
  EXPECT_TRUE(WaitUntil([&] {
    const int32_t elapsed = ElapsedSeconds(player);
    leastElapsed = std::min(leastElapsed, elapsed);
    if (!resumedAt && elapsed >= elapsedAtStop + 4) resumedAt = GetTickCount();
    return elapsed >= elapsedAtStop + 10;
  }, 60000, 100));
  EXPECT_EQ(leastElapsed, elapsedAtStop);
  std::printf("FIGURE radio restart: the server was down and back in %.1f s; playing on from a new connection "
              "%.1f s after the stop, %.1f s after the server was back; 10 s more counted after %.1f s\n",
              (backAt - stoppedAt) / 1000.0, (resumedAt - stoppedAt) / 1000.0, (resumedAt - backAt) / 1000.0,
              (GetTickCount() - stoppedAt) / 1000.0);
  EXPECT_EQ(PlayState(player), kPlaying);
  EXPECT_EQ(FindBox(pid, nullptr), editor) << "no box but the editor";
  playsTheFile(atStop, "after the restart");

  // Open URL takes the https:// address from the clipboard and plays it over TLS: the station's name,
  // then a title.
  Key(player, 'V');
  EXPECT_TRUE(WaitForState(player, kStopped, 3000));
  SetClipboardText(radio.SecureAddress());
  Key(player, 'L', true);
  const HWND dialog = WaitForBox(pid, "Open URL...", 5000);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return ControlText(GetDlgItem(dialog, 1262)) == radio.SecureAddress(); }, 2000, 20));
  Sleep(300);  // drawn
  SaveScreenshot("open-url", GrabWindow(dialog));
  PressBoxButton(dialog, IDOK);
  EXPECT_TRUE(WaitForState(player, kPlaying, 30000));
  EXPECT_TRUE(WaitUntil([&] { return ListBoxLines(list) == std::vector<std::string>{"zav test radio"}; }, 10000, 20));
  const std::string second = "Zav Radio - Second Wind";
  ASSERT_TRUE(radio.SetTitle(second));
  titleSet = GetTickCount();
  EXPECT_TRUE(WaitUntil([&] { return ListBoxLines(list) == std::vector<std::string>{second}; }, 10000, 20));
  std::printf("FIGURE radio title after Open URL: in the editor %lu ms after the server took it\n",
              GetTickCount() - titleSet);

  Key(player, 'P', true);
  const HWND sheet = WaitForSheet(pid);
  ASSERT_NE(sheet, nullptr);
  const HWND page = Turn(sheet, 4);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 1206)));  // connection speed
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 1207)));  // extra server data
  Sleep(300);
  SaveScreenshot("preferences-url-streaming-enabled", GrabWindow(sheet));
  PressBoxButton(sheet, IDCANCEL);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(sheet); }, 3000));

  Command(player, kCommandClose);
  EXPECT_EQ(zav.WaitExit(10000), 0);
  radio.Stop();
  std::printf("FIGURE radio scenario: %.1f s\n", (GetTickCount() - began) / 1000.0);
}

// The classes of the top-level windows of process `pid`, sorted.
std::vector<std::string> TopLevelWindows(DWORD pid) {
  struct Search {
    DWORD pid;
    std::vector<std::string> classes;
  } search{pid, {}};
  EnumWindows([](HWND window, LPARAM context) -> BOOL {
    auto* s = reinterpret_cast<Search*>(context);
    char name[64] = "";
    if (WindowProcess(window) == s->pid && GetClassNameA(window, name, sizeof name)) s->classes.push_back(name);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&search));
  std::sort(search.classes.begin(), search.classes.end());
  return search.classes;
}

// Random clicks, right clicks, keys and commands on the playing window. It must answer within a
// second after each, and over a second phase of the same work (after the first has warmed it up) its
// private bytes must stay flat and its windows be the same. Half the actions open a menu, each other
// one repaints: a brush and memory device context leaked on each menu adds about 2 KB a time, half a
// megabyte over a phase, where the work itself adds under 50 KB.
TEST(PlayerDriver, MonkeyNeitherCrashesHangsNorLeaks) {
  PrepareDesktop();
  const char* setting = std::getenv("ZAV_MONKEY_SECONDS");
  const DWORD phaseMs = DWORD(setting && std::atoi(setting) > 0 ? std::atoi(setting) : 60) * 1000;
  Process zav;
  ASSERT_TRUE(zav.StartPlayer(Quoted(MediaPath("steady-128k.mp3"))));
  const HWND player = WaitForPlayerWindow(30000);
  ASSERT_NE(player, nullptr);
  const DWORD pid = zav.info.dwProcessId;
  ASSERT_TRUE(WaitForState(player, kPlaying, 10000));
  Click(player, kRepeat.Centre().x, kRepeat.Centre().y);

  // Every command but Close, Open File, the home page and the help page (which would start a browser).
  // Preferences (40004) and Visualisation Options (40076, the same sheet) run once, before the measured
  // phases: each opening of the property sheet grows the working set inside the system's sheet and
  // device-listing code by a varying amount (its pages create no objects of their own), which the bound
  // below would count as a leak.
  static constexpr UINT kCommands[] = {40003, 40006, 40008, 40009, 40010, 40011, 40012, 40013, 40014, 40017,
                                       40020, 40021, 40022, 40051, 40057, 40058, 40059, 40071, 40072, 40073, 40075};
  static constexpr WORD kTransportKeys[] = {'X', 'C', 'V', 'B', 'Z'};
  std::mt19937 random(20261208);
  const auto pick = [&](size_t n) { return int32_t(random() % n); };
  // Anywhere on the window but the close and minimize symbols.
  const auto somewhere = [&] {
    for (;;) {
      const POINT p{pick(258), pick(115)};
      if (!(p.x < 24 && p.y < 50)) return p;
    }
  };
  int32_t actions = 0, unanswered = 0, tended = 0;
  const auto work = [&](DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms && zav.Running()) {
      const POINT p = somewhere();
      const POINT ring = RingPoint(pick(360));
      switch (pick(12)) {
        case 0: case 1: case 2: case 3: case 4: RightClick(player, p.x, p.y); break;
        case 5: Key(player, VK_APPS); break;
        case 6: Click(player, p.x, p.y); break;
        case 7: Key(player, kTransportKeys[pick(std::size(kTransportKeys))]); break;
        case 8: Command(player, kCommands[pick(std::size(kCommands))]); break;
        case 9: Click(player, ring.x, ring.y); break;
        case 10: Drag(player, {kVolumeX, VolumeRowY(pick(64))}, {kVolumeX, VolumeRowY(pick(64))}); break;
        default: pick(2) ? DoubleClick(player, kDisplay.x, kDisplay.y)
                         : Click(player, kPlay.Centre().x + 20 * pick(5), kPlay.Centre().y);
      }
      ++actions;
      WaitUntil([&] { return FindPopupMenu(pid) != nullptr || FindBox(pid, nullptr) != nullptr; }, 60);
      tended += TendBoxesAndMenus(player, pid);
      if (AskPlayer(player, kAskPlayState, 1000) == kNoAnswer) ++unanswered;
    }
  };
  // Compared in one state, playing and with no plug-in running (the output device's buffers and a
  // plug-in's thread, window and library come and go with them), as the middle of a few readings. The
  // working set is only shown: Wine keeps the shared-memory surfaces of some closed windows for a while
  // (up to 0.6 MB each: the About box, the equalizer, the playlist editor, the menus), so it rises and
  // falls by a megabyte or more with the windows closed last.
  const auto settledReading = [&] {
    TendBoxesAndMenus(player, pid);
    Command(player, 40058);
    WaitUntil([&] { return FindWindowA("zav_spectrum_bars", nullptr) == nullptr; }, 5000);
    Command(player, 40009);
    WaitUntil([&] { return PlayState(player) == kPlaying && ElapsedSeconds(player) >= 1; }, 5000);
    std::array<Process::Memory, 5> readings{};
    for (Process::Memory& r : readings) {
      Sleep(200);
      r = zav.MemoryUse();
    }
    std::sort(readings.begin(), readings.end(),
              [](const Process::Memory& a, const Process::Memory& b) { return a.privateBytes < b.privateBytes; });
    return readings[2];
  };
  // Every command once before the first phase, so that what a first use loads for good (a dialog's
  // code and resources, a plug-in's library) is in memory before the first reading.
  std::vector<UINT> once(std::begin(kCommands), std::end(kCommands));
  once.push_back(40004);
  once.push_back(40076);
  for (UINT id : once) {
    Command(player, id);
    WaitUntil([&] { return FindPopupMenu(pid) != nullptr || FindBox(pid, nullptr) != nullptr; }, 300);
    tended += TendBoxesAndMenus(player, pid);
  }
  work(phaseMs);
  const Process::Memory warm = settledReading();
  const std::vector<std::string> warmWindows = TopLevelWindows(pid);
  work(phaseMs);
  const Process::Memory later = settledReading();
  constexpr double kMB = 1048576.0;
  std::printf("FIGURE monkey: %d actions in 2 x %lu s, %d menus and boxes closed, private bytes %.3f -> %.3f MB, "
              "working set %.2f -> %.2f MB, %zu windows\n",
              actions, phaseMs / 1000, tended, warm.privateBytes / kMB, later.privateBytes / kMB,
              warm.workingSet / kMB, later.workingSet / kMB, warmWindows.size());
  ASSERT_TRUE(zav.Running()) << "the player ended during the monkey run";
  EXPECT_EQ(unanswered, 0);
  EXPECT_GT(warm.privateBytes, 0u);
  EXPECT_LT(double(later.privateBytes) - double(warm.privateBytes), kMB / 4);
  EXPECT_EQ(TopLevelWindows(pid), warmWindows) << "a window of the player was never destroyed";
  TendBoxesAndMenus(player, pid);
  Command(player, kCommandClose);
  EXPECT_EQ(zav.WaitExit(10000), 0);
}

// Resume, "Jump to file" and a portable copy. The player paused mid-track and closed starts again on the
// same entry at the same second (held paused by "Start Paused"); a restored list of 10,000 entries is
// searched from the J dialog as the user types, and Enter plays the line found without changing the list;
// a copy with a "zav.ini" beside it keeps everything there and leaves the Windows folder's files as they were.
TEST(PlayerDriver, ResumesWhereClosedJumpsInTenThousandEntriesAndAPortableCopyLeavesTheWindowsFolder) {
  PrepareDesktop();
  Settings settings = DefaultSettings();
  settings.autoPlay = 1;
  ASSERT_TRUE(WriteSavedSettings(settings));
  const std::string ini = IniPath(), list = ini.substr(0, ini.size() - 7) + "zav_resume.m3u8";
  for (const char* key : {"ResumeOnStart", "StartPaused"}) WritePrivateProfileStringA("zav", key, "1", ini.c_str());
  const std::string first = MediaPath("long-44k.mp3"), second = MediaPath("steady-128k.mp3");
  const auto text = [](const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); };
  Process zav;
  const auto start = [&](const std::string& commandLine) {
    EXPECT_TRUE(zav.Start(commandLine));
    return WaitForPlayerWindow(30000);
  };
  const auto close = [&](HWND player) {
    Command(player, kCommandClose);
    EXPECT_EQ(zav.WaitExit(10000), 0);
  };
  const std::string program = Quoted(ZAV_EXE_PATH);
  HWND player = start(program + " " + Quoted(first) + " " + Quoted(second));
  ASSERT_TRUE(WaitForState(player, kPlaying, 10000));
  Key(player, 'B');
  ASSERT_TRUE(WaitUntil([&] { return PlayState(player) == kPlaying && ElapsedSeconds(player) >= 4; }, 20000));
  Key(player, 'C');
  ASSERT_TRUE(WaitForState(player, kPaused, 2000));
  Sleep(300);
  const int32_t closedAt = ElapsedSeconds(player);
  close(player);
  EXPECT_EQ(GetPrivateProfileIntA("zav", "ResumeEntry", -1, ini.c_str()), 1);
  EXPECT_EQ(text(ReadWholeFile(list)), "#EXTM3U\r\n" + first + "\r\n" + second + "\r\n");
  player = start(program);
  EXPECT_TRUE(WaitForState(player, kPaused, 10000)) << "the restored entry waits paused";
  EXPECT_TRUE(WaitUntil([&] { return std::abs(ElapsedSeconds(player) - closedAt) <= 1; }, 5000))
      << ElapsedSeconds(player) << " s shown, closed at " << closedAt << " s";
  close(player);

  // 10,000 entries, one of them a real track; nothing plays at start (the list was kept while stopped).
  std::string entries = "#EXTM3U\r\n";
  for (int32_t i = 0; i < 10000; ++i)
    entries += (i == 7777 ? second : "C:\\Nowhere\\Bulk Track " + std::to_string(100000 + i).substr(1) + ".mp3") + "\r\n";
  ASSERT_TRUE(WriteWholeFile(list, std::vector<uint8_t>(entries.begin(), entries.end())));
  WritePrivateProfileStringA("zav", "ResumeFrame", "-1", ini.c_str());
  player = start(program);
  Sleep(500);
  EXPECT_EQ(PlayState(player), kStopped);
  Key(player, 'J');
  const HWND jump = WaitForBox(zav.info.dwProcessId, "Jump To File...", 5000);
  ASSERT_NE(jump, nullptr) << "J";
  const HWND search = GetDlgItem(jump, 1762), count = GetDlgItem(jump, 1764);
  EXPECT_EQ(ControlText(count), "10000 of 10000");
  double slowestMs = 0;
  for (const std::wstring typed : {L"b", L"bu", L"bulk 0001", L"STEADY", L"steady-128"}) {
    const auto typedAt = std::chrono::steady_clock::now();
    SendMessageW(search, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));  // answered once filtered
    slowestMs = std::max(slowestMs, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - typedAt).count());
    if (typed != L"bulk 0001") continue;
    EXPECT_EQ(ControlText(count), "11 of 10000");  // 00001 and 00010 to 00019
    EXPECT_EQ(SendMessageW(GetDlgItem(jump, 1763), LB_GETCOUNT, 0, 0), 11);
    Sleep(300);  // every control drawn
    SaveScreenshot("jump-to-file", GrabWindow(jump));
  }
  std::printf("FIGURE jump: slowest key over 10,000 entries %.1f ms\n", slowestMs);
  EXPECT_LT(slowestMs, 500.0);
  EXPECT_EQ(ControlText(count), "1 of 10000");
  Key(jump, VK_RETURN);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(jump); }, 3000));
  EXPECT_TRUE(WaitForState(player, kPlaying, 10000)) << "Enter plays the line found";
  close(player);
  EXPECT_TRUE(text(ReadWholeFile(list)) == entries) << "the list itself never changes";
  EXPECT_EQ(GetPrivateProfileIntA("zav", "ResumeEntry", -1, ini.c_str()), 7777);

  // The portable copy: zav.exe and a copy of the settings in a folder of their own.
  const std::string folder = ScratchFilePath("portable-zav");
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string exe = folder + "\\zav.exe", portableIni = folder + "\\zav.ini";
  ASSERT_TRUE(CopyFileA(ZAV_EXE_PATH, exe.c_str(), FALSE) && CopyFileA(ini.c_str(), portableIni.c_str(), FALSE));
  DeleteFileA((folder + "\\zav_resume.m3u8").c_str());
  const std::vector<uint8_t> windowsIni = ReadWholeFile(ini), windowsList = ReadWholeFile(list);
  player = start(Quoted(exe) + " " + Quoted(first));
  ASSERT_TRUE(WaitForState(player, kPlaying, 10000));
  Key(player, 'C');
  close(player);
  EXPECT_TRUE(ReadWholeFile(ini) == windowsIni && ReadWholeFile(list) == windowsList) << "the Windows folder untouched";
  EXPECT_EQ(GetPrivateProfileIntA("zav", "ResumeEntry", -1, portableIni.c_str()), 0);
  EXPECT_EQ(text(ReadWholeFile(folder + "\\zav_resume.m3u8")), "#EXTM3U\r\n" + first + "\r\n");
  WriteSavedSettings(DefaultSettings());
}

}  // namespace
