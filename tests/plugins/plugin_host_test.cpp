// The plug-in host against the real sample plug-in DLL: the scan lists it and never loads an ordinary
// DLL; the recorder module writes down every call, its thread and fields; modules that cannot run end
// at once; stops during a slow Init or Quit leave one thread; the "Plugins" page; the player window.
// (The spectrum-bars module is worked in the driver's plug-in scenarios.)
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/wave_output.h"
#include "platform/folder_dialog.h"
#include "platform/win32/wide.h"
#include "plugins/plugin_host.h"
#include "plugins/plugin_scan.h"
#include "plugins/plugins_page.h"
#include "resources/resource_ids.h"
#include "settings/eq_plugin_keys.h"
#include "settings/plugin_paths.h"
#include "tests/plugins/recorded_calls.h"
#include "tests/shell/player_window_test_support.h"

namespace {

std::string Backslashed(std::string path) {
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

// Copies the build's DLL `name` into `folder` as `as`; a copy still loaded (a configured module's
// library stays loaded) is this build's already.
std::string Place(const std::string& folder, const std::string& name, const std::string& as) {
  const std::string path = folder + as;
  EXPECT_TRUE(CopyFileW(WideFromUtf8(Backslashed(ZAV_BUILD_PATH) + "\\" + name).c_str(), WideFromUtf8(path).c_str(),
                        FALSE) ||
              FileExists(path));
  return path;
}

int32_t gEnded = 0;  // WM_PLUGIN_ENDED received by the fixture's window
LRESULT CALLBACK CountEnds(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  gEnded += message == WM_PLUGIN_ENDED;
  return DefWindowProcA(window, message, wParam, lParam);
}

class PluginHostTest : public PlayerWindowTest {
 protected:
  void SetUp() override {
    PlayerWindowTest::SetUp();
    folder_ = Backslashed(TestFolder("plugins"));  // ends in "\"
    sample_ = Place(folder_, "zav_vis_sample.dll", "zav_vis_sample.dll");
    ordinary_ = Place(folder_, "test-dlls\\zav_marker_dll.dll", "ordinary.dll");
    DeleteFileA((ordinary_ + ".loaded").c_str());
    recording_ = Backslashed(ScratchPath("recorder.txt"));
    DeleteFileA(recording_.c_str());
    SetEnvironmentVariableA("ZAV_RECORDER_FILE", recording_.c_str());
    const WNDCLASSA parentClass = {0, CountEnds, 0, 0, gShell.instance, nullptr, nullptr, nullptr, nullptr, "ends"};
    RegisterClassA(&parentClass);
    parent_ = CreateWindowExA(0, "ends", "", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, gShell.instance, nullptr);
    Choose(sample_, 1);
  }
  void TearDown() override {
    StopPlugin();
    SetEnvironmentVariableA("ZAV_RECORDER_INIT_MS", nullptr);
    SetEnvironmentVariableA("ZAV_RECORDER_QUIT_MS", nullptr);
    SetEnvironmentVariableA("ZAV_RECORDER_RENDER_MS", nullptr);
    DestroyWindow(parent_);
    PlayerWindowTest::TearDown();
  }
  static void Choose(const std::string& library, int32_t module) {
    std::snprintf(gSettings.pluginFile, sizeof gSettings.pluginFile, "%s", library.c_str());
    gSettings.pluginModule = module;
  }
  static int32_t Scan(const std::string& folder) {
    std::snprintf(gSettings.pluginFolder, sizeof gSettings.pluginFolder, "%s", folder.c_str());
    return ScanPlugins(gSettings.pluginFolder);
  }
  bool Loaded() const { return FileExists(ordinary_ + ".loaded"); }  // the ordinary DLL's start-up ran
  std::vector<RecordedCall> Calls() const { return ReadRecordedCalls(recording_); }
  std::string Functions() const { return CalledFunctions(Calls()); }
  size_t Renders() const { return RendersSince(Calls(), 0).size(); }
  // Pumps messages until the window has received one more WM_PLUGIN_ENDED; notes in `ran` whether a
  // module was running meanwhile.
  static bool Ended(DWORD milliseconds, bool* ran = nullptr) {
    const int32_t before = gEnded;
    return PumpUntil([&] {
      if (ran && IsPluginRunning()) *ran = true;
      return gEnded > before;
    }, milliseconds);
  }
  static bool Running() { return PumpUntil([] { return IsPluginRunning() == 1; }, 5000); }

  std::string folder_, sample_, ordinary_, recording_;
  HWND parent_ = nullptr;
};

TEST_F(PluginHostTest, TheScanListsThePluginAndNeverLoadsAnOrdinaryDll) {
  char folder[kPluginPathSize];
  std::snprintf(folder, sizeof folder, "%.*s", int(folder_.size() - 1), folder_.c_str());  // no "\"
  EXPECT_EQ(ScanPlugins(folder), 1);
  EXPECT_EQ(folder + std::string(), folder_) << "the backslash is appended in place";
  EXPECT_EQ(PluginLibraryCount(), 1);
  ASSERT_EQ(PluginLibraries().size(), 1u);
  const PluginLibrary& library = PluginLibraries()[0];
  EXPECT_EQ(library.path + std::string(), sample_);
  EXPECT_STREQ(library.description, "zav sample visualisations");
  ASSERT_EQ(library.moduleCount, 2);
  EXPECT_STREQ(library.modules[0].description, "zav spectrum bars");
  EXPECT_STREQ(library.modules[1].description, "zav call recorder (writes every call to a file)");
  EXPECT_EQ(library.modules[1].index, 1);
  EXPECT_FALSE(Loaded());
  EXPECT_EQ(Calls().size(), 0u) << "no module function runs during a scan";

  // A field that fills its whole size, without a terminator, is cut to it and finds nothing.
  std::memset(folder, 'x', sizeof folder);
  EXPECT_EQ(ScanPlugins(folder), 0);
  EXPECT_EQ(folder[kPluginPathSize - 1], 0);
  EXPECT_TRUE(PluginLibraries().empty());
  // A plug-in without descriptions whose getter never returns null: "" everywhere, 256 modules.
  const std::string endless = Backslashed(TestFolder("endless-plugin"));
  Place(endless, "test-dlls\\zav_endless_plugin.dll", "endless.dll");
  EXPECT_EQ(Scan(endless), 1);
  ASSERT_EQ(PluginLibraries().size(), 1u);
  EXPECT_STREQ(PluginLibraries()[0].description, "");
  EXPECT_EQ(PluginLibraries()[0].moduleCount, kMaxPluginModules);
  EXPECT_STREQ(PluginLibraries()[0].modules.back().description, "");

  FreeLibrary(LoadLibraryA(ordinary_.c_str()));
  EXPECT_TRUE(Loaded()) << "a load does show";
}

TEST_F(PluginHostTest, TheRecorderRunsOnThePluginThreadAndModulesThatCannotRunEndAtOnce) {
  StartPlugin(1, parent_, 2, 44100);
  ASSERT_TRUE(Running());
  EXPECT_EQ(gPluginRunning, 1) << "the wave output keeps its snapshots fresh";
  EXPECT_EQ(GetWindowLongPtrA(parent_, GWLP_USERDATA), kPluginWindowMarker);
  for (const uint8_t value : {7, 0}) {
    const std::vector<uint8_t> spectrum(kSnapshotBytes, value), waveform(kSnapshotBytes, value);
    FeedPlugin(2, spectrum.data(), 2, waveform.data());
    ASSERT_TRUE(PumpUntil([&] { return Renders() == (value ? 1u : 2u); }, 3000));
  }
  HWND other = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
  ConfigurePlugin(1, other);  // while it runs, the running module is configured
  StopPlugin();
  EXPECT_EQ(gPluginRunning, 0);
  EXPECT_TRUE(Ended(2000));
  StopPlugin();  // nothing runs: nothing happens
  EXPECT_FALSE(Ended(100));
  ConfigurePlugin(1, other);  // not running: the module of the settings' library, for `other`
  DestroyWindow(other);
  const std::vector<RecordedCall> calls = Calls();
  EXPECT_EQ(Functions(), "Init Config Quit Config");
  ASSERT_EQ(calls.size(), 6u);
  for (const RecordedCall& call : calls) {
    const bool config = call.function == "Config", last = &call == &calls.back();
    EXPECT_EQ(call.thread == GetCurrentThreadId(), config) << call.function;
    EXPECT_EQ(call.thread == calls[0].thread, !config);
    EXPECT_EQ(call.parent, last ? static_cast<void*>(other) : parent_);
    EXPECT_TRUE(last || (call.sRate == 44100 && call.nCh == 2));  // the last was never started
  }
  EXPECT_TRUE(calls[1].spectrumNch == 2 && calls[1].waveformNch == 2 && !calls[1].zero && calls[2].zero);

  // A null module, a DLL without the entry point (never loaded, neither to run nor to configure) and a
  // missing file each end at once without running.
  std::remove(recording_.c_str());
  bool ran = false;
  Choose(sample_, 7);
  StartPlugin(7, parent_, 2, 44100);
  EXPECT_TRUE(Ended(3000, &ran));
  Choose(ordinary_, 0);
  StartPlugin(0, parent_, 2, 44100);
  EXPECT_TRUE(Ended(3000, &ran));
  ConfigurePlugin(0, parent_);
  Choose(folder_ + "missing.dll", 0);
  StartPlugin(0, parent_, 2, 44100);
  EXPECT_TRUE(Ended(3000, &ran));
  EXPECT_FALSE(ran);
  EXPECT_FALSE(Loaded());
  EXPECT_EQ(Calls().size(), 0u);
}

TEST_F(PluginHostTest, SlowModulesStopPromptlyAndLeaveOneThread) {
  SetEnvironmentVariableA("ZAV_RECORDER_INIT_MS", "800");
  bool ran = false;
  StartPlugin(1, parent_, 2, 44100);
  ASSERT_TRUE(PumpUntil([&] { return Functions() == "Init"; }, 3000));
  ConfigurePlugin(1, GetDesktopWindow());  // calls the starting module's Config, writes nothing into it
  DWORD start = GetTickCount();
  StopPlugin();
  EXPECT_GE(GetTickCount() - start, 400u) << "the stop waited for Init and Quit";
  EXPECT_TRUE(Ended(1000, &ran));
  EXPECT_FALSE(ran);
  EXPECT_EQ(Functions(), "Init Config Quit");

  // A Quit longer than the stop's wait: the thread is kept, and the next start waits for it first.
  SetEnvironmentVariableA("ZAV_RECORDER_INIT_MS", nullptr);
  SetEnvironmentVariableA("ZAV_RECORDER_QUIT_MS", "5600");
  StartPlugin(1, parent_, 2, 44100);
  ASSERT_TRUE(Running());
  start = GetTickCount();
  StopPlugin();
  EXPECT_NEAR(double(GetTickCount() - start), kPluginStopWaitMs, 400.0);
  EXPECT_EQ(Functions(), "Init Config Quit Init") << "still quitting";
  SetEnvironmentVariableA("ZAV_RECORDER_QUIT_MS", nullptr);
  StartPlugin(1, parent_, 2, 44100);
  ASSERT_TRUE(Running());
  StopPlugin();
  const std::vector<RecordedCall> calls = Calls();
  EXPECT_EQ(Functions(), "Init Config Quit Init Quit Init Quit");
  ASSERT_EQ(calls.size(), 7u);
  EXPECT_TRUE(calls[3].thread == calls[4].thread && calls[4].thread != calls[5].thread);
  for (const RecordedCall& call : calls) EXPECT_EQ(call.parent, static_cast<void*>(parent_)) << call.function;

  // A Render slower than the 40 ms feeds: requests collapse into one, so at most one renders after the
  // feeds end; a stop takes effect as soon as the Render under way returns, dropping the one waiting.
  SetEnvironmentVariableA("ZAV_RECORDER_RENDER_MS", "150");
  StartPlugin(1, parent_, 2, 44100);
  ASSERT_TRUE(Running());
  const std::vector<uint8_t> feed(kSnapshotBytes, 7);
  for (int32_t i = 0; i < 40; ++i, Sleep(40)) FeedPlugin(2, feed.data(), 2, feed.data());
  const DWORD fed = GetTickCount();
  Sleep(450);
  EXPECT_LE(RendersSince(Calls(), fed + 1).size(), 1u) << Renders() << " renders for 40 feeds";
  for (int32_t i = 0; i < 2; ++i, Sleep(20)) FeedPlugin(2, feed.data(), 2, feed.data());
  const DWORD stop = GetTickCount();
  StopPlugin();
  EXPECT_TRUE(GetTickCount() - stop < 1000 && RendersSince(Calls(), stop + 1).empty()) << GetTickCount() - stop;
}

HRESULT ComProbe() {  // S_OK: COM was off here, S_FALSE: apartment-threaded, RPC_E_CHANGED_MODE: multithreaded
  const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (SUCCEEDED(result)) CoUninitialize();
  return result;
}

PIDLIST_ABSOLUTE gBrowseAnswer = nullptr;
BROWSEINFOW gBrowseAsked;
std::wstring gBrowseTitle;
HRESULT gBrowseCom;  // how COM ran while the browser was asked for
PIDLIST_ABSOLUTE WINAPI AnswerBrowse(LPBROWSEINFOW browse) {
  gBrowseAsked = *browse;
  gBrowseTitle = browse->lpszTitle;
  gBrowseCom = ComProbe();
  return gBrowseAnswer;
}

TEST_F(PluginHostTest, ThePluginsPageChoosesTestsConfiguresAndBrowses) {
  Scan(folder_);
  Choose("", 5);
  HWND sheet = nullptr;
  HWND page = OpenOnePageSheet(IDD_PLUGINS_PAGE, PluginsPageProcedure, L"Plugins", &sheet, parent_);
  ASSERT_NE(page, nullptr);
  auto ask = [&](int32_t id, UINT message) { return SendDlgItemMessageA(page, id, message, 0, 0); };
  auto notify = [&](int32_t id, int32_t code) {
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, code), LPARAM(GetDlgItem(page, id)));
  };
  auto choose = [&](int32_t id, WPARAM item) {
    SendDlgItemMessageA(page, id, CB_SETCURSEL, item, 0);
    notify(id, CBN_SELCHANGE);
  };
  auto enabled = [&] {
    int32_t n = 0;
    for (int32_t id = IDC_PLUGIN_LIBRARY; id <= IDC_PLUGIN_AUTO_START; ++id)
      n += IsWindowEnabled(GetDlgItem(page, id));
    return n;
  };
  char text[300] = "";
  GetDlgItemTextA(page, IDC_PLUGIN_FOLDER, text, sizeof text);
  EXPECT_EQ(text, folder_);
  EXPECT_EQ(ask(IDC_PLUGIN_LIBRARY, CB_GETCOUNT), 1);
  EXPECT_EQ(ask(IDC_PLUGIN_LIBRARY, CB_GETCURSEL), CB_ERR) << "no library chosen yet";
  EXPECT_EQ(ask(IDC_PLUGIN_MODULE, CB_GETCOUNT), 0);
  EXPECT_EQ(enabled(), 5);
  SendDlgItemMessageA(page, IDC_PLUGIN_AUTO_START, BM_CLICK, 0, 0);
  EXPECT_EQ(gEqPluginOptions.autoStartPlugin, 1) << "stored when clicked";
  gEqPluginOptions.autoStartPlugin = 0;
  choose(IDC_PLUGIN_LIBRARY, 0);
  EXPECT_EQ(gSettings.pluginFile, sample_);
  EXPECT_EQ(ask(IDC_PLUGIN_MODULE, CB_GETCOUNT), 2);
  EXPECT_EQ(ask(IDC_PLUGIN_MODULE, CB_GETCURSEL), 0) << "index 5 names no module";
  EXPECT_EQ(gSettings.pluginModule, 5);
  choose(IDC_PLUGIN_MODULE, 1);
  EXPECT_EQ(gSettings.pluginModule, 1);

  // Test runs the module for the sheet's owner; Configure then configures the running module.
  notify(IDC_PLUGIN_TEST, BN_CLICKED);
  ASSERT_TRUE(Running());
  notify(IDC_PLUGIN_CONFIGURE, BN_CLICKED);
  StopPlugin();
  EXPECT_EQ(Functions(), "Init Config Quit");
  for (const RecordedCall& call : Calls()) EXPECT_EQ(call.parent, static_cast<void*>(parent_));

  // Browse to an empty folder: nothing to choose; cancelled, the folder is scanned again.
  const std::string empty = Backslashed(TestFolder("no-plugins"));
  gBrowseAnswer = ILCreateFromPathW(WideFromUtf8(empty).c_str());
  gBrowseForFolder = AnswerBrowse;
  notify(IDC_PLUGIN_BROWSE, BN_CLICKED);
  EXPECT_TRUE(gBrowseCom == S_FALSE && ComProbe() == S_OK) << "COM ran apartment-threaded for the browser only";
  EXPECT_EQ(gBrowseAsked.hwndOwner, page);
  EXPECT_EQ(gBrowseTitle, L"Please Select a directory where plugins are stored...");
  EXPECT_TRUE(gBrowseAsked.pidlRoot == nullptr && gBrowseAsked.ulFlags == 0);
  EXPECT_EQ(gSettings.pluginFolder, empty);
  EXPECT_EQ(ask(IDC_PLUGIN_LIBRARY, CB_GETCOUNT), 0);
  EXPECT_EQ(enabled(), 0);
  Scan(folder_);
  choose(IDC_PLUGIN_LIBRARY, 0);
  gBrowseAnswer = nullptr;
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  notify(IDC_PLUGIN_BROWSE, BN_CLICKED);
  EXPECT_TRUE(gBrowseCom == RPC_E_CHANGED_MODE && ComProbe() == RPC_E_CHANGED_MODE) << "kept multithreaded";
  CoUninitialize();
  EXPECT_TRUE(gSettings.pluginFile[0] == 0 && gSettings.pluginModule == 0);
  EXPECT_EQ(ask(IDC_PLUGIN_LIBRARY, CB_GETCOUNT), 1);
  EXPECT_EQ(ask(IDC_PLUGIN_LIBRARY, CB_GETCURSEL), CB_ERR);
  EXPECT_EQ(enabled(), 5);

  // A folder and a plug-in named beyond the ANSI code page: shown, scanned, listed, chosen, run and
  // configured.
  const std::string unicode = Backslashed(ScratchPath("плагины 🎵"));
  CreateDirectoryW(WideFromUtf8(unicode).c_str(), nullptr);
  const std::string library = Place(unicode + "\\", "zav_vis_sample.dll", "визуализация.dll");
  Place(unicode + "\\", "test-dlls\\zav_marker_dll.dll", "обычная.dll");
  gBrowseAnswer = ILCreateFromPathW(WideFromUtf8(unicode).c_str());
  notify(IDC_PLUGIN_BROWSE, BN_CLICKED);
  gBrowseForFolder = SHBrowseForFolderW;
  WCHAR shown[300] = L"";
  GetDlgItemTextW(page, IDC_PLUGIN_FOLDER, shown, 300);
  EXPECT_TRUE(Utf8FromWide(shown) == unicode && PluginFolder().text == unicode + "\\");
  ASSERT_EQ(ask(IDC_PLUGIN_LIBRARY, CB_GETCOUNT), 1);
  choose(IDC_PLUGIN_LIBRARY, 0);
  choose(IDC_PLUGIN_MODULE, 1);
  EXPECT_EQ(PluginFile().text, library);
  DeleteFileA(recording_.c_str());
  notify(IDC_PLUGIN_TEST, BN_CLICKED);
  ASSERT_TRUE(Running());
  notify(IDC_PLUGIN_CONFIGURE, BN_CLICKED);
  StopPlugin();
  EXPECT_EQ(Functions(), "Init Config Quit");
  // OK keeps the folder as edited.
  SetDlgItemTextW(page, IDC_PLUGIN_FOLDER, L"C:\\другая");
  CloseSheet(sheet, PSBTN_OK);
  EXPECT_STREQ(PluginFolder().text, "C:\\другая");
}

TEST_F(PluginHostTest, ThePlayerWindowRunsAPluginInPlaceOfItsVisualisation) {
  HWND window = OpenPlayerWindow(0, folder_);
  ASSERT_NE(window, nullptr);
  gSettings.visActive = 1;
  auto greyed = [&] {
    MenuStates menu(window);
    return std::make_pair(menu.Greyed(IDM_PLUGIN_EXECUTE), menu.Greyed(IDM_PLUGIN_TERMINATE));
  };
  auto command = [&](UINT id) { SendMessageA(window, WM_COMMAND, id, 0); };
  EXPECT_EQ(greyed(), std::make_pair(false, true)) << "the scan at creation found a library";
  EXPECT_TRUE(MenuStates::Greyed(IDM_PLUGIN_OPTIONS)) << "no module runs";
  command(IDM_PLUGIN_OPTIONS);
  command(IDM_PLUGIN_EXECUTE);
  ASSERT_TRUE(Running());
  EXPECT_EQ(gSettings.visActive, 0);
  EXPECT_EQ(greyed(), std::make_pair(true, false));
  EXPECT_FALSE(MenuStates::Greyed(IDM_PLUGIN_OPTIONS));
  command(IDM_PLUGIN_OPTIONS);  // the running module's Config
  ASSERT_TRUE(PumpUntil([&] { return Renders() >= 3; }, 3000)) << "fed by the 40 ms timer";
  EXPECT_EQ(Calls()[2].zero, 1) << "silence while stopped (after Init and Config)";
  command(IDM_PLUGIN_TERMINATE);
  EXPECT_EQ(IsPluginRunning(), 0);
  EXPECT_EQ(gSettings.visActive, 1);
  command(IDM_PLUGIN_EXECUTE);
  ASSERT_TRUE(Running());
  command(IDM_VIS_ACTIVATE);  // the internal visualisation takes over
  EXPECT_EQ(IsPluginRunning(), 0);
  // Test on the Plugins page replaces the module, whose late end changes nothing. A module that ends by
  // itself (a WM_QUIT in its thread's queue) clears the running flag, and the visualisation comes back.
  command(IDM_PLUGIN_EXECUTE);
  ASSERT_TRUE(Running());
  StopPlugin();
  StartPlugin(gSettings.pluginModule, window, 2, 44100);
  SendMessageA(window, kPluginSetValue, 0, 42);
  ASSERT_TRUE(Running());  // the replaced module's end is handled meanwhile
  EXPECT_TRUE(gSettings.visActive == 0 && gShell.pluginValue == 42);
  PostThreadMessageA(Calls().back().thread, WM_QUIT, 0, 0);
  EXPECT_TRUE(PumpUntil([] { return gPluginRunning == 0 && gSettings.visActive == 1; }, 3000));
  command(IDM_PLUGIN_EXECUTE);
  ASSERT_TRUE(Running());
  DestroyWindow(window);  // the module quits with the window, and the visualisation is kept as it was
  EXPECT_EQ(IsPluginRunning(), 0);
  EXPECT_EQ(gSettings.visActive, 1);
  EXPECT_EQ(Functions(), "Init Config Quit Init Quit Init Quit Init Quit Init Quit");

  // With "Auto-Start Plugin " on, the chosen module starts with the window, in place of the visualisation.
  UnregisterClassA(kPlayerClassName, gShell.instance);
  gEqPluginOptions.autoStartPlugin = 1;
  window = OpenPlayerWindow(0, folder_);
  gEqPluginOptions.autoStartPlugin = 0;
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(PumpUntil([] { return IsPluginRunning() == 1; }, 3000));
  EXPECT_EQ(gSettings.visActive, 0);
  EXPECT_EQ(Calls().back().parent, static_cast<void*>(window));
}

}  // namespace
