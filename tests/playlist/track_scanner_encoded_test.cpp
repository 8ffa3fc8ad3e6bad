// Track scanning of files made by lame: a large ID3v2 tag in front (cover art, padding) must not hide
// the first frame, the ID3v1 tag lame writes at the end must read back field by field, and a file
// tagged with ID3v2 alone still shows its titles.
#include <gtest/gtest.h>

#include "playlist/playlist.h"
#include "playlist/playlist_view.h"
#include "playlist/track_scanner.h"
#include "settings/settings.h"
#include "tests/external_tools.h"
#include "tests/playlist/playlist_test_support.h"
#include "tests/settings_guard.h"

namespace {

struct Encoded {
  const char* name;
  const char* lameOptions;
  int32_t version, layer, bitrate, channels;
};

TEST(TrackScannerEncodedTest, LameFilesWithLongId3v2Tags) {
  if (!HaveProgram("lame") || !HaveProgram("sox")) GTEST_SKIP() << "lame or sox missing";
  const SettingsGuard settings;
  const std::string wav = ScratchPath("scan-source.wav");
  ASSERT_EQ(RunCommand("sox -q -n -r 44100 -c 2 '" + wav + "' synth 12 sine 440 sine 660 vol 0.5"), 0);

  const Encoded cases[] = {
      {"scan-128.mp3", "-b 128 --pad-id3v2-size 5000", 0, 3, 128, 2},
      {"scan-mono-22k.mp3", "-b 64 -m m --resample 22.05 --pad-id3v2-size 1500", 1, 3, 64, 1},
      {"scan-spaces.mp3", "-b 192 --space-id3v1 --pad-id3v2-size 700", 0, 3, 192, 2},
  };
  NotifyRecorder::Start();
  for (const Encoded& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string mp3 = ScratchPath(c.name);
    ASSERT_EQ(RunCommand(std::string("lame --quiet --cbr ") + c.lameOptions +
                         " --tt 'Scan Title' --ta 'An Artist' --tl 'Album' --ty 1998 --tc 'Hi' --tg Jazz '" + wav +
                         "' '" + mp3 + "'"),
              0);
    const std::vector<uint8_t> bytes = ReadWholeFile(mp3);
    ASSERT_GT(bytes.size(), 10000u);
    ASSERT_EQ(bytes[0], 'I');  // the file starts with the ID3v2 tag

    const FileHandle file = FileOpenRead(mp3.c_str());
    ASSERT_NE(file, kNoFile);
    HeaderInfo h{};
    ASSERT_EQ(ScanHeader(file, &h), 1);
    EXPECT_EQ(h.version, c.version);
    EXPECT_EQ(h.layer, c.layer);
    EXPECT_EQ(h.channels, c.channels);
    // lame's first frame is its information frame, which carries the stream's own bitrate in CBR mode.
    EXPECT_EQ(HeaderBitrate(h), c.bitrate);
    // The estimate counts the tags too: 12 s of audio plus a few kilobytes of tags.
    const int32_t seconds = TrackDuration(int64_t(bytes.size()), HeaderBitrate(h));
    EXPECT_GE(seconds, 12);
    EXPECT_LE(seconds, 13);

    TagInfo t{};
    ASSERT_EQ(ReadTag(file, &t), 1);
    FileClose(file);
    EXPECT_STREQ(t.title, "Scan Title");
    EXPECT_STREQ(t.artist, "An Artist");
    EXPECT_STREQ(t.album, "Album");
    EXPECT_STREQ(t.year, "1998");
    EXPECT_STREQ(t.comment, "Hi");
    EXPECT_EQ(t.genre, 8);
    EXPECT_STREQ(t.genreName, "Jazz");
  }
  EXPECT_TRUE(BoxRecorder::Boxes().empty());

  // The same through the playlist, scanning as files are added.
  SetPlaylistWindows(nullptr, nullptr);
  ClearPlaylist();
  gSettings.readInfoOnAdd = 1;
  for (const Encoded& c : cases) AddTrack(ScratchPath(c.name).c_str());
  PlaylistEntry e;
  for (int32_t i = 0; i < 3; ++i) {
    ASSERT_EQ(CopyEntryAt(i, &e), 1);
    EXPECT_EQ(e.bitrate, cases[i].bitrate);
    EXPECT_EQ(e.layerIndex, 2);
    EXPECT_EQ(e.mpegVersion, cases[i].version);
    EXPECT_EQ(e.tag.present, 1);
  }
  ClearPlaylist();

  // A file lame tags with ID3v2 alone shows its artist and title in the playlist as ID3v1 ones would be.
  const std::string v2only = ScratchPath("scan-id3v2-only.mp3");
  ASSERT_EQ(RunCommand("lame --quiet -b 128 --id3v2-only --ta 'Solo Artist' --tt 'Only Version Two' '" + wav +
                       "' '" + v2only + "'"),
            0);
  const std::vector<uint8_t> v2bytes = ReadWholeFile(v2only);
  ASSERT_GT(v2bytes.size(), 128u);
  ASSERT_NE(std::string(v2bytes.end() - 128, v2bytes.end() - 125), "TAG");  // no ID3v1 tag to fall back on
  AddTrack(v2only.c_str());
  PlaylistLines lines;
  GatherPlaylistLines(&lines);
  ASSERT_EQ(lines.lines.size(), 1u);
  EXPECT_STREQ(&lines.text[lines.lines[0].offset], "Solo Artist / Only Version Two");
  ClearPlaylist();
  NotifyRecorder::Stop();
}

}  // namespace
