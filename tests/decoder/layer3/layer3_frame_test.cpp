// Frame-level tests of the Layer III decoder on streams written here: channel selections (including a
// mix of channels whose block types differ), granule output into blocks with spectrum records, the
// reservoir on the first frame, and survival of frames whose side information and main data are noise.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "decoder/bit_reader.h"
#include "decoder/decode_buffer.h"
#include "decoder/frame_decoding.h"
#include "decoder/frame_reader.h"
#include "decoder/layer3/layer3_build.h"
#include "decoder/synthesis.h"
#include "tests/box_recorder.h"
#include "tests/decode_file.h"
#include "tests/decoder/layer3/layer3_test_support.h"
#include "tests/frame_header_builder.h"
#include "tests/test_files.h"

namespace {

constexpr int kBodyBytes = 413;  // MPEG-1 Layer III, 128 kbit/s, 44100 Hz, no padding
constexpr int kSideBytes = 32;

struct Shape {
  int blockType;
  int mixed;
};

// Writes one channel's granule: side information into `side`, scalefactors and Huffman data into `main`.
// Values stay small so that no channel, nor their mix, clips.
void WriteGranule(std::mt19937& rng, const Shape& shape, int granule, BitWriter& side, BitWriter& main) {
  BitWriter data;
  const int compress = int(rng() % 16);
  const int slen1 = kMpeg1Slen1[compress], slen2 = kMpeg1Slen2[compress];
  int count1 = 0, count2 = 0;
  if (shape.blockType == 2) {
    count1 = shape.mixed ? 17 : 18;
    count2 = 18;
  } else {
    count1 = 11;
    count2 = 10;
  }
  for (int i = 0; i < count1; ++i) data.Put(rng() % (1u << slen1), slen1);
  for (int i = 0; i < count2; ++i) data.Put(rng() % (1u << slen2), slen2);
  static const int kTables[] = {1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13};
  const int table = kTables[rng() % 12];
  int top = 0;
  for (int i = 0; i < kBigValueCodeLists[table].count; ++i) top = std::max(top, kBigValueCodeLists[table].codes[i].value & 15);
  const int bigValues = 10 + int(rng() % 50);
  for (int p = 0; p < bigValues; ++p) {
    const int x = int(rng() % (top + 1)), y = int(rng() % (top + 1));
    PutPair(data, table, x, y);
    if (x) data.Put(rng() % 2, 1);
    if (y) data.Put(rng() % 2, 1);
  }
  const int countTable = int(rng() % 2);
  const int quads = int(rng() % 20);
  for (int q = 0; q < quads; ++q) {
    const int pattern = int(rng() % 16);
    PutQuad(data, countTable, pattern);
    for (int k = 0; k < 4; ++k)
      if (pattern & (8 >> k)) data.Put(rng() % 2, 1);
  }
  side.Put(uint32_t(data.size()), 12);
  side.Put(bigValues, 9);
  side.Put(158 + rng() % 12, 8);
  side.Put(compress, 4);
  side.Put(shape.blockType != 0, 1);
  if (shape.blockType != 0) {
    side.Put(shape.blockType, 2);
    side.Put(shape.mixed, 1);
    side.Put(table, 5);
    side.Put(table, 5);
    for (int w = 0; w < 3; ++w) side.Put(rng() % 3, 3);
  } else {
    for (int r = 0; r < 3; ++r) side.Put(table, 5);
    side.Put(rng() % 16, 4);
    side.Put(rng() % 8, 3);
  }
  side.Put(granule == 1 ? rng() % 2 : 0, 1);  // preflag
  side.Put(rng() % 2, 1);                     // scalefac_scale
  side.Put(countTable, 1);
  main.Append(data);
}

// A stereo MPEG-1 stream of `frames` frames in the given mode, with random block shapes per channel
// and granule; `differ` counts the granules whose two channels differ in shape.
std::vector<uint8_t> MakeStream(uint32_t seed, int frames, int mode, int modeExt, int* differ, int firstBegin = 0) {
  std::mt19937 rng(seed);
  const Shape shapes[] = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {2, 1}};
  std::vector<uint8_t> stream;
  *differ = 0;
  for (int f = 0; f < frames; ++f) {
    AppendHeader(stream, FrameHeader(kMpeg1, 3, 9, 0, 0, mode, modeExt));
    BitWriter side, main;
    side.Put(f == 0 ? firstBegin : 0, 9);
    side.Put(0, 3);
    side.Put(0, 4);  // scfsi: granule 1 reads all its scalefactors
    side.Put(0, 4);
    for (int g = 0; g < 2; ++g) {
      const Shape a = shapes[rng() % 5], b = shapes[rng() % 5];
      *differ += a.blockType != b.blockType || a.mixed != b.mixed;
      WriteGranule(rng, a, g, side, main);
      WriteGranule(rng, b, g, side, main);
    }
    EXPECT_EQ(side.size(), size_t(kSideBytes * 8));
    EXPECT_LE(main.size(), size_t((kBodyBytes - kSideBytes) * 8));
    std::vector<uint8_t> body = side.Bytes();
    const std::vector<uint8_t> data = main.Bytes();
    body.insert(body.end(), data.begin(), data.end());
    body.resize(kBodyBytes, 0);
    stream.insert(stream.end(), body.begin(), body.end());
  }
  return stream;
}

DecodedFile Decode(const std::string& path, int channelSelect, int quality = 0) {
  DecodeOptions options;
  options.channelSelect = channelSelect;
  options.quality = quality;
  return DecodeFileToPcm(path, options);
}

// One-channel output of a stereo stream is exactly the chosen channel of the two-channel output, and the
// mix is their average, also where the two channels' block types differ.
TEST(Layer3FrameTest, ChannelSelectionsAgreeWithTheStereoOutput) {
  for (int modeExt = 0; modeExt < 4; ++modeExt) {
    SCOPED_TRACE(modeExt);
    int differ = 0;
    const std::string path = WriteScratchFile("l3-frames-" + std::to_string(modeExt) + ".mp3",
                                         MakeStream(40 + modeExt, 60, modeExt ? 1 : 0, modeExt, &differ));
    ASSERT_GT(differ, 20);
    ASSERT_LT(differ, 100);
    const DecodedFile stereo = Decode(path, -1);
    ASSERT_EQ(stereo.result, kTrackDone);
    EXPECT_EQ(stereo.info.streamErrors, 0);
    ASSERT_EQ(stereo.pcm.size(), size_t(60 * 1152 * 2));
    EXPECT_EQ(stereo.info.clipped, 0);
    const std::vector<int16_t> left = Channel(stereo.pcm, 2, 0), right = Channel(stereo.pcm, 2, 1);
    int64_t loud = 0;
    for (int16_t v : left) loud += std::abs(v) > 100;
    ASSERT_GT(loud, 10000);  // the stream is not silent

    EXPECT_EQ(Decode(path, 0).pcm, left);
    EXPECT_EQ(Decode(path, 1).pcm, right);
    const std::vector<int16_t> mix = Decode(path, 3).pcm;
    ASSERT_EQ(mix.size(), left.size());
    double sum = 0;
    int worst = 0;
    for (size_t i = 0; i < mix.size(); ++i) {
      const double d = double(mix[i]) - (double(left[i]) + double(right[i])) / 2;
      sum += d * d;
      worst = std::max(worst, int(std::fabs(d) + 0.5));
    }
    EXPECT_LT(std::sqrt(sum / double(mix.size())), 1.0);
    EXPECT_LE(worst, 2);
  }
}

// Granule output: 128 bytes per step at full-quality stereo make a 2048-byte block every 16 steps, each
// handed over with the spectrum record of the granule being output.
struct BlockLog {
  std::vector<int32_t> counts;
  int mismatchedRecords = 0;
  int silentRecords = 0;
};
BlockLog* gLog = nullptr;

int32_t LogBlock(int32_t count, const uint8_t*, const uint8_t* spectrum) {
  gLog->counts.push_back(count);
  const Layer3Build& b = gLayer3Builds[1];
  uint8_t expected[1152];
  BuildSpectrumRecord(b.subbandSamples[0], b.subbandSamples[1], expected);
  if (std::memcmp(expected, spectrum, sizeof expected) != 0) ++gLog->mismatchedRecords;
  bool silent = true;
  for (int i = 0; i < 1152; ++i) silent = silent && spectrum[i] == 0;
  gLog->silentRecords += silent;
  return count < kOutputBlockBytes ? count : kOutputBlockBytes;
}

TEST(Layer3FrameTest, GranulesFillBlocksWithTheirSpectrumRecords) {
  int differ = 0;
  const std::string path = WriteScratchFile("l3-blocks.mp3", MakeStream(9, 20, 0, 0, &differ));
  static uint8_t buffer[kDecodeBufferBytes];
  const DecodeBuffer savedBuffer = gDecodeBuffer;
  for (int quality : {0, 1}) {
    SCOPED_TRACE(quality);
    BlockLog log;
    gLog = &log;
    gDecodeBuffer = {buffer, 0};
    const WritePcmFn saved = gWritePcm;
    gWritePcm = LogBlock;
    StreamState state{};
    StartDecoder(1);
    PrepareTrack(&state, 1, quality ? 0 : -1, quality);
    ASSERT_GE(OpenStream(path.c_str()), 0);
    ResetSync();
    int frames = 0;
    while (DecodeNextFrame(&state, nullptr) == 1) ++frames;
    CloseStream();
    gWritePcm = saved;
    EXPECT_EQ(frames, 20);
    // Stereo full quality: 20 frames x 36 steps x 128 bytes; one-channel half quality: x 32 bytes.
    const int32_t total = 20 * 36 * (quality ? 32 : 128);
    EXPECT_EQ(log.counts.size(), size_t(total / kOutputBlockBytes));
    for (int32_t c : log.counts) EXPECT_EQ(c, kOutputBlockBytes);
    EXPECT_EQ(gDecodeBuffer.fill, total % kOutputBlockBytes);
    EXPECT_EQ(log.mismatchedRecords, 0);
    EXPECT_LT(log.silentRecords, int(log.counts.size()));
  }
  gDecodeBuffer = savedBuffer;
}

// main_data_begin on the first frame reaches before the start of the file: that frame gives no output
// and no message, and the frames after it are unaffected.
TEST(Layer3FrameTest, AFrameReachingBeforeTheFileGivesNoOutput) {
  int differ = 0;
  const std::vector<uint8_t> plain = MakeStream(77, 10, 0, 0, &differ);
  std::vector<uint8_t> reaching = plain;
  reaching[4] = uint8_t(200 >> 1);  // main_data_begin 200 (9 bits, first byte of the body)
  reaching[5] = uint8_t((reaching[5] & 0x7F) | ((200 & 1) << 7));
  const DecodedFile a = Decode(WriteScratchFile("l3-begin-plain.mp3", plain), -1);
  const DecodedFile b = Decode(WriteScratchFile("l3-begin-200.mp3", reaching), -1);
  ASSERT_EQ(b.result, kTrackDone);
  EXPECT_EQ(b.info.streamErrors, 0);
  // From the third frame on, past the overlap and the synthesis history, the output is the same.
  const size_t tail = 7 * 1152 * 2;
  ASSERT_EQ(a.pcm.size(), size_t(10 * 1152 * 2));
  ASSERT_EQ(b.pcm.size(), size_t(9 * 1152 * 2));
  EXPECT_TRUE(std::equal(a.pcm.end() - tail, a.pcm.end(), b.pcm.end() - tail));
}

// Frames with intact headers and noise for a body, in every stereo mode and layout, through every
// channel selection and quality: the decoder must neither fault nor hang. The sanitizers watch.
TEST(Layer3FrameTest, NoiseBodiesDecodeWithoutFaults) {
  std::mt19937 rng(99);
  std::string damaged;
  // MPEG-1 44100 Hz, MPEG-2 22050 Hz, MPEG 2.5 8000 Hz; with and without CRC.
  const uint32_t bases[] = {0xFFFB9000u, 0xFFFA9000u, 0xFFF39000u, 0xFFE38800u, 0xFFE28800u};
  int boxes = 0;
  for (uint32_t base : bases) {
    for (int mode = 0; mode < 4; ++mode) {
      const uint32_t header = base | uint32_t(mode) << 6 | uint32_t(rng() % 4) << 4;
      const int32_t body = HeaderBodyLength(header);
      ASSERT_GT(body, 0);
      std::vector<uint8_t> stream;
      for (int f = 0; f < 40; ++f) {
        AppendHeader(stream, header);
        for (int i = 0; i < body; ++i) stream.push_back(uint8_t(rng()));
      }
      const std::string path = WriteScratchFile("l3-noise.mp3", stream);
      for (int select : {-1, 0, 1, 3}) {
        for (int quality = 0; quality < 3; ++quality) {
          const DecodedFile d = Decode(path, select, quality);
          EXPECT_EQ(d.result, kTrackDone);
          boxes += d.info.streamErrors;
          if (d.info.streamErrors > 1) damaged = path;
        }
      }
    }
  }
  EXPECT_GT(boxes, 0);  // noise does hit block_type 0 with window switching

  // However many of its frames are damaged, a track shows "Error In Stream..." once and counts them all;
  // the next track starts counting again.
  ASSERT_FALSE(damaged.empty());
  const int32_t expected = Decode(damaged, -1).info.streamErrors;  // the last of the streams
  ASSERT_GT(expected, 1);
  BoxRecorder::Start();
  for (int track = 0; track < 2; ++track) {
    StreamState state{};
    PrepareTrack(&state, 1, -1, 0);
    ASSERT_GE(OpenStream(damaged.c_str()), 0);
    ResetSync();
    while (DecodeNextFrame(&state, nullptr) == 1) {
    }
    CloseStream();
    EXPECT_EQ(gStreamErrors, expected);
    const std::vector<RecordedBox> boxes = BoxRecorder::Boxes();
    EXPECT_EQ(std::count_if(boxes.begin(), boxes.end(),
                            [](const RecordedBox& box) { return box.text == "Error In Stream..." && box.caption == "Error.."; }),
              track + 1);
  }
  BoxRecorder::Stop();
}

}  // namespace
