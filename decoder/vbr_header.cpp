#include "decoder/vbr_header.h"

#include <cstring>

namespace {

constexpr int32_t kXingFrames = 1, kXingBytes = 2, kXingToc = 4, kXingQuality = 8;
constexpr int32_t kLameExtensionBytes = 36;  // encoder string through tag CRC
constexpr int32_t kVbriAt = 32;              // VBRI stands 32 bytes into the body
constexpr int32_t kVbriFixedBytes = 26;

uint32_t Big(const uint8_t* p, int32_t n) {
  uint32_t v = 0;
  for (int32_t i = 0; i < n; ++i) v = (v << 8) | p[i];
  return v;
}

bool IsXingTag(const uint8_t* frame, int32_t length, int32_t at) {
  return at + 4 <= length && (std::memcmp(frame + at, "Xing", 4) == 0 || std::memcmp(frame + at, "Info", 4) == 0);
}

int32_t ParseXing(const uint8_t* head, const uint8_t* frame, int32_t length, int32_t at, VbrHeader* out) {
  if (at + 8 > length) return 0;
  const uint32_t flags = Big(frame + at + 4, 4);
  int32_t p = at + 8;
  if (flags & kXingFrames) {
    if (p + 4 > length) return 0;
    const uint32_t frames = Big(frame + p, 4);
    out->frames = frames > 0x7FFFFFFFu ? 0 : static_cast<int32_t>(frames);
    p += 4;
  }
  if (flags & kXingBytes) {
    if (p + 4 > length) return 0;
    out->bytes = Big(frame + p, 4);
    p += 4;
  }
  if (flags & kXingToc) {
    if (p + 100 > length) return 0;
    std::memcpy(out->toc, frame + p, 100);
    out->hasToc = 1;
    p += 100;
  }
  if (flags & kXingQuality) p += 4;
  out->kind = kXingHeader;
  // LAME's extension follows the Xing fields; its CRC, over the frame up to the CRC itself, proves that
  // the bytes are one.
  if (p + kLameExtensionBytes <= length) {
    const uint8_t* lame = frame + p;
    if (LameTagCrc(LameTagCrc(0, head, 4), frame, p + kLameExtensionBytes - 2) == Big(lame + 34, 2)) {
      out->hasLame = 1;
      out->encoderDelay = static_cast<int32_t>((lame[21] << 4) | (lame[22] >> 4));
      out->encoderPadding = static_cast<int32_t>(((lame[22] & 15) << 8) | lame[23]);
      out->lamePeak = Big(lame + 11, 4);
      out->lameRadioGain = static_cast<uint16_t>(Big(lame + 15, 2));
      out->lameAudiophileGain = static_cast<uint16_t>(Big(lame + 17, 2));
    }
  }
  return 1;
}

int32_t ParseVbri(const uint8_t* frame, int32_t length, VbrHeader* out) {
  const uint8_t* v = frame + kVbriAt;
  if (kVbriAt + kVbriFixedBytes > length) return 0;
  out->kind = kVbriHeader;
  out->bytes = Big(v + 10, 4);
  const uint32_t frames = Big(v + 14, 4);
  out->frames = frames > 0x7FFFFFFFu ? 0 : static_cast<int32_t>(frames);
  const int32_t entries = static_cast<int32_t>(Big(v + 18, 2));
  const uint32_t scale = Big(v + 20, 2);
  const int32_t entryBytes = static_cast<int32_t>(Big(v + 22, 2));
  const int32_t framesPerEntry = static_cast<int32_t>(Big(v + 24, 2));
  if (entries == 0 || entryBytes < 1 || entryBytes > 4 || framesPerEntry == 0) return 1;
  if (kVbriAt + kVbriFixedBytes + entries * entryBytes > length) return 1;  // a table past the frame
  // Thin a long table: every `step`-th boundary is kept, each kept entry covering `step` entries.
  const int32_t step = (entries + kMaxVbriEntries - 1) / kMaxVbriEntries;
  const uint8_t* e = v + kVbriFixedBytes;
  uint64_t sum = 0;
  int32_t kept = 0;
  out->offsets[0] = 0;
  for (int32_t i = 0; i < entries; ++i) {
    sum += uint64_t(Big(e + i * entryBytes, entryBytes)) * scale;
    if (sum > 0xFFFFFFFFu) return 1;
    if ((i + 1) % step == 0) out->offsets[++kept] = static_cast<uint32_t>(sum);
  }
  out->entries = kept;
  out->framesPerEntry = framesPerEntry * step;
  return 1;
}

}  // namespace

uint32_t LameTagCrc(uint32_t crc, const uint8_t* p, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int b = 0; b < 8; ++b) crc = (crc & 1) ? (crc >> 1) ^ 0xA001u : crc >> 1;
  }
  return crc;
}

int32_t ParseVbrHeader(uint32_t h, const uint8_t* frame, int32_t length, VbrHeader* out) {
  std::memset(out, 0, sizeof *out);
  if (frame == nullptr || length < 8) return 0;
  const uint8_t head[4] = {uint8_t(h >> 24), uint8_t(h >> 16), uint8_t(h >> 8), uint8_t(h)};
  if ((h & 0xFFE00000u) != 0xFFE00000u || ((h >> 17) & 3) != 1) return 0;  // Layer III only
  const bool mpeg1 = (h >> 19) & 1;
  const bool mono = ((h >> 6) & 3) == 3;
  const int32_t sideInfo = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
  const bool crcWord = ((h >> 16) & 1) == 0;
  // The tag stands behind the side information. A header frame with a CRC word may still carry it where
  // an unprotected frame's would stand (lame writes it there with -p). The two places overlap by two
  // bytes, so at most one of them holds "Xing" or "Info"; the LAME CRC, which covers the frame's bytes
  // up to it, holds only where the tag was written.
  int32_t at = -1;
  if (IsXingTag(frame, length, sideInfo + (crcWord ? 2 : 0))) {
    at = sideInfo + (crcWord ? 2 : 0);
  } else if (crcWord && IsXingTag(frame, length, sideInfo)) {
    at = sideInfo;
  }
  if (at >= 0) {
    if (ParseXing(head, frame, length, at, out)) return 1;
  } else if (kVbriAt + 4 <= length && std::memcmp(frame + kVbriAt, "VBRI", 4) == 0) {
    if (ParseVbri(frame, length, out)) return 1;
  }
  std::memset(out, 0, sizeof *out);
  return 0;
}

int32_t VbrHeaderFits(VbrHeader* v, int64_t audioBytes, int32_t minFrameBytes, int32_t samplesPerFrame) {
  if (v->kind == kNoVbrHeader) return 0;
  // A byte count past the file says that the file was cut short: nothing the header counts holds.
  const bool cut = v->bytes > audioBytes;
  if (v->frames <= 0 || minFrameBytes <= 0 || int64_t(v->frames) > audioBytes / minFrameBytes + 1 || cut) {
    v->frames = 0;
    v->hasToc = 0;
    v->entries = 0;
    v->hasLame = 0;
    return 0;
  }
  if (v->hasToc) {
    for (int32_t i = 1; i < 100; ++i) {
      if (v->toc[i] < v->toc[i - 1]) v->hasToc = 0;
    }
  }
  if (v->entries > 0) {
    for (int32_t i = 1; i <= v->entries; ++i) {
      if (v->offsets[i] < v->offsets[i - 1] || v->offsets[i] > audioBytes) v->entries = 0;
    }
  }
  if (v->hasLame && int64_t(v->encoderDelay) + v->encoderPadding >= int64_t(v->frames) * samplesPerFrame) {
    v->hasLame = 0;
  }
  return 1;
}

int64_t VbrSeekOffset(const VbrHeader& v, int32_t frame, int32_t headerFrameBytes, int32_t* landedFrame) {
  if (v.frames <= 0) return -1;
  if (frame < 0) frame = 0;
  if (frame > v.frames) frame = v.frames;
  if (v.kind == kVbriHeader && v.entries > 0 && v.framesPerEntry > 0) {
    int32_t e = frame / v.framesPerEntry;
    if (e > v.entries) e = v.entries;
    if (landedFrame) *landedFrame = e * v.framesPerEntry;
    return headerFrameBytes + int64_t(v.offsets[e]);
  }
  if (v.kind == kXingHeader && v.hasToc && v.bytes > 0) {
    // Percent of the length, then linear between the two entries around it.
    const double percent = 100.0 * double(frame) / double(v.frames);
    int32_t i = static_cast<int32_t>(percent);
    if (i > 99) i = 99;
    const double a = v.toc[i];
    const double b = i < 99 ? double(v.toc[i + 1]) : 256.0;
    const double at = a + (b - a) * (percent - i);
    if (landedFrame) *landedFrame = frame;
    return static_cast<int64_t>(at * double(v.bytes) / 256.0);
  }
  return -1;
}
