// The source seam below the frame reader: the bytes of a track come from a file or a network stream
// through one table of functions, so the reader does not know which it plays.
#pragma once
#include <cstdint>

#include "platform/file.h"

struct ByteSourceFunctions {
  // Bytes read; 0 at the end; -1 when a stream has nothing yet (ask again).
  int32_t (*read)(intptr_t handle, void* buffer, int32_t count);
  int64_t (*seek)(intptr_t handle, int64_t distance, FileOrigin origin);  // new position, or -1
  int64_t (*size)(intptr_t handle);  // bytes in all, or -1 when unknown (a stream)
  void (*close)(intptr_t handle);
};

struct ByteSource {
  intptr_t handle;  // 0: none
  const ByteSourceFunctions* functions;
};

// The table over platform/file.h.
extern const ByteSourceFunctions kFileSourceFunctions;
