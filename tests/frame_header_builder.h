// MPEG audio frame headers for tests, composed field by field, and their bytes as they stand in a file.
#pragma once
#include <cstdint>
#include <vector>

enum MpegVersion { kMpeg1, kMpeg2, kMpeg25 };

// `srBits` is the header's two sample-rate bits; copyright, original and emphasis stay zero.
inline uint32_t FrameHeader(MpegVersion version, int layer, int bitrateIndex, int srBits, int padding = 0,
                            int mode = 0, int modeExt = 0, bool crc = false) {
  uint32_t h = 0xFFE00000u;
  if (version != kMpeg25) h |= 1u << 20;
  if (version == kMpeg1) h |= 1u << 19;
  h |= uint32_t(4 - layer) << 17;
  h |= uint32_t(crc ? 0 : 1) << 16;
  h |= uint32_t(bitrateIndex) << 12;
  h |= uint32_t(srBits) << 10;
  h |= uint32_t(padding) << 9;
  h |= uint32_t(mode) << 6;
  h |= uint32_t(modeExt) << 4;
  return h;
}

// Appends the header's four bytes, most significant first.
inline void AppendHeader(std::vector<uint8_t>& out, uint32_t header) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(header >> shift));
}

inline std::vector<uint8_t> HeaderBytes(uint32_t header) {
  std::vector<uint8_t> bytes;
  AppendHeader(bytes, header);
  return bytes;
}
