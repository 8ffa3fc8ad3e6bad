// ID3v2.4 tags for tests: the 10-byte header with the body's size in syncsafe digits, the body, and on
// request the 10-byte footer that repeats the size.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

// Writes `value` as four 7-bit digits, most significant first, at `at`.
inline void PutSyncsafe(std::vector<uint8_t>& out, size_t at, size_t value) {
  for (size_t i = 0; i < 4; ++i) out[at + i] = uint8_t((value >> (7 * (3 - i))) & 0x7F);
}

inline std::vector<uint8_t> Id3v2Tag(const std::vector<uint8_t>& body, bool footer) {
  std::vector<uint8_t> tag(10 + body.size() + (footer ? 10 : 0), 0);
  const uint8_t header[6] = {'I', 'D', '3', 4, 0, uint8_t(footer ? 0x10 : 0)};
  std::memcpy(tag.data(), header, sizeof header);
  PutSyncsafe(tag, 6, body.size());
  if (!body.empty()) std::memcpy(tag.data() + 10, body.data(), body.size());
  if (footer) {
    const uint8_t foot[6] = {'3', 'D', 'I', 4, 0, 0x10};
    std::memcpy(tag.data() + tag.size() - 10, foot, sizeof foot);
    PutSyncsafe(tag, tag.size() - 4, body.size());
  }
  return tag;
}

// A tag whose body is `bodySize` bytes of `fill`.
inline std::vector<uint8_t> Id3v2Tag(uint32_t bodySize, bool footer, uint8_t fill = 0) {
  return Id3v2Tag(std::vector<uint8_t>(bodySize, fill), footer);
}
