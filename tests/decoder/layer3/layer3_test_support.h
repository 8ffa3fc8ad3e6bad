// Helpers shared by the Layer III tests: a bit writer that lays out main data in the frame areas.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "decoder/bit_reader.h"
#include "decoder/decoder_builds.h"
#include "decoder/layer3/huffman_trees.h"
#include "decoder/layer3/layer3.h"

// Collects bits most significant first.
class BitWriter {
 public:
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) bits_.push_back(uint8_t((value >> i) & 1));
  }
  // The Huffman code of (x, y) in big-value table `table`, without linbits or signs.
  void PutPair(int table, int x, int y) { PutCode(kBigValueCodeLists[table], x * 16 + y); }
  // The count1 code of the pattern v w x y (bit 3 .. bit 0).
  void PutQuad(int table, int pattern) { PutCode(kCount1CodeLists[table], pattern); }
  void Append(const BitWriter& other) { bits_.insert(bits_.end(), other.bits_.begin(), other.bits_.end()); }
  size_t size() const { return bits_.size(); }
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> out((bits_.size() + 7) / 8, 0);
    for (size_t i = 0; i < bits_.size(); ++i)
      if (bits_[i]) out[i / 8] |= uint8_t(0x80 >> (i % 8));
    return out;
  }

 private:
  void PutCode(const HuffmanCodeList& list, int value) {
    if (!list.codes) return;  // single-leaf tables: no bits
    for (int i = 0; i < list.count; ++i) {
      if (list.codes[i].value == value) {
        Put(list.codes[i].bits, list.codes[i].length);
        return;
      }
    }
    ADD_FAILURE() << "no code for value " << value;
  }
  std::vector<uint8_t> bits_;
};

// Clears the frame areas, copies `bytes` to `offset` within them and points the bit reader there.
inline void LoadFrameBlock(const std::vector<uint8_t>& bytes, int32_t offset = kReservoirBytes) {
  std::memset(gFrameBlock, 0, sizeof gFrameBlock - kFrameGuardBytes);
  std::memcpy(gFrameBlock + offset, bytes.data(), bytes.size());
  SetBitPointer(gFrameBlock + offset);
}

// Bits consumed since `start`.
inline int64_t BitsReadSince(const uint8_t* start) {
  return (gBitReader.bitPointer - start) * 8 + gBitReader.bitOffset;
}
