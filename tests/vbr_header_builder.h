// Encoder header frames for tests: a Layer III frame whose body carries a Xing/"Info" or VBRI header,
// written field by field with the bit writer.
#pragma once
#include <cstdint>
#include <vector>

#include "decoder/frame_reader.h"
#include "decoder/vbr_header.h"
#include "tests/bit_writer.h"
#include "tests/frame_header_builder.h"

struct XingFields {
  const char* tag = "Xing";
  bool withFrames = true, withBytes = true, withToc = true, withQuality = true;
  uint32_t frames = 0, bytes = 0;
  uint8_t toc[100] = {};
  // LAME's extension (delay 576, padding 1234) behind the Xing fields, its CRC over the bytes in front.
  bool withLame = false;
  // In a frame with a CRC word, the tag where an unprotected frame's would stand (as lame writes it).
  bool unprotectedPlace = false;
};

// A whole frame (header included) with the Xing fields behind the side information.
inline std::vector<uint8_t> XingFrame(uint32_t header, const XingFields& x) {
  const bool mpeg1 = (header >> 19) & 1, mono = ((header >> 6) & 3) == 3, crc = !((header >> 16) & 1);
  BitWriter w;
  w.Put(header, 32);
  for (int i = 0; i < (crc && !x.unprotectedPlace ? 2 : 0) + (mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17)); ++i) {
    w.Put(0, 8);
  }
  for (const char* c = x.tag; *c; ++c) w.Put(uint8_t(*c), 8);
  w.Put((x.withFrames ? 1 : 0) | (x.withBytes ? 2 : 0) | (x.withToc ? 4 : 0) | (x.withQuality ? 8 : 0), 32);
  if (x.withFrames) w.Put(x.frames, 32);
  if (x.withBytes) w.Put(x.bytes, 32);
  if (x.withToc)
    for (uint8_t t : x.toc) w.Put(t, 8);
  if (x.withQuality) w.Put(50, 32);
  if (x.withLame) {
    for (int i = 0; i < 21; ++i) w.Put(i < 4 ? uint8_t("LAME"[i]) : 0, 8);
    w.Put(576 << 12 | 1234, 24);  // encoder delay and padding
    for (int i = 24; i < 34; ++i) w.Put(0, 8);
  }
  std::vector<uint8_t> frame = w.Bytes();
  if (x.withLame) {
    const uint32_t crc = LameTagCrc(0, frame.data(), int32_t(frame.size()));
    frame.insert(frame.end(), {uint8_t(crc >> 8), uint8_t(crc)});
  }
  frame.resize(size_t(HeaderBodyLength(header)) + 4, 0);
  return frame;
}

// A VBRI frame: `table` holds the entry values (each `entryBytes` wide, times `scale` in bytes).
inline std::vector<uint8_t> VbriFrame(uint32_t header, uint32_t bytes, uint32_t frames,
                                      const std::vector<uint32_t>& table, int scale, int entryBytes,
                                      int framesPerEntry) {
  BitWriter w;
  w.Put(header, 32);
  for (int i = 0; i < 32; ++i) w.Put(0, 8);
  for (char c : {'V', 'B', 'R', 'I'}) w.Put(uint8_t(c), 8);
  w.Put(1, 16);     // version
  w.Put(576, 16);   // delay
  w.Put(75, 16);    // quality
  w.Put(bytes, 32);
  w.Put(frames, 32);
  w.Put(uint32_t(table.size()), 16);
  w.Put(uint32_t(scale), 16);
  w.Put(uint32_t(entryBytes), 16);
  w.Put(uint32_t(framesPerEntry), 16);
  for (uint32_t v : table) w.Put(v, 8 * entryBytes);
  std::vector<uint8_t> frame = w.Bytes();
  frame.resize(size_t(HeaderBodyLength(header)) + 4, 0);
  return frame;
}
