// Opens arbitrary bytes as a track and decodes it as the Decode thread does: reads, decodes, seeks and
// decodes frames to the end, with the quality, channel selection and decoder build taken from the input.
#include <cstddef>
#include <cstdint>

#include "decoder/decode_buffer.h"
#include "decoder/decoder_builds.h"
#include "decoder/frame_decoding.h"
#include "decoder/frame_reader.h"
#include "platform/notify.h"

namespace {
uint8_t gBuffer[kDecodeBufferBytes];
uint64_t gPcmBytes = 0;

int32_t Sink(int32_t count, const uint8_t*, const uint8_t*) {
  const int32_t n = count < kOutputBlockBytes ? count : kOutputBlockBytes;
  gPcmBytes += uint64_t(n);
  return n;
}

bool gStarted = false;
int32_t SilentBox(WindowHandle, const char*, const char*, uint32_t) { return kAnswerOk; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!gStarted) {
    StartDecoder(1);
    gDecodeBuffer.data = gBuffer;
    gWritePcm = Sink;
    SetMessageBoxHook(SilentBox);
    gStarted = true;
  }
  const uint8_t knobs = size > 0 ? data[size - 1] : 0;
  const int32_t quality = knobs % 3;
  const int32_t selections[4] = {-1, 0, 1, 3};
  const int32_t channelSelect = selections[(knobs >> 2) & 3];
  const int32_t processor = (knobs >> 4) % 3;
  const int32_t seekTo = (knobs >> 6) * 5;

  StreamState state{};
  PrepareTrack(&state, processor, channelSelect, quality);
  if (OpenStreamFile(FileOpenMemory(data, static_cast<int64_t>(size))) < 0) return 0;
  ResetSync();
  for (int pass = 0; pass < 2; ++pass) {
    for (int frames = 0; frames < 200; ++frames) {
      if (DecodeNextFrame(&state, nullptr) != 1) break;
      StreamFrames();
      StreamPosition();
    }
    if (pass == 0 && SeekFrame(&state, seekTo, nullptr) != 1) break;
  }
  CloseStream();
  return 0;
}
