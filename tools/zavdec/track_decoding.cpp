#include "tools/zavdec/track_decoding.h"

#include <cstring>
#include <new>

#include "decoder/bit_reader.h"
#include "decoder/decode_buffer.h"
#include "decoder/decoder_builds.h"
#include "decoder/frame_reader.h"
#include "platform/notify.h"

namespace {
StreamState gState;
int32_t gStreamErrors = 0;

int32_t CountBox(WindowHandle, const char* text, const char*, uint32_t) {
  if (text && std::strcmp(text, "Error In Stream...") == 0) ++gStreamErrors;
  return kAnswerOk;
}
}  // namespace

bool StartTrackDecoding(const DecodeOptions& options) {
  if (!gDecodeBuffer.data) {
    gDecodeBuffer.data = new (std::nothrow) uint8_t[kDecodeBufferBytes];
    if (!gDecodeBuffer.data) return false;
  }
  std::memset(gDecodeBuffer.data, 0, kDecodeBufferBytes);
  gDecodeBuffer.fill = 0;
  SetMessageBoxHook(CountBox);
  StartDecoder(options.processor);
  return true;
}

TrackResult DecodeTrack(const char* path, const DecodeOptions& options, TrackInfo* info, FirstFrameCheck check,
                        FrameProgress progress, void* context) {
  *info = TrackInfo{};
  PrepareTrack(&gState, options.processor, options.channelSelect, options.quality);
  const int64_t size = OpenStream(path);
  if (size < 0) return kTrackCannotOpen;
  ResetSync();
  gStreamErrors = 0;
  TrackResult result = kTrackNoFrames;
  while (ReadFrame(&gState, nullptr) == 1) {
    if (info->frames == 0) {
      info->layer = gState.layer;
      info->version = gState.isMpeg25 ? 25 : gState.lowSampling ? 2 : 1;
      info->inputRate = kSampleRates[gState.sampleRateIndex];
      info->outputRate = OutputRate(gState);
      info->outputChannels = OutputChannels(gState);
      if (check && !check(*info, context)) {
        result = kTrackRefused;
        break;
      }
      result = kTrackDone;
    }
    if (gState.hasCrc) GetBits(16);
    if (gState.decodeFrame) info->clipped += gState.decodeFrame(&gState);
    ++info->frames;
    info->samples += SamplesPerFrame(gState) >> gState.quality;
    if (progress) progress(*info, StreamOffset(), size, context);
  }
  info->streamErrors = gStreamErrors;
  CloseStream();
  return result;
}

void FinishTrackDecoding() {
  if (gDecodeBuffer.fill > 0) FlushDecodeBuffer(kSilentSpectrum);
}
