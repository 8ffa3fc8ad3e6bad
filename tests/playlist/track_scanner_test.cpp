// Track scanning: where the first header is found, what its fields and bitrate give, the duration rule,
// and the ID3v1 tag, on small files written to the build tree.
#include "playlist/track_scanner.h"

#include <gtest/gtest.h>

#include "tests/playlist/playlist_test_support.h"

namespace {

class TrackScannerTest : public ::testing::Test {
 protected:
  void SetUp() override { NotifyRecorder::Start(); }
  void TearDown() override {
    NotifyRecorder::Stop();
    SetScanOwner(nullptr);
  }

  // Writes `bytes` to a scratch file and scans its header; the result of ScanHeader.
  int32_t Scan(const std::vector<uint8_t>& bytes, HeaderInfo* header) {
    const FileHandle file = FileOpenRead(WriteScratchFile("scanner.mp3", bytes).c_str());
    EXPECT_NE(file, kNoFile);
    *header = HeaderInfo{};
    const int32_t found = ScanHeader(file, header);
    FileClose(file);
    return found;
  }
  int32_t Tag(const std::vector<uint8_t>& bytes, TagInfo* tag) {
    const FileHandle file = FileOpenRead(WriteScratchFile("scanner-tag.mp3", bytes).c_str());
    EXPECT_NE(file, kNoFile);
    std::memset(tag, 0x5A, sizeof *tag);
    const int32_t read = ReadTag(file, tag);
    FileClose(file);
    return read;
  }
  static size_t NoHeaderBoxes() {
    size_t n = 0;
    for (const RecordedBox& b : BoxRecorder::Boxes()) {
      if (b.text == "No Header Found" && b.caption == "Note..." && b.owner == nullptr) ++n;
    }
    return n;
  }
};

TEST_F(TrackScannerTest, HeaderIsSoughtAtTheFirst514Positions) {
  HeaderInfo h;
  ASSERT_EQ(Scan(FileWithHeaderAt(200, kMpeg1Layer3Header, 4000), &h), 1);
  EXPECT_EQ(h.version, 0);
  EXPECT_EQ(h.layer, 3);
  EXPECT_EQ(h.bitrateIndex, 9);
  EXPECT_EQ(HeaderBitrate(h), 128);
  EXPECT_EQ(NoHeaderBoxes(), 0u);

  EXPECT_EQ(Scan(FileWithHeaderAt(513, kMpeg1Layer3Header, 4000), &h), 1);
  EXPECT_EQ(NoHeaderBoxes(), 0u);
  EXPECT_EQ(Scan(FileWithHeaderAt(514, kMpeg1Layer3Header, 4000), &h), 0);
  EXPECT_EQ(NoHeaderBoxes(), 1u);
  EXPECT_EQ(Scan(FileWithHeaderAt(600, kMpeg1Layer3Header, 4000), &h), 0);
  EXPECT_EQ(NoHeaderBoxes(), 2u);
  // Eleven sync bits are all that is checked: 0xFF 0xE0 is accepted (MPEG 2.5, reserved layer: 0 silently).
  EXPECT_EQ(Scan(FileWithHeaderAt(10, 0xFFE00000u, 100), &h), 0);
  EXPECT_EQ(NoHeaderBoxes(), 2u);
  // An empty file has no header.
  EXPECT_EQ(Scan({}, &h), 0);
  EXPECT_EQ(NoHeaderBoxes(), 3u);
}

TEST_F(TrackScannerTest, HeaderFieldsAndBitrates) {
  HeaderInfo h;
  // MPEG-2 Layer III, bitrate index 8: 64 kbit/s.
  ASSERT_EQ(Scan(FileWithHeaderAt(0, 0xFFF380C0u, 100), &h), 1);
  EXPECT_EQ(h.version, 1);
  EXPECT_EQ(h.layer, 3);
  EXPECT_EQ(HeaderBitrate(h), 64);
  EXPECT_EQ(h.channelMode, 3);
  EXPECT_EQ(h.channels, 1);
  // MPEG-1 Layer II, bitrate index 10: 192 kbit/s.
  ASSERT_EQ(Scan(FileWithHeaderAt(0, 0xFFFDA000u, 100), &h), 1);
  EXPECT_EQ(h.layer, 2);
  EXPECT_EQ(HeaderBitrate(h), 192);
  EXPECT_EQ(h.channels, 2);
  // MPEG-1 Layer I, index 14: 448 kbit/s; MPEG-2.5 uses the MPEG-2 rows (Layer III index 14: 160).
  ASSERT_EQ(Scan(FileWithHeaderAt(0, 0xFFFFE000u, 100), &h), 1);
  EXPECT_EQ(h.layer, 1);
  EXPECT_EQ(HeaderBitrate(h), 448);
  ASSERT_EQ(Scan(FileWithHeaderAt(0, 0xFFE3E000u, 100), &h), 1);
  EXPECT_EQ(h.version, 2);
  EXPECT_EQ(HeaderBitrate(h), 160);

  // Every bit of the third and fourth bytes lands in its field.
  ASSERT_EQ(Scan(FileWithHeaderAt(0, 0xFFFA976Du, 100), &h), 1);
  EXPECT_EQ(h.crcPresent, 1);
  EXPECT_EQ(h.bitrateIndex, 9);
  EXPECT_EQ(h.sampleRateIndex, 1);
  EXPECT_EQ(h.padding, 1);
  EXPECT_EQ(h.privateBit, 1);
  EXPECT_EQ(h.channelMode, 1);
  EXPECT_EQ(h.modeExtension, 2);
  EXPECT_EQ(h.copyright, 1);
  EXPECT_EQ(h.original, 1);
  EXPECT_EQ(h.emphasis, 1);
  EXPECT_EQ(h.channels, 2);
  ASSERT_EQ(Scan(FileWithHeaderAt(0, 0xFFFB0892u, 100), &h), 1);
  EXPECT_EQ(h.crcPresent, 0);
  EXPECT_EQ(h.sampleRateIndex, 2);
  EXPECT_EQ(h.padding, 0);
  EXPECT_EQ(h.privateBit, 0);
  EXPECT_EQ(h.channelMode, 2);
  EXPECT_EQ(h.modeExtension, 1);
  EXPECT_EQ(h.copyright, 0);
  EXPECT_EQ(h.original, 0);
  EXPECT_EQ(h.emphasis, 2);

  // Reserved version or layer bits end the scan at that position without a box.
  EXPECT_EQ(Scan(FileWithHeaderAt(0, 0xFFEB9000u, 100), &h), 0);
  EXPECT_EQ(Scan(FileWithHeaderAt(0, 0xFFF99000u, 100), &h), 0);
  EXPECT_EQ(NoHeaderBoxes(), 0u);
}

TEST_F(TrackScannerTest, DurationRule) {
  EXPECT_EQ(TrackDuration(4000000, 128), 250);
  EXPECT_EQ(TrackDuration(15999, 128), 0);
  EXPECT_EQ(TrackDuration(4000000, 0), -1);
  EXPECT_EQ(TrackDuration(-1, 128), -1);
  // A four-gigabyte file does not overflow.
  EXPECT_EQ(TrackDuration(int64_t(1) << 32, 8), int32_t((int64_t(1) << 32) / 1000));

  HeaderInfo h;
  // Free format and index 15 have no bitrate, so no duration.
  ASSERT_EQ(Scan(FileWithHeaderAt(0, 0xFFFB0000u, 100), &h), 1);
  EXPECT_EQ(TrackDuration(4000000, HeaderBitrate(h)), -1);
  ASSERT_EQ(Scan(FileWithHeaderAt(0, 0xFFFBF000u, 100), &h), 1);
  EXPECT_EQ(TrackDuration(4000000, HeaderBitrate(h)), -1);

  // A 1,000,000-byte picture tag in front of 4,000,000 bytes of 128 kbit/s audio: 250 seconds, as
  // playback counts, not 312 from the whole file.
  const std::string path = WriteScratchFile(
      "scanner-picture.mp3", Join(Id3v2Tag(1000000 - 10, false, 0xFF), FileWithHeaderAt(0, kMpeg1Layer3Header, 4000000)));
  const FileHandle file = FileOpenRead(path.c_str());
  ASSERT_NE(file, kNoFile);
  ASSERT_EQ(ScanHeader(file, &h), 1);
  EXPECT_EQ(AudioBytes(file), 4000000);
  EXPECT_EQ(TrackDuration(AudioBytes(file), HeaderBitrate(h)), 250);
  FileClose(file);
}

// A leading ID3v2 tag is skipped, however long, so the window of positions starts where the audio does.
TEST_F(TrackScannerTest, Id3v2TagIsSkipped) {
  HeaderInfo h;
  // Tag body full of 0xFF bytes: a scan inside it would accept the first of them.
  ASSERT_EQ(Scan(Join(Id3v2Tag(3000, false, 0xFF), FileWithHeaderAt(0, 0xFFF38000u, 200)), &h), 1);
  EXPECT_EQ(h.version, 1);
  EXPECT_EQ(HeaderBitrate(h), 64);
  // Footer flag: ten more bytes.
  ASSERT_EQ(Scan(Join(Id3v2Tag(700, true, 0xFF), FileWithHeaderAt(0, 0xFFFDA000u, 200)), &h), 1);
  EXPECT_EQ(h.layer, 2);
  // The 514 positions count from the end of the tag.
  EXPECT_EQ(Scan(Join(Id3v2Tag(2000, false), FileWithHeaderAt(513, kMpeg1Layer3Header, 600)), &h), 1);
  EXPECT_EQ(Scan(Join(Id3v2Tag(2000, false), FileWithHeaderAt(514, kMpeg1Layer3Header, 600)), &h), 0);
  EXPECT_EQ(NoHeaderBoxes(), 1u);
  // A size reaching past the end of the file marks a damaged tag: the scan starts at the beginning, as
  // playback does, and finds the header behind it.
  std::vector<uint8_t> damaged = {'I', 'D', '3', 4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};
  damaged.resize(400);
  AppendHeader(damaged, kMpeg1Layer3Header);
  EXPECT_EQ(Scan(damaged, &h), 1);
  EXPECT_EQ(h.layer, 3);
  EXPECT_EQ(NoHeaderBoxes(), 1u);
  // Bytes that only look like a tag (a size byte with its top bit set) are not skipped.
  std::vector<uint8_t> fake = {'I', 'D', '3', 4, 0, 0, 0x80, 0, 0, 0, 0xFF, 0xFB, 0x90, 0x64};
  ASSERT_EQ(Scan(fake, &h), 1);
  EXPECT_EQ(h.layer, 3);
}

// A position whose four bytes are not all in the file cannot hold a header.
TEST_F(TrackScannerTest, ShortFilesDoNotReuseOldBytes) {
  HeaderInfo h;
  EXPECT_EQ(Scan({0xFF, 0xFB, 0x90}, &h), 0);
  EXPECT_EQ(Scan({0x00, 0x00, 0xFF}, &h), 0);
  EXPECT_EQ(NoHeaderBoxes(), 2u);
  ASSERT_EQ(Scan({0xFF, 0xFB, 0x90, 0x64}, &h), 1);
  EXPECT_EQ(h.bitrateIndex, 9);
}

TEST_F(TrackScannerTest, Id3v1Fields) {
  TagInfo t;
  std::vector<uint8_t> file = Join(std::vector<uint8_t>(1000, 0xAA),
                                   Id3v1Tag("TAG", "Song" + std::string(26, ' '), std::string(30, '\xE9'),
                                            "Album \t", "1999", "Note  ", 255));
  ASSERT_EQ(Tag(file, &t), 1);
  EXPECT_EQ(t.present, 1);
  EXPECT_STREQ(t.title, "Song");
  EXPECT_STREQ(t.artist + 56, "\xC3\xA9\xC3\xA9") << "30 x 0xE9 (Windows-1252 here) are 30 x \"\xC3\xA9\" in UTF-8";
  EXPECT_STREQ(t.album, "Album \t");
  EXPECT_STREQ(t.year, "1999");
  // Spaces before NUL padding are trailing spaces too.
  EXPECT_STREQ(t.comment, "Note");
  EXPECT_EQ(t.genre, 44);
  EXPECT_STREQ(t.genreName, "Unknown");
  // Everything behind each text is NUL.
  for (size_t i = 4; i < sizeof t.title; ++i) EXPECT_EQ(t.title[i], 0);
  for (size_t i = 4; i < sizeof t.year; ++i) EXPECT_EQ(t.year[i], 0);

  // Lower-case "tag", a field that stops at a NUL, all-space fields, genre numbers at the table's end.
  std::vector<uint8_t> tag =
      Id3v1Tag("tag", std::string("Ab\0Cd", 5), "\x80 \x9C ", std::string(30, ' '), "    ", "", 43);
  ASSERT_EQ(Tag(tag, &t), 1);
  EXPECT_STREQ(t.title, "Ab");
  EXPECT_STREQ(t.artist, "\xE2\x82\xAC \xC5\x93");
  EXPECT_STREQ(t.album, "");
  EXPECT_STREQ(t.year, "");
  EXPECT_EQ(t.genre, 43);
  EXPECT_STREQ(t.genreName, "Punk");
  tag[127] = 44;
  ASSERT_EQ(Tag(tag, &t), 1);
  EXPECT_EQ(t.genre, 44);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(TrackScannerTest, MissingTagsAndShortFiles) {
  TagInfo t;
  SetScanOwner(reinterpret_cast<WindowHandle>(0x1234));
  // No tag: silent, nothing present, fields cleared.
  EXPECT_EQ(Tag(Join(std::vector<uint8_t>(500, 0), Id3v1Tag("TAX", "x", "", "", "", "", 1)), &t), 0);
  EXPECT_EQ(t.present, 0);
  EXPECT_STREQ(t.title, "");
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  // Exactly 128 bytes: the whole file is the tag.
  EXPECT_EQ(Tag(Id3v1Tag("TAG", "Only", "", "", "", "", 2), &t), 1);
  EXPECT_STREQ(t.title, "Only");
  // Shorter than a tag: the pointer cannot be set.
  EXPECT_EQ(Tag(std::vector<uint8_t>(127, 'T'), &t), 0);
  EXPECT_EQ(t.present, 0);
  const RecordedBox pointer = {reinterpret_cast<WindowHandle>(0x1234), "Error Setting Pointer", "Error...", kBoxOk};
  EXPECT_EQ(BoxRecorder::Boxes(), std::vector<RecordedBox>{pointer});
}

}  // namespace
