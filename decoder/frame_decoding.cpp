#include "decoder/frame_decoding.h"

#include "decoder/bit_reader.h"
#include "decoder/frame_reader.h"

int32_t DecodeNextFrame(StreamState* s, WindowHandle window, FrameReadyFn ready, void* context,
                        int32_t* clipped) {
  if (ReadFrame(s, window) != 1) return 0;
  if (s->hasCrc) GetBits(16);  // the CRC word is not checked
  if (ready && !ready(s, context)) return 0;
  const int32_t count = s->decodeFrame ? s->decodeFrame(s) : 0;
  if (clipped) *clipped = count;
  return 1;
}
