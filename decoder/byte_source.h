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

// A file read whole into memory and played from there, so that a slow disk or network share cannot
// stall playback. One buffer of kMaxBufferedFileBytes is taken the first time and kept for the
// process's life: nothing is allocated per track. One memory source is open at a time.
constexpr int64_t kMaxBufferedFileBytes = int64_t(64) << 20;

// Reads the open `file` whole into the buffer, a piece at a time, asking `stop` (may be null) between
// pieces, and gives the source that serves it. 1 when loaded (the file is no longer needed); 0 when it
// was not: the file is larger than the buffer or empty, the buffer cannot be had, a read failed or
// fell short, or `stop` said so. The file is left open either way, for the caller to play from disk.
int32_t LoadIntoMemory(FileHandle file, int32_t (*stop)(), ByteSource* source);
