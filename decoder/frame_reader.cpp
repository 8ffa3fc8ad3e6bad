#include "decoder/frame_reader.h"

#include <cstring>

#include "decoder/bit_reader.h"
#include "decoder/decoder_builds.h"
#include "decoder/layer12_tables.h"
#include "platform/message_numbers.h"

uint8_t gFrameBlock[kFrameBlockBytes + kFrameGuardBytes];

FrameReader gFrameReader = {
    kNoFile, 0, 0, 0, 0, 0, 0, 0, 0, 0, gFrameBlock + kFrameAreaBytes, gFrameBlock + kFrameAreaBytes, 0,
};

const int32_t kBitrates[2][3][16] = {
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

namespace {

constexpr uint32_t kRiff = 0x52494646u;  // "RIFF"
constexpr int32_t kRiffRest = 68;         // bytes of the 72-byte wrapper behind "RIFF"
constexpr int32_t kScanLimit = 2048;      // bytes scanned for a first header before reporting a search

FrameReader& R() { return gFrameReader; }

bool ReadByte(uint8_t* b) { return FileRead(R().file, b, 1) == 1; }

bool ShiftInByte() {
  uint8_t b;
  if (!ReadByte(&b)) return false;
  R().header = (R().header << 8) | b;
  return true;
}

bool ReadHeaderBytes() {
  uint8_t b[4];
  if (FileRead(R().file, b, 4) < 4) return false;
  R().header = (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
  return true;
}

struct HeaderFields {
  int32_t lowSampling, isMpeg25, layer, bitrateIndex, sampleBits, sampleRateIndex, padding, mode;
};

HeaderFields Split(uint32_t h) {
  HeaderFields f;
  if (h & (1u << 20)) {
    f.isMpeg25 = 0;
    f.lowSampling = 1 - static_cast<int32_t>((h >> 19) & 1);
  } else {
    f.lowSampling = 1;
    f.isMpeg25 = 1;
  }
  f.layer = 4 - static_cast<int32_t>((h >> 17) & 3);
  f.bitrateIndex = static_cast<int32_t>((h >> 12) & 15);
  f.sampleBits = static_cast<int32_t>((h >> 10) & 3);
  f.sampleRateIndex = f.isMpeg25 ? 6 + f.sampleBits : f.sampleBits + 3 * f.lowSampling;
  f.padding = static_cast<int32_t>((h >> 9) & 1);
  f.mode = static_cast<int32_t>((h >> 6) & 3);
  return f;
}

// Body length for a layer, bitrate index and sample rate; -1 when there is none or it does not fit an area.
int32_t BodyLength(int32_t layer, int32_t lowSampling, int32_t bitrateIndex, int32_t sampleRateIndex,
                   int32_t padding) {
  if (layer < 1 || layer > 3 || bitrateIndex <= 0 || bitrateIndex >= 15) return -1;
  if (sampleRateIndex < 0 || sampleRateIndex > 8) return -1;
  const uint32_t rate = static_cast<uint32_t>(kBitrates[lowSampling][layer - 1][bitrateIndex]);
  const uint32_t fs = static_cast<uint32_t>(kSampleRates[sampleRateIndex]);
  const uint32_t pad = static_cast<uint32_t>(padding);
  int64_t length;
  if (layer == 1) {
    length = static_cast<int64_t>((rate * 12000u / fs + pad) * 4u) - 4;
  } else if (layer == 2) {
    length = static_cast<int64_t>(rate * 144000u / fs + pad) - 4;
  } else {
    length = static_cast<int64_t>(rate * 144000u / (fs << lowSampling) + pad) - 4;
  }
  if (length <= 0 || length > kMaxBodyBytes) return -1;
  return static_cast<int32_t>(length);
}

// A candidate for the first header of a track is taken only when the next frame starts right behind
// it with a header of the same stream, or the file ends there: stray bytes in front of the audio
// often look like a header, and a false first header would make every real frame look foreign.
// A candidate that only carries the sync bits (found when the scan gave up) is left to the parse,
// which reports what is wrong with it.
bool ConfirmFirstHeader(uint32_t candidate) {
  if (!IsValidHeader(candidate)) return true;
  const int32_t body = HeaderBodyLength(candidate);
  if (body < 0) return false;  // free format or a body too long for a frame area: not a usable start
  const int64_t here = FileSeek(R().file, 0, kFromCurrent);
  if (here < 0) return false;
  bool confirmed = true;
  uint8_t b[4];
  if (FileSeek(R().file, here + body, kFromStart) >= 0 && FileRead(R().file, b, 4) == 4) {
    const uint32_t next = (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
    confirmed = (next & kSyncMask) == kSyncMask && SameStream(next, candidate);
  }
  FileSeek(R().file, here, kFromStart);
  return confirmed;
}

// Skips an ID3v2 tag at the start of the file; returns where the audio begins.
int64_t SkipId3v2Tag() {
  uint8_t tag[10];
  if (FileRead(R().file, tag, 10) == 10 && tag[0] == 'I' && tag[1] == 'D' && tag[2] == '3' && tag[3] != 0xFF &&
      tag[4] != 0xFF && (tag[6] | tag[7] | tag[8] | tag[9]) < 0x80) {
    int64_t size = (int64_t(tag[6]) << 21) | (int64_t(tag[7]) << 14) | (int64_t(tag[8]) << 7) | tag[9];
    int64_t end = 10 + size + ((tag[5] & 0x10) ? 10 : 0);
    return end;
  }
  return 0;
}

}  // namespace

bool IsValidHeader(uint32_t h) {
  return (h & kSyncMask) == kSyncMask && (h & 0x00060000u) != 0 && (h & 0x0000F000u) != 0x0000F000u &&
         (h & 0x00000C00u) != 0x00000C00u;
}

int32_t HeaderBodyLength(uint32_t header) {
  if ((header & kSyncMask) != kSyncMask) return -1;
  const HeaderFields f = Split(header);
  if (f.sampleBits == 3) return -1;
  return BodyLength(f.layer, f.lowSampling, f.bitrateIndex, f.sampleRateIndex, f.padding);
}

int64_t OpenStream(const char* path) {
  CloseStream();
  return OpenStreamFile(FileOpenRead(path));
}

int64_t OpenStreamFile(FileHandle file) {
  CloseStream();
  if (file == kNoFile) return -1;
  FrameReader& r = R();
  r.file = file;
  r.everOpened = 1;
  r.audioStart = SkipId3v2Tag();
  // A tag that claims to run past the end of the file is damaged: search the whole file instead.
  if (r.audioStart >= FileSize(file)) r.audioStart = 0;
  if (FileSeek(file, r.audioStart, kFromStart) < 0) r.audioStart = 0;
  std::memset(gFrameBlock, 0, sizeof gFrameBlock);
  SetBitPointer(r.currentBody);
  return FileSize(file);
}

void ResetSync() {
  R().lastHeader = 0;
  R().firstHeader = 0;
}

int32_t ReadFrame(StreamState* s, WindowHandle window) {
  FrameReader& r = R();
  if (r.file == kNoFile) return 0;
  if (!ReadHeaderBytes()) return 0;

  int32_t body;
  if (r.header == r.lastHeader && r.lastHeader != 0) {
    s->headerChanged = 0;
    body = r.nextBodyLength;
  } else {
    s->headerChanged = 1;
    for (;;) {
      // Searching for the first header of the track.
      if (r.firstHeader == 0 && !IsValidHeader(r.header)) {
        if (r.header == kRiff) {
          PostPlayerMessage(window, WM_PLAYER_SYNC, 0, kSyncRiff);
          uint8_t skip[kRiffRest];
          if (FileRead(r.file, skip, kRiffRest) < kRiffRest) return 0;
          if (!ReadHeaderBytes()) return 0;
          continue;
        }
        for (int32_t i = 0; i < kScanLimit && !IsValidHeader(r.header); ++i) {
          if (!ShiftInByte()) return 0;
        }
      }
      if ((r.header & kSyncMask) == kSyncMask) {
        if (r.firstHeader != 0) {
          // Later headers of the track must carry a usable bitrate.
          const uint32_t index = (r.header >> 12) & 15;
          if (index != 0 && index != 15) break;
        } else if (ConfirmFirstHeader(r.header)) {
          break;
        } else {
          if (!ShiftInByte()) return 0;
          continue;
        }
      }
      // Resynchronise: slide byte by byte to the next header of this stream.
      PostPlayerMessage(window, WM_PLAYER_SYNC, 0, kSyncSearching);
      bool found = false;
      while (!found) {
        if (!ShiftInByte()) return 0;
        if (r.lastHeader == 0) break;
        const uint32_t index = (r.header >> 12) & 15;
        found = (r.header & kSyncMask) == kSyncMask && index != 0 && index != 15 &&
                (SameStream(r.header, r.lastHeader) || SameStream(r.header, r.firstHeader));
      }
      if (found) break;
    }

    // Accept and parse.
    PostPlayerMessage(window, WM_PLAYER_SYNC, 0, kSyncLocked);
    const uint32_t h = r.header;
    if (r.firstHeader == 0) r.firstHeader = h;
    const HeaderFields f = Split(h);
    if (r.lastHeader == 0) {
      // The version, layer, sample rate and CRC flag of the first header hold for the whole track, so
      // that a damaged header later on cannot mix the tables of two formats.
      s->isMpeg25 = f.isMpeg25;
      s->lowSampling = f.lowSampling;
      s->layer = f.layer;
      if (f.sampleBits == 3) return -1;
      s->sampleRateIndex = f.sampleRateIndex;
      s->hasCrc = 1 - static_cast<int32_t>((h >> 16) & 1);
    }
    s->bitrateIndex = f.bitrateIndex;
    s->padding = f.padding;
    s->privateBit = static_cast<int32_t>((h >> 8) & 1);
    s->mode = f.mode;
    s->modeExt = static_cast<int32_t>((h >> 4) & 3);
    s->copyright = static_cast<int32_t>((h >> 3) & 1);
    s->original = static_cast<int32_t>((h >> 2) & 1);
    s->emphasis = static_cast<int32_t>(h & 3);
    s->channels = s->mode == 3 ? 1 : 2;
    r.lastHeader = h;
    if (s->bitrateIndex == 0 || s->bitrateIndex == 15) return 0;  // free format, or no bitrate at all
    if (s->layer < 1 || s->layer > 3) return 0;

    const int32_t lowSampling = s->lowSampling;
    body = BodyLength(s->layer, lowSampling, s->bitrateIndex, s->sampleRateIndex, s->padding);
    if (body < 0) return 0;  // a body longer than a frame area holds
    s->decodeFrame = LayerRoutine(s->layer);
    if (s->layer == 1) {
      s->jointBound = s->mode == 1 ? 4 * s->modeExt + 4 : 32;
    } else if (s->layer == 2) {
      const int32_t table =
          lowSampling ? 4 : Layer2TableNumber(s->sampleRateIndex, s->channels, s->bitrateIndex);
      s->allocTable = kAllocTables[table];
      s->sbLimit = kAllocTableSbLimit[table];
      s->jointBound = s->mode == 1 ? 4 * s->modeExt + 4 : s->sbLimit;
      if (s->jointBound > s->sbLimit) s->jointBound = s->sbLimit;
    } else {
      r.sideInfoLength = (lowSampling ? (s->channels == 1 ? 9 : 17) : (s->channels == 1 ? 17 : 32)) +
                         (s->hasCrc ? 2 : 0);
    }
    r.nextBodyLength = body;
  }

  // Read the body into the next frame area, behind the room for reservoir bytes.
  r.prevBodyLength = r.bodyLength;
  r.previousBody = r.currentBody;
  r.currentBody = gFrameBlock + r.nextArea * kFrameAreaBytes + kReservoirBytes;
  r.bodyLength = body;
  r.nextArea ^= 1;
  const int32_t got = FileRead(r.file, r.currentBody, body);
  if (got <= 0) return 0;
  if (got < body) std::memset(r.currentBody + got, 0, static_cast<size_t>(body - got));
  SetBitPointer(r.currentBody);
  return 1;
}

int32_t SeekFrame(StreamState* s, int32_t frame, WindowHandle window) {
  FrameReader& r = R();
  if (r.firstHeader == 0 || r.file == kNoFile) return 0;
  PostPlayerMessage(window, WM_PLAYER_SYNC, 0, kSyncSearching);
  // Frame numbers here are in the unit StreamPosition and StreamFrames report (file bytes per body
  // length), so that a seek lands where the position display says the frame is.
  const int32_t start = frame - 3;
  const int64_t target = r.audioStart + int64_t(start > 0 ? start : 0) * int64_t(r.bodyLength);
  if (FileSeek(r.file, target, kFromStart) < 0) return 0;
  if (!ReadHeaderBytes()) return 0;
  while (!SameStream(r.header, r.firstHeader)) {
    if (!ShiftInByte()) return 0;
  }
  if (FileSeek(r.file, -4, kFromCurrent) < 0) return 0;
  if (start >= 0) {
    for (int i = 0; i < 3; ++i) ReadFrame(s, nullptr);
  }
  PostPlayerMessage(window, WM_PLAYER_SYNC, 0, kSyncLocked);
  return 1;
}

int32_t StreamFrames() {
  const FrameReader& r = gFrameReader;
  if (r.file == kNoFile || r.bodyLength <= 0) return 0;
  const int64_t size = FileSize(r.file) - r.audioStart;
  if (size <= 0) return 0;
  const int64_t frames = size / r.bodyLength;
  return frames > INT32_MAX ? INT32_MAX : static_cast<int32_t>(frames);
}

int32_t StreamPosition() {
  const FrameReader& r = gFrameReader;
  if (r.file == kNoFile || r.bodyLength <= 0) return 0;
  const int64_t pos = FileSeek(r.file, 0, kFromCurrent) - r.audioStart;
  if (pos <= 0) return 0;
  const int64_t frame = pos / r.bodyLength;
  return frame > INT32_MAX ? INT32_MAX : static_cast<int32_t>(frame);
}

void CloseStream() {
  if (gFrameReader.file != kNoFile) FileClose(gFrameReader.file);
  gFrameReader.file = kNoFile;
}
