// One step of the frame loop, the same for the Decode thread, zavdec, the fuzz targets and the tests:
// read the next frame, skip its CRC word, decode it with the track's layer routine.
#pragma once
#include <cstdint>

#include "decoder/stream_state.h"
#include "platform/notify.h"

// Runs between reading a frame and decoding it (the header is parsed by then): the caller's own work
// for the frame, such as opening the output at the frame's rate. Returning 0 leaves the frame undecoded
// and ends the loop.
using FrameReadyFn = int32_t (*)(StreamState* state, void* context);

// Returns 1 when a frame was decoded (its clipped-sample count in *clipped when that is given), and 0
// at the end of the stream (end of file, a failed read, an unusable stream) or when `ready` refused the
// frame. `window` receives the frame reader's notifications.
int32_t DecodeNextFrame(StreamState* state, WindowHandle window, FrameReadyFn ready = nullptr,
                        void* context = nullptr, int32_t* clipped = nullptr);
