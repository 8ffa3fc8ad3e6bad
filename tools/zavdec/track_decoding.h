// Decoding whole tracks the way the player's Decode thread does — the same track set-up, frame loop,
// CRC skip and handler selection — with the PCM going wherever gWritePcm points.
#pragma once
#include <cstdint>

#include "decoder/stream_state.h"
#include "tags/replay_gain.h"

struct DecodeOptions {
  int32_t quality = 0;         // 0 full, 1 half, 2 quarter
  int32_t channelSelect = -1;  // -1 stereo, 0 left, 1 right, 3 mix
  int32_t processor = 1;       // 0 the 486 build, 1 or 2 the Pentium build
  const bool* stop = nullptr;  // when set and true, the track ends behind the current frame
  ReplayGainSettings replayGain = {kReplayGainOff, 0.0f, 0.0f, 1};
};

struct TrackInfo {
  int32_t layer = 0;
  int32_t version = 0;  // 1 MPEG-1, 2 MPEG-2, 25 MPEG 2.5
  int32_t inputRate = 0;
  int32_t outputRate = 0;
  int32_t outputChannels = 0;
  int64_t frames = 0;
  int64_t samples = 0;  // per channel, at the output rate, as played (after the gapless trim)
  int64_t clipped = 0;
  int32_t streamErrors = 0;  // frames found damaged ("Error In Stream...", shown once)
  float gain = 1.0f;          // the ReplayGain factor the track played at
  int32_t gainFrom = kGainUnset;  // the tag it came from (ReplayGainSource)
};

// Called once the first frame's header is known, before it is decoded; returning false stops the track.
using FirstFrameCheck = bool (*)(const TrackInfo& info, void* context);
// Called after every decoded frame (for progress).
using FrameProgress = void (*)(const TrackInfo& info, int64_t position, int64_t fileSize, void* context);

enum TrackResult : int32_t { kTrackDone = 1, kTrackNoFrames = 0, kTrackCannotOpen = -1, kTrackRefused = -2 };

// Sets up the decoder once (synthesis tables, decode buffer). Returns false when memory is short.
bool StartTrackDecoding(const DecodeOptions& options);
// Decodes one file, or the stream at an http:// address; the decoder state (synthesis history, overlap, the decode buffer's fill) carries
// over from the previous track, as in the player.
TrackResult DecodeTrack(const char* path, const DecodeOptions& options, TrackInfo* info, FirstFrameCheck check,
                        FrameProgress progress, void* context);
// Hands what is left in the decode buffer (less than one block) to gWritePcm.
void FinishTrackDecoding();
