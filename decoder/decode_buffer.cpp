#include "decoder/decode_buffer.h"

#include <cstring>

DecodeBuffer gDecodeBuffer = {nullptr, 0};
WritePcmFn gWritePcm = nullptr;
const uint8_t kSilentSpectrum[kSpectrumRecordBytes] = {};

void FlushDecodeBuffer(const uint8_t* spectrum) {
  DecodeBuffer& b = gDecodeBuffer;
  int32_t taken = gWritePcm ? gWritePcm(b.fill, b.data, spectrum) : b.fill;
  if (taken < 0) taken = 0;
  // An output that keeps refusing bytes must not make the buffer overflow: what cannot fit in front of
  // the next block is dropped.
  if (b.fill - taken > kDecodeBufferBytes - kOutputBlockBytes) taken = b.fill;
  if (taken < b.fill) {
    std::memmove(b.data, b.data + taken, static_cast<size_t>(b.fill - taken));
    b.fill -= taken;
  } else {
    b.fill = 0;
  }
}

void AdvanceDecodeBuffer(int32_t blockBytes, const uint8_t* spectrum) {
  gDecodeBuffer.fill += blockBytes;
  if (gDecodeBuffer.fill >= kOutputBlockBytes) FlushDecodeBuffer(spectrum);
}
