// Track scanning: first frame header, duration and ID3v1 tag of a file opened by the caller.
#include "playlist/track_scanner.h"

#include <atomic>
#include <cstring>

#include "decoder/bit_reader.h"
#include "decoder/frame_header.h"
#include "decoder/frame_reader.h"
#include "decoder/vbr_header.h"
#include "decoder/id3v2_tag.h"
#include "platform/text.h"

namespace {

std::atomic<WindowHandle> gScanOwner{nullptr};

constexpr int32_t kTagBytes = 128;

// Converts a tag text of `length` bytes in the ANSI code page, stopping at a NUL and without its
// trailing spaces, to UTF-8. `destination` is NUL-filled behind the text.
void CopyTagText(char* destination, size_t destinationSize, const uint8_t* source, size_t length) {
  std::memset(destination, 0, destinationSize);
  size_t n = 0;
  while (n < length && source[n] != 0) ++n;
  while (n > 0 && source[n - 1] == ' ') --n;
  Utf8FromAnsi(reinterpret_cast<const char*>(source), int32_t(n), destination, int32_t(destinationSize));
}

}  // namespace

void SetScanOwner(WindowHandle owner) { gScanOwner.store(owner); }

int32_t ScanHeader(FileHandle file, HeaderInfo* header) {
  if (header == nullptr) return 0;
  const int64_t start = AudioStartAfterId3v2(file);

  // Every position needs its four bytes: one read covers them all.
  uint8_t window[kHeaderScanPositions + 3] = {};
  int32_t got = 0;
  if (FileSeek(file, start, kFromStart) == start) got = FileRead(file, window, int32_t(sizeof window));
  if (got < 0) got = 0;

  int32_t found = -1;
  for (int32_t pos = 0; pos < kHeaderScanPositions && pos + 4 <= got; ++pos) {
    if (HasSync(uint32_t(window[pos]) << 24 | uint32_t(window[pos + 1]) << 16)) {
      found = pos;
      break;
    }
  }
  if (found < 0) {
    ShowMessageBox(nullptr, "No Header Found", "Note...", kBoxOk);
    return 0;
  }

  const uint8_t* b = window + found;
  const int32_t versionBits = (b[1] >> 3) & 3;
  const int32_t layerBits = (b[1] >> 1) & 3;
  if (versionBits == 1 || layerBits == 0) return 0;

  HeaderInfo h{};
  h.version = versionBits == 3 ? 0 : versionBits == 2 ? 1 : 2;
  h.layer = 4 - layerBits;
  h.crcPresent = 1 - (b[1] & 1);
  h.bitrateIndex = b[2] >> 4;
  h.sampleRateIndex = (b[2] >> 2) & 3;
  h.padding = (b[2] >> 1) & 1;
  h.privateBit = b[2] & 1;
  h.channelMode = b[3] >> 6;
  h.modeExtension = (b[3] >> 4) & 3;
  h.copyright = (b[3] >> 3) & 1;
  h.original = (b[3] >> 2) & 1;
  h.emphasis = b[3] & 3;
  h.channels = h.channelMode == 3 ? 1 : 2;
  *header = h;
  return 1;
}

int32_t ReadTag(FileHandle file, TagInfo* tag) {
  if (tag == nullptr) return 0;
  std::memset(tag, 0, sizeof *tag);

  const int64_t size = FileSize(file);
  if (size < kTagBytes || FileSeek(file, -kTagBytes, kFromEnd) < 0) {
    ShowMessageBox(gScanOwner.load(), "Error Setting Pointer", "Error...", kBoxOk);
    return 0;
  }
  uint8_t raw[kTagBytes] = {};
  if (FileRead(file, raw, kTagBytes) != kTagBytes) return 0;
  return ParseTag(raw, tag);
}

int32_t ParseTag(const uint8_t* raw, TagInfo* tag) {
  std::memset(tag, 0, sizeof *tag);
  if ((raw[0] | 0x20) != 't' || (raw[1] | 0x20) != 'a' || (raw[2] | 0x20) != 'g') return 0;

  CopyTagText(tag->title, sizeof tag->title, raw + 3, 30);
  CopyTagText(tag->artist, sizeof tag->artist, raw + 33, 30);
  CopyTagText(tag->album, sizeof tag->album, raw + 63, 30);
  CopyTagText(tag->year, sizeof tag->year, raw + 93, 4);
  CopyTagText(tag->comment, sizeof tag->comment, raw + 97, 30);
  tag->genre = raw[127] > 43 ? kUnknownGenre : raw[127];
  std::strncpy(tag->genreName, kGenreNames[tag->genre], sizeof tag->genreName - 1);
  tag->present = 1;
  return 1;
}

int32_t HeaderBitrate(const HeaderInfo& header) {
  if (header.version < 0 || header.version > 2 || header.layer < 1 || header.layer > 3 ||
      header.bitrateIndex < 0 || header.bitrateIndex > 15) {
    return 0;
  }
  return kBitrates[header.version == 0 ? 0 : 1][header.layer - 1][header.bitrateIndex];
}

int64_t AudioBytes(FileHandle file) {
  const int64_t size = FileSize(file);
  return size < 0 ? -1 : size - AudioStartAfterId3v2(file);
}

int32_t HeaderFrameSeconds(FileHandle file) {
  const int64_t start = AudioStartAfterId3v2(file);
  const int64_t size = FileSize(file);
  // The first header at the positions ScanHeader tries, and its whole frame.
  uint8_t bytes[kHeaderScanPositions + 4 + kMaxBodyBytes];
  if (size < 0 || FileSeek(file, start, kFromStart) != start) return -1;
  const int32_t got = FileRead(file, bytes, int32_t(sizeof bytes));
  int32_t at = 0;
  while (at < kHeaderScanPositions && at + 4 <= got &&
         !HasSync(uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16)) {
    ++at;
  }
  if (at >= kHeaderScanPositions || at + 4 > got) return -1;
  const uint32_t header = uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 |
                          bytes[at + 3];
  const int32_t body = HeaderBodyLength(header);
  if (body < 0 || at + 4 + body > got) return -1;
  VbrHeader v;
  if (!ParseVbrHeader(header, bytes + at + 4, body, &v)) return -1;
  const bool mpeg1 = (header >> 19) & 1;
  const int32_t samplesPerFrame = mpeg1 ? 1152 : 576;
  const int32_t smallest = HeaderBodyLength((header & ~0x0000F200u) | 0x00001000u) + 4;  // index 1, no padding
  if (!VbrHeaderFits(&v, size - start - at, smallest, samplesPerFrame)) return -1;
  const int32_t rateBits = static_cast<int32_t>((header >> 10) & 3);
  const int32_t rateIndex = ((header >> 20) & 1) == 0 ? 6 + rateBits : rateBits + (mpeg1 ? 0 : 3);
  int64_t samples = int64_t(v.frames) * samplesPerFrame;
  if (v.hasLame) samples -= v.encoderDelay + v.encoderPadding;
  return static_cast<int32_t>(samples / kSampleRates[rateIndex]);
}

int32_t TrackDuration(int64_t audioBytes, int32_t bitrateKbps) {
  if (bitrateKbps <= 0 || audioBytes < 0) return -1;
  const int64_t seconds = audioBytes / (int64_t(bitrateKbps) * 125);
  return seconds > INT32_MAX ? INT32_MAX : int32_t(seconds);
}
