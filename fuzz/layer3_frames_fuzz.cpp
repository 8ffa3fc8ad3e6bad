// Feeds arbitrary bytes to the Layer III decoder as the bodies of well-formed frames, so that every input
// reaches the side information, the bit reservoir, the scalefactors and the Huffman data: the first
// bytes choose the version, sample rate, mode, CRC, quality, channel selection and build; the rest is
// cut into frame bodies behind valid headers.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "decoder/decode_buffer.h"
#include "decoder/decoder_builds.h"
#include "decoder/frame_decoding.h"
#include "decoder/frame_reader.h"
#include "platform/notify.h"

namespace {
uint8_t gBuffer[kDecodeBufferBytes];
int32_t Sink(int32_t count, const uint8_t*, const uint8_t*) { return count < kOutputBlockBytes ? count : kOutputBlockBytes; }
bool gStarted = false;
int32_t SilentBox(WindowHandle, const char*, const char*, uint32_t) { return kAnswerOk; }
std::vector<uint8_t> gStream;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  if (!gStarted) {
    StartDecoder(1);
    gDecodeBuffer.data = gBuffer;
    gWritePcm = Sink;
    SetMessageBoxHook(SilentBox);
    gStarted = true;
  }
  const uint8_t a = data[0], b = data[1], c = data[2], d = data[3];
  data += 4;
  size -= 4;
  // Header: sync, version (MPEG-1, MPEG-2 or MPEG 2.5), Layer III, CRC or not, a bitrate index
  // 1..14, a sample rate 0..2, padding, mode and mode extension from the knobs.
  const uint32_t version = (a & 3) == 0 ? 0u : (a & 3) == 1 ? 2u : 3u;
  const uint32_t bitrate = 1 + (b % 14);
  uint32_t header = 0xFFE00000u | (version << 19) | (1u << 17) | (uint32_t((a >> 2) & 1) << 16) | (bitrate << 12) |
                    (uint32_t(b >> 4) % 3 << 10) | (uint32_t(c & 3) << 6) | (uint32_t((c >> 2) & 3) << 4);
  const int32_t body = HeaderBodyLength(header);
  if (body <= 0) return 0;
  gStream.clear();
  for (size_t at = 0; at < size; at += size_t(body)) {
    const uint32_t h = header | (uint32_t((data[at] >> 7) & 1) << 9);  // vary the padding bit
    for (int shift = 24; shift >= 0; shift -= 8) gStream.push_back(uint8_t(h >> shift));
    const size_t n = size - at < size_t(body) ? size - at : size_t(body);
    gStream.insert(gStream.end(), data + at, data + at + n);
    if (h & (1u << 9)) gStream.push_back(0);
  }
  const int32_t selections[4] = {-1, 0, 1, 3};
  StreamState state{};
  PrepareTrack(&state, d % 3, selections[(d >> 2) & 3], (d >> 4) % 3);
  if (OpenStreamFile(FileOpenMemory(gStream.data(), static_cast<int64_t>(gStream.size()))) < 0) return 0;
  ResetSync();
  for (int frames = 0; frames < 200; ++frames) {
    if (DecodeNextFrame(&state, nullptr) != 1) break;
  }
  CloseStream();
  return 0;
}
