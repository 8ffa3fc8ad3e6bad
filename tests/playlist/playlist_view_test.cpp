// What the playlist editor shows: its lines and times from walks of the real playlist, the time texts,
// and the double-click's choice of the current entry.
#include "playlist/playlist_view.h"

#include <gtest/gtest.h>

#include <string>

#include "playlist/playlist.h"
#include "settings/settings.h"
#include "tests/playlist/playlist_test_support.h"
#include "tests/settings_guard.h"

namespace {

std::string Text(const char* label, int64_t seconds) { return FormatPlaylistTime(label, seconds).text; }

std::string CurrentPath() {
  PlaylistEntry e;
  return CopyCurrentEntry(&e) ? e.path : "(none)";
}

TEST(PlaylistViewTest, TimeTexts) {
  EXPECT_EQ(Text("Total Time", 0), "Total Time: 00:00:00");
  EXPECT_EQ(Text("Total Time", 61 + 3599 + CountedSeconds(-1)), "Total Time: 01:01:00");
  EXPECT_EQ(Text("Song Time", 30 + 45), "Song Time: 00:01:15");
  EXPECT_EQ(Text("Song Time", 359999), "Song Time: 99:59:59");
  // Hours grow past two digits rather than wrap; a sum of many long entries does not overflow.
  EXPECT_EQ(Text("Total Time", 360000), "Total Time: 100:00:00");
  EXPECT_EQ(Text("Total Time", 10000 * int64_t(2147483)), "Total Time: 5965230:33:20");
  EXPECT_EQ(Text("Total Time", -5), "Total Time: 00:00:00");
}

TEST(PlaylistViewTest, LinesTimesSelectionAndCurrentEntryFromThePlaylist) {
  SettingsGuard settings;
  NotifyRecorder::Start();
  ClearPlaylist();
  PlaylistLines lines;
  GatherPlaylistLines(&lines);
  EXPECT_TRUE(lines.lines.empty());
  EXPECT_EQ(lines.totalSeconds, 0);
  EXPECT_EQ(MakeCurrentAt(0), 0) << "an empty list has no entry to make current";

  // Two tagged files of 2 and 3 seconds around an entry of unknown duration.
  const std::string two = ScratchPath("view-two.mp3"), three = ScratchPath("view-three.mp3");
  ASSERT_TRUE(WriteWholeFile(two, TaggedTrack(2, "Two")));
  ASSERT_TRUE(WriteWholeFile(three, TaggedTrack(3, std::string(30, 'T'))));
  gSettings.readInfoOnAdd = 1;
  AddTrack(two.c_str());
  gSettings.readInfoOnAdd = 0;
  AddTrack("C:\\music\\unknown.mp3");
  gSettings.readInfoOnAdd = 1;
  AddTrack(three.c_str());

  GatherPlaylistLines(&lines);
  ASSERT_EQ(lines.lines.size(), 3u);
  auto line = [&](size_t i) { return std::string(lines.text.data() + lines.lines[i].offset); };
  EXPECT_EQ(line(0), "Artist / Two");
  EXPECT_FALSE(lines.lines[0].isPath);
  EXPECT_EQ(line(1), "C:\\music\\unknown.mp3");
  EXPECT_TRUE(lines.lines[1].isPath);
  EXPECT_EQ(line(2), "Artist / " + std::string(30, 'T')) << "a full-length title is kept whole";
  EXPECT_EQ(lines.totalSeconds, 5);
  EXPECT_EQ(PlaylistTotalSeconds(), 5);
  // A second fill of the same list reuses the buffers.
  const char* text = lines.text.data();
  GatherPlaylistLines(&lines);
  EXPECT_EQ(lines.text.data(), text);
  EXPECT_EQ(line(2), "Artist / " + std::string(30, 'T'));

  const int32_t firstAndLast[] = {0, 2}, unknownAndPastTheEnd[] = {1, 3, 700}, all[] = {0, 1, 2};
  EXPECT_EQ(SelectedSeconds(firstAndLast, 2), 5);
  EXPECT_EQ(SelectedSeconds(unknownAndPastTheEnd, 3), 0);
  EXPECT_EQ(SelectedSeconds(all, 3), 5);
  EXPECT_EQ(SelectedSeconds(all + 2, 1), 3);
  EXPECT_EQ(SelectedSeconds(nullptr, 3), 0);

  // The double-clicked line's entry becomes current; a line past the end means the last entry.
  EXPECT_EQ(MakeCurrentAt(1), 1);
  EXPECT_EQ(CurrentPath(), "C:\\music\\unknown.mp3");
  EXPECT_EQ(MakeCurrentAt(99), 1);
  EXPECT_EQ(CurrentPath(), three);
  EXPECT_EQ(MakeCurrentAt(-1), 0);
  EXPECT_EQ(CurrentPath(), three);
  // After the playing entry was deleted its successor is the next track; a double-click elsewhere then
  // plays that entry and Next moves on from it.
  ASSERT_EQ(MakeCurrentAt(1), 1);
  const int32_t second[] = {1};
  ASSERT_EQ(DeleteEntries(1, second), 1);
  EXPECT_EQ(CurrentPath(), three);
  ASSERT_EQ(MakeCurrentAt(0), 1);
  EXPECT_EQ(NextEntry(), 1);
  EXPECT_EQ(CurrentPath(), three);

  EXPECT_TRUE(NotifyRecorder::Boxes().empty());
  ClearPlaylist();
  NotifyRecorder::Stop();
}

}  // namespace
