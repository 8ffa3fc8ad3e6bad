// The bit reader: hands out the fields of the current frame body, most significant bit first.
//
// All reads come from the frame block, the two frame areas of the frame reader, which is followed by a
// guard of zero bytes that nothing ever writes. A read never leaves the block and its guard, whatever a
// damaged frame makes a decoder ask for: once the read position passes the end of the frame areas it
// is held at the start of the guard, so every further bit reads as 0.
#pragma once
#include <cstdint>

constexpr int32_t kFrameAreaBytes = 2304;                 // one frame area
constexpr int32_t kReservoirBytes = 512;                  // room in front of each body
constexpr int32_t kMaxBodyBytes = kFrameAreaBytes - kReservoirBytes;  // 1792
constexpr int32_t kFrameBlockBytes = 2 * kFrameAreaBytes;  // area 0, then area 1
constexpr int32_t kFrameGuardBytes = 8;                   // zero bytes behind the areas

// The frame areas and their guard, owned by the frame reader.
extern uint8_t gFrameBlock[kFrameBlockBytes + kFrameGuardBytes];

struct BitReader {
  const uint8_t* bitPointer;  // byte holding the next unread bit
  int32_t bitOffset;          // bits of that byte already consumed, 0..7
};
extern BitReader gBitReader;

// Points the reader at `body`, bit offset 0.
void SetBitPointer(const uint8_t* body);

namespace bitreader_detail {
// The last position a read may start at: three bytes (and one more for a 32-bit window) fit in the guard.
inline const uint8_t* ReadLimit() { return gFrameBlock + kFrameBlockBytes; }
inline void Advance(int32_t n) {
  int32_t offset = gBitReader.bitOffset + n;
  gBitReader.bitPointer += offset >> 3;
  gBitReader.bitOffset = offset & 7;
  if (gBitReader.bitPointer > ReadLimit()) {
    gBitReader.bitPointer = ReadLimit();
    gBitReader.bitOffset = 0;
  }
}
}  // namespace bitreader_detail

// Next n bits (0 <= n <= 17) as an unsigned value; n = 0 returns 0 and consumes nothing.
inline uint32_t GetBits(int32_t n) {
  if (n <= 0) return 0;
  const uint8_t* p = gBitReader.bitPointer;
  uint32_t v = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | uint32_t(p[2]);
  v = ((v << gBitReader.bitOffset) & 0xFFFFFFu) >> (24 - n);
  bitreader_detail::Advance(n);
  return v;
}

// Next n bits for 1 <= n <= 9 through a two-byte window; n = 0 yields 0.
inline uint32_t GetFewBits(int32_t n) {
  if (n <= 0) return 0;
  const uint8_t* p = gBitReader.bitPointer;
  uint32_t v = (uint32_t(p[0]) << 8) | uint32_t(p[1]);
  v = ((v << gBitReader.bitOffset) & 0xFFFFu) >> (16 - n);
  bitreader_detail::Advance(n);
  return v;
}

// Next single bit.
inline uint32_t GetBit() {
  uint32_t v = ((uint32_t(*gBitReader.bitPointer) << gBitReader.bitOffset) & 0xFFu) >> 7;
  bitreader_detail::Advance(1);
  return v;
}

// Positions the reader at the Layer III main data of the current frame: `backstep` bytes before the
// end of the side information, after copying the last `backstep` bytes of the previous body there.
// Returns how many of those bytes lie before the main data read since the track opened or the last
// seek: stale memory rather than the stream (0 when all of them were read).
int32_t SetMainDataStart(int32_t backstep);
