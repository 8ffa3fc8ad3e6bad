// The preferences sheet worked from outside, as a user would: opened with Ctrl+P while a track plays,
// what "zav.ini" holds after Cancel (what clicks stored) and after OK (what OK stores), the buffer
// slider's seconds label, the device list, and Half Quality heard at half the byte rate from the next
// track on.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "tests/decode_file.h"
#include "tests/e2e/player_driver.h"
#include "tests/engine/capture_file.h"
#include "tests/test_files.h"

namespace {

// Control ids of the pages, as the program's resources number them.
constexpr int32_t kAlwaysOnTop = 1171, kSkipProtection = 1222, kDeviceList = 1178, kHalfQuality = 1183,
                  kFullQuality = 1182, kBufferSlider = 1106, kBufferSeconds = 1164;

// The open preferences sheet of process `pid` (its box that holds a tab control) once it is in front
// and has stopped moving into place.
HWND WaitForSheet(DWORD pid) {
  HWND sheet = nullptr;
  RECT last{};
  WaitUntil([&] {
    sheet = FindBox(pid, nullptr);
    if (!sheet || !FindWindowExA(sheet, nullptr, "SysTabControl32", nullptr)) return false;
    const RECT now = WindowRect(sheet);
    const bool settled = GetForegroundWindow() == sheet && EqualRect(&now, &last);
    last = now;
    return settled;
  }, 5000, 100);
  return sheet;
}

HWND TurnTo(HWND sheet, int32_t index) {
  SendMessageA(sheet, PSM_SETCURSEL, index, 0);
  return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

// A click in the middle of a control, or at its left end (where a radio's or check box's box is).
void ClickControl(HWND control, bool atLeft = false) {
  RECT r{};
  GetClientRect(control, &r);
  Click(control, atLeft ? 5 : r.right / 2, r.bottom / 2);
}

// The items of a combo box of another process (the text comes across in the W form only).
std::vector<std::string> ComboItems(HWND combo) {
  std::vector<std::string> items;
  for (LRESULT i = 0, n = SendMessageW(combo, CB_GETCOUNT, 0, 0); i < n; ++i) {
    wchar_t text[64] = L"";
    if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) < LRESULT(std::size(text)))
      SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    items.emplace_back(text, text + wcslen(text));  // device names are plain ASCII here
  }
  return items;
}

// Bytes reaching the device per second of audio over the next two seconds the player counts, from a
// second after now (the device takes a burst when it starts).
double CapturedBytesPerSecond(HWND player) {
  const auto sizeWhen = [&](int32_t second) {
    WaitUntil([&] { return ElapsedSeconds(player) >= second; }, 15000, 1);
    return double(ReadWholeFile(CapturePath()).size());
  };
  const int32_t now = ElapsedSeconds(player);
  const double first = sizeWhen(now + 1);
  return (sizeWhen(now + 3) - first) / 2;
}

// The record the player saves once the sheet has closed: the first one that differs from `before`
// (the window saves after the sheet's window has gone).
Settings SavedOnClose(const Settings& before) {
  Settings saved{};
  WaitUntil([&] { return ReadSavedSettings(&saved) && std::memcmp(&saved, &before, sizeof saved) != 0; }, 3000, 20);
  return saved;
}

bool Topmost(HWND window) { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

TEST(PreferencesDriver, ClicksStoreAtOnceOkStoresTheRestAndHalfQualityHalvesTheNextTrack) {
  PrepareDesktop();
  Settings before{};
  const bool hadSettings = ReadSavedSettings(&before);
  Settings settings = DefaultSettings();
  settings.minimizeMode = 1;
  ASSERT_TRUE(WriteSavedSettings(settings));
  ASSERT_TRUE(WriteWholeFile(CapturePath(), {}));
  const std::string first = MediaPath("long-44k.mp3"), next = MediaPath("second-44k.mp3");
  Process zav;
  ASSERT_TRUE(zav.StartPlayer(Quoted(first) + " " + Quoted(next)));
  const DWORD pid = zav.info.dwProcessId;
  const HWND player = WaitForPlayerWindow(30000);
  ASSERT_NE(player, nullptr);
  ASSERT_TRUE(WaitForState(player, kPlaying, 10000));
  const double fullRate = CapturedBytesPerSecond(player);

  // Paused, so that the first track is still the one playing when the sheet closes.
  Key(player, 'C');
  ASSERT_TRUE(WaitForState(player, kPaused, 2000));
  Key(player, 'P', true);
  HWND sheet = WaitForSheet(pid);
  ASSERT_NE(sheet, nullptr) << "Ctrl+P opens the sheet";
  EXPECT_FALSE(IsWindowEnabled(player));
  HWND page = TurnTo(sheet, 0);
  ClickControl(GetDlgItem(page, kAlwaysOnTop), true);
  ClickControl(GetDlgItem(page, kSkipProtection), true);
  page = TurnTo(sheet, 1);
  const HWND devices = GetDlgItem(page, kDeviceList);
  const std::vector<std::string> items = ComboItems(devices);
  ASSERT_GE(items.size(), 2u) << "the capture device and the mapper";
  EXPECT_EQ(items.back(), "Wave Mapper");
  EXPECT_EQ(SendMessageA(devices, CB_GETCURSEL, 0, 0), LRESULT(items.size() - 1));
  ClickControl(devices);  // opens the list
  Key(sheet, VK_HOME);
  Key(sheet, VK_RETURN);
  EXPECT_TRUE(WaitUntil([&] { return SendMessageA(devices, CB_GETCURSEL, 0, 0) == 0; }, 1000));
  ClickControl(GetDlgItem(page, kHalfQuality), true);
  // The buffer slider by keys: a click in its channel gives it the focus, Home goes to 10 blocks, and
  // 76 steps right to 86, which is a second.
  page = TurnTo(sheet, 2);
  const HWND slider = GetDlgItem(page, kBufferSlider);
  EXPECT_EQ(WindowText(GetDlgItem(page, kBufferSeconds)), "0.6 Seconds");
  ClickControl(slider);
  Key(sheet, VK_HOME);
  EXPECT_TRUE(WaitUntil([&] { return WindowText(GetDlgItem(page, kBufferSeconds)) == "0.1 Seconds"; }, 1000));
  for (int i = 0; i < 76; ++i) Key(sheet, VK_RIGHT);
  EXPECT_TRUE(WaitUntil([&] { return SendMessageA(slider, TBM_GETPOS, 0, 0) == 86; }, 1000));
  EXPECT_EQ(WindowText(GetDlgItem(page, kBufferSeconds)), "1.0 Seconds");
  ClickControl(GetDlgItem(sheet, IDCANCEL));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(sheet); }, 3000));

  // Cancel: what the clicks stored is saved, the check box that OK stores is not.
  Settings saved = SavedOnClose(settings);
  EXPECT_EQ(saved.quality, 1);
  EXPECT_EQ(saved.skipProtection, 1);
  EXPECT_EQ(saved.outputDevice, 0);
  EXPECT_EQ(saved.bufferBlocks, 86);
  EXPECT_EQ(saved.alwaysOnTop, 0);
  EXPECT_FALSE(Topmost(player));

  // The track playing goes on as it began. The next one reaches the device at half the rate, on a
  // device opened afresh for it, which starts the capture over: at its end the capture holds the track
  // as decoded at half quality.
  Key(player, 'X');
  ASSERT_TRUE(WaitForState(player, kPlaying, 2000));
  const double goingOnRate = CapturedBytesPerSecond(player);
  Key(player, 'B');
  ASSERT_TRUE(WaitUntil([&] { return PlayState(player) == kPlaying && ElapsedSeconds(player) < 2; }, 5000, 2))
      << "the next track";
  DecodeOptions half;
  half.quality = 1;
  const DecodedFile expected = DecodeFileToPcm(next, half);
  ASSERT_EQ(expected.result, kTrackDone);
  EXPECT_EQ(expected.info.outputRate, 22050);
  // The device plays what is queued after the decoding has ended.
  ASSERT_TRUE(WaitForState(player, kStopped, 20000));
  const size_t decoded = expected.pcm.size() * 2;
  size_t captured = 0;
  EXPECT_TRUE(WaitUntil([&] { return (captured = ReadWholeFile(CapturePath()).size()) >= decoded / 2048 * 2048; },
                        5000, 50));
  EXPECT_LE(captured, decoded / 2048 * 2048 + 2048);
  const double nextRate = captured / (expected.pcm.size() / 2.0 / expected.info.outputRate);
  std::printf("FIGURE bytes reaching the device per second of audio: %.0f at full quality, %.0f for the rest of "
              "that track after Half Quality, %.0f for the next track\n", fullRate, goingOnRate, nextRate);
  EXPECT_NEAR(goingOnRate / fullRate, 1, 0.1);
  EXPECT_NEAR(nextRate / fullRate, 0.5, 0.05);

  // OK stores the check box; the window then stays on top.
  Key(player, 'P', true);
  sheet = WaitForSheet(pid);
  ASSERT_NE(sheet, nullptr);
  page = TurnTo(sheet, 0);
  ClickControl(GetDlgItem(page, kAlwaysOnTop), true);
  page = TurnTo(sheet, 1);
  ClickControl(GetDlgItem(page, kFullQuality), true);
  ClickControl(GetDlgItem(sheet, IDOK));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(sheet); }, 3000));
  saved = SavedOnClose(saved);
  EXPECT_EQ(saved.alwaysOnTop, 1);
  EXPECT_EQ(saved.quality, 0);
  EXPECT_TRUE(WaitUntil([&] { return Topmost(player); }, 1000));

  Command(player, kCommandClose);
  EXPECT_EQ(zav.WaitExit(10000), 0);
  if (hadSettings) WriteSavedSettings(before);
}

}  // namespace
