#include "tests/decode_file.h"

#include <cmath>
#include <cstring>

#include "decoder/decode_buffer.h"
#include "decoder/layer3/layer3.h"
#include "decoder/synthesis.h"
#include "tests/test_files.h"

namespace {
std::vector<int16_t>* gSink = nullptr;
int32_t* gShortBlocks = nullptr;

int32_t Collect(int32_t count, const uint8_t* pcm, const uint8_t*) {
  const int32_t n = count < kOutputBlockBytes ? count : kOutputBlockBytes;
  if (n < kOutputBlockBytes) ++*gShortBlocks;
  const size_t old = gSink->size();
  gSink->resize(old + size_t(n) / 2);
  std::memcpy(gSink->data() + old, pcm, size_t(n / 2) * 2);
  return n;
}
}  // namespace

DecodedFile DecodeFilesToPcm(const std::vector<std::string>& paths, const DecodeOptions& options) {
  DecodedFile out;
  gSink = &out.pcm;
  gShortBlocks = &out.shortBlocks;
  StartTrackDecoding(options);
  ResetSynthStates();
  ResetLayer3Overlap();
  WritePcmFn saved = gWritePcm;
  gWritePcm = Collect;
  for (const std::string& path : paths) {
    TrackInfo info;
    out.result = DecodeTrack(path.c_str(), options, &info, nullptr, nullptr, nullptr);
    if (out.info.layer == 0) out.info = info;
    if (out.result != kTrackDone) break;
  }
  FinishTrackDecoding();
  gWritePcm = saved;
  gSink = nullptr;
  return out;
}

DecodedFile DecodeFileToPcm(const std::string& path, const DecodeOptions& options) {
  return DecodeFilesToPcm({path}, options);
}

Difference Compare(const std::vector<int16_t>& a, const std::vector<int16_t>& b, int64_t offset) {
  Difference d;
  const size_t startA = offset > 0 ? size_t(offset) : 0;
  const size_t startB = offset < 0 ? size_t(-offset) : 0;
  if (startA >= a.size() || startB >= b.size()) return d;
  const size_t n = std::min(a.size() - startA, b.size() - startB);
  double sum = 0;
  for (size_t i = 0; i < n; ++i) {
    const int32_t diff = int32_t(a[startA + i]) - int32_t(b[startB + i]);
    sum += double(diff) * diff;
    d.max = std::max(d.max, std::abs(diff));
  }
  d.compared = n;
  d.rms = n ? std::sqrt(sum / double(n)) : 0;
  return d;
}

std::vector<int16_t> ReadPcm16(const std::string& path, size_t skipBytes) {
  const std::vector<uint8_t> bytes = ReadWholeFile(path);
  std::vector<int16_t> pcm;
  if (bytes.size() <= skipBytes) return pcm;
  pcm.resize((bytes.size() - skipBytes) / 2);
  for (size_t i = 0; i < pcm.size(); ++i)
    pcm[i] = int16_t(uint16_t(bytes[skipBytes + 2 * i]) | uint16_t(bytes[skipBytes + 2 * i + 1]) << 8);
  return pcm;
}

std::vector<int16_t> Channel(const std::vector<int16_t>& interleaved, int channels, int which) {
  std::vector<int16_t> out;
  out.reserve(interleaved.size() / size_t(channels));
  for (size_t i = size_t(which); i < interleaved.size(); i += size_t(channels)) out.push_back(interleaved[i]);
  return out;
}
