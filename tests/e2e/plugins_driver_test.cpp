// The sample visualisation plug-in in zav.exe, worked from outside: the recorder module shows where
// and when the player feeds it (every 40 ms while playing, silence while paused, nothing while
// minimised, Quit at shut-down), and the spectrum-bars module runs beside the player, with its CPU cost.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/player_driver.h"
#include "tests/plugins/recorded_calls.h"
#include "tests/test_files.h"

namespace {

constexpr UINT kExecutePlugin = 40057;

std::string BuildFile(const std::string& name) { return std::string(ZAV_BUILD_PATH) + "/" + name; }

// A plug-in folder holding the sample plug-in and an ordinary DLL, named in the settings file with
// `module` of the sample chosen; the recorder writes to `recording`. Returns the settings to restore.
Settings PreparePlugins(int32_t module, const std::string& recording) {
  Settings before{};
  if (!ReadSavedSettings(&before)) before = DefaultSettings();
  const std::string folder = BuildFile("e2e/plugins");
  CreateDirectoryA(BuildFile("e2e").c_str(), nullptr);
  CreateDirectoryA(folder.c_str(), nullptr);
  CopyFileA(BuildFile("zav_vis_sample.dll").c_str(), (folder + "/zav_vis_sample.dll").c_str(), FALSE);
  CopyFileA(BuildFile("zav_marker_dll.dll").c_str(), (folder + "/ordinary.dll").c_str(), FALSE);
  DeleteFileA((folder + "/ordinary.dll.loaded").c_str());
  DeleteFileA(recording.c_str());
  SetEnvironmentVariableA("ZAV_RECORDER_FILE", recording.c_str());  // the player inherits it
  Settings settings = before;
  std::snprintf(settings.pluginFolder, sizeof settings.pluginFolder, "%s", folder.c_str());
  std::snprintf(settings.pluginFile, sizeof settings.pluginFile, "%s\\zav_vis_sample.dll", folder.c_str());
  settings.pluginModule = module;
  settings.visActive = 0;
  settings.autoPlay = 1;
  settings.minimizeMode = 1;
  settings.windowLeft = 100;
  settings.windowTop = 100;
  WriteSavedSettings(settings);
  return before;
}

// The steady track three times: two minutes of audio, which the capture device plays in about 30 s.
std::string ThreeTimesSteady() {
  const std::string track = Quoted(MediaPath("steady-128k.mp3"));
  return track + " " + track + " " + track;
}

std::vector<RecordedCall> RendersSince(const std::vector<RecordedCall>& calls, DWORD ms) {
  std::vector<RecordedCall> renders;
  for (const RecordedCall& call : calls) {
    if (call.function == "Render" && call.ms >= ms) renders.push_back(call);
  }
  return renders;
}

int32_t ZeroRenders(const std::vector<RecordedCall>& renders) {
  return int32_t(std::count_if(renders.begin(), renders.end(), [](const RecordedCall& c) { return c.zero == 1; }));
}

TEST(PluginsDriver, TheRecorderIsFedEvery40MsSilenceWhilePausedNothingWhileMinimisedAndQuitsAtTheEnd) {
  PrepareDesktop();
  const std::string recording = BuildFile("e2e/recorder.txt");
  const Settings before = PreparePlugins(1, recording);
  Process zav;
  ASSERT_TRUE(zav.StartPlayer(ThreeTimesSteady()));
  const HWND player = WaitForPlayerWindow(30000);
  ASSERT_NE(player, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return PlayState(player) == kPlaying && ElapsedSeconds(player) >= 1; }, 20000));
  Command(player, kExecutePlugin);
  ASSERT_TRUE(WaitUntil([&] { return RendersSince(ReadRecordedCalls(recording), 0).size() >= 5; }, 5000, 50));
  EXPECT_FALSE(FileExists(BuildFile("e2e/plugins/ordinary.dll.loaded"))) << "the scan loaded the ordinary DLL";

  // Ten seconds of feeds while playing.
  const DWORD start = GetTickCount();
  Sleep(10000);
  std::vector<RecordedCall> renders = RendersSince(ReadRecordedCalls(recording), start);
  const auto late = [&](const RecordedCall& c) { return c.ms > start + 10000; };
  renders.erase(std::remove_if(renders.begin(), renders.end(), late), renders.end());
  ASSERT_GE(renders.size(), 2u);
  DWORD longest = 0;
  for (size_t i = 1; i < renders.size(); ++i) longest = std::max(longest, renders[i].ms - renders[i - 1].ms);
  const double mean = double(renders.back().ms - renders.front().ms) / double(renders.size() - 1);
  std::printf("FIGURE plug-in feed over 10 s: %zu renders, mean interval %.1f ms (target 40), longest %lu ms\n",
              renders.size(), mean, static_cast<unsigned long>(longest));
  EXPECT_GE(renders.size(), 150u);
  EXPECT_LT(ZeroRenders(renders), int32_t(renders.size()) / 10) << "the audio heard, while playing";

  // Paused: silence every 40 ms. (A key that falls between two tracks is pressed again.)
  ASSERT_TRUE(WaitUntil([&] {
    if (PlayState(player) == kPlaying) Key(player, 'C');
    return WaitForState(player, kPaused, 500);
  }, 3000));
  Sleep(300);
  DWORD mark = GetTickCount();
  Sleep(1000);
  renders = RendersSince(ReadRecordedCalls(recording), mark);
  EXPECT_GE(renders.size(), 15u);
  EXPECT_EQ(ZeroRenders(renders), int32_t(renders.size())) << "all silence while paused";
  Key(player, 'X');
  ASSERT_TRUE(WaitForState(player, kPlaying, 2000));

  // Minimised: no feeds; restored: feeds again.
  Click(player, kMinimizeSymbol.x, kMinimizeSymbol.y);
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(player) != 0; }, 2000));
  Sleep(300);
  mark = GetTickCount();
  Sleep(1000);
  EXPECT_EQ(RendersSince(ReadRecordedCalls(recording), mark).size(), 0u) << "fed while minimised";
  ShowWindow(player, SW_RESTORE);
  mark = GetTickCount();
  EXPECT_TRUE(WaitUntil([&] { return RendersSince(ReadRecordedCalls(recording), mark).size() >= 5; }, 3000, 50));

  // Closing the player ends the module with its Quit; every call came on one thread, not the window's.
  Command(player, kCommandClose);
  EXPECT_EQ(zav.WaitExit(10000), 0);
  const std::vector<RecordedCall> calls = ReadRecordedCalls(recording);
  EXPECT_EQ(CalledFunctions(calls), "Init Quit");
  const DWORD windowThread = GetWindowThreadProcessId(player, nullptr);
  for (const RecordedCall& call : calls) {
    EXPECT_EQ(call.thread, calls.front().thread);
    EXPECT_EQ(call.sRate, 44100);
    EXPECT_EQ(call.nCh, 2);
  }
  EXPECT_NE(calls.front().thread, windowThread);
  WriteSavedSettings(before);
}

TEST(PluginsDriver, TheSpectrumBarsRunBesideThePlayer) {
  PrepareDesktop();
  const Settings before = PreparePlugins(0, BuildFile("e2e/recorder.txt"));
  Process zav;
  ASSERT_TRUE(zav.StartPlayer(ThreeTimesSteady()));
  const HWND player = WaitForPlayerWindow(30000);
  ASSERT_NE(player, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return PlayState(player) == kPlaying && ElapsedSeconds(player) >= 2; }, 20000));

  // CPU over 4 s of playback, first without a plug-in, then with the bars running. The capture device
  // plays faster than real time, so the decoding's share counts per second of audio and the plug-in's
  // (fed by the clock) per second of wall time.
  struct Load {
    double perAudioSecond, perWallSecond, audioPerWallSecond;
  };
  auto measure = [&] {
    const double cpu0 = zav.CpuSeconds();
    const int32_t audio0 = ElapsedSeconds(player);
    const DWORD wall0 = GetTickCount();
    Sleep(4000);
    const double cpu = zav.CpuSeconds() - cpu0, wall = (GetTickCount() - wall0) / 1000.0;
    const int32_t audio = std::max(1, ElapsedSeconds(player) - audio0);
    return Load{cpu / audio * 100, cpu / wall * 100, audio / wall};
  };
  const Load without = measure();
  Command(player, kExecutePlugin);
  HWND bars = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (bars = FindWindowA("zav_spectrum_bars", nullptr)) != nullptr; }, 5000));
  Sleep(500);
  const Load with = measure();
  std::printf("FIGURE CPU of zav.exe while playing (audio at %.1fx real time): %.2f %% of one core per second of "
              "audio, %.2f %% per second of wall time without a plug-in; with the spectrum bars %.2f %% and %.2f "
              "%%: the plug-in adds %.2f %% of one core\n",
              with.audioPerWallSecond, without.perAudioSecond, without.perWallSecond, with.perAudioSecond,
              with.perWallSecond, with.perWallSecond - without.perWallSecond * with.audioPerWallSecond /
                                                       without.audioPerWallSecond);
  EXPECT_EQ(PlayState(player), kPlaying);
  EXPECT_LE(with.perWallSecond - without.perWallSecond, 10.0);

  const RECT a = WindowRect(player), b = WindowRect(bars);
  EXPECT_GE(b.left, a.right) << "beside the player";
  SaveScreenshot("sample-plugin", GrabScreen({std::min(a.left, b.left) - 8, std::min(a.top, b.top) - 8,
                                               std::max(a.right, b.right) + 8, std::max(a.bottom, b.bottom) + 8}));

  // Closing the bars' window ends the module; the player plays on.
  PostMessageA(bars, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(bars); }, 3000));
  EXPECT_EQ(PlayState(player), kPlaying);
  Command(player, kCommandClose);
  EXPECT_EQ(zav.WaitExit(10000), 0);
  WriteSavedSettings(before);
}

}  // namespace
