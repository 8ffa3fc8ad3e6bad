// The per-track decoding record shared by the frame reader, the layer decoders and the Decode thread.
#pragma once
#include <cstdint>

struct StreamState;

// A layer routine decodes the frame at the bit reader and returns the number of clipped samples.
using DecodeFrameFn = int32_t (*)(StreamState* state);

// A synthesis handler turns 32 subband samples (which it may scale in place) into PCM at `out`.
// Two-channel handlers write every second 16-bit slot, starting at `out` for channel 0 and at
// `out` + 1 for channel 1; one-channel and duplicating handlers ignore `channel`.
using SynthFn = int32_t (*)(float* samples, int32_t channel, int16_t* out);

struct StreamState {
  const int16_t* allocTable;  // Layer II bit-allocation table of the stream
  SynthFn synth;              // two-channel synthesis handler
  SynthFn synthMono;          // one-channel (or duplicating) synthesis handler
  int32_t channels;           // 1 for single-channel mode, else 2
  int32_t jointBound;         // first subband coded jointly (Layers I and II)
  int32_t channelSelect;      // -1 both channels; 0 first; 1 second; 3 mix (Layer III)
  int32_t sbLimit;            // Layer II coded subbands
  int32_t lowSampling;        // 1 for MPEG-2 and MPEG 2.5
  int32_t isMpeg25;
  int32_t quality;            // 0 full, 1 half, 2 quarter output rate
  int32_t headerChanged;      // 0 when this frame's header repeats the previous one bit for bit
  int32_t blockBytes;         // PCM bytes one synthesis step adds to the decode buffer
  int32_t layer;              // 1, 2, 3; 4 for the invalid layer bits 00
  DecodeFrameFn decodeFrame;  // layer routine of the selected decoder build
  int32_t hasCrc;             // a 16-bit CRC follows the header
  int32_t bitrateIndex;
  int32_t sampleRateIndex;    // 0..8 into kSampleRates
  int32_t padding;
  int32_t privateBit;
  int32_t mode;               // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
  int32_t modeExt;
  int32_t copyright;
  int32_t original;
  int32_t emphasis;
};

// Sample rates by sampleRateIndex: MPEG-1, MPEG-2, MPEG 2.5.
constexpr int32_t kSampleRates[9] = {44100, 48000, 32000, 22050, 24000, 16000, 11025, 12000, 8000};
