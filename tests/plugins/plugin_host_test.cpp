// The plug-in host against the real sample plug-in DLL: the scan lists it and never loads an ordinary
// DLL; the recorder module writes down every call it receives, on which thread and with which fields;
// modules that cannot run end at once; stops during a slow Init or a slow Quit leave one thread; the
// "Plugins" page; and the player window running a plug-in in place of its own visualisation.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/wave_output.h"
#include "plugins/plugin_host.h"
#include "plugins/plugin_scan.h"
#include "plugins/plugins_page.h"
#include "resources/resource_ids.h"
#include "tests/plugins/recorded_calls.h"
#include "tests/shell/player_window_test_support.h"

namespace {

std::string Backslashed(std::string path) {
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

// The window plug-ins are started for: it counts the WM_PLUGIN_ENDED it receives.
int32_t gEndedCount = 0;
LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PLUGIN_ENDED) ++gEndedCount;
  return DefWindowProcA(window, message, wParam, lParam);
}

class PluginHostTest : public PlayerWindowTest {
 protected:
  void SetUp() override {
    PlayerWindowTest::SetUp();
    folder_ = Backslashed(TestFolder("plugins"));  // ends in "\"
    samplePath_ = folder_ + "zav_vis_sample.dll";
    ordinaryPath_ = folder_ + "ordinary.dll";
    const std::string build = Backslashed(ZAV_BUILD_PATH) + "\\";
    // A configured module's library stays loaded: then this build's copy is already in place.
    ASSERT_TRUE(CopyFileA((build + "zav_vis_sample.dll").c_str(), samplePath_.c_str(), FALSE) ||
                FileExists(samplePath_));
    ASSERT_TRUE(CopyFileA((build + "zav_marker_dll.dll").c_str(), ordinaryPath_.c_str(), FALSE));
    DeleteFileA(Marker().c_str());
    recording_ = Backslashed(ScratchPath("recorder.txt"));
    DeleteFileA(recording_.c_str());
    SetEnvironmentVariableA("ZAV_RECORDER_FILE", recording_.c_str());
    WNDCLASSA parentClass = {};
    parentClass.lpfnWndProc = ParentProc;
    parentClass.hInstance = gShell.instance;
    parentClass.lpszClassName = "zav_plugin_test_parent";
    RegisterClassA(&parentClass);
    parent_ = CreateWindowExA(0, parentClass.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              gShell.instance, nullptr);
    gEndedCount = 0;
    Choose(samplePath_, 1);
  }
  void TearDown() override {
    StopPlugin();
    SetEnvironmentVariableA("ZAV_RECORDER_INIT_MS", nullptr);
    SetEnvironmentVariableA("ZAV_RECORDER_QUIT_MS", nullptr);
    DestroyWindow(parent_);
    PlayerWindowTest::TearDown();
  }

  static void Choose(const std::string& library, int32_t module) {
    std::snprintf(gSettings.pluginFile, sizeof gSettings.pluginFile, "%s", library.c_str());
    gSettings.pluginModule = module;
  }
  std::string Marker() const { return ordinaryPath_ + ".loaded"; }
  int32_t Scan(const std::string& folder) {
    std::snprintf(gSettings.pluginFolder, sizeof gSettings.pluginFolder, "%s", folder.c_str());
    return ScanPlugins(gSettings.pluginFolder);
  }

  std::vector<RecordedCall> Calls() const { return ReadRecordedCalls(recording_); }
  int32_t Count(const char* function) const {
    int32_t n = 0;
    for (const RecordedCall& call : Calls()) n += call.function == function;
    return n;
  }
  std::string Functions() const { return CalledFunctions(Calls()); }

  // Pumps this thread's messages until the parent window has received one more WM_PLUGIN_ENDED; notes
  // in `ran` whether a module was ever running meanwhile.
  static bool Ended(DWORD milliseconds, bool* ran = nullptr) {
    const int32_t before = gEndedCount;
    return PumpUntil(
        [&] {
          if (ran && IsPluginRunning()) *ran = true;
          return gEndedCount > before;
        },
        milliseconds);
  }
  static bool Running() { return PumpUntil([] { return IsPluginRunning() == 1; }, 5000); }

  std::string folder_, samplePath_, ordinaryPath_, recording_;
  HWND parent_ = nullptr;
};

TEST_F(PluginHostTest, TheScanListsThePluginAndNeverLoadsAnOrdinaryDll) {
  char folder[kPluginPathSize];
  std::snprintf(folder, sizeof folder, "%.*s", int(folder_.size() - 1), folder_.c_str());  // no "\"
  EXPECT_EQ(ScanPlugins(folder), 1);
  EXPECT_EQ(std::string(folder), folder_) << "the backslash is appended in place";
  EXPECT_EQ(PluginLibraryCount(), 1);
  ASSERT_EQ(PluginLibraries().size(), 1u);
  const PluginLibrary& library = PluginLibraries()[0];
  EXPECT_EQ(std::string(library.path), samplePath_);
  EXPECT_STREQ(library.description, "zav sample visualisations");
  ASSERT_EQ(library.moduleCount, 2);
  EXPECT_STREQ(library.modules[0].description, "zav spectrum bars");
  EXPECT_STREQ(library.modules[1].description, "zav call recorder (writes every call to a file)");
  EXPECT_EQ(library.modules[1].index, 1);
  EXPECT_FALSE(FileExists(Marker())) << "the ordinary DLL's start-up code ran";
  EXPECT_EQ(Calls().size(), 0u) << "no module function runs during a scan";

  // A folder field that fills its whole size gets no backslash and finds nothing; one without a
  // terminator is cut to its size.
  std::memset(folder, 'x', sizeof folder);
  EXPECT_EQ(ScanPlugins(folder), 0);
  EXPECT_EQ(folder[kPluginPathSize - 1], 0);
  EXPECT_TRUE(PluginLibraries().empty());
  EXPECT_EQ(PluginLibraryCount(), 0);

  // A plug-in without descriptions whose getter never returns null: "" everywhere, 256 modules.
  const std::string endless = Backslashed(TestFolder("endless-plugin"));
  ASSERT_TRUE(CopyFileA((Backslashed(ZAV_BUILD_PATH) + "\\zav_endless_plugin.dll").c_str(),
                        (endless + "endless.dll").c_str(), FALSE) ||
              FileExists(endless + "endless.dll"));
  EXPECT_EQ(Scan(endless), 1);
  ASSERT_EQ(PluginLibraries().size(), 1u);
  EXPECT_STREQ(PluginLibraries()[0].description, "");
  EXPECT_EQ(PluginLibraries()[0].moduleCount, kMaxPluginModules);
  EXPECT_STREQ(PluginLibraries()[0].modules.back().description, "");

  // The marker does show a load.
  const HMODULE loaded = LoadLibraryA(ordinaryPath_.c_str());
  ASSERT_NE(loaded, nullptr);
  FreeLibrary(loaded);
  EXPECT_TRUE(FileExists(Marker()));
}

TEST_F(PluginHostTest, TheRecorderSeesInitRenderAndQuitOnThePluginThread) {
  StartPlugin(1, parent_, 2, 44100);
  ASSERT_TRUE(Running());
  EXPECT_EQ(gPluginRunning, 1) << "the wave output keeps its snapshots fresh";
  EXPECT_EQ(GetWindowLongPtrA(parent_, GWLP_USERDATA), kPluginWindowMarker);
  std::vector<uint8_t> spectrum(kSnapshotBytes, 7), waveform(kSnapshotBytes, 3);
  FeedPlugin(2, spectrum.data(), 2, waveform.data());
  ASSERT_TRUE(PumpUntil([&] { return Count("Render") == 1; }, 3000));
  std::fill(spectrum.begin(), spectrum.end(), 0);
  std::fill(waveform.begin(), waveform.end(), 0);
  FeedPlugin(2, spectrum.data(), 2, waveform.data());
  ASSERT_TRUE(PumpUntil([&] { return Count("Render") == 2; }, 3000));
  HWND other = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ConfigurePlugin(1, other);  // while it runs, the running module is configured
  StopPlugin();
  EXPECT_EQ(IsPluginRunning(), 0);
  EXPECT_EQ(gPluginRunning, 0);
  EXPECT_TRUE(Ended(2000));
  StopPlugin();  // nothing runs: nothing happens
  EXPECT_FALSE(Ended(100));
  ConfigurePlugin(1, other);  // not running: the module of the settings' library
  DestroyWindow(other);

  const std::vector<RecordedCall> calls = Calls();
  ASSERT_EQ(calls.size(), 6u) << Functions();
  EXPECT_EQ(Functions(), "Init Config Quit Config");
  const DWORD pluginThread = calls[0].thread;
  EXPECT_NE(pluginThread, GetCurrentThreadId());
  for (const RecordedCall& call : calls) {
    const bool config = call.function == "Config";
    EXPECT_EQ(call.thread, config ? GetCurrentThreadId() : pluginThread) << call.function;
    EXPECT_EQ(call.parent, &call == &calls.back() ? static_cast<void*>(other) : static_cast<void*>(parent_));
    if (&call == &calls.back()) continue;  // configured before any start: only the parent is set
    EXPECT_EQ(call.sRate, 44100);
    EXPECT_EQ(call.nCh, 2);
  }
  EXPECT_EQ(calls[1].function, "Render");
  EXPECT_EQ(calls[1].spectrumNch, 2);
  EXPECT_EQ(calls[1].waveformNch, 2);
  EXPECT_EQ(calls[1].zero, 0);
  EXPECT_EQ(calls[2].zero, 1);
}

TEST_F(PluginHostTest, ModulesThatCannotRunEndAtOnce) {
  bool ran = false;
  Choose(samplePath_, 7);  // getModule gives null
  StartPlugin(7, parent_, 2, 44100);
  EXPECT_TRUE(Ended(3000, &ran));
  Choose(ordinaryPath_, 0);  // no entry point: never loaded
  StartPlugin(0, parent_, 2, 44100);
  EXPECT_TRUE(Ended(3000, &ran));
  ConfigurePlugin(0, parent_);
  Choose(folder_ + "missing.dll", 0);
  StartPlugin(0, parent_, 2, 44100);
  EXPECT_TRUE(Ended(3000, &ran));
  EXPECT_FALSE(ran);
  EXPECT_FALSE(FileExists(Marker()));
  EXPECT_EQ(Calls().size(), 0u);
}

TEST_F(PluginHostTest, StopsDuringASlowInitOrASlowQuitLeaveOneThread) {
  SetEnvironmentVariableA("ZAV_RECORDER_INIT_MS", "800");
  bool ran = false;
  StartPlugin(1, parent_, 2, 44100);
  Sleep(200);
  DWORD start = GetTickCount();
  StopPlugin();
  EXPECT_GE(GetTickCount() - start, 400u) << "the stop waited for Init and Quit";
  EXPECT_TRUE(Ended(1000, &ran));
  EXPECT_FALSE(ran);
  EXPECT_EQ(Functions(), "Init Quit");

  // A Quit longer than the stop's wait: the thread is kept, and the next start waits for it first.
  SetEnvironmentVariableA("ZAV_RECORDER_INIT_MS", nullptr);
  SetEnvironmentVariableA("ZAV_RECORDER_QUIT_MS", "5600");
  StartPlugin(1, parent_, 2, 44100);
  ASSERT_TRUE(Running());
  start = GetTickCount();
  StopPlugin();
  const DWORD waited = GetTickCount() - start;
  EXPECT_GE(waited, kPluginStopWaitMs - 100);
  EXPECT_LT(waited, 5500u);
  EXPECT_EQ(Count("Quit"), 1) << "still quitting";
  SetEnvironmentVariableA("ZAV_RECORDER_QUIT_MS", nullptr);
  StartPlugin(1, parent_, 2, 44100);
  ASSERT_TRUE(Running());
  StopPlugin();
  const std::vector<RecordedCall> calls = Calls();
  EXPECT_EQ(Functions(), "Init Quit Init Quit Init Quit");
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_EQ(calls[2].thread, calls[3].thread);
  EXPECT_NE(calls[3].thread, calls[4].thread);
}

// The bars module draws lit segments for a loud tone and ends with its window.
TEST_F(PluginHostTest, TheBarsModuleDrawsAndEndsWhenItsWindowIsClosed) {
  Choose(samplePath_, 0);
  StartPlugin(0, parent_, 2, 44100);
  ASSERT_TRUE(Running());
  HWND bars = FindWindowA("zav_spectrum_bars", "zav Spectrum Bars");
  ASSERT_NE(bars, nullptr);
  std::vector<uint8_t> spectrum(kSnapshotBytes, 0), waveform(kSnapshotBytes);
  for (size_t i = 0; i < waveform.size(); ++i) waveform[i] = uint8_t(int8_t(100 * std::sin(0.3 * double(i % 576))));
  for (int32_t frame = 0; frame < 5; ++frame) {
    FeedPlugin(2, spectrum.data(), 2, waveform.data());
    PumpUntil([] { return false; }, 50);
  }
  RECT client;
  GetClientRect(bars, &client);
  const PixelImage shown = WindowPixels(bars, 0, 0, client.right, client.bottom);
  int32_t lit = 0;
  for (COLORREF pixel : shown.pixels) lit += GetGValue(pixel) > 150 && GetBValue(pixel) < 120;
  EXPECT_GT(lit, 40) << "lit segments of the tone's bars";

  PostMessageA(bars, WM_CLOSE, 0, 0);
  EXPECT_TRUE(Ended(3000));
  EXPECT_EQ(IsPluginRunning(), 0);
  EXPECT_EQ(gPluginRunning, 0);
  EXPECT_FALSE(IsWindow(bars));
}

PIDLIST_ABSOLUTE gBrowseAnswer = nullptr;
BROWSEINFOA gBrowseAsked;
PIDLIST_ABSOLUTE WINAPI AnswerBrowse(LPBROWSEINFOA browse) {
  gBrowseAsked = *browse;
  return gBrowseAnswer;
}

TEST_F(PluginHostTest, ThePluginsPageChoosesTestsConfiguresAndBrowses) {
  Scan(folder_);
  Choose("", 5);
  HWND sheet = nullptr;
  HWND page = OpenOnePageSheet(IDD_PLUGINS_PAGE, PluginsPageProcedure, "Plugins", &sheet, parent_);
  ASSERT_NE(page, nullptr);
  auto text = [&](int32_t id) {
    char buffer[300] = "";
    GetDlgItemTextA(page, id, buffer, sizeof buffer);
    return std::string(buffer);
  };
  auto items = [&](int32_t id) { return SendDlgItemMessageA(page, id, CB_GETCOUNT, 0, 0); };
  auto selected = [&](int32_t id) { return SendDlgItemMessageA(page, id, CB_GETCURSEL, 0, 0); };
  auto choose = [&](int32_t id, WPARAM item) {
    SendDlgItemMessageA(page, id, CB_SETCURSEL, item, 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), LPARAM(GetDlgItem(page, id)));
  };
  auto click = [&](int32_t id) {
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(page, id)));
  };
  auto enabled = [&] {
    int32_t n = 0;
    for (int32_t id = IDC_PLUGIN_LIBRARY; id <= IDC_PLUGIN_CONFIGURE; ++id) n += IsWindowEnabled(GetDlgItem(page, id));
    return n;
  };
  EXPECT_EQ(text(IDC_PLUGIN_FOLDER), folder_);
  EXPECT_EQ(items(IDC_PLUGIN_LIBRARY), 1);
  EXPECT_EQ(selected(IDC_PLUGIN_LIBRARY), CB_ERR) << "no library chosen yet";
  EXPECT_EQ(items(IDC_PLUGIN_MODULE), 0);
  EXPECT_EQ(enabled(), 4);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_PLUGIN_AUTO_START)));

  choose(IDC_PLUGIN_LIBRARY, 0);
  EXPECT_EQ(std::string(gSettings.pluginFile), samplePath_);
  EXPECT_EQ(items(IDC_PLUGIN_MODULE), 2);
  EXPECT_EQ(selected(IDC_PLUGIN_MODULE), 0) << "index 5 names no module";
  EXPECT_EQ(gSettings.pluginModule, 5);
  choose(IDC_PLUGIN_MODULE, 1);
  EXPECT_EQ(gSettings.pluginModule, 1);

  // Test runs the module for the sheet's owner; Configure then configures the running module.
  click(IDC_PLUGIN_TEST);
  ASSERT_TRUE(Running());
  click(IDC_PLUGIN_CONFIGURE);
  StopPlugin();
  EXPECT_EQ(Functions(), "Init Config Quit");
  for (const RecordedCall& call : Calls()) EXPECT_EQ(call.parent, static_cast<void*>(parent_));

  // Browse to an empty folder: nothing to choose; cancelled, the folder is scanned again.
  const std::string empty = Backslashed(TestFolder("no-plugins"));
  gBrowseAnswer = ILCreateFromPathA(empty.c_str());
  ASSERT_NE(gBrowseAnswer, nullptr);
  gBrowseForFolder = AnswerBrowse;
  click(IDC_PLUGIN_BROWSE);
  EXPECT_EQ(gBrowseAsked.hwndOwner, page);
  EXPECT_STREQ(gBrowseAsked.lpszTitle, "Please Select a directory where plugins are stored...");
  EXPECT_EQ(gBrowseAsked.pidlRoot, nullptr);
  EXPECT_EQ(gBrowseAsked.ulFlags, 0u);
  EXPECT_EQ(std::string(gSettings.pluginFolder), empty);
  EXPECT_EQ(items(IDC_PLUGIN_LIBRARY), 0);
  EXPECT_EQ(enabled(), 0);
  Scan(folder_);
  choose(IDC_PLUGIN_LIBRARY, 0);
  gBrowseAnswer = nullptr;
  click(IDC_PLUGIN_BROWSE);
  gBrowseForFolder = SHBrowseForFolderA;
  EXPECT_EQ(std::string(gSettings.pluginFile), "");
  EXPECT_EQ(gSettings.pluginModule, 0);
  EXPECT_EQ(items(IDC_PLUGIN_LIBRARY), 1);
  EXPECT_EQ(selected(IDC_PLUGIN_LIBRARY), CB_ERR);
  EXPECT_EQ(enabled(), 4);

  // OK keeps the folder as edited.
  SetDlgItemTextA(page, IDC_PLUGIN_FOLDER, "C:\\elsewhere");
  CloseSheet(sheet, PSBTN_OK);
  EXPECT_STREQ(gSettings.pluginFolder, "C:\\elsewhere");
}

TEST_F(PluginHostTest, ThePlayerWindowRunsAPluginInPlaceOfItsVisualisation) {
  HWND window = OpenPlayerWindow(0, folder_);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(PluginLibraryCount(), 1);
  gSettings.visActive = 1;
  {
    MenuStates menu(window);
    EXPECT_FALSE(menu.Greyed(IDM_PLUGIN_EXECUTE));
    EXPECT_TRUE(menu.Greyed(IDM_PLUGIN_TERMINATE));
  }
  SendMessageA(window, WM_COMMAND, IDM_PLUGIN_EXECUTE, 0);
  ASSERT_TRUE(Running());
  EXPECT_EQ(gSettings.visActive, 0);
  {
    MenuStates menu(window);
    EXPECT_TRUE(menu.Greyed(IDM_PLUGIN_EXECUTE));
    EXPECT_FALSE(menu.Greyed(IDM_PLUGIN_TERMINATE));
  }
  // The 40 ms feed: silence while stopped, nothing while minimised.
  ASSERT_TRUE(PumpUntil([&] { return Count("Render") >= 3; }, 3000)) << "the feed timer runs";
  for (const RecordedCall& call : Calls()) EXPECT_TRUE(call.function != "Render" || call.zero == 1);
  ShowWindow(window, SW_MINIMIZE);
  PumpUntil([] { return false; }, 100);
  const int32_t renders = Count("Render");
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(Count("Render"), renders);
  ShowWindow(window, SW_RESTORE);

  SendMessageA(window, WM_COMMAND, IDM_PLUGIN_TERMINATE, 0);
  EXPECT_EQ(IsPluginRunning(), 0);
  EXPECT_EQ(gSettings.visActive, 1);
  SendMessageA(window, WM_COMMAND, IDM_PLUGIN_EXECUTE, 0);
  ASSERT_TRUE(Running());
  SendMessageA(window, WM_COMMAND, IDM_VIS_ACTIVATE, 0);  // the internal visualisation takes over
  EXPECT_EQ(IsPluginRunning(), 0);
  EXPECT_EQ(gSettings.visActive, 1);
  SendMessageA(window, WM_COMMAND, IDM_PLUGIN_EXECUTE, 0);
  ASSERT_TRUE(Running());
  DestroyWindow(window);  // the module quits with the window, and the visualisation is kept as it was
  EXPECT_EQ(IsPluginRunning(), 0);
  EXPECT_EQ(gSettings.visActive, 1);
  EXPECT_EQ(Functions(), "Init Quit Init Quit Init Quit");
}

}  // namespace
