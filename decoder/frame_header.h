// The MPEG audio frame header: its bitrate table and the tests the frame reader and the track scanner
// make on the four header bytes (first byte most significant).
#pragma once
#include <cstdint>

// Bitrates in kbit/s by [lowSampling][layer - 1][bitrateIndex]: the MPEG-1 rows, then the rows of the
// lower sampling frequencies (MPEG-2 and MPEG 2.5, Layers II and III sharing one). 0 for the free
// format (index 0) and for index 15.
inline constexpr int32_t kBitrates[2][3][16] = {
    {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    },
    {
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
    },
};

constexpr uint32_t kSyncMask = 0xFFE00000u;         // the eleven sync bits
constexpr uint32_t kLayerMask = 0x00060000u;        // 00 is no layer
constexpr uint32_t kBitrateMask = 0x0000F000u;      // 1111 is no bitrate
constexpr uint32_t kSampleRateMask = 0x00000C00u;   // 11 is no sample rate
// Two headers belong to one stream when they agree in sync, version, layer and sample rate. The CRC
// flag, the bitrate, the padding and private bits, the mode and the flags in the low byte may change
// from frame to frame.
constexpr uint32_t kSameStreamMask = 0xFFFE0C00u;

constexpr bool HasSync(uint32_t header) { return (header & kSyncMask) == kSyncMask; }
constexpr bool IsValidHeader(uint32_t header) {
  return HasSync(header) && (header & kLayerMask) != 0 && (header & kBitrateMask) != kBitrateMask &&
         (header & kSampleRateMask) != kSampleRateMask;
}
constexpr bool SameStream(uint32_t a, uint32_t b) { return ((a ^ b) & kSameStreamMask) == 0; }
