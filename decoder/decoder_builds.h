// The two decoder builds (486 and Pentium): which build's layer routines the frame reader installs.
#pragma once
#include <cstdint>

#include "decoder/stream_state.h"

// The Decode thread's copy of the Processor preference: 0 selects the 486 build, anything else the
// Pentium build.
extern int32_t gBuildSelect;

// Layer routines by [build][layer - 1], build 0 = 486, 1 = Pentium. An entry is null until that
// layer's decoder is linked in.
extern DecodeFrameFn gLayerRoutines[2][3];

inline int32_t SelectedBuild() { return gBuildSelect != 0 ? 1 : 0; }
