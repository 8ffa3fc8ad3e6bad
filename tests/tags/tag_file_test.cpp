// Saving tag fields into files of every kind: the audio never moves or changes, frames the editor does
// not show are kept, ID3v1 follows, and a reader that holds the file open keeps reading its audio.
// GCC 12 at -O3 takes byte vectors joined with inserts for copies out of bounds.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Warray-bounds"
#pragma GCC diagnostic ignored "-Wstringop-overread"
#endif
#include "tags/tag_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file.h"
#include "tags/replay_gain.h"
#include "tests/id3v2_tag_builder.h"
#include "tests/test_files.h"
#ifndef _WIN32
#include "tests/external_tools.h"
#endif

namespace {

using Bytes = std::vector<uint8_t>;

bool Contains(const Bytes& hay, const Bytes& needle) {
  return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

Bytes Id3v1(const char* title, uint8_t genre) {
  Bytes v1(128, 0);
  std::memcpy(v1.data(), "TAG", 3);
  std::memcpy(v1.data() + 3, title, std::strlen(title));
  v1[127] = genre;
  return v1;
}

// The ID3v2 tag's size at the start of `file` (0 when there is none).
size_t TagSize(const Bytes& file) {
  if (file.size() < 10 || std::memcmp(file.data(), "ID3", 3) != 0) return 0;
  return 10 + (size_t(file[6]) << 21 | size_t(file[7]) << 14 | size_t(file[8]) << 7 | file[9]);
}

TagFields EditedFields() {
  TagFields f{};
  std::strcpy(f.title, "Neue Stra\xC3\x9F" "e \xE2\x98\x83 and a title longer than thirty");
  std::strcpy(f.artist, "Artist");
  std::strcpy(f.album, "Album \xD0\x90");
  std::strcpy(f.year, "2024");
  std::strcpy(f.comment, "A comment");
  std::strcpy(f.track, "7");
  std::strcpy(f.genre, "Chiptune");
  return f;
}

void ExpectSameFields(const TagFields& a, const TagFields& b) {
  EXPECT_STREQ(a.title, b.title);
  EXPECT_STREQ(a.artist, b.artist);
  EXPECT_STREQ(a.album, b.album);
  EXPECT_STREQ(a.year, b.year);
  EXPECT_STREQ(a.comment, b.comment);
  EXPECT_STREQ(a.track, b.track);
  EXPECT_STREQ(a.genre, b.genre);
}

struct Case {
  const char* name;
  Bytes tag;         // the ID3v2 tag in front, or none
  bool id3v1;
  int version;       // the version written
  Bytes kept;        // bytes of a frame that must come through unchanged
  TagFields before;  // a field or two as the file's tags give them
};

TEST(TagFile, SavesEveryKindOfFileKeepingTheAudioAndEveryOtherFrame) {
  const Bytes audio = ReadWholeFile(ConformancePath("l3-he_44khz"));
  ASSERT_GT(audio.size(), 10000u);
  const Bytes picture = Id3v2Frame(3, "APIC", Cat({Bytes{0}, Bytes{'i', 'm', 'a', 'g', 'e', '/', 'p', 'n', 'g', 0, 3, 0},
                                                  NoiseBytes(3000, 7)}));
  const Bytes gain = Id3v2Frame(3, "TXXX", Id3v2Text(0, std::string("replaygain_track_gain\0-6.50 dB", 30)));
  const Bytes v24Private = Id3v2Frame(4, "PRIV", Id3v2Text(0, "owner\x01\x02\x03"));
  const Bytes lyrics22 = Id3v2Frame(2, "ULT", Id3v2Text(0, "engLyrics"));
  std::vector<Case> cases(6);
  cases[0] = {"v1only", {}, true, 3, {}, {}};
  std::strcpy(cases[0].before.title, "Old v1 title");
  std::strcpy(cases[0].before.genre, "Rock");
  cases[1] = {"v23", Id3v2TagOf(3, 0, Cat({Id3v2Frame(3, "TIT2", Id3v2Text(1, Utf16Bytes(u"Old \u2603", true, true))),
                                            picture, gain, Bytes(200, 0)})),
              false, 3, Cat({picture, gain}), {}};
  std::strcpy(cases[1].before.title, "Old \xE2\x98\x83");
  cases[2] = {"v24", Id3v2TagOf(4, 0, Cat({Id3v2Frame(4, "TIT2", Id3v2Text(3, "\xC3\x9C" "ber")), v24Private,
                                            Id3v2Frame(4, "TCON", Id3v2Text(0, "17")), Bytes(2000, 0)})),
              true, 4, v24Private, {}};
  std::strcpy(cases[2].before.title, "\xC3\x9C" "ber");
  std::strcpy(cases[2].before.genre, "Rock");
  cases[3] = {"v22", Id3v2TagOf(2, 0, Cat({Id3v2Frame(2, "TT2", Id3v2Text(0, "Two")), lyrics22})), false, 3,
              Id3v2Frame(3, "USLT", Id3v2Text(0, "engLyrics")), {}};
  std::strcpy(cases[3].before.title, "Two");
  cases[4] = {"none", {}, false, 3, {}, {}};
  cases[5] = {"unsync23", Id3v2TagOf(3, 0x80, Unsynchronise(Cat({gain, Id3v2Frame(3, "TPE1", Id3v2Text(0, "\xFF\xE0x"))}))),
              false, 3, gain, {}};
  std::strcpy(cases[5].before.artist, "\xC3\xBF\xC3\xA0x");

  const TagFields edited = EditedFields();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes v1 = Id3v1("Old v1 title", 17);
    const Bytes original = Cat({c.tag, audio, c.id3v1 ? v1 : Bytes{}});
    const std::string path = WriteScratchFile(std::string("tag_") + c.name + ".mp3", original);
    TagFields read{};
    ASSERT_EQ(ReadTagFields(path.c_str(), &read), 1);
    EXPECT_STREQ(read.title, c.before.title);
    EXPECT_STREQ(read.artist, c.before.artist);
    EXPECT_STREQ(read.genre, c.before.genre);

    FileHandle h = FileOpenRead(path.c_str());
    FileTimes then{}, now{};
    ASSERT_EQ(FileGetTimes(h, &then), 1);
    FileClose(h);
    char error[600];
    ASSERT_EQ(SaveTagFields(path.c_str(), edited, error, sizeof error), 1) << error;
    const Bytes saved = ReadWholeFile(path);
    const bool inPlace = c.tag.size() >= 1000;
    EXPECT_EQ(saved.size() == original.size(), inPlace);
    EXPECT_EQ(saved[3], c.version);
    const size_t start = TagSize(saved);
    ASSERT_EQ(saved.size(), start + audio.size() + (c.id3v1 ? 128 : 0));
    EXPECT_TRUE(std::equal(audio.begin(), audio.end(), saved.begin() + start));
    if (!c.kept.empty()) {
      EXPECT_TRUE(Contains(Bytes(saved.begin(), saved.begin() + start), c.kept));
    }
    if (c.id3v1) {
      // Cut to 30 bytes in the ANSI code page; the snowman has no form there.
      const Bytes tail(saved.end() - 128, saved.end());
      EXPECT_EQ(std::string(tail.begin() + 3, tail.begin() + 33), "Neue Stra\xDF" "e ? and a title long");
      EXPECT_EQ(tail[126], 7);
      EXPECT_EQ(tail[127], 255);
    }
    TagFields again{};
    ASSERT_EQ(ReadTagFields(path.c_str(), &again), 1);
    ExpectSameFields(again, edited);
    h = FileOpenRead(path.c_str());
    ASSERT_EQ(FileGetTimes(h, &now), 1);
    FileClose(h);
    EXPECT_EQ(now.written, then.written);
    EXPECT_FALSE(FileExists(path + ".zav-old"));
    EXPECT_FALSE(FileExists(path + ".zav-new"));
#ifndef _WIN32
    if (HaveProgram("ffprobe")) {
      const std::string out = path + ".title";
      ASSERT_EQ(RunCommand("ffprobe -v error -show_entries format_tags=title,artist,album,track -of "
                           "default=nw=1:nk=1 '" + path + "' > '" + out + "'"), 0);
      const Bytes probed = ReadWholeFile(out);
      EXPECT_EQ(std::string(probed.begin(), probed.end()),
                std::string(edited.title) + "\n" + edited.artist + "\n" + edited.album + "\n7\n");
    }
#endif
  }
}

// A read-only file and a damaged tag are left exactly as they were, with a message; a file being
// played keeps giving its reader the audio it had, whether the tag is rewritten in place or the file
// is replaced.
TEST(TagFile, NeverDamagesAFileAndLetsItsReaderPlayOn) {
  const Bytes audio = NoiseBytes(300000, 3);
  const TagFields edited = EditedFields();
  char error[600];
  const Bytes damaged = Cat({Id3v2TagOf(3, 0, Cat({Id3v2Frame(3, "TIT2", Id3v2Text(0, "x")), Bytes{'T', 'A', 'L', 'B', 0, 0, 3, 0xE8, 0, 0, 'a'}})), audio});
  const std::string damagedPath = WriteScratchFile("tag_damaged.mp3", damaged);
  EXPECT_EQ(SaveTagFields(damagedPath.c_str(), edited, error, sizeof error), 0);
  EXPECT_NE(std::strstr(error, "damaged"), nullptr);
  EXPECT_EQ(ReadWholeFile(damagedPath), damaged);

  const std::string readOnly = WriteScratchFile("tag_readonly.mp3", audio);
  ASSERT_EQ(chmod(readOnly.c_str(), S_IREAD), 0);
  EXPECT_EQ(SaveTagFields(readOnly.c_str(), edited, error, sizeof error), 0);
  EXPECT_NE(std::strstr(error, "read-only"), nullptr);
  EXPECT_EQ(ReadWholeFile(readOnly), audio);
  chmod(readOnly.c_str(), S_IREAD | S_IWRITE);
  EXPECT_EQ(SaveTagFields((readOnly + ".gone").c_str(), edited, error, sizeof error), 0);

  for (const bool roomy : {true, false}) {
    SCOPED_TRACE(roomy ? "in place" : "swapped");
    const Bytes tag = Id3v2TagOf(3, 0, Cat({Id3v2Frame(3, "TIT2", Id3v2Text(0, "Playing")), Bytes(roomy ? 4000 : 0, 0)}));
    const Bytes original = Cat({tag, audio});
    const std::string path = WriteScratchFile("tag_playing.mp3", original);
    const FileHandle player = FileOpenRead(path.c_str());
    Bytes heard(original.size());
    const int32_t half = int32_t(original.size() / 2);
    ASSERT_EQ(FileRead(player, heard.data(), half), half);
    ASSERT_EQ(SaveTagFields(path.c_str(), edited, error, sizeof error), 1) << error;
    ASSERT_EQ(FileRead(player, heard.data() + half, int32_t(original.size()) - half), int32_t(original.size()) - half);
    FileClose(player);
    EXPECT_TRUE(std::equal(heard.begin() + tag.size(), heard.end(), audio.begin()));
    const Bytes saved = ReadWholeFile(path);
    EXPECT_EQ(saved.size() == original.size(), roomy);
    EXPECT_TRUE(std::equal(audio.begin(), audio.end(), saved.end() - audio.size()));
    EXPECT_FALSE(FileExists(path + ".zav-old"));
  }
}

// ReplayGain fields from the places gain tools write them, an earlier place winning field by field (the
// whole ID3v2 tag read when its first 64 KB hold no gain); damaged APEv2 tags give nothing; and the
// factor each of the user's choices gives.
TEST(TagFile, ReadsReplayGainFromId3v2ThenApeAndPlaysAtTheChosenFactor) {
  const Bytes audio = ReadWholeFile(ConformancePath("l3-he_44khz"));
  const Bytes gain16 = Id3v2Frame(3, "TXXX", Id3v2Text(1, Utf16Bytes(u"replaygain_track_gain", true, true) +
                                                            std::string(2, '\0') + Utf16Bytes(u"-6.02 dB", true, true)));
  const Bytes peak = Id3v2Frame(3, "TXXX", Id3v2Text(0, std::string("REPLAYGAIN_TRACK_PEAK\0 0.5", 26)));
  const Bytes ape = ApeTag({{"REPLAYGAIN_TRACK_GAIN", "+3 dB"}, {"Replaygain_Album_Gain", "-1,5 dB"}, {"REPLAYGAIN_ALBUM_PEAK", "x"}}, true);
  const Bytes pictureThenAlbum = Cat({Id3v2Frame(4, "APIC", Cat({Bytes{0, 'i', 0, 3, 0}, NoiseBytes(70000, 5)})),
                                      Id3v2Frame(4, "TXXX", Id3v2Text(3, std::string("REPLAYGAIN_ALBUM_GAIN\0+2.5dB", 28)))});
  const Bytes apeAtEnd = Cat({audio, ApeTag({{"REPLAYGAIN_TRACK_GAIN", "-6.02 dB"}, {"REPLAYGAIN_TRACK_PEAK", "1"}}, false)});
  Bytes damaged = apeAtEnd, overrun = apeAtEnd, tooLong = Cat({audio, ApeTag({{"REPLAYGAIN_TRACK_GAIN", std::string(9, '1')}}, false)});
  damaged[damaged.size() - 18] = 0x7F;  // the tag's size past the file
  overrun[audio.size() + 3] = 0x7F;     // the first item's value past the tag
  const Bytes files[] = {Cat({Id3v2TagOf(3, 0, Cat({gain16, peak})), audio, ape, Id3v1("v1", 17)}),
                         Cat({Id3v2TagOf(4, 0, pictureThenAlbum), apeAtEnd}), damaged, overrun, tooLong};
  const float expected[][kReplayGainFields] = {{-6.02f, 0.5f, -1.5f, 0}, {-6.02f, 1, 2.5f, 0}, {}, {}, {}};
  const int32_t from[][kReplayGainFields] = {{1, 1, 2, 0}, {2, 2, 1, 0}, {}, {}, {}};  // ID3v2 1, APEv2 2
  ReplayGainInfo info[5];
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(ReadReplayGain(WriteScratchFile("gain_" + std::to_string(i) + ".mp3", files[i]).c_str(), &info[i]), 1);
    for (int f = 0; f < kReplayGainFields; ++f)
      EXPECT_TRUE(info[i].from[f] == from[i][f] && std::fabs(info[i].value[f] - expected[i][f]) < 1e-6f) << i << " " << f;
  }
  // Mode, pre-amp, untagged gain and clipping prevention (a track peak of 0.5 allows 2.0; pre-amps are
  // held to 15 dB, an album without its peak takes the track's): the factor and where its gain came from.
  const std::pair<ReplayGainSettings, double> choices[] = {{{kReplayGainTrack, 0, 0, 1}, 0.500035},
      {{kReplayGainTrack, 12, 0, 1}, 1.990673}, {{kReplayGainTrack, 15, 0, 0}, 2.811901},
      {{kReplayGainAlbum, 0, 0, 1}, 0.841395}, {{kReplayGainAlbum, 99, -6, 1}, 2.0}};
  for (const auto& [settings, factor] : choices) {
    int32_t source = -1;
    EXPECT_NEAR(ReplayGainFactor(info[0], settings, &source), factor, 1e-5) << settings.mode << " " << settings.preampDb;
    EXPECT_EQ(source, settings.mode == kReplayGainAlbum ? kGainFromApe : kGainFromId3v2);
  }
  EXPECT_NEAR(ReplayGainFactor(info[4], {kReplayGainAlbum, 6, -40, 1}), 0.177828, 1e-5) << "untagged, held to -15 dB";
  EXPECT_EQ(ReplayGainFactor(info[0], {kReplayGainOff, 12, 6, 1}), 1.0f) << "exactly: off is today's path";
}

}  // namespace
