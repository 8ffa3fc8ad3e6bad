#include "decoder/frame_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "decoder/bit_reader.h"
#include "platform/message_numbers.h"
#include "tests/frame_header_builder.h"
#include "tests/id3v2_tag_builder.h"
#include "tests/test_files.h"
#include "tests/vbr_header_builder.h"

namespace {

std::vector<intptr_t> gSyncPosts;

void RecordPost(WindowHandle, uint32_t message, uintptr_t, intptr_t lParam) {
  if (message == WM_PLAYER_SYNC) gSyncPosts.push_back(lParam);
}

// A frame: the header, then a body whose first byte is `tag` and whose other bytes are zero.
void AppendFrame(std::vector<uint8_t>& out, uint32_t header, int bodyLength, uint8_t tag) {
  AppendHeader(out, header);
  out.push_back(tag);
  out.insert(out.end(), static_cast<size_t>(bodyLength - 1), 0);
}

// MPEG-1 Layer III, 128 kbit/s, 44100 Hz: 417-byte frames (418 with padding).
const uint32_t kL3Header = FrameHeader(kMpeg1, 3, 9, 0);
constexpr int kL3Body = 413;

class FrameReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gSyncPosts.clear();
    SetPostMessageHook(RecordPost);
    state_ = StreamState{};
  }
  void TearDown() override {
    CloseStream();
    SetPostMessageHook(nullptr);
  }
  // Writes the bytes to a scratch file and opens it; returns the size OpenStream reports.
  int64_t Open(const std::vector<uint8_t>& bytes, const char* name) {
    const int64_t size = OpenStream(WriteScratchFile(name, bytes).c_str());
    ResetSync();
    return size;
  }
  // Reads frames to the end and returns the tag byte of each.
  std::vector<int> ReadAll(int limit = 100000) {
    std::vector<int> tags;
    while (limit-- > 0 && ReadFrame(&state_, this) == 1) tags.push_back(gFrameReader.currentBody[0]);
    return tags;
  }
  StreamState state_;
};

TEST_F(FrameReaderTest, BodyLengthsFollowLayerBitrateAndSampleRate) {
  EXPECT_EQ(HeaderBodyLength(kL3Header), 413);
  EXPECT_EQ(HeaderBodyLength(FrameHeader(kMpeg1, 3, 9, 0, 1)), 414);
  EXPECT_EQ(HeaderBodyLength(FrameHeader(kMpeg1, 1, 12, 1)), 380);   // 384 kbit/s at 48 kHz
  EXPECT_EQ(HeaderBodyLength(FrameHeader(kMpeg2, 3, 8, 0)), 204);    // 64 kbit/s at 22050 Hz
  EXPECT_EQ(HeaderBodyLength(FrameHeader(kMpeg1, 2, 10, 2)), 860);   // 192 kbit/s at 32 kHz
  EXPECT_EQ(HeaderBodyLength(FrameHeader(kMpeg25, 3, 8, 2)), 572);   // 64 kbit/s at 8000 Hz
  EXPECT_EQ(HeaderBodyLength(FrameHeader(kMpeg1, 3, 0, 0)), -1) << "free format has no length";
  EXPECT_EQ(HeaderBodyLength(FrameHeader(kMpeg1, 3, 15, 0)), -1);
  EXPECT_EQ(HeaderBodyLength(FrameHeader(kMpeg1, 3, 9, 3)), -1);
  EXPECT_EQ(HeaderBodyLength(FrameHeader(kMpeg25, 2, 14, 2)), -1) << "longer than a frame area";
}

TEST_F(FrameReaderTest, BitrateTableHasTheStandardsRegularities) {
  for (int i = 1; i < 15; ++i) {
    EXPECT_EQ(kBitrates[0][0][i], 32 * i) << "MPEG-1 Layer I steps by 32 kbit/s";
    EXPECT_EQ(kBitrates[1][1][i], i <= 8 ? 8 * i : 64 + 16 * (i - 8)) << i;
    EXPECT_EQ(kBitrates[1][2][i], kBitrates[1][1][i]) << "low sampling rates share one Layer II/III column";
    EXPECT_GT(kBitrates[0][1][i], kBitrates[0][1][i - 1]);
    EXPECT_GT(kBitrates[0][2][i], kBitrates[0][2][i - 1]);
  }
  EXPECT_EQ(kBitrates[0][1][14], 384);
  EXPECT_EQ(kBitrates[0][2][14], 320);
  EXPECT_EQ(kBitrates[1][0][14], 256);
  for (int l = 0; l < 3; ++l) {
    EXPECT_EQ(kBitrates[0][l][0], 0);
    EXPECT_EQ(kBitrates[0][l][15], 0);
  }
}

TEST_F(FrameReaderTest, ParsesTheFirstHeaderAndReadsConsecutiveFrames) {
  std::vector<uint8_t> file;
  for (int i = 0; i < 5; ++i) AppendFrame(file, FrameHeader(kMpeg1, 3, 9, 0, 0, 1, 2, true), kL3Body, uint8_t(i + 1));
  EXPECT_EQ(Open(file, "plain.mp3"), int64_t(file.size()));
  ASSERT_EQ(ReadFrame(&state_, this), 1);
  EXPECT_EQ(state_.layer, 3);
  EXPECT_EQ(state_.lowSampling, 0);
  EXPECT_EQ(state_.sampleRateIndex, 0);
  EXPECT_EQ(state_.bitrateIndex, 9);
  EXPECT_EQ(state_.hasCrc, 1);
  EXPECT_EQ(state_.mode, 1);
  EXPECT_EQ(state_.modeExt, 2);
  EXPECT_EQ(state_.channels, 2);
  EXPECT_EQ(state_.headerChanged, 1);
  EXPECT_EQ(gFrameReader.sideInfoLength, 34);
  EXPECT_EQ(gFrameReader.bodyLength, kL3Body);
  EXPECT_EQ(gBitReader.bitPointer, gFrameReader.currentBody);
  ASSERT_EQ(ReadFrame(&state_, this), 1);
  EXPECT_EQ(state_.headerChanged, 0);
  EXPECT_EQ(gFrameReader.previousBody[0], 1) << "the previous body stays in the other area";
  EXPECT_EQ(gFrameReader.currentBody[0], 2);
  EXPECT_EQ(ReadAll(), (std::vector<int>{3, 4, 5}));
  EXPECT_EQ(gSyncPosts, std::vector<intptr_t>{kSyncLocked}) << "repeated headers post nothing";

  // Layer II joint stereo: the bound stays within the allocation table's subbands (64 kbit/s stereo at
  // 48 kHz codes 8; mode extension 3 would put the bound at 16).
  for (int modeExt : {0, 3}) {
    std::vector<uint8_t> l2;
    const uint32_t h = FrameHeader(kMpeg1, 2, 4, 1, 0, 1, modeExt);
    AppendFrame(l2, h, HeaderBodyLength(h), 1);
    Open(l2, "joint.mp2");
    ASSERT_EQ(ReadFrame(&state_, this), 1);
    EXPECT_EQ(state_.sbLimit, 8);
    EXPECT_EQ(state_.jointBound, modeExt == 0 ? 4 : 8);
  }
}

TEST_F(FrameReaderTest, SkipsARiffWrapper) {
  std::vector<uint8_t> file = {'R', 'I', 'F', 'F'};
  file.resize(72, 0x11);
  for (int i = 0; i < 3; ++i) AppendFrame(file, kL3Header, kL3Body, uint8_t(i + 1));
  Open(file, "wrapped.mp3");
  EXPECT_EQ(ReadAll(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(gSyncPosts, (std::vector<intptr_t>{kSyncRiff, kSyncLocked}));
}

TEST_F(FrameReaderTest, ShortJunkIsSkippedSilentlyLongJunkReportsTheSearch) {
  for (size_t junk : {size_t(100), size_t(2047), size_t(5000)}) {
    gSyncPosts.clear();
    std::vector<uint8_t> file(junk, 0x00);
    for (int i = 0; i < 3; ++i) AppendFrame(file, kL3Header, kL3Body, uint8_t(i + 1));
    Open(file, "junk.mp3");
    EXPECT_EQ(ReadAll(), (std::vector<int>{1, 2, 3})) << junk;
    const bool searched = std::find(gSyncPosts.begin(), gSyncPosts.end(), kSyncSearching) != gSyncPosts.end();
    EXPECT_EQ(searched, junk > 2048) << junk;
    EXPECT_EQ(gSyncPosts.back(), kSyncLocked);
  }
}

TEST_F(FrameReaderTest, AlternatingPaddingPostsForEveryChangedHeader) {
  std::vector<uint8_t> file;
  const int pads[] = {0, 1, 1, 0, 1};
  for (int i = 0; i < 5; ++i) AppendFrame(file, FrameHeader(kMpeg1, 3, 9, 0, pads[i]), kL3Body + pads[i], uint8_t(i + 1));
  Open(file, "padding.mp3");
  std::vector<int> changed;
  while (ReadFrame(&state_, this) == 1) changed.push_back(state_.headerChanged);
  EXPECT_EQ(changed, (std::vector<int>{1, 1, 0, 1, 1}));
  EXPECT_EQ(gSyncPosts.size(), 4u);
}

TEST_F(FrameReaderTest, ResynchronisesAfterADamagedFrame) {
  std::vector<uint8_t> file;
  AppendFrame(file, kL3Header, kL3Body, 1);
  AppendFrame(file, kL3Header, kL3Body, 2);
  file.insert(file.end(), 37, 0x5A);  // a damaged stretch between two frames
  AppendFrame(file, kL3Header, kL3Body, 3);
  // A header of another stream (Layer I) is passed over while resynchronising.
  file.insert(file.end(), 5, 0x00);
  AppendHeader(file, FrameHeader(kMpeg1, 1, 5, 0));
  AppendFrame(file, FrameHeader(kMpeg1, 3, 9, 0, 1), kL3Body + 1, 4);
  // A hole of 4 MB of zeros (an interrupted download), read through the buffer to the exact byte.
  file.resize(file.size() + (4u << 20), 0x00);
  AppendFrame(file, kL3Header, kL3Body, 5);
  Open(file, "damaged.mp3");
  EXPECT_EQ(ReadAll(), (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(std::count(gSyncPosts.begin(), gSyncPosts.end(), kSyncSearching), 3);
  EXPECT_EQ(StreamOffset(), int64_t(file.size()));
}

TEST_F(FrameReaderTest, EveryHeaderSetsTheBitrateOfItsOwnFrame) {
  // Variable bitrate, in MPEG-1 and MPEG-2: each body length follows its own header.
  struct Case {
    MpegVersion v;
    int index;
    int body;
  };
  const Case cases[] = {{kMpeg1, 9, 413}, {kMpeg1, 1, 100}, {kMpeg1, 14, 1040}, {kMpeg1, 5, 204}};
  std::vector<uint8_t> file;
  for (int i = 0; i < 4; ++i) AppendFrame(file, FrameHeader(cases[i].v, 3, cases[i].index, 0), cases[i].body, uint8_t(i + 1));
  Open(file, "vbr1.mp3");
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(ReadFrame(&state_, this), 1) << i;
    EXPECT_EQ(state_.bitrateIndex, cases[i].index);
    EXPECT_EQ(gFrameReader.bodyLength, cases[i].body);
    EXPECT_EQ(gFrameReader.currentBody[0], i + 1);
  }
  EXPECT_EQ(ReadFrame(&state_, this), 0);
  EXPECT_EQ(std::count(gSyncPosts.begin(), gSyncPosts.end(), kSyncSearching), 0);

  std::vector<uint8_t> lsf;
  AppendFrame(lsf, FrameHeader(kMpeg2, 3, 8, 0), 204, 1);   // 64 kbit/s at 22050 Hz
  AppendFrame(lsf, FrameHeader(kMpeg2, 3, 14, 0), 518, 2);  // 160 kbit/s
  AppendFrame(lsf, FrameHeader(kMpeg2, 3, 1, 0), 22, 3);    // 8 kbit/s
  Open(lsf, "vbr2.mp3");
  EXPECT_EQ(ReadAll(), (std::vector<int>{1, 2, 3}));
}

TEST_F(FrameReaderTest, Mpeg25StreamsKeepTheirOwnSampleRate) {
  const int bodies[3] = {622, 572, 572};  // 64 kbit/s: 11025 Hz pads nothing; 12000 and 8000 Hz
  const int expectedIndex[3] = {6, 7, 8};
  const int srBits[3] = {0, 1, 2};
  for (int k = 0; k < 3; ++k) {
    std::vector<uint8_t> file;
    const uint32_t h = FrameHeader(kMpeg25, 3, 8, srBits[k]);
    const int body = HeaderBodyLength(h);
    EXPECT_EQ(body, k == 0 ? 64 * 144000 / 22050 - 4 : k == 1 ? 64 * 144000 / 24000 - 4 : 572);
    (void)bodies;
    for (int i = 0; i < 2; ++i) AppendFrame(file, h, body, uint8_t(i + 1));
    Open(file, "mpeg25.mp3");
    ASSERT_EQ(ReadFrame(&state_, this), 1);
    EXPECT_EQ(state_.sampleRateIndex, expectedIndex[k]);
    EXPECT_EQ(kSampleRates[state_.sampleRateIndex], k == 0 ? 11025 : k == 1 ? 12000 : 8000);
    EXPECT_EQ(state_.isMpeg25, 1);
    EXPECT_EQ(state_.lowSampling, 1);
    EXPECT_EQ(gFrameReader.sideInfoLength, 17);
    EXPECT_EQ(ReadFrame(&state_, this), 1);
  }
}

TEST_F(FrameReaderTest, SkipsAnId3v2TagBeforeLookingForHeaders) {
  // Every second pair of the tag's bytes looks like a frame header.
  std::vector<uint8_t> body(3000, 0xFF);
  for (size_t i = 1; i < body.size(); i += 2) body[i] = 0xFB;
  for (bool footer : {false, true}) {
    std::vector<uint8_t> file = Id3v2Tag(body, footer);
    for (int i = 0; i < 3; ++i) AppendFrame(file, kL3Header, kL3Body, uint8_t(i + 1));
    gSyncPosts.clear();
    Open(file, "tagged.mp3");
    EXPECT_EQ(ReadAll(), (std::vector<int>{1, 2, 3})) << footer;
    EXPECT_EQ(gSyncPosts, std::vector<intptr_t>{kSyncLocked});
    EXPECT_EQ(StreamFrames(), 3 * 417 / kL3Body) << "frames are counted from the end of the tag";
  }
}

TEST_F(FrameReaderTest, ATagClaimingMoreThanTheFileHoldsIsSearchedThrough) {
  std::vector<uint8_t> file = {'I', 'D', '3', 3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};  // 256 MiB, it says
  for (int i = 0; i < 3; ++i) AppendFrame(file, kL3Header, kL3Body, uint8_t(i + 1));
  Open(file, "bigtag.mp3");
  EXPECT_EQ(ReadAll(), (std::vector<int>{1, 2, 3}));
}

TEST_F(FrameReaderTest, AFalseHeaderInFrontOfTheAudioIsNotTakenAsTheFirst) {
  std::vector<uint8_t> file(300, 0x00);
  AppendHeader(file, FrameHeader(kMpeg1, 2, 4, 1));  // valid on its own, but no frame of it follows
  file.resize(file.size() + 150, 0x00);
  for (int i = 0; i < 3; ++i) AppendFrame(file, kL3Header, kL3Body, uint8_t(i + 1));
  Open(file, "falsestart.mp3");
  EXPECT_EQ(ReadAll(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(state_.layer, 3);

  // A single frame with nothing behind it is still a stream.
  std::vector<uint8_t> single;
  AppendFrame(single, kL3Header, kL3Body, 9);
  Open(single, "single.mp3");
  EXPECT_EQ(ReadAll(), std::vector<int>{9});
}

TEST_F(FrameReaderTest, OnlyAValidHeaderStartsTheStream) {
  // Where the first scan gives up after 2048 bytes, the bytes at hand may carry the sync bits and still
  // be no header: a run of 0xFF, sample-rate bits 11, bitrate index 15. Each is passed over, the search
  // is reported once, and the audio behind plays in full.
  for (uint32_t junk : {0xFFFFFFFFu, FrameHeader(kMpeg1, 3, 9, 3), FrameHeader(kMpeg1, 3, 15, 0)}) {
    std::vector<uint8_t> file(3000, 0xFF);
    if (junk != 0xFFFFFFFFu) {
      file.assign(2048, 0x00);
      AppendHeader(file, junk);
      file.resize(file.size() + 500, 0x00);
    }
    for (int i = 0; i < 3; ++i) AppendFrame(file, kL3Header, kL3Body, uint8_t(i + 1));
    gSyncPosts.clear();
    Open(file, "junk-first.mp3");
    EXPECT_EQ(ReadAll(), (std::vector<int>{1, 2, 3})) << std::hex << junk;
    EXPECT_EQ(gSyncPosts, (std::vector<intptr_t>{kSyncSearching, kSyncLocked})) << std::hex << junk;
  }

  // A body longer than a frame area (MPEG 2.5 Layer II at 160 kbit/s) ends the stream.
  std::vector<uint8_t> big;
  AppendFrame(big, FrameHeader(kMpeg25, 2, 14, 2), 1800, 1);
  Open(big, "toolong.mp3");
  EXPECT_EQ(ReadFrame(&state_, this), 0);

  std::vector<uint8_t> none(10000, 0x42);
  Open(none, "nothing.mp3");
  EXPECT_EQ(ReadFrame(&state_, this), 0);
  EXPECT_EQ(OpenStream(ScratchPath("does-not-exist.mp3").c_str()), -1);
}

TEST_F(FrameReaderTest, ShortLastFrameIsZeroFilled) {
  std::vector<uint8_t> file;
  AppendFrame(file, kL3Header, kL3Body, 1);
  AppendFrame(file, kL3Header, kL3Body, 2);
  std::fill(file.end() - kL3Body + 1, file.end(), 0x33);
  file.resize(file.size() - 200);
  Open(file, "short.mp3");
  ASSERT_EQ(ReadFrame(&state_, this), 1);
  ASSERT_EQ(ReadFrame(&state_, this), 1);
  EXPECT_EQ(gFrameReader.currentBody[kL3Body - 201], 0x33);
  EXPECT_EQ(gFrameReader.currentBody[kL3Body - 200], 0);
  EXPECT_EQ(gFrameReader.currentBody[kL3Body - 1], 0);
  EXPECT_EQ(ReadFrame(&state_, this), 0);
}

TEST_F(FrameReaderTest, CountsFramesAndPositionsByBodyLength) {
  std::vector<uint8_t> file;
  while (file.size() + 417 <= 1000000) AppendFrame(file, kL3Header, kL3Body, 1);
  file.resize(1000000, 0);
  Open(file, "million.mp3");
  ASSERT_EQ(ReadFrame(&state_, this), 1);
  EXPECT_EQ(StreamFrames(), 2421);
  for (int i = 0; i < 9; ++i) ReadFrame(&state_, this);
  EXPECT_EQ(StreamPosition(), 10 * 417 / 413);
  CloseStream();
  EXPECT_EQ(StreamFrames(), 0);
  EXPECT_EQ(StreamPosition(), 0);
}

TEST_F(FrameReaderTest, SeeksByFrameNumber) {
  std::vector<uint8_t> file;
  for (int i = 0; i < 40; ++i) AppendFrame(file, kL3Header, kL3Body, uint8_t(i + 1));
  Open(file, "seek.mp3");
  EXPECT_EQ(SeekFrame(&state_, 5, this), 0) << "no first header yet";
  for (int i = 0; i < 20; ++i) ReadFrame(&state_, this);
  for (int frame : {0, 1, 2}) {
    gSyncPosts.clear();
    ASSERT_EQ(SeekFrame(&state_, frame, this), 1);
    EXPECT_EQ(StreamPosition(), 0) << "frames 0 to 2 go to the start and read nothing ahead";
    EXPECT_EQ(gSyncPosts, (std::vector<intptr_t>{kSyncSearching, kSyncLocked}));
    ASSERT_EQ(ReadFrame(&state_, this), 1);
    EXPECT_EQ(gFrameReader.currentBody[0], 1);
  }
  // Frame 10: the search starts at 7 x 413 = 2891 bytes, inside frame 6; the next header is frame 7,
  // and three frames (7, 8, 9) are read ahead for the bit reservoir, so frame 10 is decoded next.
  ASSERT_EQ(SeekFrame(&state_, 10, this), 1);
  EXPECT_EQ(gFrameReader.currentBody[0], 10);
  EXPECT_EQ(gFrameReader.previousBody[0], 9);
  ASSERT_EQ(ReadFrame(&state_, this), 1);
  EXPECT_EQ(gFrameReader.currentBody[0], 11);
  // The position display and the seek use one unit: seeking to the reported position stays put.
  for (int i = 0; i < 10; ++i) ReadFrame(&state_, this);
  const int32_t here = StreamPosition();
  ASSERT_EQ(SeekFrame(&state_, here, this), 1);
  EXPECT_NEAR(StreamPosition(), here, 1);
  EXPECT_EQ(SeekFrame(&state_, 5000, this), 0) << "past the end";
}

// An encoder's header frame in front of 60 frames (tags 1..60): it is not played, its count is the length,
// and its table places seeks; damaged counts leave the byte rule.
TEST_F(FrameReaderTest, HeaderFrameGivesLengthAndSeeks) {
  const int frameBytes = kL3Body + 4;
  std::vector<uint8_t> audio;
  for (int i = 0; i < 60; ++i) AppendFrame(audio, kL3Header, kL3Body, uint8_t(i + 1));
  XingFields x;
  x.tag = "Info";
  x.frames = 60;
  x.bytes = uint32_t(61 * frameBytes);
  for (int i = 0; i < 100; ++i) x.toc[i] = uint8_t((frameBytes + i * 60 * frameBytes / 100) * 256 / x.bytes);
  std::vector<uint32_t> table(15, uint32_t(4 * frameBytes));
  const std::vector<uint8_t> headerFrames[] = {XingFrame(kL3Header, x),
                                               VbriFrame(kL3Header, 61 * frameBytes, 60, table, 1, 2, 4)};
  for (const std::vector<uint8_t>& header : headerFrames) {
    std::vector<uint8_t> file = header;
    file.insert(file.end(), audio.begin(), audio.end());
    Open(file, "header-frame.mp3");
    ASSERT_EQ(ReadFrame(&state_, this), 1);
    EXPECT_EQ(gFrameReader.currentBody[0], 1) << "the header frame is not played";
    EXPECT_EQ(state_.headerChanged, 1);
    EXPECT_EQ(StreamFrames(), 60);
    EXPECT_EQ(StreamPosition(), 1);
    for (int frame : {30, 45, 7, 0}) {
      ASSERT_EQ(SeekFrame(&state_, frame, this), 1);
      EXPECT_EQ(StreamPosition(), frame);
      ASSERT_EQ(ReadFrame(&state_, this), 1);
      // VBRI boundaries are exact; the Xing table lands within a frame of the target.
      EXPECT_NEAR(gFrameReader.currentBody[0], frame + 1, header == headerFrames[0] ? 1 : 0) << frame;
    }
  }
  // A frame count of 0, and a byte count past the file: the byte rule, and still no header frame played.
  for (uint32_t bytes : {uint32_t(61 * frameBytes), uint32_t(62 * frameBytes)}) {
    XingFields bad = x;
    bad.frames = bytes == x.bytes ? 0 : 60;
    bad.bytes = bytes;
    std::vector<uint8_t> file = XingFrame(kL3Header, bad);
    file.insert(file.end(), audio.begin(), audio.end());
    Open(file, "bad-header-frame.mp3");
    ASSERT_EQ(ReadFrame(&state_, this), 1);
    EXPECT_EQ(gFrameReader.currentBody[0], 1);
    EXPECT_EQ(StreamFrames(), 61);
  }
}

TEST_F(FrameReaderTest, ConformanceStreamsReadWithoutLosingSync) {
  const char* names[] = {"l1-fl1", "l1-fl2", "l1-fl3", "l1-fl4", "l2-fl10", "l2-fl11", "l2-fl12", "l2-fl13",
                         "l3-compl", "l3-he_32khz", "l3-he_44khz", "l3-hecommon", "l3-si_block", "l3-sin1k0db", "l3-test45",
                         "M2L3_bitrate_22_all", "M2L3_compl24"};
  for (const char* name : names) {
    const std::string path = ConformancePath(name);
    gSyncPosts.clear();
    ASSERT_GT(OpenStream(path.c_str()), 0) << path;
    ResetSync();
    int frames = 0;
    int32_t result;
    while ((result = ReadFrame(&state_, this)) == 1) ++frames;
    EXPECT_EQ(result, 0);
    EXPECT_GT(frames, 10) << name;
    // Once the first header is found, every frame follows right behind the one before.
    const auto firstLock = std::find(gSyncPosts.begin(), gSyncPosts.end(), kSyncLocked);
    EXPECT_EQ(std::count(firstLock, gSyncPosts.end(), kSyncSearching), 0) << name;
    CloseStream();
  }
}

}  // namespace
