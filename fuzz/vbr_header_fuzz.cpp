// Parses arbitrary bytes as an encoder header frame (the first four as its header), fits it to a file
// size taken from the input and seeks through it: every kept table must stay ordered and every seek
// offset within the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "decoder/vbr_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 6) return 0;
  const uint32_t header = uint32_t(data[0]) << 24 | uint32_t(data[1]) << 16 | uint32_t(data[2]) << 8 | data[3];
  const int32_t length = static_cast<int32_t>(size - 4);
  VbrHeader v;
  if (!ParseVbrHeader(header, data + 4, length, &v)) {
    if (v.kind != kNoVbrHeader) std::abort();
    return 0;
  }
  const int64_t fileBytes = int64_t(data[4]) << 16 | int64_t(data[5]) << 8 | size;
  if (!VbrHeaderFits(&v, fileBytes, 24, 1152)) return 0;
  if (v.frames <= 0 || v.bytes > fileBytes || v.entries > kMaxVbriEntries) std::abort();
  if (v.hasLame && (v.encoderDelay > 4095 || v.encoderPadding > 4095)) std::abort();
  for (int32_t i = 1; v.hasToc && i < 100; ++i) {
    if (v.toc[i] < v.toc[i - 1]) std::abort();
  }
  for (int32_t step = 0; step <= 16; ++step) {
    int32_t landed = -1;
    const int32_t frame = int32_t(int64_t(v.frames) * step / 16);
    const int64_t at = VbrSeekOffset(v, frame, length + 4, &landed);
    if (at < 0) continue;
    if (at > fileBytes + length + 4 || landed < 0 || landed > frame) std::abort();
  }
  return 0;
}
