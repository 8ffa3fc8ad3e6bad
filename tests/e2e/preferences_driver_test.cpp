// The preferences sheet worked from outside, as a user would: Ctrl+P while a track plays, "zav.ini"
// after Cancel (what clicks stored) and after OK (what OK stores), the buffer slider's seconds label,
// the device list, Half Quality heard at half the byte rate from the next track on, "Mono" heard as
// one channel, and the colour cloud drawn at the refresh rate chosen.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "tests/decode_file.h"
#include "tests/e2e/player_driver.h"
#include "tests/engine/capture_file.h"
#include "tests/test_files.h"

namespace {

// Controls of the pages, as the program's resources number them.
constexpr int32_t kAlwaysOnTop = 1171, kSkipProtection = 1222, kDeviceList = 1178, kFullQuality = 1182,
                  kHalfQuality = 1183, kMono = 1186, kBufferSlider = 1106, kBufferSeconds = 1164, kColourCloud = 1221,
                  kRefreshSlider = 1223;

// A click at the left end of a control, where a radio's or check box's box is, or in its middle.
HWND ClickOn(HWND control, bool atLeft = true) {
  RECT r{};
  GetClientRect(control, &r);
  Click(control, atLeft ? 5 : r.right / 2, r.bottom / 2);
  return control;
}

// The record the player saves once the sheet has closed (after the sheet's window has gone): the first
// that differs from `before`.
Settings SavedOnClose(const Settings& before) {
  Settings saved{};
  WaitUntil([&] { return ReadSavedSettings(&saved) && std::memcmp(&saved, &before, sizeof saved) != 0; }, 3000, 20);
  return saved;
}

// Bytes reaching the device per second of audio over two seconds the player counts, from the next
// second on (a device takes a burst when it starts).
double CapturedBytesPerSecond(HWND player) {
  const auto sizeAt = [&](int32_t second) {
    WaitUntil([&] { return ElapsedSeconds(player) >= second; }, 15000, 1);
    return double(ReadWholeFile(CapturePath()).size());
  };
  const int32_t now = ElapsedSeconds(player);
  const double start = sizeAt(now + 1);
  return (sizeAt(now + 3) - start) / 2;
}

// Whether "zav.ini" comes to hold the visualisation's refresh interval `ms` (it is written after the
// record).
bool RefreshIntervalSaved(int32_t ms) {
  const auto saved = [] { return int32_t(GetPrivateProfileIntA("zav", "VisRefreshInterval", 0, IniPath().c_str())); };
  return WaitUntil([&] { return saved() == ms; }, 2000, 20);
}

// The display area as the screen shows it.
Picture DisplayArea(HWND player) {
  const POINT at = ScreenPoint(player, {29, 42});
  return GrabScreen(RECT{at.x, at.y, at.x + 147, at.y + 42});
}

// Pictures the display area shows in turn, per second over `ms`, read as fast as the screen allows;
// and the most colours one of them held.
struct DisplayFrames {
  double perSecond = 0;
  size_t colours = 0;
};
DisplayFrames CountDisplayFrames(HWND player, DWORD ms) {
  DisplayFrames frames;
  Picture last = DisplayArea(player);
  int32_t changes = 0;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    Picture shown = DisplayArea(player);
    if (shown.pixels == last.pixels) continue;
    ++changes;
    frames.colours = std::max(frames.colours, std::set<COLORREF>(shown.pixels.begin(), shown.pixels.end()).size());
    last = std::move(shown);
  }
  frames.perSecond = changes * 1000.0 / ms;
  return frames;
}

TEST(PreferencesDriver, ClicksStoreAtOnceOkStoresTheRestAndHalfQualityHalvesTheNextTrack) {
  PrepareDesktop();
  Settings before{};
  const bool hadSettings = ReadSavedSettings(&before);
  const Settings settings = DefaultSettings();
  ASSERT_TRUE(WriteSavedSettings(settings));
  ASSERT_TRUE(WriteWholeFile(CapturePath(), {}));
  const std::string next = MediaPath("second-44k.mp3");
  Process zav;
  ASSERT_TRUE(zav.StartPlayer(Quoted(MediaPath("long-44k.mp3")) + " " + Quoted(next)));
  const HWND player = WaitForPlayerWindow(30000);
  ASSERT_NE(player, nullptr);
  ASSERT_TRUE(WaitForState(player, kPlaying, 10000));
  const double fullRate = CapturedBytesPerSecond(player);

  // Paused (the capture device is not paced), so that the first track still plays when the sheet closes.
  Key(player, 'C');
  ASSERT_TRUE(WaitForState(player, kPaused, 2000));
  Key(player, 'P', true);
  HWND sheet = WaitForSheet(zav.info.dwProcessId);
  ASSERT_NE(sheet, nullptr) << "Ctrl+P";
  HWND page = Turn(sheet, 0);
  ClickOn(GetDlgItem(page, kAlwaysOnTop));
  ClickOn(GetDlgItem(page, kSkipProtection));
  // The device list ends with the mapper, chosen now; Home and Enter in the open list choose device 0.
  page = Turn(sheet, 1);
  const HWND devices = ClickOn(GetDlgItem(page, kDeviceList), false);
  const LRESULT items = SendMessageA(devices, CB_GETCOUNT, 0, 0);
  wchar_t last[16] = L"";  // the W form carries the text across processes
  if (SendMessageW(devices, CB_GETLBTEXTLEN, items - 1, 0) < 16)
    SendMessageW(devices, CB_GETLBTEXT, items - 1, reinterpret_cast<LPARAM>(last));
  EXPECT_STREQ(last, L"Wave Mapper");
  EXPECT_EQ(SendMessageA(devices, CB_GETCURSEL, 0, 0), items - 1);
  Key(sheet, VK_HOME);
  Key(sheet, VK_RETURN);
  ClickOn(GetDlgItem(page, kHalfQuality));
  // The buffer slider by keys, after a click in its channel: Home is 10 blocks, 76 steps right 86.
  page = Turn(sheet, 2);
  const HWND label = GetDlgItem(page, kBufferSeconds);
  EXPECT_EQ(WindowText(label), "0.6 Seconds");
  ClickOn(GetDlgItem(page, kBufferSlider), false);
  Key(sheet, VK_HOME);
  EXPECT_TRUE(WaitUntil([&] { return WindowText(label) == "0.1 Seconds"; }, 1000));
  for (int i = 0; i < 76; ++i) Key(sheet, VK_RIGHT);
  EXPECT_TRUE(WaitUntil([&] { return WindowText(label) == "1.0 Seconds"; }, 1000));
  ClickOn(GetDlgItem(sheet, IDCANCEL), false);
  Settings saved = SavedOnClose(settings);
  EXPECT_EQ(saved.quality, 1);
  EXPECT_EQ(saved.skipProtection, 1);
  EXPECT_EQ(saved.outputDevice, 0);
  EXPECT_EQ(saved.bufferBlocks, 86);
  EXPECT_EQ(saved.alwaysOnTop, 0) << "stored on OK only";

  // The track playing goes on as it began. The next one is played on a device opened afresh for its
  // rate, which starts the capture over: once played, the capture holds it at half quality.
  Key(player, 'X');
  const double goingOnRate = CapturedBytesPerSecond(player);
  Key(player, 'B');
  ASSERT_TRUE(WaitUntil([&] { return PlayState(player) == kPlaying && ElapsedSeconds(player) < 2; }, 5000, 2));
  DecodeOptions half;
  half.quality = 1;
  const DecodedFile expected = DecodeFileToPcm(next, half);
  ASSERT_EQ(expected.info.outputRate, 22050);
  const size_t whole = expected.pcm.size() * 2 / 2048 * 2048;
  size_t captured = 0;
  EXPECT_TRUE(WaitUntil([&] {
    return PlayState(player) == kStopped && (captured = ReadWholeFile(CapturePath()).size()) >= whole;
  }, 20000, 50));
  EXPECT_LE(captured, whole + 2048);
  const double nextRate = captured / (expected.pcm.size() / 2.0 / 22050);
  std::printf("FIGURE bytes reaching the device per second of audio: %.0f at full quality, %.0f for the rest of "
              "that track after Half Quality, %.0f for the next track\n", fullRate, goingOnRate, nextRate);
  EXPECT_NEAR(goingOnRate / fullRate, 1, 0.1);
  EXPECT_NEAR(nextRate / fullRate, 0.5, 0.05);

  // OK stores the check box, and the window stays on top. "Mono", the colour cloud and the fastest
  // refresh rate are stored as they are chosen.
  Key(player, 'P', true);
  sheet = WaitForSheet(zav.info.dwProcessId);
  ASSERT_NE(sheet, nullptr);
  ClickOn(GetDlgItem(Turn(sheet, 0), kAlwaysOnTop));
  page = Turn(sheet, 1);
  for (const int32_t radio : {kFullQuality, kMono}) {
    ClickOn(GetDlgItem(page, radio));
    EXPECT_TRUE(WaitUntil([&] { return IsDlgButtonChecked(page, radio) == BST_CHECKED; }, 1000)) << radio;
  }
  page = Turn(sheet, 5);
  ClickOn(GetDlgItem(page, kColourCloud));
  ClickOn(GetDlgItem(page, kRefreshSlider), false);
  Key(sheet, VK_END);
  ClickOn(GetDlgItem(sheet, IDOK), false);
  saved = SavedOnClose(saved);
  EXPECT_EQ(saved.alwaysOnTop, 1);
  EXPECT_EQ(saved.quality, 0);
  EXPECT_EQ(saved.channelMode, 3) << "both channels mixed";
  EXPECT_EQ(saved.visMode, 2);
  EXPECT_TRUE(RefreshIntervalSaved(20));
  EXPECT_TRUE(GetWindowLongA(player, GWL_EXSTYLE) & WS_EX_TOPMOST);

  // The track played again comes to the device as one channel: the decoder's mix of both. A few
  // samples may be one step off a fresh decoder's, as they are in stereo too: the decoder carries its
  // state on from the tracks played before.
  DecodeOptions mix;
  mix.channelSelect = 3;
  std::vector<int16_t> mono = DecodeFileToPcm(next, mix).pcm;
  for (int16_t& sample : mono) sample = AtWineVolume(sample, settings.volume);
  Key(player, 'X');
  const size_t blocks = mono.size() / 1024 * 1024;  // the samples of the whole 2048-byte blocks
  EXPECT_TRUE(WaitUntil(
      [&] { return PlayState(player) == kStopped && ReadWholeFile(CapturePath()).size() >= blocks * 2; }, 20000, 50));
  const std::vector<int16_t> heard = ReadPcm16(CapturePath());
  EXPECT_LE(heard.size(), mono.size() + 1024) << "one channel";
  size_t differing = 0;
  for (size_t i = 0; i < blocks && i < heard.size(); ++i) differing += heard[i] != mono[i];
  const Difference fromMix = Compare(heard, mono);
  std::printf("FIGURE mono capture: %zu samples for %zu of the mix, %zu off it (by %d at most)\n", heard.size(),
              mono.size(), differing, fromMix.max);
  EXPECT_GE(fromMix.compared, blocks);
  EXPECT_LE(fromMix.max, 1);

  // The colour cloud in the display area, many colours at once, drawn every 20 ms (Fast), then every
  // 80 ms (Slow).
  Key(player, 'Z');
  ASSERT_TRUE(WaitUntil([&] { return PlayState(player) == kPlaying && ElapsedSeconds(player) >= 1; }, 10000));
  DoubleClick(player, kDisplay.x, kDisplay.y);
  Sleep(300);
  const DisplayFrames fast = CountDisplayFrames(player, 2000);
  Key(player, 'P', true);
  sheet = WaitForSheet(zav.info.dwProcessId);
  ASSERT_NE(sheet, nullptr);
  ClickOn(GetDlgItem(Turn(sheet, 5), kRefreshSlider), false);
  Key(sheet, VK_HOME);
  ClickOn(GetDlgItem(sheet, IDOK), false);
  saved = SavedOnClose(saved);
  EXPECT_TRUE(RefreshIntervalSaved(80));
  ASSERT_EQ(PlayState(player), kPlaying);
  const DisplayFrames slow = CountDisplayFrames(player, 2000);
  std::printf("FIGURE display frames a second: %.1f at Fast, %.1f at Slow; at most %zu colours at once\n",
              fast.perSecond, slow.perSecond, std::max(fast.colours, slow.colours));
  EXPECT_GT(fast.colours, 30u);
  EXPECT_LE(slow.perSecond, 15);
  EXPECT_GT(fast.perSecond, 2.5 * slow.perSecond);

  Command(player, kCommandClose);
  EXPECT_EQ(zav.WaitExit(10000), 0);
  if (hadSettings) {
    WriteSavedSettings(before);
  } else {
    DeleteFileA(IniPath().c_str());  // as the scenario found it
  }
}

}  // namespace
