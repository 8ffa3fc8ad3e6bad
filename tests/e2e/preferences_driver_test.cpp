// The preferences sheet worked from outside, as a user would: Ctrl+P while a track plays, "zav.ini"
// after Cancel (what clicks stored) and after OK (what OK stores), the buffer slider's seconds label,
// the device list, Half Quality at half the byte rate from the next track on, Mono, the refresh rate,
// "Visualisation Options" opening the sheet at its page, the Playback page's ReplayGain pre-amp by keys,
// and F1 handing the help page to the browser.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <utility>

#include "tests/decode_file.h"
#include "tests/e2e/player_driver.h"
#include "tests/engine/capture_file.h"
#include "tests/test_files.h"

namespace {

// Controls of the pages, as the program's resources number them.
constexpr int32_t kAlwaysOnTop = 1171, kSkipProtection = 1222, kDeviceList = 1178, kFullQuality = 1182,
                  kHalfQuality = 1183, kBufferSlider = 1106, kBufferSeconds = 1164;
constexpr int32_t kMono = 1186, kColourCloud = 1221, kRefreshSlider = 1223;
constexpr int32_t kGainOff = 1700, kTrackGain = 1701, kPreampSlider = 1703, kPreampText = 1704;

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

// Pictures the display area shows in turn a second (read for two seconds), and colours in the last.
std::pair<double, size_t> DisplayFrames(HWND player) {
  const POINT at = ScreenPoint(player, {29, 42});
  Picture last, shown;
  int32_t changes = -1;  // the first picture read is no change
  for (const DWORD start = GetTickCount(); GetTickCount() - start < 2000;)
    if ((shown = GrabScreen({at.x, at.y, at.x + 147, at.y + 42})).pixels != last.pixels) ++changes, last = shown;
  return {changes / 2.0, std::set<COLORREF>(last.pixels.begin(), last.pixels.end()).size()};
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
  DoubleClick(player, kDisplay.x, kDisplay.y);  // the analyser, drawn every 40 ms until Fast is chosen
  const double normalFrames = DisplayFrames(player).first;

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

  // OK stores the check boxes: on top, and locked to the screen, where a drag past its corner ends;
  // "Mono", the colour cloud and Fast are chosen.
  Key(player, 'P', true);
  sheet = WaitForSheet(zav.info.dwProcessId);
  ASSERT_NE(sheet, nullptr);
  ClickOn(GetDlgItem(Turn(sheet, 0), kAlwaysOnTop));
  ClickOn(GetDlgItem(Turn(sheet, 0), 1177));  // "Lock zav window to screen"
  page = Turn(sheet, 1);
  for (const int32_t radio : {kFullQuality, kMono}) {
    ClickOn(GetDlgItem(page, radio));
    EXPECT_TRUE(WaitUntil([&] { return IsDlgButtonChecked(page, radio) == BST_CHECKED; }, 1000)) << radio;
  }
  ClickOn(GetDlgItem(page = Turn(sheet, 5), kColourCloud));
  ClickOn(GetDlgItem(page, kRefreshSlider), false);
  Key(sheet, VK_END);
  // The Playback page: Track Gain, the pre-amp 3 dB up by keys; Off again, so the tracks below play as decoded.
  ClickOn(GetDlgItem(page = Turn(sheet, 6), kTrackGain));
  ClickOn(GetDlgItem(page, kPreampSlider), false);
  for (int i = 0; i < 3; ++i) Key(sheet, VK_RIGHT);
  EXPECT_TRUE(WaitUntil([&] { return WindowText(GetDlgItem(page, kPreampText)) == "+3 dB"; }, 1000));
  SaveScreenshot("preferences-playback", GrabWindow(sheet));
  ClickOn(GetDlgItem(page, kGainOff));
  ClickOn(GetDlgItem(sheet, IDOK), false);
  saved = SavedOnClose(saved);
  EXPECT_EQ(saved.alwaysOnTop, 1);
  EXPECT_EQ(saved.quality, 0);
  EXPECT_TRUE(saved.channelMode == 3 && saved.visMode == 2) << "both channels mixed, the colour cloud";
  EXPECT_TRUE(GetWindowLongA(player, GWL_EXSTYLE) & WS_EX_TOPMOST);
  const RECT placed = WindowRect(player);
  Drag(player, kTitleStrip, {kTitleStrip.x + 3000, kTitleStrip.y + 3000});
  const RECT after = WindowRect(player);
  EXPECT_TRUE(after.right == GetSystemMetrics(SM_CXSCREEN) && after.bottom == GetSystemMetrics(SM_CYSCREEN) &&
              after.left > placed.left) << "as far as the screen lets it";
  // Back where it was, so that the sheet opened from it below is whole on the screen.
  SetWindowPos(player, nullptr, placed.left, placed.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  // The track played again is one channel, the decoder's mix (give or take a step, as its state carries on).
  DecodeOptions mix;
  mix.channelSelect = 3;
  const std::vector<int16_t> mono = DecodeFileToPcm(next, mix).pcm;
  Key(player, 'X');
  const size_t differing = CaptureMismatches(player, mono, settings.volume);
  const size_t bytes = ReadWholeFile(CapturePath()).size();
  EXPECT_LE(bytes, mono.size() * 2 + 2048) << "one channel";
  EXPECT_LT(differing, mono.size() / 1000);
  // The long track again shows the colour cloud, twice as often as the analyser before.
  Key(player, 'Z');
  ASSERT_TRUE(WaitUntil([&] { return PlayState(player) == kPlaying && ElapsedSeconds(player) >= 1; }, 10000));
  const auto [fastFrames, colours] = DisplayFrames(player);
  std::printf("FIGURE frames a second: %.1f, %.1f at Fast (%zu colours); mono: %zu bytes for %zu samples, %zu off\n",
              normalFrames, fastFrames, colours, bytes, mono.size(), differing);
  EXPECT_TRUE(normalFrames <= 26 && fastFrames > 1.6 * normalFrames && colours > 30);

  // "Visualisation Options", chosen by keys in the display's menu (its last sub-menu, second item) while
  // the visualisation runs (the colour cloud above): the sheet opens at the Visualisation page.
  RightClick(player, kDisplay.x, kDisplay.y);
  ASSERT_TRUE(WaitUntil([&] { return FindPopupMenu(zav.info.dwProcessId) != nullptr; }, 2000));
  for (const WORD key : {VK_UP, VK_RIGHT, VK_DOWN, VK_RETURN}) Key(player, key);
  sheet = WaitForSheet(zav.info.dwProcessId);
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(SendMessageA(FindWindowExA(sheet, nullptr, "SysTabControl32", nullptr), TCM_GETCURSEL, 0, 0), 5);
  ClickOn(GetDlgItem(sheet, IDCANCEL), false);
  EXPECT_TRUE(WaitUntil([&] { return FindBox(zav.info.dwProcessId, nullptr) == nullptr; }, 3000));

  // F1 opens the help page beside zav.exe in the browser. The browser Wine starts for web pages is a
  // script here that writes down what it was given; ".html" is made a web page for Wine, as Windows has it.
  const std::string opened = ScratchPath("browser-opened.txt"), recorder = UnixPath(ScratchPath("browser.sh"));
  DeleteFileA(opened.c_str());
  ASSERT_TRUE(RunUnixCommand("printf '#!/bin/sh\\nprintf \"%%s\\\\n\" \"$@\" > \"" + UnixPath(opened) + "\"\\n' > '" +
                                 recorder + "' && chmod +x '" + recorder + "'",
                             nullptr, 5000));
  HKEY browsers = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", &browsers), ERROR_SUCCESS);
  RegSetValueExA(browsers, "Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(recorder.c_str()), DWORD(recorder.size() + 1));
  RegSetValueA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.html", REG_SZ, "htmlfile", 8);
  Key(player, VK_F1);
  EXPECT_TRUE(WaitUntil([&] { return !ReadWholeFile(opened).empty(); }, 15000, 100));
  const std::vector<uint8_t> asked = ReadWholeFile(opened);
  EXPECT_EQ(std::string(asked.begin(), asked.end()), "file://" + UnixPath(std::string(ZAV_BUILD_PATH) + "/zav-help.html\n"));
  RegDeleteValueA(browsers, "Browsers");
  RegCloseKey(browsers);

  Command(player, kCommandClose);
  EXPECT_EQ(zav.WaitExit(10000), 0);
  WritePrivateProfileStringA("zav", "LockWindowToScreen", nullptr, IniPath().c_str());  // others drag freely
  WritePrivateProfileStringA("zav", "ReplayGainPreamp", nullptr, IniPath().c_str());
  if (hadSettings) {
    WriteSavedSettings(before);
  } else {
    DeleteFileA(IniPath().c_str());  // as the scenario found it
  }
}

}  // namespace

namespace {

// The hotkeys as the player numbers them (the media key play/pause), and the Hotkeys page's controls.
constexpr WPARAM kMediaPlayPauseHotkey = 0x5A10;
constexpr int32_t kHotkeysPage = 7, kHotkeysReport = 1738;

// Whether the driver can take `key` with `modifiers` itself (and gives it back): not while a player holds it.
bool KeyIsFree(UINT modifiers, UINT key) {
  if (!RegisterHotKey(nullptr, 1, modifiers, key)) return false;
  UnregisterHotKey(nullptr, 1);
  return true;
}

// A WM_APPCOMMAND, by default as a window sends what the keyboard made of a key press.
void SendAppCommand(HWND player, int32_t command, int32_t device = FAPPCOMMAND_KEY) {
  SendMessageA(player, WM_APPCOMMAND, reinterpret_cast<WPARAM>(player), MAKELPARAM(0, command | device));
}

}  // namespace

TEST(PreferencesDriver, HotkeysAndMediaKeysActFromBehindOncePerPressAndAKeyHeldElsewhereIsNamed) {
  const HWND backdrop = PrepareDesktop();
  Settings before{};
  const bool hadSettings = ReadSavedSettings(&before);
  Settings settings = DefaultSettings();
  settings.multipleInstances = 1;
  ASSERT_TRUE(WriteSavedSettings(settings));
  ASSERT_TRUE(RegisterHotKey(nullptr, 2, MOD_CONTROL | MOD_ALT, VK_END)) << "the driver holds Ctrl+Alt+End";
  Process zav;
  ASSERT_TRUE(zav.StartPlayer(Quoted(MediaPath("steady-128k.mp3")) + " " + Quoted(MediaPath("long-44k.mp3"))));
  const HWND player = WaitForPlayerWindow(30000);
  ASSERT_NE(player, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return PlayState(player) == kPlaying && ElapsedSeconds(player) >= 2; }, 10000));
  EXPECT_FALSE(KeyIsFree(MOD_CONTROL | MOD_ALT, VK_HOME)) << "held by the player";
  EXPECT_FALSE(KeyIsFree(0, VK_MEDIA_PLAY_PAUSE));

  // Typed while another window is in front: Ctrl+Alt+Home pauses and plays, Ctrl+Alt+Up twice and
  // Ctrl+Alt+Down once leave the volume a step up, Ctrl+Alt+PgDn plays the next track.
  SetForegroundWindow(backdrop);
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == backdrop; }, 2000));
  KeyChord({VK_CONTROL, VK_MENU}, VK_HOME);
  EXPECT_TRUE(WaitForState(player, kPaused, 2000));
  Sleep(300);
  KeyChord({VK_CONTROL, VK_MENU}, VK_HOME);
  EXPECT_TRUE(WaitForState(player, kPlaying, 2000));
  for (const WORD key : {VK_UP, VK_UP, VK_DOWN}) KeyChord({VK_CONTROL, VK_MENU}, key);
  KeyChord({VK_CONTROL, VK_MENU}, VK_NEXT);
  EXPECT_TRUE(WaitUntil([&] { return ElapsedSeconds(player) <= 1; }, 3000)) << "the next track";
  // The key the driver holds is not the player's: Ctrl+Alt+End stops nothing. The media keys'
  // WM_APPCOMMAND plays the previous track (the first again) and stops, below.
  KeyChord({VK_CONTROL, VK_MENU}, VK_END);
  EXPECT_TRUE(WaitUntil([&] { return ElapsedSeconds(player) >= 2; }, 5000));
  EXPECT_EQ(PlayState(player), kPlaying);
  SendAppCommand(player, APPCOMMAND_MEDIA_PREVIOUSTRACK);
  EXPECT_TRUE(WaitUntil([&] { return ElapsedSeconds(player) <= 1; }, 3000)) << "the first track again";
  EXPECT_TRUE(WaitUntil([&] { return ElapsedSeconds(player) >= 2; }, 5000));

  // One press that comes as the hotkey and as WM_APPCOMMAND acts once; a press after it acts again.
  PostMessageA(player, WM_HOTKEY, kMediaPlayPauseHotkey, MAKELPARAM(0, VK_MEDIA_PLAY_PAUSE));
  SendAppCommand(player, APPCOMMAND_MEDIA_PLAY_PAUSE);
  EXPECT_TRUE(WaitForState(player, kPaused, 1000));
  Sleep(400);
  EXPECT_EQ(PlayState(player), kPaused) << "paused once, not resumed by the second arrival";
  SendAppCommand(player, APPCOMMAND_MEDIA_PLAY_PAUSE);
  EXPECT_TRUE(WaitForState(player, kPlaying, 1000));
  SendAppCommand(player, APPCOMMAND_VOLUME_UP);  // the keyboard's volume key: the system's
  SendAppCommand(player, APPCOMMAND_VOLUME_UP, FAPPCOMMAND_OEM);  // a remote's: the player's
  SendAppCommand(player, APPCOMMAND_MEDIA_STOP);
  EXPECT_TRUE(WaitForState(player, kStopped, 1000));

  // The page names the key held elsewhere and shows the player's own; the screenshot for the README.
  Command(player, 40004);  // "Preferences..."
  const HWND sheet = WaitForSheet(zav.info.dwProcessId);
  ASSERT_NE(sheet, nullptr);
  const HWND page = Turn(sheet, kHotkeysPage);
  EXPECT_EQ(WindowText(GetDlgItem(page, kHotkeysReport)), "Ctrl+Alt+End is in use by another program.");
  EXPECT_TRUE(KeyIsFree(MOD_CONTROL | MOD_ALT, VK_HOME)) << "given up while the page is open, to be typed";
  Sleep(300);
  SaveScreenshot("preferences-hotkeys", GrabWindow(sheet));
  PressBoxButton(sheet, IDCANCEL);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(sheet); }, 3000));
  EXPECT_TRUE(WaitUntil([&] { return !KeyIsFree(MOD_CONTROL | MOD_ALT, VK_HOME); }, 3000)) << "taken back";

  // With Multiple Instances on, a second copy holds nothing: once the first has closed, the keys are free.
  Process second;
  ASSERT_TRUE(second.StartPlayer(""));
  const auto secondShown = [&] { return WindowProcess(FindPlayerWindow()) == second.info.dwProcessId; };
  ASSERT_TRUE(WaitUntil(secondShown, 20000)) << "in front of the first";
  Command(player, kCommandClose);
  EXPECT_EQ(zav.WaitExit(10000), 0);
  Settings saved{};
  ASSERT_TRUE(ReadSavedSettings(&saved));
  EXPECT_EQ(saved.volume, settings.volume + 4) << "two steps up, one down, the remote's up";
  EXPECT_TRUE(KeyIsFree(MOD_CONTROL | MOD_ALT, VK_HOME));
  UnregisterHotKey(nullptr, 2);
  Command(FindPlayerWindow(), kCommandClose);
  EXPECT_EQ(second.WaitExit(10000), 0);
  if (hadSettings) {
    WriteSavedSettings(before);
  } else {
    DeleteFileA(IniPath().c_str());
  }
}
