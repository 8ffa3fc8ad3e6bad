#include "decoder/frame_reader.h"

#include <cstring>

#include "decoder/bit_reader.h"
#include "decoder/decoder_builds.h"
#include "decoder/id3v2_tag.h"
#include "decoder/layer12_tables.h"
#include "platform/message_numbers.h"

uint8_t gFrameBlock[kFrameBlockBytes + kFrameGuardBytes];

FrameReader gFrameReader = {
    ByteSource{0, nullptr}, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, gFrameBlock + kFrameAreaBytes,
    gFrameBlock + kFrameAreaBytes, 0, 0, 0, VbrHeader{}, 0, 0, 0, 0, 0, nullptr,
};

namespace {

constexpr uint32_t kRiff = 0x52494646u;  // "RIFF"
constexpr int32_t kRiffRest = 68;         // bytes of the 72-byte wrapper behind "RIFF"
// A stream that yields this many bytes without a frame is not MPEG audio: its search ends there, where
// a file's goes on to the file's end.
constexpr int64_t kStreamSearchLimit = 256 * 1024;
constexpr int32_t kScanLimit = 2048;      // bytes scanned for a first header before reporting a search

FrameReader& R() { return gFrameReader; }

bool IsOpen() { return R().source.handle != 0; }

// Reads from the source; a stream that has nothing yet is asked again while keepWaiting allows.
int32_t SourceRead(void* out, int32_t count) {
  const ByteSource& source = R().source;
  for (;;) {
    const int32_t got = source.functions->read(source.handle, out, count);
    if (got >= 0) return got;
    if (R().keepWaiting && !R().keepWaiting()) return 0;
  }
}

int64_t SourceSize() { return R().source.functions->size(R().source.handle); }

// The file is read through one buffer, so that a search through junk or a hole of zeros asks the file
// system for a block at a time rather than a byte. bytes[at..end) are the file's bytes from
// filePos - (end - at) on. A seek inside the buffer only moves `at`; one outside it empties the buffer,
// and the next refill reads from the new position.
constexpr int32_t kReadBufferBytes = 16384;
struct ReadBuffer {
  uint8_t bytes[kReadBufferBytes];
  int32_t at;
  int32_t end;
  int64_t filePos;  // file offset of bytes[end]
};
ReadBuffer gRead;

void ForgetBuffer(int64_t filePos) {
  gRead.at = gRead.end = 0;
  gRead.filePos = filePos;
}

bool Refill() {
  const ByteSource& source = R().source;
  if (!R().sequential && source.functions->seek(source.handle, gRead.filePos, kFromStart) != gRead.filePos) {
    return false;
  }
  const int32_t got = SourceRead(gRead.bytes, kReadBufferBytes);
  if (got <= 0) return false;
  gRead.at = 0;
  gRead.end = got;
  gRead.filePos += got;
  return true;
}

// Reads up to `count` bytes; returns the number read (fewer at the end of the file).
int32_t ReadBytes(uint8_t* out, int32_t count) {
  int32_t done = 0;
  while (done < count) {
    if (gRead.at == gRead.end && !Refill()) break;
    int32_t n = gRead.end - gRead.at;
    if (n > count - done) n = count - done;
    std::memcpy(out + done, gRead.bytes + gRead.at, static_cast<size_t>(n));
    gRead.at += n;
    done += n;
  }
  return done;
}

int64_t Tell() { return gRead.filePos - (gRead.end - gRead.at); }

void SeekTo(int64_t pos) {
  const int64_t bufferStart = gRead.filePos - gRead.end;
  if (pos >= bufferStart && pos <= gRead.filePos) {
    gRead.at = static_cast<int32_t>(pos - bufferStart);
  } else {
    ForgetBuffer(pos);
  }
}

// The four bytes at `pos`, leaving the read position where it is.
bool PeekFour(int64_t pos, uint8_t* out) {
  const int64_t bufferStart = gRead.filePos - gRead.end;
  if (pos >= bufferStart && pos + 4 <= gRead.filePos) {
    std::memcpy(out, gRead.bytes + (pos - bufferStart), 4);
    return true;
  }
  const ByteSource& source = R().source;
  if (!R().sequential) {
    return source.functions->seek(source.handle, pos, kFromStart) == pos &&
           source.functions->read(source.handle, out, 4) == 4;
  }
  // A stream cannot go back: the unread bytes move to the front of the buffer and more are read behind
  // them until the four are there.
  const int32_t unread = gRead.end - gRead.at;
  if (pos < Tell() || pos + 4 - Tell() > kReadBufferBytes) return false;
  std::memmove(gRead.bytes, gRead.bytes + gRead.at, static_cast<size_t>(unread));
  gRead.at = 0;
  gRead.end = unread;
  while (pos + 4 > gRead.filePos) {
    const int32_t got = SourceRead(gRead.bytes + gRead.end, kReadBufferBytes - gRead.end);
    if (got <= 0) return false;
    gRead.end += got;
    gRead.filePos += got;
  }
  std::memcpy(out, gRead.bytes + (pos - (gRead.filePos - gRead.end)), 4);
  return true;
}

bool ShiftInByte() {
  if (gRead.at == gRead.end && !Refill()) return false;
  R().header = (R().header << 8) | gRead.bytes[gRead.at++];
  return true;
}

bool ReadHeaderBytes() {
  uint8_t b[4];
  if (ReadBytes(b, 4) < 4) return false;
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

// A valid header is taken as the first header of a track only when the next frame starts right behind
// it with a header of the same stream, or the file ends there: stray bytes in front of the audio often
// look like a header, and a false first header would make every real frame look foreign.
bool ConfirmFirstHeader(uint32_t candidate) {
  const int32_t body = HeaderBodyLength(candidate);
  if (body < 0) return false;  // free format or a body too long for a frame area: not a usable start
  uint8_t b[4];
  if (!PeekFour(Tell() + body, b)) return true;
  const uint32_t next = (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
  return HasSync(next) && SameStream(next, candidate);
}

bool UsableBitrate(uint32_t header) {
  const uint32_t index = (header >> 12) & 15;
  return index != 0 && index != 15;
}

// A frame read ahead after a seek is not decoded, but its Layer III main data joins the reservoir, so
// that the frames decoded next find the bytes they reach back for where a decoded frame leaves them.
void CarryReservoir(const StreamState& s) {
  const uint8_t* side = R().currentBody + (s.hasCrc ? 2 : 0);
  const int32_t mainDataBegin = s.lowSampling ? side[0] : (side[0] << 1) | (side[1] >> 7);
  SetMainDataStart(mainDataBegin);
}

// Takes the track's first frame as the encoder's header frame when it is one: its values are kept
// where they fit the file, and the frame itself is not played.
bool TakeHeaderFrame(const StreamState& s, int32_t body) {
  FrameReader& r = R();
  if (!ParseVbrHeader(r.header, r.currentBody, body, &r.vbr)) return false;
  r.headerFrameBytes = body + 4;
  r.headerFrameStart = Tell() - r.headerFrameBytes;
  if (r.sequential) {
    // A stream has no length for the frame's counts to fit: it is passed over and its values dropped.
    std::memset(&r.vbr, 0, sizeof r.vbr);
    return true;
  }
  const int32_t smallest = BodyLength(3, s.lowSampling, 1, s.sampleRateIndex, 0) + 4;
  VbrHeaderFits(&r.vbr, SourceSize() - r.headerFrameStart, smallest, SamplesPerFrame(s));
  return true;
}

// Where frame 0 of the audio begins: behind the header frame when there is one.
int64_t AudioBegin() {
  const FrameReader& r = gFrameReader;
  return r.headerFrameBytes > 0 ? r.headerFrameStart + r.headerFrameBytes : r.audioStart;
}

}  // namespace

int32_t HeaderBodyLength(uint32_t header) {
  if (!HasSync(header)) return -1;
  const HeaderFields f = Split(header);
  if (f.sampleBits == 3) return -1;
  return BodyLength(f.layer, f.lowSampling, f.bitrateIndex, f.sampleRateIndex, f.padding);
}

namespace {

void TakeSource(ByteSource source, int32_t sequential, int64_t audioStart) {
  FrameReader& r = R();
  r.source = source;
  r.sequential = sequential;
  r.everOpened = 1;
  r.audioStart = audioStart;
  ForgetBuffer(r.audioStart);
  r.reservoirBytes = 0;
  r.settleGranules = 0;
  std::memset(&r.vbr, 0, sizeof r.vbr);
  r.headerChecked = 0;
  r.headerFrameStart = 0;
  r.headerFrameBytes = 0;
  r.frameNumber = 0;
  r.trimPending = 1;
  std::memset(gFrameBlock, 0, sizeof gFrameBlock);
  SetBitPointer(r.currentBody);
}

}  // namespace

int64_t OpenStream(const char* path) {
  CloseStream();
  return OpenStreamFile(FileOpenRead(path));
}

int64_t OpenStreamFile(FileHandle file) {
  CloseStream();
  if (file == kNoFile) return -1;
  TakeSource(ByteSource{file, &kFileSourceFunctions}, 0, AudioStartAfterId3v2(file));
  return FileSize(file);
}

int64_t OpenStreamBytes(ByteSource source) {
  CloseStream();
  if (source.handle == 0 || source.functions == nullptr) return -1;
  TakeSource(source, 0, AudioStartIn(source));
  return source.functions->size(source.handle);
}

int32_t OpenStreamSource(ByteSource source) {
  CloseStream();
  if (source.handle == 0 || source.functions == nullptr) return 0;
  TakeSource(source, 1, 0);
  return 1;
}

void ResetSync() {
  R().lastHeader = 0;
  R().firstHeader = 0;
}

int32_t ReadFrame(StreamState* s, WindowHandle window) {
  FrameReader& r = R();
  if (!IsOpen()) return 0;
  if (!ReadHeaderBytes()) return 0;

  int32_t body;
  if (r.header == r.lastHeader && r.lastHeader != 0) {
    s->headerChanged = 0;
    body = r.nextBodyLength;
  } else {
    s->headerChanged = 1;
    bool searchReported = false;  // one notice per search, however long it runs
    const int64_t searchStart = Tell();
    const auto searchedTooFar = [&] { return r.sequential && Tell() - searchStart > kStreamSearchLimit; };
    auto reportSearch = [&] {
      if (!searchReported) PostPlayerMessage(window, WM_PLAYER_SYNC, 0, kSyncSearching);
      searchReported = true;
    };
    for (;;) {
      if (r.firstHeader == 0) {
        // Searching for the first header of the track.
        if (!IsValidHeader(r.header)) {
          if (r.header == kRiff) {
            PostPlayerMessage(window, WM_PLAYER_SYNC, 0, kSyncRiff);
            uint8_t skip[kRiffRest];
            if (ReadBytes(skip, kRiffRest) < kRiffRest) return 0;
            if (!ReadHeaderBytes()) return 0;
            continue;
          }
          for (int32_t i = 0; i < kScanLimit && !IsValidHeader(r.header); ++i) {
            if (!ShiftInByte()) return 0;
          }
        }
        if (IsValidHeader(r.header) && ConfirmFirstHeader(r.header)) break;
        // Only a valid header can start a track: bytes that merely carry the sync bits (a run of
        // 0xFF) or a look-alike without a frame behind it are passed over, and the search goes on.
        if (!IsValidHeader(r.header)) reportSearch();
        if (searchedTooFar() || !ShiftInByte()) return 0;
        continue;
      }
      if (HasSync(r.header) && UsableBitrate(r.header)) break;
      // Resynchronise: slide byte by byte to the next header of this stream. The frames passed over
      // took their main data with them, so the reservoir starts afresh.
      reportSearch();
      r.reservoirBytes = 0;
      do {
        if (searchedTooFar() || !ShiftInByte()) return 0;
      } while (!HasSync(r.header) || !UsableBitrate(r.header) ||
               !(SameStream(r.header, r.lastHeader) || SameStream(r.header, r.firstHeader)));
      break;
    }

    // Accept and parse.
    PostPlayerMessage(window, WM_PLAYER_SYNC, 0, kSyncLocked);
    const uint32_t h = r.header;
    if (r.firstHeader == 0) r.firstHeader = h;
    const HeaderFields f = Split(h);
    if (r.lastHeader == 0) {
      // The version, layer and sample rate of the first header hold for the whole track, so that a
      // damaged header later on cannot mix the tables of two formats.
      s->isMpeg25 = f.isMpeg25;
      s->lowSampling = f.lowSampling;
      s->layer = f.layer;
      if (f.sampleBits == 3) return -1;
      s->sampleRateIndex = f.sampleRateIndex;
    }
    // Whether a CRC word follows is each frame's own choice.
    s->hasCrc = 1 - static_cast<int32_t>((h >> 16) & 1);
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
  const int32_t got = ReadBytes(r.currentBody, body);
  if (got <= 0) return 0;
  if (got < body) std::memset(r.currentBody + got, 0, static_cast<size_t>(body - got));
  SetBitPointer(r.currentBody);
  if (!r.headerChecked) {
    r.headerChecked = 1;
    if (s->layer == 3 && got == body && TakeHeaderFrame(*s, body)) {
      if (ReadFrame(s, window) != 1) return 0;
      s->headerChanged = 1;  // the track's first played frame sets up the output as a first frame does
      return 1;
    }
  }
  ++r.frameNumber;
  return 1;
}

int32_t SeekFrame(StreamState* s, int32_t frame, WindowHandle window) {
  FrameReader& r = R();
  if (r.firstHeader == 0 || !IsOpen() || r.sequential) return 0;
  PostPlayerMessage(window, WM_PLAYER_SYNC, 0, kSyncSearching);
  // Frame numbers here are in the unit StreamPosition and StreamFrames report (the header frame's count
  // when it has one, else file bytes per body length), so that a seek lands where the position display
  // says the frame is.
  const int32_t start = frame - 3;
  const int32_t first = start > 0 ? start : 0;
  int64_t target = AudioBegin() + int64_t(first) * int64_t(r.bodyLength);
  int32_t landed = first;
  if (r.vbr.frames > 0) {
    // The header frame's table places the seek; without one, the average frame of the whole stream.
    const int64_t offset = VbrSeekOffset(r.vbr, first, r.headerFrameBytes, &landed);
    if (offset >= 0) {
      target = r.headerFrameStart + offset;
    } else {
      landed = first;
      target = AudioBegin() + (SourceSize() - AudioBegin()) * first / r.vbr.frames;
    }
  }
  SeekTo(target);
  if (!ReadHeaderBytes()) return 0;
  while (!SameStream(r.header, r.firstHeader)) {
    if (!ShiftInByte()) return 0;
  }
  SeekTo(Tell() - 4);
  // Nothing in the areas belongs to the new position until it has been read.
  r.reservoirBytes = 0;
  r.settleGranules = 2;
  r.frameNumber = landed;
  r.trimPending = 1;
  // A table that lands on an earlier frame (VBRI) is followed frame by frame.
  while (r.frameNumber < first && r.vbr.frames > 0) {
    if (ReadFrame(s, nullptr) != 1) break;
  }
  if (start >= 0) {
    for (int i = 0; i < 3; ++i) {
      if (ReadFrame(s, nullptr) == 1 && s->layer == 3) CarryReservoir(*s);
    }
  }
  PostPlayerMessage(window, WM_PLAYER_SYNC, 0, kSyncLocked);
  return 1;
}

int32_t StreamFrames() {
  const FrameReader& r = gFrameReader;
  if (!IsOpen() || r.sequential) return 0;  // a stream's length is unknown
  if (r.vbr.frames > 0) return r.vbr.frames;
  if (r.bodyLength <= 0) return 0;
  const int64_t size = SourceSize() - r.audioStart;
  if (size <= 0) return 0;
  const int64_t frames = size / r.bodyLength;
  return frames > INT32_MAX ? INT32_MAX : static_cast<int32_t>(frames);
}

int32_t StreamPosition() {
  const FrameReader& r = gFrameReader;
  if (IsOpen() && r.vbr.frames > 0) return r.frameNumber < r.vbr.frames ? r.frameNumber : r.vbr.frames;
  if (!IsOpen() || r.bodyLength <= 0) return 0;
  const int64_t pos = Tell() - r.audioStart;
  if (pos <= 0) return 0;
  const int64_t frame = pos / r.bodyLength;
  return frame > INT32_MAX ? INT32_MAX : static_cast<int32_t>(frame);
}

int64_t StreamOffset() { return IsOpen() ? Tell() : -1; }

int32_t GaplessSamples(const StreamState& s, int64_t* skip, int64_t* keep) {
  const VbrHeader& v = gFrameReader.vbr;
  if (v.frames <= 0 || !v.hasLame) return 0;
  *skip = int64_t(v.encoderDelay) + kDecoderDelaySamples;
  *keep = int64_t(v.frames) * SamplesPerFrame(s) - v.encoderDelay - v.encoderPadding;
  return 1;
}

void CloseStream() {
  ByteSource& source = gFrameReader.source;
  if (source.handle != 0) source.functions->close(source.handle);
  source = ByteSource{0, nullptr};
  gFrameReader.sequential = 0;
}
