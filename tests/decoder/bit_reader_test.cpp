#include "decoder/bit_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "decoder/frame_reader.h"

namespace {

uint8_t* Body() { return gFrameBlock + kReservoirBytes; }

void Load(std::initializer_list<uint8_t> bytes) {
  std::memset(gFrameBlock, 0, sizeof gFrameBlock);
  std::memcpy(Body(), bytes.begin(), bytes.size());
  SetBitPointer(Body());
}

// Bit n (from the most significant bit of byte 0) of a byte string.
uint32_t BitAt(const uint8_t* data, int64_t n) { return (data[n >> 3] >> (7 - (n & 7))) & 1; }

TEST(BitReader, ReadsAcrossByteBoundariesMostSignificantFirst) {
  Load({0xA5, 0x0F, 0xFF});
  EXPECT_EQ(GetBits(3), 5u);
  EXPECT_EQ(GetBits(5), 5u);
  EXPECT_EQ(GetBits(8), 0x0Fu);
  EXPECT_EQ(gBitReader.bitPointer, Body() + 2);
  EXPECT_EQ(gBitReader.bitOffset, 0);

  Load({0x01, 0xFF, 0xFF, 0x80});
  GetBits(7);
  EXPECT_EQ(GetBits(17), 0x1FFFFu) << "17 bits from offset 7 span three bytes";
  EXPECT_EQ(GetBit(), 1u);
  EXPECT_EQ(GetBit(), 0u);

  Load({0xC3});
  GetBits(2);
  const uint8_t* before = gBitReader.bitPointer;
  EXPECT_EQ(GetBits(0), 0u);
  EXPECT_EQ(GetFewBits(0), 0u);
  EXPECT_EQ(gBitReader.bitPointer, before);
  EXPECT_EQ(gBitReader.bitOffset, 2);
}

TEST(BitReader, AllThreeReadersAgreeWithAPlainBitWalk) {
  std::mt19937 rng(7);
  std::vector<uint8_t> data(600);
  for (auto& b : data) b = static_cast<uint8_t>(rng());
  std::memset(gFrameBlock, 0, sizeof gFrameBlock);
  std::memcpy(Body(), data.data(), data.size());
  SetBitPointer(Body());
  int64_t pos = 0;
  while (pos < 4000) {
    const int kind = static_cast<int>(rng() % 3);
    int n = kind == 0 ? static_cast<int>(rng() % 18) : kind == 1 ? static_cast<int>(rng() % 10) : 1;
    uint32_t expected = 0;
    for (int i = 0; i < n; ++i) expected = (expected << 1) | BitAt(data.data(), pos + i);
    const uint32_t got = kind == 0 ? GetBits(n) : kind == 1 ? GetFewBits(n) : GetBit();
    ASSERT_EQ(got, expected) << "at bit " << pos << ", width " << n << ", reader " << kind;
    pos += n;
    ASSERT_EQ(gBitReader.bitPointer, Body() + (pos >> 3));
    ASSERT_EQ(gBitReader.bitOffset, pos & 7);
  }
}

TEST(BitReader, ReadsPastTheFrameAreasGiveZerosAndStayInside) {
  std::memset(gFrameBlock, 0xFF, kFrameBlockBytes);
  std::memset(gFrameBlock + kFrameBlockBytes, 0, kFrameGuardBytes);
  SetBitPointer(gFrameBlock + kFrameBlockBytes - 2);
  EXPECT_EQ(GetBits(16), 0xFFFFu);
  for (int i = 0; i < 10000; ++i) {
    ASSERT_EQ(GetBits(17), 0u);
    ASSERT_EQ(GetFewBits(9), 0u);
    ASSERT_EQ(GetBit(), 0u);
    ASSERT_LE(gBitReader.bitPointer, gFrameBlock + kFrameBlockBytes);
  }
  std::memset(gFrameBlock, 0, kFrameBlockBytes);
}

TEST(BitReader, MainDataStartJoinsTheTailOfThePreviousBody) {
  std::memset(gFrameBlock, 0, sizeof gFrameBlock);
  FrameReader& r = gFrameReader;
  const FrameReader saved = r;
  // Previous body in area 0 (100 bytes, values 1..100), current body in area 1.
  r.previousBody = gFrameBlock + kReservoirBytes;
  r.prevBodyLength = 100;
  for (int i = 0; i < 100; ++i) r.previousBody[i] = static_cast<uint8_t>(i + 1);
  // Bytes in front of the previous body stand for reservoir bytes carried from the frame before it.
  for (int i = 1; i <= 20; ++i) r.previousBody[-i] = static_cast<uint8_t>(200 + i);
  r.currentBody = gFrameBlock + kFrameAreaBytes + kReservoirBytes;
  r.sideInfoLength = 32;
  for (int i = 0; i < 32; ++i) r.currentBody[i] = 0xEE;
  r.currentBody[32] = 0x77;

  SetMainDataStart(0);
  EXPECT_EQ(gBitReader.bitPointer, r.currentBody + 32);
  EXPECT_EQ(GetBits(8), 0x77u);

  SetMainDataStart(110);  // longer than the previous body: reaches 10 bytes in front of it
  const uint8_t* start = r.currentBody + 32 - 110;
  EXPECT_EQ(gBitReader.bitPointer, start);
  EXPECT_EQ(gBitReader.bitOffset, 0);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(GetBits(8), 200u + (10 - i)) << i;
  for (int i = 0; i < 100; ++i) ASSERT_EQ(GetBits(8), static_cast<uint32_t>(i + 1)) << i;
  EXPECT_EQ(GetBits(8), 0x77u) << "the main data of the current body follows the reservoir bytes";

  // A backstep no header can carry is held to the room in front of the body.
  SetMainDataStart(100000);
  EXPECT_GE(gBitReader.bitPointer, gFrameBlock + kFrameAreaBytes);
  r = saved;
}

}  // namespace
