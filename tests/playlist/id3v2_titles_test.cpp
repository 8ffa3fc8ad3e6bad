// Titles from ID3v2 tags: every version, text encoding, unsynchronisation and extended headers, damaged
// tags, and the titles reaching the playlist both when files are added and when a track starts.
#include "playlist/id3v2_titles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "playlist/playlist.h"
#include "playlist/track_genre.h"
#include "playlist/playlist_view.h"
#include "settings/settings.h"
#include "tests/playlist/playlist_test_support.h"
#include "tests/settings_guard.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The tag in front of a little MPEG audio, as a file; ReadId3v2Tag's result and what it filled in.
int32_t ReadTitles(const Bytes& tag, TagInfo* info) {
  const std::string path =
      WriteScratchFile("id3v2-titles.mp3", Join(tag, FileWithHeaderAt(0, kMpeg1Layer3Header, 2000)));
  const FileHandle file = FileOpenRead(path.c_str());
  EXPECT_NE(file, kNoFile);
  std::memset(info, 0x5A, sizeof *info);
  const int32_t read = ReadId3v2Tag(file, info);
  FileClose(file);
  return read;
}

struct TitleCase {
  const char* what;
  Bytes tag;
  std::string artist;
  std::string title;
  int32_t genre;
};

TEST(Id3v2TitlesTest, VersionsEncodingsUnsynchronisationAndExtendedHeaders) {
  const Bytes ext23 = {0, 0, 0, 6, 0, 0, 0, 0, 0, 0};  // size 6 (without itself), flags, padding size
  const Bytes ext24 = {0, 0, 0, 6, 1, 0};              // size 6 (with itself), one flag byte, no flags
  const Bytes picture(5000, 0xFF);
  std::string cyrillic;
  for (int32_t i = 0; i < 28; ++i) cyrillic += "\xD0\x96";
  const TitleCase cases[] = {
      {"2.2, ISO-8859-1, padding",
       Id3v2TagOf(
           2, 0,
           Cat({Id3v2Frame(2, "TP1", Id3v2Text(0, "Caf\xE9 \x80 Band")), Id3v2Frame(2, "TT2", Id3v2Text(0, "Song One")),
                Id3v2Frame(2, "TCO", Id3v2Text(0, "(17)")), Bytes(40, 0)})),
       "Caf\xC3\xA9 \xC2\x80 Band", "Song One", 17},  // ISO-8859-1, not the ANSI code page
      {"2.2, whole tag unsynchronised, UTF-16 both byte orders",
       Id3v2TagOf(2, 0x80,
                  Unsynchronise(Cat({Id3v2Frame(2, "TT2", Id3v2Text(1, Utf16Bytes(u"\u00FF\u00FFx", true, true))),
                                     Id3v2Frame(2, "TP1", Id3v2Text(1, Utf16Bytes(u"\u03A9mega", false, true)))}))),
       "\xCE\xA9mega", "\xC3\xBF\xC3\xBFx", kUnknownGenre},
      {"2.3, extended header, UTF-16, genre by name, a large frame skipped",
       Id3v2TagOf(3, 0x40,
                  Cat({ext23, Id3v2Frame(3, "APIC", picture),
                       Id3v2Frame(3, "TIT2", Id3v2Text(1, Utf16Bytes(u"\u20AC\u0101 5 ", false, true))),
                       Id3v2Frame(3, "TPE1", Id3v2Text(0, "Artist")), Id3v2Frame(3, "TCON", Id3v2Text(0, "jazz"))})),
       "Artist", "\xE2\x82\xAC\xC4\x81 5", 8},
      {"2.3, whole tag unsynchronised with extended header, grouped and compressed frames",
       Id3v2TagOf(3, 0xC0,
                  Unsynchronise(Cat({ext23, Id3v2Frame(3, "PRIV", {0xFF, 0xE0, 0xFF, 0x00, 0xFF}),
                                     Id3v2Frame(3, "TCON", Id3v2Text(0, "(9)"), 0x80),
                                     Id3v2Frame(3, "TIT2", Cat({{0xFF}, Id3v2Text(0, "Grouped")}), 0x20),
                                     Id3v2Frame(3, "TPE1", Id3v2Text(0, "\xFFY"))}))),
       "\xC3\xBFY", "Grouped", kUnknownGenre},
      {"2.4, extended header, footer, UTF-8 with group and length bytes, UTF-16BE unsynchronised frame",
       Id3v2TagOf(
           4, 0x50,
           Cat({ext24,
                Id3v2Frame(4, "TIT2",
                           Cat({{7, 0, 0, 0, 10},
                                Id3v2Text(3,
                                          "\xC3\x91"
                                          "and\xC3\xBA x")}),
                           0x41),
                Id3v2Frame(4, "TPE1", Unsynchronise(Id3v2Text(2, Utf16Bytes(u"\u00FF\u00E9", false, false))), 0x02),
                Id3v2Frame(4, "TCON", Id3v2Text(3, "9"))})),
       "\xC3\xBF\xC3\xA9",
       "\xC3\x91"
       "and\xC3\xBA x",
       9},
      {"2.4, whole tag unsynchronised, UTF-16 with byte-order mark, no artist",
       Id3v2TagOf(4, 0x80,
                  Cat({Id3v2Frame(4, "TIT2", Unsynchronise(Id3v2Text(1, Utf16Bytes(u"Tag\u00FF", true, true))))})),
       "", "Tag\xC3\xBF", kUnknownGenre},
      {"2.4, long title cut to 30 characters, broken UTF-8, only the first of several values",
       Id3v2TagOf(4, 0,
                  Cat({Id3v2Frame(4, "TIT2", Id3v2Text(3, std::string(29, 'A') + "   " + std::string(10, 'B'))),
                       Id3v2Frame(4, "TPE1", Id3v2Text(3, std::string("\xE2\x82x\xC0\xAF\0Second", 12))),
                       Id3v2Frame(4, "TCON", Id3v2Text(3, "(200)"))})),
       "\xEF\xBF\xBD\xEF\xBF\xBDx\xEF\xBF\xBD\xEF\xBF\xBD", std::string(29, 'A'), kUnknownGenre},
      {"2.3, UTF-16 Cyrillic and emoji kept whole, cut after 30 characters, none split",
       Id3v2TagOf(3, 0,
                  Cat({Id3v2Frame(3, "TIT2",
                                  Id3v2Text(1, Utf16Bytes(std::u16string(28, u'\u0416') + u"\U0001F600\U0001F3B5xyz",
                                                          true, true)))})),
       "", cyrillic + "\xF0\x9F\x98\x80\xF0\x9F\x8E\xB5", kUnknownGenre},
      // Titles behind a picture larger than the tag's first 64 KB, and writers' slips: UTF-16
      // without its byte-order mark (little-endian, as Windows writes), UTF-8 in a 2.3 tag, a bare "RX".
      {"2.3, titles behind a large picture, lenient encodings",
       Id3v2TagOf(3, 0,
                  Cat({Id3v2Frame(3, "APIC", Bytes(200000, 0x5A)),
                       Id3v2Frame(3, "TIT2", Id3v2Text(1, Utf16Bytes(u"No mark", true, false))),
                       Id3v2Frame(3, "TPE1", Id3v2Text(3, "\xC3\x9C" "ber")), Id3v2Frame(3, "TCON", Id3v2Text(0, "RX"))})),
       "\xC3\x9C" "ber", "No mark", kUnknownGenre},
  };
  for (const TitleCase& c : cases) {
    SCOPED_TRACE(c.what);
    TagInfo t;
    EXPECT_EQ(ReadTitles(c.tag, &t), 1);
    EXPECT_EQ(t.present, 1);
    EXPECT_EQ(std::string(t.artist), c.artist);
    EXPECT_EQ(std::string(t.title), c.title);
    EXPECT_EQ(t.genre, c.genre);
    EXPECT_STREQ(t.genreName, kGenreNames[c.genre]);
  }
}

TEST(Id3v2TitlesTest, DamagedOrUnreadableTagsGiveNothing) {
  const Bytes title = Id3v2Frame(3, "TIT2", Id3v2Text(0, "Lost"));
  Bytes tooLong = Id3v2Frame(3, "TPE1", Id3v2Text(0, "abc"));
  tooLong[6] = 1;  // claims 256 bytes more than the tag holds
  Bytes notSyncsafe = Id3v2Frame(4, "TPE1", Id3v2Text(0, "abc"));
  notSyncsafe[5] = 0x80;
  const Bytes cases[] = {
      Id3v2TagOf(3, 0, Cat({title, tooLong})),
      Id3v2TagOf(3, 0, Cat({title, Id3v2Frame(3, "ti t", Id3v2Text(0, "x"))})),
      Id3v2TagOf(4, 0, Cat({Id3v2Frame(4, "TIT2", Id3v2Text(0, "Lost")), notSyncsafe})),
      Id3v2TagOf(3, 0x40, Cat({{0, 0, 1, 0, 0, 0}, title})),  // extended header past the tag's end
      Id3v2TagOf(4, 0x40, Cat({{0, 0, 0, 2}, Id3v2Frame(4, "TIT2", Id3v2Text(0, "Lost"))})),
      Id3v2TagOf(2, 0x40, Id3v2Frame(2, "TT2", Id3v2Text(0, "Lost"))),  // compressed 2.2 tag
      Id3v2TagOf(5, 0, title),
      // Frames that cannot be read: encrypted, or of an encoding that is none.
      Id3v2TagOf(3, 0,
                 Cat({Id3v2Frame(3, "TIT2", Id3v2Text(0, "x"), 0x40), Id3v2Frame(3, "TPE1", Id3v2Text(4, "y"))})),
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    SCOPED_TRACE(i);
    TagInfo t;
    EXPECT_EQ(ReadTitles(cases[i], &t), 0);
    EXPECT_EQ(t.present, 0);
    EXPECT_STREQ(t.title, "");
  }
}

// The genre that picks an equalizer preset: the ID3v2 genre frame's text (numbers by the table's names),
// else the ID3v1 genre byte's name; a file too short for a tag gives none and no box.
TEST(Id3v2TitlesTest, TrackGenreComesFromTheGenreFrameElseTheId3v1Byte) {
  NotifyRecorder::Start();
  const Bytes audio = FileWithHeaderAt(0, kMpeg1Layer3Header, 4000);
  const Bytes rock = Id3v1Tag("TAG", "T", "A", "", "", "", 17), none = Id3v1Tag("TAG", "T", "A", "", "", "", 255);
  auto tcon = [](int major, const std::string& text) {
    return Id3v2TagOf(major, 0, Id3v2Frame(major, major == 2 ? "TCO" : "TCON", Id3v2Text(0, text)));
  };
  const struct {
    Bytes file;
    const char* genre;
  } cases[] = {
      {Cat({tcon(3, "Club"), audio, rock}), "Club"},  // free text, ahead of the ID3v1 byte
      {Cat({tcon(3, "(32)"), audio}), "Classical"},
      {Cat({tcon(4, "RX"), audio, rock}), "Remix"},
      {Cat({tcon(3, "(200)"), audio, rock}), "Rock"},  // past the table: the ID3v1 byte counts
      {Cat({audio, rock}), "Rock"},
      {Cat({audio, none}), ""},
      {Bytes(50, 0xFF), ""},
  };
  for (const auto& c : cases) {
    char name[kGenreNameBytes];
    EXPECT_EQ(ReadTrackGenre(WriteScratchFile("track-genre.mp3", c.file).c_str(), name), c.genre[0] ? 1 : 0);
    EXPECT_STREQ(name, c.genre);
  }
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  NotifyRecorder::Stop();
}

// The playlist takes ID3v2 titles where an ID3v1 tag is missing, on adding and on starting a track.
TEST(Id3v2TitlesTest, PlaylistShowsThemWhereId3v1TitlesWouldBe) {
  const SettingsGuard settings;
  NotifyRecorder::Start();
  ClearPlaylist();
  const Bytes tag = Id3v2TagOf(
      3, 0, Cat({Id3v2Frame(3, "TPE1", Id3v2Text(0, "V2 Artist")), Id3v2Frame(3, "TIT2", Id3v2Text(0, "V2 Title"))}));
  const std::string only = ScratchPath("id3v2-playlist-only.mp3"), both = ScratchPath("id3v2-playlist-both.mp3");
  ASSERT_TRUE(WriteWholeFile(only, Join(tag, FileWithHeaderAt(0, kMpeg1Layer3Header, 32000))));
  ASSERT_TRUE(WriteWholeFile(both, Join(tag, TaggedTrack(2, "V1 Title"))));

  gSettings.readInfoOnAdd = 1;
  AddTrack(only.c_str());
  AddTrack(both.c_str());
  gSettings.readInfoOnAdd = 0;
  AddTrack(only.c_str());
  PlaylistLines lines;
  GatherPlaylistLines(&lines);
  ASSERT_EQ(lines.lines.size(), 3u);
  EXPECT_STREQ(&lines.text[lines.lines[0].offset], "V2 Artist / V2 Title");
  EXPECT_STREQ(&lines.text[lines.lines[1].offset], "Artist / V1 Title");  // ID3v1 comes first
  EXPECT_TRUE(lines.lines[2].isPath);

  // The entry added without reading is completed when it starts playing.
  ASSERT_EQ(MakeCurrentAt(2), 1);
  char path[kPathBytes];
  ASSERT_EQ(PrepareCurrent(path), 1);
  GatherPlaylistLines(&lines);
  EXPECT_STREQ(&lines.text[lines.lines[2].offset], "V2 Artist / V2 Title");
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  ClearPlaylist();
  NotifyRecorder::Stop();
}

}  // namespace
