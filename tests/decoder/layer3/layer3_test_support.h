// Helpers shared by the Layer III tests: Huffman codes for the bit writer, and main data laid out in the
// frame areas.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "decoder/bit_reader.h"
#include "decoder/decoder_builds.h"
#include "decoder/layer3/huffman_trees.h"
#include "decoder/layer3/layer3.h"
#include "tests/bit_writer.h"

// Appends the code of `value` from a Huffman code list; the single-leaf tables have no bits.
inline void PutCode(BitWriter& w, const HuffmanCodeList& list, int value) {
  if (!list.codes) return;
  for (int i = 0; i < list.count; ++i) {
    if (list.codes[i].value == value) {
      w.Put(list.codes[i].bits, list.codes[i].length);
      return;
    }
  }
  ADD_FAILURE() << "no code for value " << value;
}
// The code of (x, y) in big-value table `table`, without linbits or signs.
inline void PutPair(BitWriter& w, int table, int x, int y) { PutCode(w, kBigValueCodeLists[table], x * 16 + y); }
// The count1 code of the pattern v w x y (bit 3 .. bit 0).
inline void PutQuad(BitWriter& w, int table, int pattern) { PutCode(w, kCount1CodeLists[table], pattern); }

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
