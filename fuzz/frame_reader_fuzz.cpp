// Opens arbitrary bytes as a track and reads, seeks and reads frames to the end, as the Decode thread
// does, touching the bits of each body through the bit reader.
#include <cstdint>
#include <cstddef>

#include "decoder/bit_reader.h"
#include "decoder/frame_reader.h"

namespace {
uint32_t Consume(int32_t bodyLength) {
  uint32_t sum = 0;
  for (int32_t i = 0; i < bodyLength / 4 + 8; ++i) sum += GetBits(17) + GetFewBits(9) + GetBit();
  SetMainDataStart(static_cast<int32_t>(sum & 511));
  sum += GetBits(12);
  return sum;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StreamState state{};
  if (OpenStreamFile(FileOpenMemory(data, static_cast<int64_t>(size))) < 0) return 0;
  ResetSync();
  volatile uint32_t sink = 0;
  const int32_t seekTo = size > 0 ? data[0] % 16 : 0;
  for (int pass = 0; pass < 2; ++pass) {
    for (int frames = 0; frames < 1000; ++frames) {
      if (ReadFrame(&state, nullptr) != 1) break;
      if (state.hasCrc) GetBits(16);
      sink = sink + Consume(gFrameReader.bodyLength) + static_cast<uint32_t>(StreamFrames() + StreamPosition());
    }
    if (pass == 0 && SeekFrame(&state, seekTo, nullptr) != 1) break;
  }
  CloseStream();
  return 0;
}
