// The decode buffer: interleaved signed 16-bit PCM that the layer decoders append to, one synthesis step
// at a time, and hand to the output in blocks of 2048 bytes together with a 1152-byte spectrum record.
#pragma once
#include <cstdint>

constexpr int32_t kDecodeBufferBytes = 4608;
constexpr int32_t kOutputBlockBytes = 2048;
constexpr int32_t kSpectrumRecordBytes = 1152;  // 576 bytes per channel

// Takes at most 2048 bytes of PCM with the spectrum record; returns the bytes taken.
using WritePcmFn = int32_t (*)(int32_t count, const uint8_t* pcm, const uint8_t* spectrum);

struct DecodeBuffer {
  uint8_t* data;  // 4608 bytes, owned by whoever runs the decoder (the Decode thread, zavdec)
  int32_t fill;   // bytes of PCM waiting
};
extern DecodeBuffer gDecodeBuffer;

// Gapless trimming of the current track: of the decode buffer's bytes behind `trimmed`, the first
// `skipBytes` are dropped and then `keepBytes` kept, the rest dropped. Off (0) for tracks without an
// encoder delay.
struct DecodeTrim {
  int32_t trimming;
  int32_t trimmed;  // bytes at the front of the decode buffer that the trim has seen
  int64_t skipBytes;
  int64_t keepBytes;
};
extern DecodeTrim gDecodeTrim;

// Where the PCM goes: the wave output in the player, the WAV writer in zavdec.
extern WritePcmFn gWritePcm;

// The spectrum record of Layers I and II: all zeros.
extern const uint8_t kSilentSpectrum[kSpectrumRecordBytes];

// Where the next synthesis step writes.
inline int16_t* DecodePosition() { return reinterpret_cast<int16_t*>(gDecodeBuffer.data + gDecodeBuffer.fill); }

// Counts a synthesis step's bytes; once 2048 or more are waiting, hands them to gWritePcm with the
// spectrum record and moves whatever it did not take to the front.
void AdvanceDecodeBuffer(int32_t blockBytes, const uint8_t* spectrum);

// Starts trimming the bytes decoded from now on (trimming 0: none), after finishing the bytes before.
void SetDecodeTrim(int32_t trimming, int64_t skipBytes, int64_t keepBytes);
// Applies the trim to the bytes decoded since the last call.
void TrimDecodeBuffer();

// Hands the waiting bytes to gWritePcm with the spectrum record and keeps what it does not take.
void FlushDecodeBuffer(const uint8_t* spectrum);
