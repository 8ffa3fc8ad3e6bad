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
constexpr int32_t kLibraryList = 1189;

std::string BuildFile(const std::string& name) { return std::string(ZAV_BUILD_PATH) + "/" + name; }
const std::string kRecording = BuildFile("e2e/recorder.txt");

// A session of zav.exe playing the steady track three times (two minutes of audio, which the capture
// device plays in about 30 s), with a plug-in folder holding the sample plug-in and an ordinary DLL
// and module `module` of the sample chosen. The settings file is put back at the end.
struct PluginSession {
  Settings before{};
  Process zav;
  HWND player = nullptr;

  explicit PluginSession(int32_t module) {
    PrepareDesktop();
    if (!ReadSavedSettings(&before)) before = DefaultSettings();
    const std::string folder = BuildFile("e2e/plugins");
    CreateDirectoryA(BuildFile("e2e").c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    CopyFileA(BuildFile("zav_vis_sample.dll").c_str(), (folder + "/zav_vis_sample.dll").c_str(), FALSE);
    CopyFileA(BuildFile("test-dlls/zav_marker_dll.dll").c_str(), (folder + "/ordinary.dll").c_str(), FALSE);
    DeleteFileA((folder + "/ordinary.dll.loaded").c_str());
    DeleteFileA(kRecording.c_str());
    SetEnvironmentVariableA("ZAV_RECORDER_FILE", kRecording.c_str());  // the player inherits it
    Settings settings = before;
    std::snprintf(settings.pluginFolder, sizeof settings.pluginFolder, "%s", folder.c_str());
    std::snprintf(settings.pluginFile, sizeof settings.pluginFile, "%s\\zav_vis_sample.dll", folder.c_str());
    settings.pluginModule = module;
    settings.visActive = 0;
    settings.autoPlay = settings.minimizeMode = 1;
    settings.windowLeft = settings.windowTop = 100;
    WriteSavedSettings(settings);
    const std::string track = Quoted(MediaPath("steady-128k.mp3"));
    if (zav.StartPlayer(track + " " + track + " " + track)) player = WaitForPlayerWindow(30000);
  }
  ~PluginSession() { WriteSavedSettings(before); }
  bool Playing() {
    return WaitUntil([&] { return PlayState(player) == kPlaying && ElapsedSeconds(player) >= 1; }, 20000);
  }
  size_t RendersFrom(DWORD ms) const { return RendersSince(ReadRecordedCalls(kRecording), ms).size(); }
};

int32_t ZeroRenders(const std::vector<RecordedCall>& renders) {
  return int32_t(std::count_if(renders.begin(), renders.end(), [](const RecordedCall& c) { return c.zero == 1; }));
}

TEST(PluginsDriver, TheRecorderIsFedEvery40MsSilenceWhilePausedNothingWhileMinimisedAndQuitsAtTheEnd) {
  PluginSession session(1);
  const HWND player = session.player;
  ASSERT_TRUE(player && session.Playing());
  Command(player, kExecutePlugin);
  ASSERT_TRUE(WaitUntil([&] { return session.RendersFrom(0) >= 5; }, 5000, 50));
  EXPECT_FALSE(FileExists(BuildFile("e2e/plugins/ordinary.dll.loaded"))) << "the scan loaded the ordinary DLL";

  // Ten seconds of feeds while playing.
  const DWORD start = GetTickCount();
  Sleep(10000);
  std::vector<RecordedCall> renders = RendersSince(ReadRecordedCalls(kRecording), start);
  renders.erase(std::remove_if(renders.begin(), renders.end(), [&](auto& c) { return c.ms > start + 10000; }),
                renders.end());
  ASSERT_GE(renders.size(), 2u);
  DWORD longest = 0;
  for (size_t i = 1; i < renders.size(); ++i) longest = std::max(longest, renders[i].ms - renders[i - 1].ms);
  std::printf("FIGURE plug-in feed over 10 s: %zu renders, mean interval %.1f ms (target 40), longest %lu ms\n",
              renders.size(), double(renders.back().ms - renders.front().ms) / double(renders.size() - 1),
              static_cast<unsigned long>(longest));
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
  renders = RendersSince(ReadRecordedCalls(kRecording), mark);
  EXPECT_GE(renders.size(), 15u);
  EXPECT_EQ(ZeroRenders(renders), int32_t(renders.size())) << "all silence while paused";
  Key(player, 'X');

  // Minimised: no feeds; restored: feeds again.
  Click(player, kMinimizeSymbol.x, kMinimizeSymbol.y);
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(player) != 0; }, 2000));
  Sleep(300);
  mark = GetTickCount();
  Sleep(1000);
  EXPECT_EQ(session.RendersFrom(mark), 0u) << "fed while minimised";
  ShowWindow(player, SW_RESTORE);
  mark = GetTickCount();
  EXPECT_TRUE(WaitUntil([&] { return session.RendersFrom(mark) >= 5; }, 3000, 50));

  // Closing the player ends the module with its Quit; every call came on one thread, not the window's.
  Command(player, kCommandClose);
  EXPECT_EQ(session.zav.WaitExit(10000), 0);
  const std::vector<RecordedCall> calls = ReadRecordedCalls(kRecording);
  EXPECT_EQ(CalledFunctions(calls), "Init Quit");
  for (const RecordedCall& call : calls)
    EXPECT_TRUE(call.thread == calls[0].thread && call.sRate == 44100 && call.nCh == 2) << call.function;
  EXPECT_NE(calls.front().thread, GetWindowThreadProcessId(player, nullptr));
}

TEST(PluginsDriver, TheSpectrumBarsRunBesideThePlayer) {
  PluginSession session(0);
  const HWND player = session.player;
  ASSERT_TRUE(player && session.Playing());
  // CPU over 4 s of playback, without a plug-in and then with the bars. The capture device plays
  // faster than real time: the decoding counts per second of audio, the plug-in (fed by the clock) per
  // second of wall time.
  struct Load {
    double perAudioSecond, perWallSecond, speed;
  };
  auto measure = [&] {
    const double cpu0 = session.zav.CpuSeconds();
    const int32_t audio0 = ElapsedSeconds(player);
    const DWORD wall0 = GetTickCount();
    Sleep(4000);
    const double cpu = session.zav.CpuSeconds() - cpu0, wall = (GetTickCount() - wall0) / 1000.0;
    const int32_t audio = std::max(1, ElapsedSeconds(player) - audio0);
    return Load{cpu / audio * 100, cpu / wall * 100, audio / wall};
  };
  const Load without = measure();
  // The Plugins page lists the sample, the folder's one plug-in library; the ordinary DLL never ran.
  Key(player, 'P', true);
  const HWND sheet = WaitForSheet(session.zav.info.dwProcessId);
  ASSERT_NE(sheet, nullptr);
  const HWND libraries = GetDlgItem(Turn(sheet, 3), kLibraryList);
  EXPECT_EQ(SendMessageA(libraries, CB_GETCOUNT, 0, 0), 1);
  EXPECT_TRUE(IsWindowEnabled(libraries));
  EXPECT_FALSE(FileExists(BuildFile("e2e/plugins/ordinary.dll.loaded")));
  Key(sheet, VK_ESCAPE);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(sheet); }, 3000));
  Command(player, kExecutePlugin);
  HWND bars = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (bars = FindWindowA("zav_spectrum_bars", nullptr)) != nullptr; }, 5000));
  Sleep(500);
  const Load with = measure();
  const double added = with.perWallSecond - without.perWallSecond * with.speed / without.speed;
  std::printf("FIGURE CPU of zav.exe while playing (audio at %.1fx real time): %.2f %% of one core per second of "
              "audio, %.2f %% per second of wall time without a plug-in; with the spectrum bars %.2f %% and %.2f "
              "%%: the plug-in adds %.2f %% of one core\n",
              with.speed, without.perAudioSecond, without.perWallSecond, with.perAudioSecond, with.perWallSecond,
              added);
  EXPECT_LE(added, 10.0);

  const RECT a = WindowRect(player), b = WindowRect(bars);
  EXPECT_GE(b.left, a.right) << "beside the player";
  SaveScreenshot("sample-plugin", GrabScreen({std::min(a.left, b.left) - 8, std::min(a.top, b.top) - 8,
                                               std::max(a.right, b.right) + 8, std::max(a.bottom, b.bottom) + 8}));
  // Closing the bars' window ends the module; the player plays on.
  PostMessageA(bars, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(bars); }, 3000));
  EXPECT_EQ(PlayState(player), kPlaying);
  Command(player, kCommandClose);
  EXPECT_EQ(session.zav.WaitExit(10000), 0);
}

}  // namespace
