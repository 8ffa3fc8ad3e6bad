#include "tools/zavdec/track_decoding.h"

#include <cstring>
#include <new>

#include "decoder/decode_buffer.h"
#include "decoder/decoder_builds.h"
#include "decoder/frame_decoding.h"
#include "decoder/frame_reader.h"
#include "decoder/synthesis.h"
#include "platform/notify.h"
#include "stream/stream_source.h"
#include "stream/stream_url.h"

namespace {
StreamState gState;

int32_t SilentBox(WindowHandle, const char*, const char*, uint32_t) { return kAnswerOk; }

struct TrackRun {
  TrackInfo* info;
  FirstFrameCheck check;
  void* context;
  bool refused;
};

// Before the first frame is decoded: what the track is, and whether the caller takes it.
int32_t FirstFrame(StreamState* s, void* context) {
  TrackRun& run = *static_cast<TrackRun*>(context);
  TrackInfo* info = run.info;
  if (info->frames > 0) return 1;
  info->layer = s->layer;
  info->version = s->isMpeg25 ? 25 : s->lowSampling ? 2 : 1;
  info->inputRate = kSampleRates[s->sampleRateIndex];
  info->outputRate = OutputRate(*s);
  info->outputChannels = OutputChannels(*s);
  if (run.check && !run.check(*info, run.context)) {
    run.refused = true;
    return 0;
  }
  return 1;
}
}  // namespace

bool StartTrackDecoding(const DecodeOptions& options) {
  if (!gDecodeBuffer.data) {
    gDecodeBuffer.data = new (std::nothrow) uint8_t[kDecodeBufferBytes];
    if (!gDecodeBuffer.data) return false;
  }
  std::memset(gDecodeBuffer.data, 0, kDecodeBufferBytes);
  gDecodeBuffer.fill = 0;
  SetMessageBoxHook(SilentBox);
  StartDecoder(options.processor);
  return true;
}

TrackResult DecodeTrack(const char* path, const DecodeOptions& options, TrackInfo* info, FirstFrameCheck check,
                        FrameProgress progress, void* context) {
  *info = TrackInfo{};
  PrepareTrack(&gState, options.processor, options.channelSelect, options.quality);
  // The track's gain is set before its first frame: the previous track's samples keep theirs.
  ReplayGainInfo tags{};
  if (options.replayGain.mode != kReplayGainOff && StreamUrlScheme(path) == 0) ReadReplayGain(path, &tags);
  info->gain = ReplayGainFactor(tags, options.replayGain, &info->gainFrom);
  SetTrackGain(info->gain);
  int64_t size = -1;
  if (StreamUrlScheme(path) != 0) {
    ByteSource source;
    if (!StreamOpen(path, &source) || !OpenStreamSource(source)) return kTrackCannotOpen;
  } else {
    size = OpenStream(path);
    if (size < 0) return kTrackCannotOpen;
  }
  ResetSync();
  TrackRun run{info, check, context, false};
  int32_t clipped = 0;
  while (!(options.stop && *options.stop) && DecodeNextFrame(&gState, nullptr, FirstFrame, &run, &clipped) == 1) {
    info->clipped += clipped;
    ++info->frames;
    info->samples += SamplesPerFrame(gState) >> gState.quality;
    if (progress) progress(*info, StreamOffset(), size, context);
  }
  // Samples played: less the encoder delay and padding that the trim dropped.
  int64_t skip = 0, keep = 0;
  if (info->frames > 0 && GaplessSamples(gState, &skip, &keep)) {
    const int64_t round = (int64_t(1) << gState.quality) - 1;
    const int64_t first = (skip + round) >> gState.quality;
    const int64_t end = (skip + keep + round) >> gState.quality;
    const int64_t last = info->samples < end ? info->samples : end;
    info->samples = last > first ? last - first : 0;
  }
  info->streamErrors = gStreamErrors;
  CloseStream();
  return run.refused ? kTrackRefused : info->frames > 0 ? kTrackDone : kTrackNoFrames;
}

void FinishTrackDecoding() {
  if (gDecodeBuffer.fill > 0) FlushDecodeBuffer(kSilentSpectrum);
}
