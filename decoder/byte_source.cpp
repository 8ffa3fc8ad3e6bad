// The byte-source tables over the file seam and over a file read into memory.
#include "decoder/byte_source.h"

#include <cstdlib>
#include <cstring>

const ByteSourceFunctions kFileSourceFunctions = {FileRead, FileSeek, FileSize, FileClose};

namespace {

struct MemoryFile {
  uint8_t* bytes;  // kMaxBufferedFileBytes, taken once
  int64_t size;    // bytes loaded
  int64_t at;      // read position; may lie beyond the end, where reads give 0
};
MemoryFile gMemory;

MemoryFile* M(intptr_t handle) { return reinterpret_cast<MemoryFile*>(handle); }

int32_t MemoryRead(intptr_t handle, void* buffer, int32_t count) {
  MemoryFile& m = *M(handle);
  if (count <= 0 || m.at >= m.size) return 0;
  const int64_t n = m.size - m.at < count ? m.size - m.at : count;
  std::memcpy(buffer, m.bytes + m.at, size_t(n));
  m.at += n;
  return int32_t(n);
}

int64_t MemorySeek(intptr_t handle, int64_t distance, FileOrigin origin) {
  MemoryFile& m = *M(handle);
  const int64_t base = origin == kFromStart ? 0 : origin == kFromCurrent ? m.at : m.size;
  if ((distance < 0 && base + distance < 0) || (distance > 0 && distance > INT64_MAX - base)) return -1;
  m.at = base + distance;
  return m.at;
}

int64_t MemorySize(intptr_t handle) { return M(handle)->size; }

void MemoryClose(intptr_t handle) {
  M(handle)->size = 0;  // the buffer itself is kept for the next file
  M(handle)->at = 0;
}

const ByteSourceFunctions kMemorySourceFunctions = {MemoryRead, MemorySeek, MemorySize, MemoryClose};

}  // namespace

int32_t LoadIntoMemory(FileHandle file, int32_t (*stop)(), ByteSource* source) {
  if (source == nullptr || file == kNoFile) return 0;
  const int64_t size = FileSize(file);
  if (size <= 0 || size > kMaxBufferedFileBytes) return 0;
  if (gMemory.bytes == nullptr) gMemory.bytes = static_cast<uint8_t*>(std::malloc(size_t(kMaxBufferedFileBytes)));
  if (gMemory.bytes == nullptr || FileSeek(file, 0, kFromStart) != 0) return 0;
  constexpr int32_t kPiece = 1 << 20;
  for (int64_t loaded = 0; loaded < size;) {
    if (stop && stop()) return 0;
    const int32_t want = size - loaded < kPiece ? int32_t(size - loaded) : kPiece;
    const int32_t got = FileRead(file, gMemory.bytes + loaded, want);
    if (got <= 0) return 0;  // a read error or a file that shrank: never play what was not read
    loaded += got;
  }
  gMemory.size = size;
  gMemory.at = 0;
  *source = ByteSource{reinterpret_cast<intptr_t>(&gMemory), &kMemorySourceFunctions};
  return 1;
}
