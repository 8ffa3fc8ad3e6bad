// ReplayGain fields read from APEv2 tags, the LAME header frame and files, and the factor a track
// plays at. The ID3v2 frames are read beside the other ID3v2 fields, in id3_tags.cpp.
#include "tags/replay_gain.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "decoder/frame_reader.h"
#include "decoder/id3v2_tag.h"
#include "decoder/vbr_header.h"
#include "platform/file.h"
#include "tags/tag_file.h"

namespace {

const char* const kFieldNames[kReplayGainFields] = {"REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_TRACK_PEAK",
                                                     "REPLAYGAIN_ALBUM_GAIN", "REPLAYGAIN_ALBUM_PEAK"};
// The most read of an APEv2 tag.
constexpr int64_t kLargestTagRead = int64_t(16) << 20;
// LAME writes the peak as a fixed-point number with 23 bits behind the point.
constexpr float kLamePeakUnit = 1.0f / 8388608.0f;

char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

uint32_t Le32(const uint8_t* b) { return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24; }

bool IsGain(int32_t field) { return field == kTrackGain || field == kAlbumGain; }

bool ReadBytesAt(FileHandle file, int64_t at, int64_t count, std::vector<uint8_t>* bytes) {
  bytes->resize(size_t(count));
  return FileSeek(file, at, kFromStart) == at && FileRead(file, bytes->data(), int32_t(count)) == int32_t(count);
}

// The tag's first 64 KB, and the whole tag (up to 16 MB) only when they are cut short of a gain.
void ReadId3v2Gains(FileHandle file, ReplayGainInfo* info) {
  std::vector<uint8_t> bytes;
  if (!ReadId3v2Bytes(file, false, &bytes)) return;
  ReplayGainInfo start = *info;
  bool cut = false;
  ParseId3v2ReplayGain(bytes.data(), bytes.size(), &start, &cut);
  const bool noGain = start.from[kTrackGain] == kGainUnset && start.from[kAlbumGain] == kGainUnset;
  if (cut && noGain && ReadId3v2Bytes(file, true, &bytes)) ParseId3v2ReplayGain(bytes.data(), bytes.size(), &start);
  *info = start;
}

// The APEv2 tag's footer ends the file, or stands before its ID3v1 tag.
void ReadApeGains(FileHandle file, int64_t size, int64_t audioStart, ReplayGainInfo* info) {
  std::vector<uint8_t> tail;
  const int64_t tailBytes = kId3v1Bytes + kApeFooterBytes;
  if (size - audioStart < tailBytes || !ReadBytesAt(file, size - tailBytes, tailBytes, &tail)) return;
  const uint8_t* footer = tail.data() + kId3v1Bytes;
  int64_t end = size;
  if (std::memcmp(footer, "APETAGEX", 8) != 0) {
    if (std::memcmp(tail.data() + kApeFooterBytes, "TAG", 3) != 0) return;
    footer = tail.data();
    end -= kId3v1Bytes;
    if (std::memcmp(footer, "APETAGEX", 8) != 0) return;
  }
  const int64_t tagBytes = Le32(footer + 12);
  if (tagBytes < kApeFooterBytes || tagBytes > end - audioStart || tagBytes > kLargestTagRead) return;
  std::vector<uint8_t> tag;
  if (ReadBytesAt(file, end - tagBytes, tagBytes, &tag)) ParseApeReplayGain(tag.data(), tag.size(), info);
}

// The encoder's header frame is the first frame behind the ID3v2 tag.
void ReadLameGains(FileHandle file, int64_t audioStart, ReplayGainInfo* info) {
  std::vector<uint8_t> frame;
  if (!ReadBytesAt(file, audioStart, 4, &frame)) return;
  const uint32_t header = uint32_t(frame[0]) << 24 | uint32_t(frame[1]) << 16 | uint32_t(frame[2]) << 8 | frame[3];
  const int32_t body = HeaderBodyLength(header);
  if (body <= 0 || !ReadBytesAt(file, audioStart + 4, body, &frame)) return;
  VbrHeader vbr;
  if (ParseVbrHeader(header, frame.data(), body, &vbr)) LameReplayGain(vbr, info);
}

}  // namespace

int32_t ReplayGainFieldNamed(const char* name) {
  for (int32_t field = 0; field < kReplayGainFields; ++field) {
    const char* a = name;
    const char* b = kFieldNames[field];
    while (*b != 0 && Upper(*a) == *b) ++a, ++b;
    if (*a == 0 && *b == 0) return field;
  }
  return -1;
}

bool ParseReplayGainValue(int32_t field, const char* text, float* value) {
  const char* p = text;
  while (IsBlank(*p)) ++p;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  double v = 0;
  int32_t whole = 0, fraction = 0;
  for (; IsDigit(*p); ++p) {
    if (++whole > 6) return false;  // far past any gain or peak
    v = v * 10 + (*p - '0');
  }
  if (*p == '.' || *p == ',') {  // some taggers write the decimal comma of their language
    double place = 0.1;
    for (++p; IsDigit(*p); ++p, ++fraction, place /= 10) {
      if (fraction < 9) v += (*p - '0') * place;
    }
  }
  if (whole + fraction == 0) return false;
  while (IsBlank(*p)) ++p;
  if (IsGain(field) && Upper(p[0]) == 'D' && Upper(p[1]) == 'B') p += 2;
  while (IsBlank(*p)) ++p;
  if (*p != 0) return false;
  if (negative) v = -v;
  if (IsGain(field)) {
    v = v < -kLargestTagGainDb ? -kLargestTagGainDb : v > kLargestTagGainDb ? kLargestTagGainDb : v;
  } else if (!(v > 0)) {
    return false;  // a peak of 0 measured nothing
  }
  *value = float(v);
  return true;
}

bool NoteReplayGain(ReplayGainInfo* info, int32_t field, float value, int32_t from) {
  if (field < 0 || field >= kReplayGainFields || info->from[field] != kGainUnset) return false;
  info->value[field] = value;
  info->from[field] = from;
  return true;
}

int32_t ParseApeReplayGain(const uint8_t* bytes, size_t size, ReplayGainInfo* info) {
  if (bytes == nullptr || size < size_t(kApeFooterBytes)) return 0;
  const uint8_t* footer = bytes + size - kApeFooterBytes;
  const uint32_t version = Le32(footer + 8);
  const uint32_t tagBytes = Le32(footer + 12);
  if (std::memcmp(footer, "APETAGEX", 8) != 0 || (version != 1000 && version != 2000) ||
      tagBytes < uint32_t(kApeFooterBytes) || tagBytes > size) {
    return 0;
  }
  // Each item: its value's size and its flags (4 bytes each, little-endian), the key and a NUL, the value.
  const uint8_t* p = footer - (tagBytes - kApeFooterBytes);
  const uint32_t count = Le32(footer + 16);
  int32_t kept = 0;
  for (uint32_t i = 0; i < count && footer - p >= 8; ++i) {
    const uint32_t valueBytes = Le32(p);
    const uint32_t kind = (Le32(p + 4) >> 1) & 3;  // 0 text, 1 binary, 2 a locator
    const char* key = reinterpret_cast<const char*>(p + 8);
    const void* nul = std::memchr(key, 0, size_t(footer - (p + 8)));
    if (nul == nullptr) break;
    const uint8_t* value = static_cast<const uint8_t*>(nul) + 1;
    if (valueBytes > size_t(footer - value)) break;
    p = value + valueBytes;
    const int32_t field = ReplayGainFieldNamed(key);
    char text[64];
    if (field < 0 || kind != 0 || valueBytes >= sizeof text) continue;
    std::memcpy(text, value, valueBytes);
    text[valueBytes] = 0;
    float v;
    if (ParseReplayGainValue(field, text, &v) && NoteReplayGain(info, field, v, kGainFromApe)) ++kept;
  }
  return kept;
}

int32_t LameReplayGain(const VbrHeader& header, ReplayGainInfo* info) {
  if (!header.hasLame) return 0;
  int32_t kept = 0;
  if (header.lamePeak != 0 && NoteReplayGain(info, kTrackPeak, float(header.lamePeak) * kLamePeakUnit, kGainFromLame)) {
    ++kept;
  }
  // A gain word's name says which gain it is: 1 radio (the track's), 2 audiophile (the album's).
  for (const uint16_t word : {header.lameRadioGain, header.lameAudiophileGain}) {
    const int32_t name = word >> 13;
    if (name != 1 && name != 2) continue;
    const float size = float(word & 0x1FF) / 10.0f;
    if (NoteReplayGain(info, name == 1 ? kTrackGain : kAlbumGain, (word & 0x200) ? -size : size, kGainFromLame)) ++kept;
  }
  return kept;
}

int32_t ReadReplayGain(const char* path, ReplayGainInfo* info) {
  *info = ReplayGainInfo{};
  const FileHandle file = FileOpenRead(path);
  if (file == kNoFile) return 0;
  const int64_t size = FileSize(file);
  if (size >= 0) {
    ReadId3v2Gains(file, info);
    const int64_t audioStart = AudioStartAfterId3v2(file);
    ReadApeGains(file, size, audioStart, info);
    ReadLameGains(file, audioStart, info);
  }
  FileClose(file);
  return size >= 0 ? 1 : 0;
}

float ReplayGainFactor(const ReplayGainInfo& info, const ReplayGainSettings& settings, int32_t* from) {
  if (from != nullptr) *from = kGainUnset;
  if (settings.mode != kReplayGainTrack && settings.mode != kReplayGainAlbum) return 1.0f;
  const bool album = settings.mode == kReplayGainAlbum && info.from[kAlbumGain] != kGainUnset;
  const int32_t gain = album ? kAlbumGain : kTrackGain;
  const int32_t peak = album && info.from[kAlbumPeak] != kGainUnset ? kAlbumPeak : kTrackPeak;
  auto held = [](float db) { return db < kMinReplayGainDb ? kMinReplayGainDb : db > kMaxReplayGainDb ? kMaxReplayGainDb : db; };
  if (info.from[gain] == kGainUnset) return float(std::pow(10.0, held(settings.untaggedDb) / 20.0));
  if (from != nullptr) *from = info.from[gain];
  double factor = std::pow(10.0, (double(info.value[gain]) + held(settings.preampDb)) / 20.0);
  const double peakValue = info.from[peak] != kGainUnset ? info.value[peak] : 0.0;
  if (settings.preventClipping && peakValue > 0 && factor * peakValue > 1.0) factor = 1.0 / peakValue;
  return float(factor);
}
