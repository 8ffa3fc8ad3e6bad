#include "decoder/decode_buffer.h"

#include <cstring>

DecodeBuffer gDecodeBuffer = {nullptr, 0};
DecodeTrim gDecodeTrim = {0, 0, 0, 0};
WritePcmFn gWritePcm = nullptr;
const uint8_t kSilentSpectrum[kSpectrumRecordBytes] = {};

void TrimDecodeBuffer() {
  DecodeBuffer& b = gDecodeBuffer;
  DecodeTrim& t = gDecodeTrim;
  if (t.trimmed > b.fill || t.trimmed < 0) t.trimmed = b.fill;  // the buffer was emptied meanwhile
  if (!t.trimming) {
    t.trimmed = b.fill;
    return;
  }
  int32_t fresh = b.fill - t.trimmed;
  const int32_t drop = t.skipBytes < fresh ? static_cast<int32_t>(t.skipBytes) : fresh;
  if (drop > 0) {
    std::memmove(b.data + t.trimmed, b.data + t.trimmed + drop, static_cast<size_t>(fresh - drop));
    t.skipBytes -= drop;
    fresh -= drop;
  }
  const int32_t keep = t.keepBytes < fresh ? static_cast<int32_t>(t.keepBytes) : fresh;
  t.keepBytes -= keep;
  b.fill = t.trimmed + keep;
  t.trimmed = b.fill;
}

void SetDecodeTrim(int32_t trimming, int64_t skipBytes, int64_t keepBytes) {
  TrimDecodeBuffer();
  DecodeTrim& t = gDecodeTrim;
  t.trimming = trimming;
  t.skipBytes = skipBytes > 0 ? skipBytes : 0;
  t.keepBytes = keepBytes > 0 ? keepBytes : 0;
}

void FlushDecodeBuffer(const uint8_t* spectrum) {
  DecodeBuffer& b = gDecodeBuffer;
  // A full block that the trim shortens waits for more: a short block would be played padded.
  const bool fullBlock = b.fill >= kOutputBlockBytes;
  if (gDecodeTrim.trimming) {
    TrimDecodeBuffer();
    if (fullBlock && b.fill < kOutputBlockBytes) return;
  }
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
  gDecodeTrim.trimmed = b.fill;
}

void AdvanceDecodeBuffer(int32_t blockBytes, const uint8_t* spectrum) {
  gDecodeBuffer.fill += blockBytes;
  if (gDecodeBuffer.fill >= kOutputBlockBytes) FlushDecodeBuffer(spectrum);
}
