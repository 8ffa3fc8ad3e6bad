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
  const int64_t endLeft = skip + keep > done ? skip + keep - done : 0;
  // At a reduced rate output sample k stands for stream sample k << quality: the kept ones are those
  // from the first at or after the start to the last before the end.
  const int64_t round = (int64_t(1) << s.quality) - 1;
  const int64_t skipOut = (skipLeft + round) >> s.quality;
  const int64_t endOut = (endLeft + round) >> s.quality;
  const int64_t bytesPerSample = int64_t(OutputChannels(s)) * 2;
  SetDecodeTrim(1, skipOut * bytesPerSample, (endOut - skipOut) * bytesPerSample);
}

}  // namespace

int32_t DecodeNextFrame(StreamState* s, WindowHandle window, FrameReadyFn ready, void* context,
                        int32_t* clipped) {
  if (ReadFrame(s, window) != 1) {
    SetDecodeTrim(0, 0, 0);  // the track's last bytes are trimmed before the next track's join them
    return 0;
  }
  if (s->hasCrc) GetBits(16);  // the CRC word is not checked
  if (ready && !ready(s, context)) return 0;
  // Set only now: the caller's work for the frame may have played out and emptied the decode buffer.
  if (gFrameReader.trimPending) {
    gFrameReader.trimPending = 0;
    SetTrimFromHere(*s);
  }
  const int32_t count = s->decodeFrame ? s->decodeFrame(s) : 0;
  if (clipped) *clipped = count;
  return 1;
}
