// ID3v2 tags for tests: the 10-byte header with the body's size in syncsafe digits, the body, and on
// request the 10-byte footer that repeats the size; frames of versions 2.2 to 2.4, their text contents
// and unsynchronisation. And APEv2 tags of text items.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

// Writes `value` as four 7-bit digits, most significant first, at `at`.
// The parts one after another.
inline std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const std::vector<uint8_t>& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

inline void PutSyncsafe(std::vector<uint8_t>& out, size_t at, size_t value) {
  for (size_t i = 0; i < 4; ++i) out[at + i] = uint8_t((value >> (7 * (3 - i))) & 0x7F);
}

// A tag of version 2.`major` with header flags `flags` (0x10 adds the footer, in 2.4).
inline std::vector<uint8_t> Id3v2TagOf(int major, uint8_t flags, const std::vector<uint8_t>& body) {
  const bool footer = (flags & 0x10) != 0;
  std::vector<uint8_t> tag(10 + body.size() + (footer ? 10 : 0), 0);
  const uint8_t header[6] = {'I', 'D', '3', uint8_t(major), 0, flags};
  std::memcpy(tag.data(), header, sizeof header);
  PutSyncsafe(tag, 6, body.size());
  if (!body.empty()) std::memcpy(tag.data() + 10, body.data(), body.size());
  if (footer) {
    const uint8_t foot[6] = {'3', 'D', 'I', uint8_t(major), 0, flags};
    std::memcpy(tag.data() + tag.size() - 10, foot, sizeof foot);
    PutSyncsafe(tag, tag.size() - 4, body.size());
  }
  return tag;
}

inline std::vector<uint8_t> Id3v2Tag(const std::vector<uint8_t>& body, bool footer) {
  return Id3v2TagOf(4, footer ? 0x10 : 0, body);
}

// A tag whose body is `bodySize` bytes of `fill`.
inline std::vector<uint8_t> Id3v2Tag(uint32_t bodySize, bool footer, uint8_t fill = 0) {
  return Id3v2Tag(std::vector<uint8_t>(bodySize, fill), footer);
}

// One frame of version 2.`major`: a 3-byte name and 3-byte size in 2.2; a 4-byte name, a size (plain in
// 2.3, syncsafe in 2.4) and the status and format flag bytes otherwise.
inline std::vector<uint8_t> Id3v2Frame(int major, const char* id, const std::vector<uint8_t>& content,
                                       uint8_t format = 0) {
  const size_t idLength = major == 2 ? 3 : 4, headerLength = major == 2 ? 6 : 10;
  const size_t n = content.size();
  std::vector<uint8_t> frame(headerLength + n, 0);
  std::memcpy(frame.data(), id, idLength);
  if (n > 0) std::memcpy(frame.data() + headerLength, content.data(), n);
  if (major == 2) {
    for (size_t i = 0; i < 3; ++i) frame[3 + i] = uint8_t(n >> (8 * (2 - i)));
  } else if (major == 3) {
    for (size_t i = 0; i < 4; ++i) frame[4 + i] = uint8_t(n >> (8 * (3 - i)));
  } else {
    PutSyncsafe(frame, 4, n);
  }
  if (major > 2) frame[9] = format;
  return frame;
}

// Text frame contents: the encoding byte, then the text's bytes as given.
inline std::vector<uint8_t> Id3v2Text(uint8_t encoding, const std::string& bytes) {
  std::vector<uint8_t> content(1, encoding);
  content.insert(content.end(), bytes.begin(), bytes.end());
  return content;
}
// UTF-16 code units as bytes, little- or big-endian, led by the byte-order mark when asked.
inline std::string Utf16Bytes(const std::u16string& text, bool little, bool mark) {
  std::string out;
  std::u16string units = mark ? u"\xFEFF" + text : text;
  for (char16_t u : units) {
    const char high = char(u >> 8), low = char(u & 0xFF);
    out += little ? std::string{low, high} : std::string{high, low};
  }
  return out;
}

// Unsynchronisation: a zero byte behind every 0xFF that is followed by 0x00, a byte of 0xE0 or above, or
// nothing.
inline std::vector<uint8_t> Unsynchronise(const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    out.push_back(bytes[i]);
    if (bytes[i] == 0xFF && (i + 1 == bytes.size() || bytes[i + 1] == 0 || bytes[i + 1] >= 0xE0)) out.push_back(0);
  }
  return out;
}

// An APEv2 tag of text items (key, value): its header when asked, then each item's value size and flags
// (0: text) as 32-bit little-endian numbers, the key and a NUL, the value; then the footer.
inline std::vector<uint8_t> ApeTag(const std::vector<std::pair<std::string, std::string>>& items, bool header) {
  std::string body, ends[2];
  auto le32 = [](size_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
  for (const auto& [key, value] : items) body += le32(value.size()) + le32(0) + key + std::string(1, '\0') + value;
  for (size_t isHeader : {0, 1})  // the flags: a header is there, this is it
    ends[isHeader] = "APETAGEX" + le32(2000) + le32(body.size() + 32) + le32(items.size()) +
                     le32((header ? 0x80000000u : 0) | (isHeader ? 0x20000000u : 0)) + std::string(8, '\0');
  const std::string tag = (header ? ends[1] : "") + body + ends[0];
  return std::vector<uint8_t>(tag.begin(), tag.end());
}
