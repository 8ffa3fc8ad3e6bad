// Layer III frame decoding, one copy per decoder build. Each build has its own tables and state
// (gLayer3Builds in layer3_build.h); these entry points are what the handler table installs.
#pragma once
#include <cstdint>

#include "decoder/stream_state.h"

namespace build486 {
// Decodes the Layer III frame at the bit reader; returns the number of clipped samples.
int32_t DecodeLayer3Frame(StreamState* state);
// Builds the tables for the output quality (0 full, 1 half, 2 quarter) and clears the spectra and
// subband samples; called at every track start.
void InitLayer3Tables(int32_t quality);
}  // namespace build486

namespace buildPentium {
int32_t DecodeLayer3Frame(StreamState* state);
void InitLayer3Tables(int32_t quality);
}  // namespace buildPentium

// Clears the IMDCT overlap store of both builds, as at process start. The player never calls it (a track
// starts with the tail of the previous one); tools and tests use it to decode a file as a first track.
void ResetLayer3Overlap();
