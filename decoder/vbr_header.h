// The header frame that encoders write in front of the audio: a Layer III frame of silence that carries
// "Xing" or "Info" (frame count, byte count, a 100-entry table of contents and LAME's extension with the
// encoder delay and padding) or "VBRI" (frame count, byte count and a seek table of its own). Parsing is
// bounded by the frame; nothing outside it is read.
#pragma once
#include <cstdint>

enum VbrHeaderKind : int32_t { kNoVbrHeader = 0, kXingHeader = 1, kVbriHeader = 2 };

// Seek-table entries kept from a VBRI header; longer tables are thinned to this many.
constexpr int32_t kMaxVbriEntries = 512;
// Decoder delay of Layer III in samples: the encoder delay written by LAME does not include it.
constexpr int32_t kDecoderDelaySamples = 529;

struct VbrHeader {
  int32_t kind;           // VbrHeaderKind
  int32_t frames;         // audio frames behind the header frame; 0 when not given
  int64_t bytes;          // bytes from the header frame's start to the end of the audio; 0 when not given
  int32_t hasToc;         // Xing: toc[i] * bytes / 256 is where i % of the length begins
  uint8_t toc[100];
  int32_t hasLame;        // the LAME extension was found and its CRC holds
  int32_t encoderDelay;   // samples the encoder put in front of the audio
  int32_t encoderPadding; // samples it appended behind it
  // The extension's ReplayGain fields, as written (read only while hasLame): the peak amplitude with
  // 1.0 at 1 << 23, 0 when not measured; the radio (track) and audiophile (album) gain words, each a
  // 3-bit name, a 3-bit originator, a sign bit and the size in tenths of a dB, 0 when not set.
  uint32_t lamePeak;
  uint16_t lameRadioGain;
  uint16_t lameAudiophileGain;
  // VBRI: entry i covers `framesPerEntry` frames; offsets[i] is the byte distance from the first audio
  // frame to the start of frame i * framesPerEntry (offsets[0] = 0), entries + 1 offsets in all.
  int32_t entries;
  int32_t framesPerEntry;
  uint32_t offsets[kMaxVbriEntries + 1];
};

// Reads a header frame: `header` its four header bytes, `body` the `length` bytes behind them. Returns 1
// and fills `out` when the frame is a Xing/"Info" or VBRI header frame, else 0 with out->kind
// kNoVbrHeader. Values are taken as written; whether they fit the file is judged by VbrHeaderFits.
int32_t ParseVbrHeader(uint32_t header, const uint8_t* body, int32_t length, VbrHeader* out);

// CRC-16 with polynomial 0x8005, bits taken least significant first, from `crc` (0 to start) over `n`
// bytes: the check LAME writes over its header frame up to the check itself.
uint32_t LameTagCrc(uint32_t crc, const uint8_t* bytes, int32_t n);

// Drops what cannot describe a stream of `audioBytes` bytes (from the header frame's start to the end of
// the file) whose frames hold at least `minFrameBytes` and `samplesPerFrame` samples each: a frame count
// of 0 or more frames than the bytes can hold, a byte count past the file, a table that goes backwards
// or past the file, delay and padding longer than the audio. Returns 1 when the frame count is usable.
int32_t VbrHeaderFits(VbrHeader* header, int64_t audioBytes, int32_t minFrameBytes, int32_t samplesPerFrame);

// Byte offset from the header frame's start where `frame` (of header->frames) begins, by the table of
// contents or the VBRI table; -1 when the header has no usable table.
int64_t VbrSeekOffset(const VbrHeader& header, int32_t frame, int32_t headerFrameBytes, int32_t* landedFrame);
