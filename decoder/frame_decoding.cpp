#include "decoder/frame_decoding.h"

#include "decoder/bit_reader.h"
#include "decoder/decode_buffer.h"
#include "decoder/decoder_builds.h"
#include "decoder/frame_reader.h"

namespace {

// At a track's first frame and after a seek: the encoder delay and padding still ahead of the output
// (none without them), in PCM bytes at the output rate.
void SetTrimFromHere(const StreamState& s) {
  int64_t skip = 0, keep = 0;
  if (!GaplessSamples(s, &skip, &keep)) {
    SetDecodeTrim(0, 0, 0);
    return;
  }
  const int64_t done = int64_t(StreamPosition() - 1) * SamplesPerFrame(s);  // samples before this frame
  const int64_t skipLeft = skip > done ? skip - done : 0;
  const int64_t keepLeft = done > skip ? keep - (done - skip) : keep;
  const int64_t bytesPerSample = int64_t(OutputChannels(s)) * 2;
  SetDecodeTrim(1, (skipLeft >> s.quality) * bytesPerSample, (keepLeft >> s.quality) * bytesPerSample);
}

}  // namespace

int32_t DecodeNextFrame(StreamState* s, WindowHandle window, FrameReadyFn ready, void* context,
                        int32_t* clipped) {
  if (ReadFrame(s, window) != 1) {
    SetDecodeTrim(0, 0, 0);  // the track's last bytes are trimmed before the next track's join them
    return 0;
  }
  if (gFrameReader.trimPending) {
    gFrameReader.trimPending = 0;
    SetTrimFromHere(*s);
  }
  if (s->hasCrc) GetBits(16);  // the CRC word is not checked
  if (ready && !ready(s, context)) return 0;
  const int32_t count = s->decodeFrame ? s->decodeFrame(s) : 0;
  if (clipped) *clipped = count;
  return 1;
}
