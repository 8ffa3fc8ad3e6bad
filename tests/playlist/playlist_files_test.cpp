// M3U and PLS files read into the real playlist and written from it, natively and under Wine (where the
// PLS side goes through the Windows profile functions).
#include "playlist/playlist_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/directory.h"
#include "platform/file.h"
#include "platform/text.h"
#include "playlist/playlist.h"
#include "playlist/resume_list.h"
#include "settings/settings.h"
#include "tests/settings/profile_test_support.h"
#include "tests/settings_guard.h"

namespace {

std::vector<std::string> Entries() {
  std::vector<std::string> paths;
  PlaylistEntry entry;
  for (int32_t i = 0; CopyEntryAt(i, &entry); ++i) paths.push_back(entry.path);
  return paths;
}

class PlaylistFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gSettings.readInfoOnAdd = 0;  // entries are names only: no file is opened
    folder_ = TestFolder("playlist-files");
    ClearPlaylist();
    BoxRecorder::Start();
  }
  void TearDown() override {
    BoxRecorder::Stop();
    ClearPlaylist();
    for (const std::string& path : written_) RemoveProfileFile(path);
  }

  // Writes a playlist file into the test folder; its path.
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = folder_ + name;
    PutProfileFile(path, text);
    written_.push_back(path);
    return path;
  }
  std::string Forget(const std::string& path) {
    RemoveProfileFile(path);
    written_.push_back(path);
    return path;
  }
  static void AddAll(const std::vector<std::string>& paths) {
    for (const std::string& p : paths) AddTrack(p.c_str());
  }
  // The whole file, named in UTF-8 (the stream helpers take ANSI names on Windows).
  static std::string Bytes(const std::string& path) {
    std::string bytes(1 << 16, '\0');
    const FileHandle file = FileOpenRead(path.c_str());
    bytes.resize(size_t(FileRead(file, &bytes[0], int32_t(bytes.size()))));
    FileClose(file);
    return bytes;
  }
  static std::string FromAnsi(const std::string& ansi) {
    char text[1024];
    return std::string(text, size_t(Utf8FromAnsi(ansi.c_str(), -1, text, int32_t(sizeof text))));
  }

  std::string folder_;
  std::vector<std::string> written_;
  SettingsGuard settings_;
};

// --- M3U ---

TEST_F(PlaylistFilesTest, M3uSkipsDirectivesAndBlankLinesAndJoinsRelativeLinesToItsFolder) {
  const std::string m3u = Write("list.m3u",
                                "#EXTM3U\r\n"
                                "#EXTINF:215,Artist - Title\r\n"
                                "C:\\music\\a.mp3\r\n"
                                "\r\n"
                                "sub\\b.mp3\r\n"
                                "\\root\\c.mp3\r\n"
                                "   \t \r\n"
                                "\\\\server\\share\\d.mp3\r\n"
                                "C:/forward/e.mp3\r\n"
                                "/absolute/f.mp3\r\n"
                                "http://radio.example:8000/live\r\n"  // streams stand as they are
                                "HTTPS://radio.example/list.pls\r\n"
                                "g.mp3");  // no line end at the end
  EXPECT_EQ(LoadM3u(m3u.c_str()), 1);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"C:\\music\\a.mp3", folder_ + "sub\\b.mp3", "\\root\\c.mp3",
                                                 "\\\\server\\share\\d.mp3", "C:/forward/e.mp3", "/absolute/f.mp3",
                                                 "http://radio.example:8000/live", "HTTPS://radio.example/list.pls",
                                                 folder_ + "g.mp3"}));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(PlaylistFilesTest, M3uAcceptsEveryLineEndAndAnEmptyLastLineAddsNothing) {
  const std::string m3u = Write("ends.m3u", "C:\\1.mp3\nC:\\2.mp3\rC:\\3.mp3\r\nC:\\4.mp3\n\r\n\n\r");
  EXPECT_EQ(LoadM3u(m3u.c_str()), 1);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"C:\\1.mp3", "C:\\2.mp3", "C:\\3.mp3", "C:\\4.mp3"}));

  ClearPlaylist();
  const std::string emptyLast = Write("empty-last.m3u", "C:\\a.mp3\r\n\r\n");
  EXPECT_EQ(LoadM3u(emptyLast.c_str()), 1);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"C:\\a.mp3"}));

  ClearPlaylist();
  const std::string blank = Write("blank.m3u", "\r\n\r\n");
  EXPECT_EQ(LoadM3u(blank.c_str()), 1);
  EXPECT_EQ(PlaylistCount(), 0);
}

TEST_F(PlaylistFilesTest, M3uLinesCrossingReadBoundariesArriveWhole) {
  // Lines of many lengths over 80 KB, so that the blocks the file is read in end inside lines, between a
  // CR and its LF, and between lines.
  std::string text;
  std::vector<std::string> expected;
  for (int i = 0; text.size() < 80000; ++i) {
    const std::string line = "C:\\" + std::string(size_t(i % 97), char('a' + i % 26)) + std::to_string(i) + ".mp3";
    expected.push_back(line);
    text += line + (i % 3 == 0 ? "\n" : "\r\n");
  }
  const std::string m3u = Write("boundaries.m3u", text);
  EXPECT_EQ(LoadM3u(m3u.c_str()), 1);
  EXPECT_EQ(Entries(), expected);
}

TEST_F(PlaylistFilesTest, M3uLinesTooLongForAPathAreSkippedWhole) {
  const std::string fits = "C:\\" + std::string(252, 'a') + ".mp3";  // 259 characters
  const std::string tooLong = "C:\\" + std::string(253, 'b') + ".mp3";  // 260
  const std::string huge = "C:\\" + std::string(5000, 'c') + ".mp3";
  const std::string relativeTooLong = std::string(259 - folder_.size(), 'd');  // joined: 259 + 1
  const std::string relativeFits = std::string(259 - folder_.size() - 4, 'e') + ".mp3";
  ASSERT_LT(folder_.size(), 200u);
  const std::string m3u = Write("long.m3u", fits + "\r\n" + tooLong + "\r\n" + huge + "\r\n" + relativeTooLong +
                                                "x\r\n" + relativeFits + "\r\nC:\\next.mp3\r\n");
  EXPECT_EQ(LoadM3u(m3u.c_str()), 1);
  EXPECT_EQ(Entries(), (std::vector<std::string>{fits, folder_ + relativeFits, "C:\\next.mp3"}));
}

TEST_F(PlaylistFilesTest, M3uIgnoresAByteOrderMarkAndStopsAtCtrlZ) {
  const std::string m3u =
      Write("marked.m3u", "\xEF\xBB\xBF" "C:\\first.mp3\r\nC:\\second.mp3\r\n\x1A" "C:\\after-eof.mp3\r\n");
  EXPECT_EQ(LoadM3u(m3u.c_str()), 1);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"C:\\first.mp3", "C:\\second.mp3"}));
}

TEST_F(PlaylistFilesTest, TextIsUtf8ByItsMarkNameOrBytesElseAnsiAndFileUrlsNameTheirPaths) {
  const std::string ru = "C:\\Музыка\\Песня.mp3";
  const std::string cafeAnsi = "C:\\caf\xE9 \x80.mp3";  // é and € in Windows-1252
  const std::string cafe = "C:\\café €.mp3";
  ASSERT_EQ(FromAnsi(cafeAnsi), cafe) << "the ANSI code page of the tests is Windows-1252";
  auto load = [&](const std::string& name, const std::string& text) {
    ClearPlaylist();
    const std::string path = Write(name, text);
    EXPECT_EQ(name.find(".pls") != std::string::npos ? LoadPls(path.c_str()) : LoadM3u(path.c_str()), 1) << name;
    return Entries();
  };
  const std::string mixed = ru + "\r\n" + cafeAnsi + "\r\n";  // not UTF-8 as a whole
  EXPECT_EQ(load("mixed.m3u8", mixed), (std::vector<std::string>{ru, cafe}));
  EXPECT_EQ(load("marked.m3u", "\xEF\xBB\xBF" + mixed), (std::vector<std::string>{ru, cafe}));
  EXPECT_EQ(load("mixed.m3u", mixed), (std::vector<std::string>{FromAnsi(ru), cafe}));
  EXPECT_EQ(load("utf8.m3u", ru + "\n" + cafe), (std::vector<std::string>{ru, cafe}));
  uint16_t units[64];
  const int32_t count = Utf16FromUtf8(ru.c_str(), -1, units, 64);
  std::string utf16 = "\xFF\xFE";
  for (int32_t i = 0; i < count; ++i) utf16 += std::string{char(units[i] & 0xFF), char(units[i] >> 8)};
  EXPECT_EQ(load("utf16.m3u", utf16 + std::string("\r\0", 2)), (std::vector<std::string>{ru}));
  EXPECT_EQ(load("utf8.pls", "[playlist]\r\nNumberOfEntries=2\r\nFile1=音乐\\歌曲.mp3\r\nFile2=" + cafe + "\r\n"),
            (std::vector<std::string>{folder_ + "音乐\\歌曲.mp3", cafe}));
  EXPECT_EQ(load("ansi.pls", "[playlist]\r\nNumberOfEntries=1\r\nFile1=" + cafeAnsi + "\r\n"),
            (std::vector<std::string>{cafe}));

  const std::string s(1, kPathSeparator);
  EXPECT_EQ(load("urls.m3u", "file:///C:/Music/a%20b.mp3\r\nFILE://localhost/C:/%D0%9F%d0%b5.mp3\r\n"
                             "file://server/share/c.mp3\r\nfile:///home/u/d%25.mp3\r\nfile:///C:/bad%2x.mp3\r\n"
                             "file:///C:/nul%00.mp3\r\nfile:///C:/line%0A.mp3\r\nfile:///C:/%E9.mp3\r\nfile://\r\n"),
            (std::vector<std::string>{"C:" + s + "Music" + s + "a b.mp3", "C:" + s + "Пе.mp3", s + s + "server" + s +
                                      "share" + s + "c.mp3", s + "home" + s + "u" + s + "d%.mp3"}));
}

TEST_F(PlaylistFilesTest, AnM3uThatCannotBeOpenedAddsNothingAndShowsNothing) {
  const std::string missing = Forget(folder_ + "missing.m3u");
  AddTrack("C:\\kept.mp3");
  EXPECT_EQ(LoadM3u(missing.c_str()), 0);
  EXPECT_EQ(LoadM3u(folder_.c_str()), 0) << "a folder is not a playlist file";
  EXPECT_EQ(Entries(), (std::vector<std::string>{"C:\\kept.mp3"}));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

// --- PLS ---

TEST_F(PlaylistFilesTest, PlsJoinsRelativeEntriesToItsFolderAndKeepsRootedOnes) {
  const std::string pls = Write("list.pls",
                                "[playlist]\r\n"
                                "NumberOfEntries=7\r\n"
                                "File1=a.mp3\r\n"
                                "File2=D:\\x.mp3\r\n"
                                "File3=\\\\server\\share\\b.mp3\r\n"
                                "File4=\\music\\b.mp3\r\n"
                                "File5=sub\\c.mp3\r\n"
                                "File6=/abs/d.mp3\r\n"
                                "File7=http://radio.example/a b?x=1\r\n"
                                "Title1=ignored\r\n"
                                "Version=2\r\n");
  EXPECT_EQ(LoadPls(pls.c_str()), 1);
  EXPECT_EQ(Entries(), (std::vector<std::string>{folder_ + "a.mp3", "D:\\x.mp3", "\\\\server\\share\\b.mp3",
                                                 "\\music\\b.mp3", folder_ + "sub\\c.mp3", "/abs/d.mp3",
                                                 "http://radio.example/a b?x=1"}));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(PlaylistFilesTest, PlsNumberOfEntriesGovernsAndIsBounded) {
  const std::string missing = Write("no-count.pls", "[playlist]\r\nFile1=C:\\a.mp3\r\n");
  EXPECT_EQ(LoadPls(missing.c_str()), 0);
  EXPECT_EQ(LoadPls(Forget(folder_ + "absent.pls").c_str()), 0);
  EXPECT_EQ(PlaylistCount(), 0);

  for (const char* count : {"0", "-5", "abc"}) {
    const std::string none = Write("none.pls", std::string("[playlist]\r\nNumberOfEntries=") + count +
                                                   "\r\nFile1=C:\\a.mp3\r\n");
    EXPECT_EQ(LoadPls(none.c_str()), 1) << count;
    EXPECT_EQ(PlaylistCount(), 0) << count;
  }

  const std::string fewer = Write("fewer.pls", "[playlist]\r\nNumberOfEntries=2\r\nFile1=C:\\1.mp3\r\n"
                                               "File2=C:\\2.mp3\r\nFile3=C:\\3.mp3\r\n");
  EXPECT_EQ(LoadPls(fewer.c_str()), 1);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"C:\\1.mp3", "C:\\2.mp3"}));

  // A count far beyond the entries ends when they run out.
  ClearPlaylist();
  const std::string huge = Write("huge.pls", "[playlist]\r\nNumberOfEntries=2147483647\r\nFile1=C:\\1.mp3\r\n"
                                             "File2=C:\\2.mp3\r\nFile3=C:\\3.mp3\r\n");
  EXPECT_EQ(LoadPls(huge.c_str()), 1);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"C:\\1.mp3", "C:\\2.mp3", "C:\\3.mp3"}));
}

TEST_F(PlaylistFilesTest, PlsMissingEmptyAndOverlongValuesAddNothing) {
  const std::string tooLong = "C:\\" + std::string(300, 'z') + ".mp3";
  const std::string pls = Write("gaps.pls", "[playlist]\r\nNumberOfEntries=6\r\nFile1=C:\\1.mp3\r\nFile3=C:\\3.mp3\r\n"
                                            "File4=\r\nFile5=" + tooLong + "\r\nFile6=C:\\6.mp3\r\n");
  EXPECT_EQ(LoadPls(pls.c_str()), 1);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"C:\\1.mp3", "C:\\3.mp3", "C:\\6.mp3"}));
}

TEST_F(PlaylistFilesTest, PlsReadingEndsAfterALongRunOfMissingEntries) {
  const std::string text = "[playlist]\r\nNumberOfEntries=5000\r\nFile1=C:\\first.mp3\r\nFile" +
                           std::to_string(1 + kMaxPlsGap) + "=C:\\within.mp3\r\nFile" +
                           std::to_string(1 + kMaxPlsGap + kMaxPlsGap + 1) + "=C:\\beyond.mp3\r\n";
  const std::string pls = Write("run.pls", text);
  EXPECT_EQ(LoadPls(pls.c_str()), 1);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"C:\\first.mp3", "C:\\within.mp3"}));
}

TEST_F(PlaylistFilesTest, PlsNamesIgnoreCaseAndOtherSectionsAreIgnored) {
  const std::string pls = Write("case.pls",
                                "[other]\r\nNumberOfEntries=9\r\nFile1=C:\\wrong.mp3\r\n\r\n"
                                "[PlayList]\r\nnumberofentries = 2\r\nFILE1 = C:\\right one.mp3 \r\n"
                                "file2=\"C:\\quoted.mp3\"\r\n");
  EXPECT_EQ(LoadPls(pls.c_str()), 1);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"C:\\right one.mp3", "C:\\quoted.mp3"}));
}

TEST_F(PlaylistFilesTest, SavePlsAddsTheExtensionAndReadsBackTheSameEntries) {
  const std::vector<std::string> tracks = {"C:\\music\\one.mp3", folder_ + "two.mp3", "\\\\server\\share\\3.mp2"};
  AddAll(tracks);
  const std::string target = Forget(folder_ + "mix.pls");
  Forget(folder_ + "mix");
  EXPECT_EQ(SavePls((folder_ + "mix").c_str()), 1);
  EXPECT_TRUE(FileExists(target));
  EXPECT_FALSE(FileExists(folder_ + "mix"));
  const std::vector<std::string> lines = ProfileFileLines(target);
  for (const std::string& line : {std::string("[playlist]"), "File1=" + tracks[0], "File2=" + tracks[1],
                                  "File3=" + tracks[2], std::string("NumberOfEntries=3")}) {
    EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1) << line;
  }

  ClearPlaylist();
  EXPECT_EQ(LoadPls(target.c_str()), 1);
  EXPECT_EQ(Entries(), tracks);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(PlaylistFilesTest, SavePlsKeepsANameThatEndsInPlsAnyCase) {
  AddTrack("C:\\a.mp3");
  const std::string upper = Forget(folder_ + "mix.PLS");
  Forget(upper + ".pls");
  EXPECT_EQ(SavePls(upper.c_str()), 1);
  EXPECT_TRUE(FileExists(upper));
  EXPECT_FALSE(FileExists(upper + ".pls"));

  // A name without a folder goes where the profile functions put it: the Windows folder.
  const std::string where = Forget(TestWindowsFolder() + "zav_test_mix.pls");
  Forget("zav_test_mix.pls");
  EXPECT_EQ(SavePls("zav_test_mix"), 1);
  EXPECT_TRUE(FileExists(where)) << where;
  ClearPlaylist();
  EXPECT_EQ(LoadPls("zav_test_mix.pls"), 1);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"C:\\a.mp3"}));
}

TEST_F(PlaylistFilesTest, SavingFewerEntriesOverAnOlderPlaylistLeavesItsExtraKeysUnread) {
  AddAll({"C:\\1.mp3", "C:\\2.mp3", "C:\\3.mp3", "C:\\4.mp3", "C:\\5.mp3"});
  const std::string target = Forget(folder_ + "over.pls");
  ASSERT_EQ(SavePls(target.c_str()), 1);
  ClearPlaylist();
  AddAll({"C:\\a.mp3", "C:\\b.mp3", "C:\\c.mp3"});
  ASSERT_EQ(SavePls(target.c_str()), 1);
  const std::vector<std::string> lines = ProfileFileLines(target);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "File4=C:\\4.mp3"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "File5=C:\\5.mp3"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "NumberOfEntries=3"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "NumberOfEntries=5"), 0);
  ClearPlaylist();
  EXPECT_EQ(LoadPls(target.c_str()), 1);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"C:\\a.mp3", "C:\\b.mp3", "C:\\c.mp3"}));
}

TEST_F(PlaylistFilesTest, SavingALongPlaylistTakesOneWalkAndOneWrite) {
  constexpr int32_t kEntries = 65536;
  auto entry = [](int32_t i) {
    return "C:\\music\\album " + std::to_string(i / 16) + "\\track " + std::to_string(i) + ".mp3";
  };
  for (int32_t i = 0; i < kEntries; ++i) ASSERT_EQ(AddTrack(entry(i).c_str()), 1);
  const std::string target = Forget(folder_ + "long.pls");
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(SavePls(target.c_str()), 1);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("  saving %d entries took %.3f s\n", static_cast<int>(kEntries), seconds);
  EXPECT_LT(seconds, 5.0);  // one walk and one write take well under a second; a rewrite per entry grows with the square of the count
  const std::vector<std::string> lines = ProfileFileLines(target);
  ASSERT_EQ(lines.size(), size_t(kEntries) + 2);
  EXPECT_EQ(lines[0], "[playlist]");
  for (int32_t i : {0, 1, 4097, kEntries - 1})
    EXPECT_EQ(lines[size_t(i) + 1], "File" + std::to_string(i + 1) + "=" + entry(i));
  EXPECT_EQ(lines.back(), "NumberOfEntries=65536");
}

TEST_F(PlaylistFilesTest, EveryTypeIsWrittenInAnsiWhenItHoldsTheNamesElseInUtf8AndReadsBackTheSame) {
  // Each list with the lines an ANSI file holds, or none when it must be UTF-8.
  const std::vector<std::string> latin = {"C:\\caf\xE9\\1.mp3", "C:\\d\xE9j\xE0\\2.mp3", "C:\\\xC3\xA9\\3.mp3",
                                          "C:\\\xE9\\4.mp3"};
  const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> lists = {
      {{"C:\\music\\one.mp3", folder_ + "two.mp3"}, {"C:\\music\\one.mp3", folder_ + "two.mp3"}},
      {{FromAnsi(latin[0]), FromAnsi(latin[1]), FromAnsi(latin[2]), FromAnsi(latin[3])}, latin},
      {{FromAnsi(latin[2])}, {}},  // its ANSI bytes would read back as UTF-8
      {{"C:\\Музыка\\Песня.mp3", "D:\\音乐\\歌曲.mp3", "E:\\😀 Emoji\\🎵 Song.mp3"}, {}},
      {{"http://radio.example:8000/;stream.mp3", folder_ + "two.mp3"},  // streams and files mixed
       {"http://radio.example:8000/;stream.mp3", folder_ + "two.mp3"}}};
  const char* const extensions[] = {".pls", ".m3u", ".m3u8"};
  for (size_t l = 0; l < lists.size(); ++l) {
    for (PlaylistType type : {kPlaylistPls, kPlaylistM3u, kPlaylistM3u8}) {
      const std::string name = folder_ + "Списки " + std::to_string(l);
      const std::string target = name + extensions[type];
      FileWriteWhole(target.c_str(), "", 0);
      ClearPlaylist();
      AddAll(lists[l].first);
      ASSERT_EQ(SavePlaylist(name.c_str(), type), 1) << target;
      const bool ansi = !lists[l].second.empty() && type != kPlaylistM3u8;
      const std::vector<std::string>& lines = ansi ? lists[l].second : lists[l].first;
      // The PLS as the profile functions have always written it; an M3U in UTF-8 behind a byte order mark.
      std::string expected =
          type == kPlaylistPls ? "[playlist]\r\n" : ansi || type == kPlaylistM3u8 ? "" : "\xEF\xBB\xBF";
      for (size_t i = 0; i < lines.size(); ++i)
        expected += (type == kPlaylistPls ? "File" + std::to_string(i + 1) + "=" : "") + lines[i] + "\r\n";
      if (type == kPlaylistPls) expected += "NumberOfEntries=" + std::to_string(lines.size()) + "\r\n";
      EXPECT_EQ(Bytes(target), expected) << target;
      ClearPlaylist();
      EXPECT_EQ(type == kPlaylistPls ? LoadPls(target.c_str()) : LoadM3u(target.c_str()), 1) << target;
      EXPECT_EQ(Entries(), lists[l].first) << target;
    }
  }
  // Names beyond the ANSI code page over an ANSI file: its other lines turn to UTF-8 with them.
  const std::vector<std::string>& names = lists[3].first;
  ClearPlaylist();
  AddAll(names);
  ASSERT_EQ(SavePls((folder_ + "Списки 1.pls").c_str()), 1);
  EXPECT_EQ(Bytes(folder_ + "Списки 1.pls"), "[playlist]\r\nFile1=" + names[0] + "\r\nFile2=" + names[1] + "\r\nFile3=" +
                                                 names[2] + "\r\nFile4=" + lists[1].first[3] + "\r\nNumberOfEntries=3\r\n");
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

// The list kept for the next start: written as UTF-8 M3U8 and read back by the M3U reader, the same
// entries in the same order; the fingerprint that decides whether it is written again follows the list.
TEST_F(PlaylistFilesTest, TheResumeListReadsBackTheSameEntriesAndItsFingerprintFollowsTheList) {
  const std::string target = folder_ + "Списки resume.m3u8";
  const std::vector<std::string> names = {"C:\\Музыка\\Песня.mp3", "D:\\音乐\\歌曲.mp3",
                                          "http://radio.example:8000/;stream.mp3", "C:\\caf\xC3\xA9 #1.mp3"};
  const uint64_t empty = PlaylistFingerprint();
  AddAll(names);
  AddTrack("C:\\broken\nline.mp3");  // no line holds it: left out
  const uint64_t full = PlaylistFingerprint();
  ASSERT_EQ(WriteResumeList(target.c_str()), 1);
  EXPECT_EQ(Bytes(target), "#EXTM3U\r\n" + names[0] + "\r\n" + names[1] + "\r\n" + names[2] + "\r\n" + names[3] + "\r\n");
  ClearPlaylist();
  ASSERT_EQ(LoadResumeList(target.c_str()), 1);
  EXPECT_EQ(Entries(), names);
  const int32_t first[1] = {0};
  int32_t moved[1];
  ASSERT_EQ(MoveEntries(1, first, 1, moved), 1);
  EXPECT_NE(PlaylistFingerprint(), full) << "another order";
  ClearPlaylist();
  AddAll({"C:\\ab", "c"});
  const uint64_t split = PlaylistFingerprint();
  ClearPlaylist();
  AddAll({"C:\\a", "bc"});
  EXPECT_NE(PlaylistFingerprint(), split) << "the same bytes split otherwise";
  // An empty list is kept as such; a missing file restores nothing.
  ClearPlaylist();
  EXPECT_EQ(PlaylistFingerprint(), empty);
  ASSERT_EQ(WriteResumeList(target.c_str()), 1);
  EXPECT_EQ(Bytes(target), "#EXTM3U\r\n");
  FileDelete(target.c_str());
  EXPECT_EQ(LoadResumeList(target.c_str()), 0);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(PlaylistFilesTest, SavingAnEmptyPlaylistOrWhereNoFileCanBeWrittenFailsWithABox) {
  const std::string target = Forget(folder_ + "empty.pls");
  EXPECT_EQ(SavePls(target.c_str()), 0);
  EXPECT_FALSE(FileExists(target));
  const RecordedBox empty = {nullptr, "There are NO Items in the playlist To Save!", "Error Saving Playlist...", kBoxOk};
  EXPECT_EQ(BoxRecorder::Boxes(), std::vector<RecordedBox>{empty});

  AddTrack("C:\\a.mp3");
  const std::string unwritable = folder_ + "no-such-folder/list.pls";
  EXPECT_EQ(SavePls(unwritable.c_str()), 0);
  const std::string tooLong = folder_ + std::string(260, 'n');
  EXPECT_EQ(SavePls(tooLong.c_str()), 0);
  const std::vector<RecordedBox> boxes = BoxRecorder::Boxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[1].caption, "Error Saving Playlist...");
  EXPECT_EQ(boxes[1].text, "Error Writing: " + unwritable);
  EXPECT_EQ(boxes[2].caption, "Error Saving Playlist...");
  EXPECT_FALSE(FileExists(folder_ + std::string(260, 'n')));
}

}  // namespace
