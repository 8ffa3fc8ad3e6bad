#include "decoder/decoder_builds.h"

int32_t gBuildSelect = 1;
DecodeFrameFn gLayerRoutines[2][3] = {};
