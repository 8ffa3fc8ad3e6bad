#include "decoder/vbr_header.h"

#include <gtest/gtest.h>

#include "tests/vbr_header_builder.h"

namespace {

VbrHeader Parse(const std::vector<uint8_t>& frame, int32_t* result = nullptr) {
  VbrHeader v;
  const uint32_t h = uint32_t(frame[0]) << 24 | uint32_t(frame[1]) << 16 | uint32_t(frame[2]) << 8 | frame[3];
  const int32_t r = ParseVbrHeader(h, frame.data() + 4, int32_t(frame.size()) - 4, &v);
  if (result) *result = r;
  return v;
}

XingFields EvenXing(uint32_t frames, uint32_t bytes) {
  XingFields x;
  x.frames = frames;
  x.bytes = bytes;
  for (int i = 0; i < 100; ++i) x.toc[i] = uint8_t(i * 256 / 100);
  return x;
}

TEST(VbrHeaderTest, XingFieldsStandBehindTheSideInformationOfEachLayout) {
  // MPEG-1 stereo, MPEG-1 mono with a CRC word, MPEG-2 mono, MPEG 2.5 stereo: four side-info lengths.
  const uint32_t headers[] = {FrameHeader(kMpeg1, 3, 9, 0), FrameHeader(kMpeg1, 3, 9, 0, 0, 3, 0, true),
                              FrameHeader(kMpeg2, 3, 8, 0, 0, 3), FrameHeader(kMpeg25, 3, 8, 2, 0, 1)};
  for (uint32_t h : headers) {
    SCOPED_TRACE(h);
    XingFields x = EvenXing(1000, 400000);
    x.tag = h == headers[2] ? "Info" : "Xing";
    int32_t result = 0;
    VbrHeader v = Parse(XingFrame(h, x), &result);
    ASSERT_EQ(result, 1);
    EXPECT_EQ(v.kind, kXingHeader);
    EXPECT_EQ(v.frames, 1000);
    EXPECT_EQ(v.bytes, 400000);
    EXPECT_EQ(v.hasToc, 1);
    EXPECT_EQ(v.toc[50], 128);
    EXPECT_EQ(v.hasLame, 0) << "zero bytes carry no valid LAME CRC";
    EXPECT_EQ(VbrHeaderFits(&v, 400000, 104, 1152), 1);
    int32_t landed = -1;
    EXPECT_EQ(VbrSeekOffset(v, 500, 417, &landed), 200000);
    EXPECT_EQ(landed, 500);
  }
  // Optional fields left out shift the rest: without a byte count the table still parses.
  XingFields x = EvenXing(1000, 0);
  x.withBytes = false;
  VbrHeader v = Parse(XingFrame(FrameHeader(kMpeg1, 3, 9, 0), x));
  EXPECT_EQ(v.frames, 1000);
  EXPECT_EQ(v.toc[99], 253);
  // The tag one byte off its place is no header frame, nor is a plain frame.
  std::vector<uint8_t> shifted = XingFrame(FrameHeader(kMpeg1, 3, 9, 0), EvenXing(10, 4170));
  shifted.insert(shifted.begin() + 5, 0);
  EXPECT_EQ(Parse(shifted).kind, kNoVbrHeader);
  EXPECT_EQ(Parse(std::vector<uint8_t>(417, 0xFF)).kind, kNoVbrHeader);
}

// A header frame with a CRC word carries its tag behind it, or (as lame writes it) where an unprotected
// frame's tag would stand: the LAME CRC over the bytes in front of it holds in either place.
TEST(VbrHeaderTest, ProtectedHeaderFramesCarryTheTagInEitherPlace) {
  for (uint32_t h : {FrameHeader(kMpeg1, 3, 9, 0, 0, 3, 0, true), FrameHeader(kMpeg2, 3, 8, 0, 0, 3, 0, true)}) {
    for (bool unprotectedPlace : {false, true}) {
      SCOPED_TRACE(::testing::Message() << h << (unprotectedPlace ? " unprotected place" : " protected place"));
      XingFields x = EvenXing(1000, 400000);
      x.withLame = true;
      x.unprotectedPlace = unprotectedPlace;
      const VbrHeader v = Parse(XingFrame(h, x));
      EXPECT_EQ(v.frames, 1000);
      EXPECT_EQ(v.toc[50], 128);
      EXPECT_EQ(v.hasLame, 1);
      EXPECT_EQ(v.encoderDelay, 576);
      EXPECT_EQ(v.encoderPadding, 1234);
    }
  }
}

TEST(VbrHeaderTest, AbsurdValuesAreDropped) {
  const uint32_t h = FrameHeader(kMpeg1, 3, 9, 0);
  VbrHeader v = Parse(XingFrame(h, EvenXing(0, 4000)));
  EXPECT_EQ(VbrHeaderFits(&v, 5000, 104, 1152), 0) << "a frame count of 0";
  EXPECT_EQ(VbrSeekOffset(v, 0, 417, nullptr), -1);
  v = Parse(XingFrame(h, EvenXing(1000, 4000)));
  EXPECT_EQ(VbrHeaderFits(&v, 4000, 104, 1152), 0) << "more frames than the bytes hold";
  v = Parse(XingFrame(h, EvenXing(10, 4170)));
  EXPECT_EQ(VbrHeaderFits(&v, 4000, 104, 1152), 0) << "a byte count past the file";
  XingFields backwards = EvenXing(10, 4170);
  backwards.toc[40] = 250;
  v = Parse(XingFrame(h, backwards));
  EXPECT_EQ(VbrHeaderFits(&v, 4170, 104, 1152), 1) << "the frame count still holds";
  EXPECT_EQ(v.hasToc, 0);
  EXPECT_EQ(VbrSeekOffset(v, 5, 417, nullptr), -1);
}

TEST(VbrHeaderTest, VbriTableGivesFrameBoundaries) {
  const uint32_t h = FrameHeader(kMpeg1, 3, 9, 0);
  // Entries of two bytes, scale 2: 1000, 1200 and 800 bytes for 4 frames each.
  VbrHeader v = Parse(VbriFrame(h, 3417, 12, {500, 600, 400}, 2, 2, 4));
  ASSERT_EQ(v.kind, kVbriHeader);
  EXPECT_EQ(v.frames, 12);
  ASSERT_EQ(VbrHeaderFits(&v, 3417, 104, 1152), 1);
  ASSERT_EQ(v.entries, 3);
  int32_t landed = -1;
  EXPECT_EQ(VbrSeekOffset(v, 6, 417, &landed), 417 + 1000);
  EXPECT_EQ(landed, 4);
  EXPECT_EQ(VbrSeekOffset(v, 8, 417, &landed), 417 + 2200);
  EXPECT_EQ(landed, 8);
  // A table past the file or longer than the frame is not used; the counts still are.
  v = Parse(VbriFrame(h, 3417, 12, {500, 600, 40000}, 2, 2, 4));
  EXPECT_EQ(VbrHeaderFits(&v, 3417, 104, 1152), 1);
  EXPECT_EQ(v.entries, 0);
  v = Parse(VbriFrame(h, 3417, 12, std::vector<uint32_t>(200, 1), 1, 4, 1));
  EXPECT_EQ(v.frames, 12);
  EXPECT_EQ(v.entries, 0);
  // A table longer than the kept entries is thinned to whole groups.
  const uint32_t big = FrameHeader(kMpeg1, 3, 14, 1);  // 320 kbit/s at 48 kHz: 960-byte frames
  v = Parse(VbriFrame(big, 90000, 890, std::vector<uint32_t>(890, 60), 1, 1, 1));
  ASSERT_EQ(VbrHeaderFits(&v, 90000, 96, 1152), 1);
  EXPECT_EQ(v.entries, 445);
  EXPECT_EQ(v.framesPerEntry, 2);
  EXPECT_EQ(VbrSeekOffset(v, 301, 960, &landed), 960 + 300 * 60);
  EXPECT_EQ(landed, 300);
}

}  // namespace
