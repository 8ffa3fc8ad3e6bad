// Decoding a whole file in-process through the player's track decoding, for tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/zavdec/track_decoding.h"

struct DecodedFile {
  TrackResult result = kTrackNoFrames;
  TrackInfo info;
  std::vector<int16_t> pcm;  // interleaved when two channels
  int32_t shortBlocks = 0;   // blocks handed over shorter than a whole output block (the player pads them)
};

// Decodes `path` from a fresh decoder state (synthesis history, Layer III overlap and decode buffer
// cleared), so that the output starts exactly as a first track would; the last partial block is included.
DecodedFile DecodeFileToPcm(const std::string& path, const DecodeOptions& options);

// The same for several files played one after the other, with the state carried over between them.
DecodedFile DecodeFilesToPcm(const std::vector<std::string>& paths, const DecodeOptions& options);

// RMS and largest absolute difference over the samples both have, starting at `offset` in `a`
// (negative: in `b`).
struct Difference {
  double rms = 0;
  int32_t max = 0;
  size_t compared = 0;
};
Difference Compare(const std::vector<int16_t>& a, const std::vector<int16_t>& b, int64_t offset = 0);

// Reads signed 16-bit little-endian PCM.
std::vector<int16_t> ReadPcm16(const std::string& path, size_t skipBytes = 0);

// One channel of interleaved PCM.
std::vector<int16_t> Channel(const std::vector<int16_t>& interleaved, int channels, int which);
