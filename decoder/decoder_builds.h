// The two decoder builds (486 and Pentium) and the per-track choice of layer routines and synthesis
// handlers. Both builds run the same algorithms on the same constants; each has its own copy of the
// layer routines, their computed tables and the synthesis state.
#pragma once
#include <cstdint>

#include "decoder/stream_state.h"
#include "platform/notify.h"

// The decoder's copy of the Processor preference (0, 1, 2): 0 selects the 486 build, anything else the
// Pentium build.
extern int32_t gBuildSelect;

// Window that owns the decoder's message boxes (the player window; null in tools and tests).
extern WindowHandle gDecoderWindow;

// Damaged frames of the current track (cleared by PrepareTrack). The first shows "Error In Stream...";
// the rest are only counted, so that a damaged file does not hold playback with one modal box a frame.
extern int32_t gStreamErrors;
void ReportStreamError();

struct DecoderBuild {
  DecodeFrameFn layers[3];  // Layer I, II, III routine
  void (*initLayer12Tables)();
  void (*initLayer3Tables)(int32_t quality);
};
extern DecoderBuild gDecoderBuilds[2];      // 0 = 486 build, 1 = Pentium build

inline int32_t SelectedBuild() { return gBuildSelect != 0 ? 1 : 0; }
inline DecodeFrameFn LayerRoutine(int32_t layer) { return gDecoderBuilds[SelectedBuild()].layers[layer - 1]; }

// Synthesis handler pairs indexed by 6 * processor + 3 * monoOut + quality.
struct SynthHandlerPair {
  SynthFn synth;
  SynthFn synthMono;
};
extern const SynthHandlerPair kSynthHandlers[18];

// At the start of the decoding thread: synthesis tables, and the build from the Processor preference.
void StartDecoder(int32_t processor);

// At each track start, before the file is opened: refreshes the build from the Processor preference,
// sets the channel selection, quality, handlers and PCM bytes per synthesis step in the state, and sets
// up the selected build's layer tables for the quality.
void PrepareTrack(StreamState* state, int32_t processor, int32_t channelSelect, int32_t quality);

// Output rate and channel count of the prepared track (valid once a frame header has been parsed).
inline int32_t OutputRate(const StreamState& s) { return kSampleRates[s.sampleRateIndex] >> s.quality; }
inline int32_t OutputChannels(const StreamState& s) { return s.channelSelect >= 0 ? 1 : 2; }
// Samples per channel in one frame of the stream.
inline int32_t SamplesPerFrame(const StreamState& s) {
  return s.layer == 1 ? 384 : (s.layer == 3 && s.lowSampling) ? 576 : 1152;
}
