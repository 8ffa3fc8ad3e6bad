// The settings file, natively against the host profile code and under Wine against the Windows profile
// functions: what a save leaves in "zav.ini", reloads, the version guard and damaged records.
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/directory.h"
#include "platform/profile.h"
#include "platform/text.h"
#ifdef _WIN32
#include "platform/win32/wide.h"
#endif
#include "settings/playback_options.h"
#include "settings/replay_gain_options.h"
#include "settings/plugin_paths.h"
#include "settings/settings.h"
#include "settings/general_options.h"
#include "settings/hotkey_options.h"
#include "settings/start_up_options.h"
#include "settings/stream_settings.h"
#include "stream/stream_save.h"
#include "stream/stream_source.h"
#include "tests/settings/profile_test_support.h"
#include "tests/settings_guard.h"

namespace {

constexpr const char* kPrefsNoteText = "A New Preferences Format Has been Detected\nResetting Default Values, Sorry...";

int gAboutShown = 0;
void RecordAbout() {
  ++gAboutShown;
  BoxRecorder::Note("about");
}

// A record whose every byte differs from the defaults and from its neighbours.
Settings PatternRecord(uint8_t seed) {
  Settings s;
  uint8_t* bytes = reinterpret_cast<uint8_t*>(&s);
  for (size_t i = 0; i < sizeof s; ++i) bytes[i] = uint8_t(i * 37 + seed);
  return s;
}

bool SameRecord(const Settings& a, const Settings& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    iniPath_ = TestWindowsFolder() + kSettingsFile;
    RemoveProfileFile(kSettingsFile);
    RemoveProfileFile(iniPath_);
    gAboutShown = 0;
    gShowAboutBox = &RecordAbout;
    BoxRecorder::Start();
  }
  void TearDown() override {
    BoxRecorder::Stop();
    gShowAboutBox = nullptr;
    RemoveProfileFile(kSettingsFile);
  }

  // Writes "zav.ini" as text, from outside the profile functions.
  void PutIni(const std::string& text) {
    RemoveProfileFile(kSettingsFile);
    PutProfileFile(iniPath_, text);
  }

  // Every default of the settings table; the time display is not one of them.
  static void ExpectDefaults(const Settings& s) {
    const std::string folder = std::filesystem::current_path().string();
    EXPECT_EQ(s.reserved0, 6);
    EXPECT_EQ(s.reserved4, 0);
    EXPECT_EQ(s.reserved8, 0);
    EXPECT_EQ(folder, s.startupFolder);
    EXPECT_EQ(s.outputDevice, -1);
    EXPECT_EQ(s.bufferBlocks, 50);
    EXPECT_EQ(s.preBufferPercent, 50);
    EXPECT_EQ(s.preBufferEnabled, 1);
    EXPECT_EQ(s.volume, 32);
    EXPECT_EQ(s.quality, 0);
    EXPECT_EQ(s.channelMode, -1);
    EXPECT_EQ(s.eqEnabled, 0);
    for (int32_t gain : s.eqGains) EXPECT_EQ(gain, 10);
    EXPECT_EQ(s.reserved432, 0);
    EXPECT_EQ(s.reserved436, 0);
    EXPECT_EQ(s.shuffle, 0);
    EXPECT_EQ(s.repeat, 0);
    EXPECT_EQ(s.autoPlay, 1);
    EXPECT_EQ(s.processor, 1);
    EXPECT_EQ(s.alwaysOnTop, 0);
    EXPECT_EQ(s.reserved460, 0);
    EXPECT_EQ(s.readInfoOnAdd, 0);
    EXPECT_EQ(s.multipleInstances, 0);
    EXPECT_EQ(s.minimizeMode, 1);
    EXPECT_EQ(s.showSplash, 0);
    EXPECT_EQ(s.skipProtection, 0);
    EXPECT_EQ(s.autoScroll, 1);
    EXPECT_EQ(s.scrollSpeed, 1);
    EXPECT_EQ(s.visActive, 0);
    EXPECT_EQ(s.visMode, 1);
    EXPECT_EQ(s.reserved504, 2);
    EXPECT_EQ(s.analyserDecay, 3);
    EXPECT_EQ(s.scopeColour, 0x0000AA00u);
    std::string programFolder = std::string(ZAV_BUILD_PATH) + kPathSeparator;  // where the test program is
    std::replace(programFolder.begin(), programFolder.end(), '/', kPathSeparator);
    EXPECT_EQ(programFolder, s.pluginFolder);
    EXPECT_STREQ(s.pluginFile, "");
    EXPECT_EQ(s.pluginModule, 0);
    EXPECT_EQ(s.reserved1036, 0);
    EXPECT_EQ(s.reserved1040, 0);
    EXPECT_EQ(s.windowLeft, 100);
    EXPECT_EQ(s.windowTop, 100);
  }

  SettingsGuard settings_;
  std::string iniPath_;
};

TEST_F(SettingsFileTest, SaveWritesTheWholeRecordAsWindowsStructTextAndTheVersion) {
  gSettings = PatternRecord(5);
  EXPECT_EQ(SaveSettings(), 1);
  const std::vector<std::string> lines = ProfileFileLines(iniPath_);
  ASSERT_FALSE(lines.empty()) << "nothing written to " << iniPath_;
  EXPECT_EQ(lines[0], "[zav]");
  const std::string record = "nod=" + StructText(&gSettings, sizeof gSettings);
  EXPECT_EQ(record.size(), 4u + 2 * 1052 + 2);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), record), 1) << ProfileFileText(iniPath_).substr(0, 200);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "CurrentVersion=611"), 1);
  // The nod line comes first, as it is written first.
  const auto nod = std::find(lines.begin(), lines.end(), record);
  const auto version = std::find(lines.begin(), lines.end(), "CurrentVersion=611");
  EXPECT_LT(nod, version);
}

TEST_F(SettingsFileTest, SaveAndReloadGiveAnIdenticalRecord) {
  for (uint8_t seed : {uint8_t(1), uint8_t(200)}) {
    const Settings written = PatternRecord(seed);
    gSettings = written;
    ASSERT_EQ(SaveSettings(), 1);
    gSettings = PatternRecord(uint8_t(seed + 3));
    EXPECT_EQ(LoadSettings(), 1);
    EXPECT_TRUE(SameRecord(gSettings, written)) << "seed " << int(seed);
  }
  // A second save overwrites the first in place.
  const std::vector<std::string> lines = ProfileFileLines(iniPath_);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("nod=", 0) == 0; }),
            1);
  // The stream settings' keys beside the record: an empty or malformed value gives the default.
  gStreamOptions = {14400, 0, 100, 0};
  const StreamSaveOptions save = {kSaveOnly, 1, 1, "C:\\Müsic \"x\" 100%"};
  gStreamSave = save;
  const Settings record = gSettings;
  ASSERT_EQ(SaveSettings(), 1);
  gStreamOptions = {1, 7, 100, 0};
  gStreamSave = {};
  EXPECT_EQ(LoadSettings(), 1);
  EXPECT_EQ(gStreamOptions.connectionBps, 14400);
  EXPECT_EQ(gStreamOptions.extraServerData, 0);
  EXPECT_EQ(std::memcmp(&gStreamSave, &save, sizeof save), 0) << gStreamSave.folder;
  EXPECT_TRUE(SameRecord(gSettings, record)) << "the record is as it was";
  char music[kPathBytes];
  GetMusicFolder(music, sizeof music);
  for (const char* junk : {"65000", "64000x", "", "-1", "99999999999999999999", "99999999999999", "3", "%FF", "%4"}) {
    for (const char* key : {kStreamSpeedKey, kStreamExtraDataKey, kStreamDownloadOptionKey, kStreamPlayAfterSaveKey,
                            kStreamCheckTagKey, kStreamDownloadPathKey, kLockToScreenKey, kBufferFileKey})
      ASSERT_TRUE(ProfileWriteString(kSettingsSection, key, junk, kSettingsFile));
    gStreamOptions = {14400, 0, 100, 0};
    gStreamSave = save;
    gGeneralOptions = {1, 1};
    LoadSettings();
    EXPECT_EQ(gGeneralOptions.lockToScreen + gGeneralOptions.bufferFile, 0) << junk;
    EXPECT_EQ(gStreamOptions.connectionBps, kDefaultConnectionBps) << junk;
    EXPECT_EQ(gStreamOptions.extraServerData, kDefaultExtraServerData) << junk;
    EXPECT_EQ(gStreamSave.mode + gStreamSave.playAfterSave + gStreamSave.checkTag, 0) << junk;
    EXPECT_STREQ(gStreamSave.folder, std::string(junk).find('%') == std::string::npos && junk[0] ? junk : music) << junk;
  }  // and so left as they were
  gStreamSave = {};
  // So are the playback options' keys: a speed of -10..10, an interval of 20..80 in steps of 10.
  for (const std::string value : {"-7", "70", "-11", "75", "-", "10x", "99999999999999999999"}) {
    for (const char* key : {kPlaybackSpeedKey, kVisRefreshKey})
      ProfileWriteString(kSettingsSection, key, value.c_str(), kSettingsFile);
    LoadSettings();
    EXPECT_EQ(gPlaybackOptions.speedPercent, value == "-7" ? -7 : 0) << value;
    EXPECT_EQ(gPlaybackOptions.visIntervalMs, value == "70" ? 70 : kDefaultVisIntervalMs) << value;
  }
  // The hotkeys' keys: a changed set comes back as saved, by name too; switches of 0 or 1 and hotkeys
  // of a key code and four modifier flags, anything else the default.
  const HotkeyOptions hotkeys = {0, 0, {HotkeyValue('Z', kHotkeyAlt | kHotkeyShift), 0, HotkeyValue(0x7B, 0),
                                        HotkeyValue(0x67, kHotkeyControl), HotkeyValue(0xB3, 0), HotkeyValue(0xE9, 15)}};
  gHotkeyOptions = hotkeys;
  ASSERT_EQ(SaveSettings(), 1);
  gHotkeyOptions = {1, 1, kDefaultHotkeys};
  LoadSettings();
  EXPECT_EQ(gHotkeyOptions.mediaKeys + gHotkeyOptions.globalHotkeys, 0);
  std::string names;
  for (const int32_t hotkey : gHotkeyOptions.hotkeys) {
    char name[24];
    HotkeyName(hotkey, name, sizeof name);
    names += std::string(name) + "|";
  }
  EXPECT_EQ(names, "Alt+Shift+Z|None|F12|Ctrl+Num 7|Media Play/Pause|Ctrl+Alt+Shift+Key E9|");
  for (const char* junk : {"9999", "4096", "-1", "0x24", ""}) {
    for (const char* key : {"MediaKeys", "GlobalHotkeys", "HotkeyPlayPause", "HotkeyStop", "HotkeyNext",
                            "HotkeyPrevious", "HotkeyVolumeUp", "HotkeyVolumeDown"})
      ProfileWriteString(kSettingsSection, key, junk, kSettingsFile);
    gHotkeyOptions = hotkeys;
    LoadSettings();
    EXPECT_EQ(gHotkeyOptions.mediaKeys + gHotkeyOptions.globalHotkeys, 2) << junk;
    EXPECT_EQ(gHotkeyOptions.hotkeys, kDefaultHotkeys) << junk;
  }
  char name[24];
  HotkeyName(kDefaultHotkeys[kActionPlayPause], name, 9);
  EXPECT_STREQ(name, "Ctrl+Alt") << "cut to its room, ended";
  // And the ReplayGain keys: a mode of 0..2, gains of -15..15 dB, clipping prevention 0 or 1 (else on).
  for (const std::string value : {"", "-16", "3"}) {
    gReplayGain = {kReplayGainAlbum, -7.4f, 15, 0};
    if (value.empty()) SaveSettings();
    for (const char* key : {kReplayGainModeKey, kReplayGainPreampKey, kReplayGainUntaggedKey, kReplayGainClippingKey})
      if (!value.empty()) ProfileWriteString(kSettingsSection, key, value.c_str(), kSettingsFile);
    LoadSettings();
    const float db = value.empty() ? -7 : value == "3" ? 3 : 0;
    EXPECT_TRUE(gReplayGain.mode == (value.empty() ? kReplayGainAlbum : kReplayGainOff) && gReplayGain.preampDb == db &&
                gReplayGain.untaggedDb == (value.empty() ? 15 : db) && gReplayGain.preventClipping == !value.empty()) << value;
  }
  gReplayGain = {kReplayGainOff, 0, 0, 1};
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  EXPECT_EQ(gAboutShown, 0);
}

// A portable copy: names without a folder go to the chosen folder (one the ANSI code page cannot spell
// too) and the Windows folder gets nothing; the start-up switches and the resume point read back as
// written, and a switch that is not 0 or 1 gives its default.
TEST_F(SettingsFileTest, APortableFolderKeepsEveryFileAndTheStartUpKeysReadBack) {
  const std::string inside = TestFolder("portable") + "Переносная" + kPathSeparator;
#ifdef _WIN32
  CreateDirectoryW(WideFromUtf8(inside).c_str(), nullptr);
#else
  std::filesystem::create_directories(inside);
#endif
  SetProfileFolder(inside.c_str());
  EXPECT_EQ(ProfileFilePath("zav_eq.ini"), inside + "zav_eq.ini");
  gSettings = PatternRecord(3);
  ClampSettings(&gSettings);
  const Settings written = gSettings;
  gStartUpOptions = {0, 1};
  ASSERT_EQ(SaveSettings(), 1);
  ResumePoint point = {7, 7};
  EXPECT_FALSE(LoadResumePoint(&point)) << "none kept yet";
  for (const ResumePoint kept : {ResumePoint{12, -1}, ResumePoint{3, 4567}}) {
    ASSERT_EQ(SaveResumePoint(kept), 1);
    ASSERT_TRUE(LoadResumePoint(&point));
    EXPECT_EQ(point.entry * 10000 + point.frame, kept.entry * 10000 + kept.frame);
  }
  gSettings = PatternRecord(4);
  gStartUpOptions = {1, 0};
  EXPECT_EQ(LoadSettings(), 1);
  EXPECT_TRUE(SameRecord(gSettings, written));
  EXPECT_EQ(gStartUpOptions.resumeOnStart * 10 + gStartUpOptions.startPaused, 1);
  for (const char* junk : {"2", "-1", "", "1x"}) {
    for (const char* key : {kResumeOnStartKey, kStartPausedKey, kResumeEntryKey})
      ProfileWriteString(kSettingsSection, key, junk, kSettingsFile);
    LoadSettings();
    EXPECT_EQ(gStartUpOptions.resumeOnStart * 10 + gStartUpOptions.startPaused, 10) << junk;
    EXPECT_EQ(LoadResumePoint(&point), std::string(junk) == "2") << junk;  // "2" is an entry
  }
  EXPECT_EQ(ProfileGetInt(kSettingsSection, kSettingsVersionKey, -1, kSettingsFile), kSettingsVersion);
  SetProfileFolder(nullptr);
  EXPECT_FALSE(FileExists(iniPath_)) << "nothing in the Windows folder";
  EXPECT_EQ(ProfileFilePath("zav_eq.ini"), TestWindowsFolder() + "zav_eq.ini");
}

TEST_F(SettingsFileTest, NoFileGivesTheDefaultsAndTheAboutBoxAndWritesNothing) {
  gSettings = PatternRecord(9);
  gSettings.timeDisplay = 1;
  EXPECT_EQ(LoadSettings(), 1);
  ExpectDefaults(gSettings);
  EXPECT_EQ(gSettings.timeDisplay, 1) << "the defaults leave the time display alone";
  EXPECT_EQ(gAboutShown, 1);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  EXPECT_FALSE(FileExists(iniPath_));
}

TEST_F(SettingsFileTest, AnotherVersionShowsThePrefsNoteThenTheDefaultsAndTheAboutBox) {
  for (const char* version : {"610", "612", "0", "abc"}) {
    BoxRecorder::Start();
    gAboutShown = 0;
    gSettings = PatternRecord(17);
    ASSERT_EQ(SaveSettings(), 1);
    ASSERT_TRUE(ProfileWriteString("zav", "CurrentVersion", version, kSettingsFile));
    gSettings = PatternRecord(17);
    EXPECT_EQ(LoadSettings(), 1);
    ExpectDefaults(gSettings);
    const RecordedBox note = {nullptr, kPrefsNoteText, "Prefs Note...", kBoxOk};
    EXPECT_EQ(BoxRecorder::Boxes(), std::vector<RecordedBox>{note}) << version;
    EXPECT_EQ(BoxRecorder::Events(), (std::vector<std::string>{"box:Prefs Note...", "about"})) << version;
  }
}

TEST_F(SettingsFileTest, AMissingVersionWithAValidRecordUsesTheRecord) {
  const Settings stored = PatternRecord(33);
  PutIni("[zav]\r\nnod=" + StructText(&stored, sizeof stored) + "\r\n");
  gSettings = PatternRecord(34);
  EXPECT_EQ(LoadSettings(), 1);
  EXPECT_TRUE(SameRecord(gSettings, stored));
  EXPECT_EQ(gAboutShown, 0);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(SettingsFileTest, ADamagedOrShortRecordGivesTheDefaultsSilently) {
  const Settings stored = PatternRecord(71);
  const std::string good = StructText(&stored, sizeof stored);
  std::string otherChecksum = good;
  otherChecksum.back() = otherChecksum.back() == '0' ? '1' : '0';
  std::string otherData = good;
  otherData[1000] = otherData[1000] == 'A' ? 'B' : 'A';
  std::string notHex = good;
  notHex[10] = 'Z';
  const Settings older = PatternRecord(72);
  const std::string shorter = StructText(&older, sizeof older - 4);  // a valid value of 1048 bytes
  const std::string cases[] = {otherChecksum, otherData, notHex, good.substr(0, good.size() - 2),
                               good.substr(0, 400), shorter, ""};
  for (size_t index = 0; index < std::size(cases); ++index) {
    const std::string& value = cases[index];
    for (const char* version : {"", "CurrentVersion=611\r\n"}) {
      SCOPED_TRACE("case " + std::to_string(index) + (*version ? " with version" : ""));
      BoxRecorder::Start();
      gAboutShown = 0;
      PutIni(std::string("[zav]\r\n") + version + "nod=" + value + "\r\n");
      gSettings = PatternRecord(90);
      gSettings.timeDisplay = 1;
      EXPECT_EQ(LoadSettings(), 1);
      ExpectDefaults(gSettings);
      // A damaged value is never half stored: fields the defaults leave alone keep their value.
      EXPECT_EQ(gSettings.timeDisplay, 1);
      EXPECT_EQ(gAboutShown, 1);
      EXPECT_TRUE(BoxRecorder::Boxes().empty());
    }
  }
}

// Plug-in paths the ANSI code page cannot hold: the record keeps their ANSI form and keys of their own
// the escaped UTF-8. A record an older copy changed since, keys this program never writes and a file
// without keys leave the record's text as the path.
TEST_F(SettingsFileTest, PluginPathsBeyondTheAnsiCodePageLiveInKeysOfTheirOwn) {
  char ansi[8];
  ASSERT_EQ(AnsiFromUtf8("П", ansi, sizeof ansi), -1) << "the test needs an ANSI code page without Cyrillic";
  const std::string folder = "C:\\Плагины 🎵\\", file = folder + "в 100%.dll";
  gSettings = PatternRecord(3);
  SetPluginFolder(folder.c_str());
  SetPluginFile(file.c_str());
  EXPECT_EQ(std::string(gSettings.pluginFile).substr(0, 10), "C:\\???????");
  const Settings written = gSettings;
  ASSERT_EQ(SaveSettings(), 1);
  const std::string escaped = "C:\\%D0%9F%D0%BB%D0%B0%D0%B3%D0%B8%D0%BD%D1%8B%20%F0%9F%8E%B5\\";
  std::vector<std::string> lines = ProfileFileLines(iniPath_);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "PluginFolderUtf8=" + escaped), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "PluginFileUtf8=" + escaped + "%D0%B2%20100%25.dll"), 1);
  gSettings = PatternRecord(4);
  EXPECT_EQ(LoadSettings(), 1);
  EXPECT_TRUE(SameRecord(gSettings, written));
  EXPECT_TRUE(PluginFolder().text == folder && PluginFile().text == file);

  // An older copy stores another folder and leaves the keys: its record wins; the next save drops the key.
  Settings older = written;
  std::strcpy(older.pluginFolder, "D:\\Vis\\");
  ASSERT_TRUE(ProfileWriteStruct(kSettingsSection, kSettingsRecordKey, &older, sizeof older, kSettingsFile));
  EXPECT_EQ(LoadSettings(), 1);
  EXPECT_TRUE(PluginFolder().text == std::string("D:\\Vis\\") && PluginFile().text == file);
  ASSERT_EQ(SaveSettings(), 1);
  lines = ProfileFileLines(iniPath_);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.find("Utf8=") != l.npos; }),
            1);

  // Keys are refused (key, record's field, path) even where a lenient reading would match the record.
  std::string a260;
  while (a260.size() < 3 * 260) a260 += "%41";
  const std::string a255(255, 'A');
  const std::string cases[][3] = {{"C:\\%D0%9F", "C:\\?", "C:\\П"},  // well formed: taken
                                  {"C:\\%D0%9F%", "C:\\?", "C:\\?"},  {"C:\\%D0%9F%G", "C:\\?", "C:\\?"},
                                  {"C:\\\xD0\x9F", "C:\\?", "C:\\?"}, {"C:\\%C0%AF", "C:\\??", "C:\\??"},
                                  {a260, a255, a255},               {std::string(2400, 'A'), a255, a255}};
  for (const auto& [key, field, path] : cases) {
    Settings record = older;
    std::snprintf(record.pluginFile, sizeof record.pluginFile, "%s", field.c_str());
    ASSERT_TRUE(ProfileWriteStruct(kSettingsSection, kSettingsRecordKey, &record, sizeof record, kSettingsFile));
    ASSERT_TRUE(ProfileWriteString(kSettingsSection, kPluginFileKey, key.c_str(), kSettingsFile));
    EXPECT_EQ(LoadSettings(), 1);
    EXPECT_EQ(PluginFile().text, path) << key.substr(0, 40);
  }
  ASSERT_TRUE(ProfileWriteStruct(kSettingsSection, kSettingsRecordKey, &older, sizeof older, kSettingsFile));
  ASSERT_TRUE(ProfileDeleteKey(kSettingsSection, kPluginFileKey, kSettingsFile));
  EXPECT_EQ(LoadSettings(), 1);
  EXPECT_TRUE(SameRecord(gSettings, older) && PluginFile().text == std::string(older.pluginFile));
  EXPECT_EQ(gAboutShown, 0);
}

TEST_F(SettingsFileTest, DefaultsFillEveryFieldOfTheTable) {
  gSettings = PatternRecord(123);
  gSettings.timeDisplay = 1;
  ApplyDefaultSettings();
  ExpectDefaults(gSettings);
  EXPECT_EQ(gSettings.timeDisplay, 1);
  EXPECT_EQ(gAboutShown, 1);
  gShowAboutBox = nullptr;
  ApplyDefaultSettings();  // no About box installed: nothing to show
  EXPECT_EQ(gAboutShown, 1);
}

}  // namespace
