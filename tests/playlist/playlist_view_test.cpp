// What the playlist editor shows: the time texts, and its lines and times from walks of the playlist.
#include "playlist/playlist_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "playlist/jump_filter.h"
#include "playlist/playlist.h"
#include "settings/settings.h"
#include "tests/playlist/playlist_test_support.h"
#include "tests/settings_guard.h"

namespace {

std::string Text(const char* label, int64_t seconds) { return FormatPlaylistTime(label, seconds).text; }

TEST(PlaylistViewTest, TimeTexts) {
  EXPECT_EQ(Text("Total Time", 0), "Total Time: 00:00:00");
  EXPECT_EQ(Text("Total Time", 61 + 3599 + CountedSeconds(-1)), "Total Time: 01:01:00");
  EXPECT_EQ(Text("Song Time", 30 + 45), "Song Time: 00:01:15");
  // Hours grow past two digits rather than wrap, even for a sum of 10,000 entries of the longest time.
  EXPECT_EQ(Text("Total Time", 360000), "Total Time: 100:00:00");
  EXPECT_EQ(Text("Total Time", 10000 * int64_t(2147483)), "Total Time: 5965230:33:20");
  EXPECT_EQ(Text("Total Time", -5), "Total Time: 00:00:00");
}

TEST(PlaylistViewTest, LinesTimesAndSelectionFromOneWalk) {
  SettingsGuard settings;
  NotifyRecorder::Start();
  ClearPlaylist();
  PlaylistLines lines;
  GatherPlaylistLines(&lines);
  EXPECT_TRUE(lines.lines.empty());

  // Tagged entries of 2 and 3 seconds (one with a title of the full 30 characters) around an untagged
  // entry of unknown duration.
  const std::string two = ScratchPath("view-two.mp3"), three = ScratchPath("view-three.mp3");
  ASSERT_TRUE(WriteWholeFile(two, TaggedTrack(2, "Two")));
  ASSERT_TRUE(WriteWholeFile(three, TaggedTrack(3, std::string(30, 'T'))));
  gSettings.readInfoOnAdd = 1;
  AddTrack(two.c_str());
  gSettings.readInfoOnAdd = 0;
  AddTrack("C:\\music\\unknown.mp3");
  gSettings.readInfoOnAdd = 1;
  AddTrack(three.c_str());
  for (int pass = 0; pass < 2; ++pass) {
    const char* before = lines.text.data();
    GatherPlaylistLines(&lines);
    if (pass == 1) {
      EXPECT_EQ(lines.text.data(), before) << "a refill of the same list reuses the buffer";
    }
    ASSERT_EQ(lines.lines.size(), 3u);
    auto line = [&](size_t i) { return std::string(lines.text.data() + lines.lines[i].offset); };
    EXPECT_EQ(line(0) + "|" + line(1) + "|" + line(2),
              "Artist / Two|C:\\music\\unknown.mp3|Artist / " + std::string(30, 'T'));
    EXPECT_FALSE(lines.lines[0].isPath);
    EXPECT_TRUE(lines.lines[1].isPath);
    EXPECT_EQ(lines.totalSeconds, 5);
  }
  EXPECT_EQ(PlaylistTotalSeconds(), 5);
  const int32_t selection[] = {0, 1, 2, 7};
  EXPECT_EQ(SelectedSeconds(selection, 4), 5) << "unknown durations and indices past the end count 0";
  EXPECT_EQ(SelectedSeconds(selection + 1, 3), 3);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  ClearPlaylist();
  NotifyRecorder::Stop();
}

// "Jump to file": every word of the query in an entry's title, artist or path, in any case (other
// scripts' capitals too); the slowest of a few searches of 10,000 entries keeps up with typing.
TEST(PlaylistViewTest, JumpFilterMatchesEveryWordInAnyCaseAndKeepsUpOnTenThousandEntries) {
  SettingsGuard settings;
  NotifyRecorder::Start();
  ClearPlaylist();
  EXPECT_EQ(FoldCase("ÀÉÎ Ö×Þ ΑΩΣ ЁЯ Ђ AZ \xFF"), "àéî ö×þ αωσ ёя ђ az \xFF");
  const std::string tagged = ScratchPath("jump-tagged.mp3");
  ASSERT_TRUE(WriteWholeFile(tagged, TaggedTrack(2, "Blue Monday")));
  gSettings.readInfoOnAdd = 1;
  AddTrack(tagged.c_str());
  gSettings.readInfoOnAdd = 0;
  AddTrack("C:\\Music\\ÜBER Straße\\МОСКВА Night.mp3");
  AddTrack("http://radio.example:8000/live");
  for (int32_t i = 0; i < 10000; ++i) AddTrack(("D:\\bulk\\bulk-" + std::to_string(100000 + i).substr(1) + ".mp3").c_str());
  JumpIndex index;
  BuildJumpIndex(&index);
  ASSERT_EQ(index.lines.size(), 10003u);
  EXPECT_EQ(index.lines[0] + "|" + index.lines[1] + "|" + index.lines[2] + "|" + index.lines[10002],
            "Artist - Blue Monday|МОСКВА Night|http://radio.example:8000/live|bulk-09999");
  std::vector<int32_t> matches;
  auto find = [&](const char* query) { return FilterJumpIndex(index, query, &matches), matches; };
  EXPECT_EQ(find("  ").size(), 10003u) << "no words: every entry";
  EXPECT_EQ(find("monday ARTIST jump-tagged"), std::vector<int32_t>{0}) << "title, artist and path";
  EXPECT_EQ(find("über москва night"), std::vector<int32_t>{1});
  EXPECT_EQ(find("RADIO.example live"), std::vector<int32_t>{2});
  EXPECT_TRUE(find("monday москва").empty() && find("mondayartist").empty()) << "two entries; two fields";
  EXPECT_EQ(find("bulk 0999"), (std::vector<int32_t>{1002, 9993, 9994, 9995, 9996, 9997, 9998, 9999, 10000, 10001, 10002}));
  double slowestMs = 0;
  for (const char* query : {"b", "bulk-0", "zz no such entry", "d:\\bulk\\bulk-05000.mp3"}) {
    const auto start = std::chrono::steady_clock::now();
    FilterJumpIndex(index, query, &matches);
    slowestMs = std::max(slowestMs, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::printf("FIGURE jump filter: slowest search of 10,003 entries %.2f ms\n", slowestMs);
  EXPECT_LT(slowestMs, 50.0);
  ClearPlaylist();
  NotifyRecorder::Stop();
}

}  // namespace
