// The polyphase synthesis filterbank: 32 subband samples of one channel in, 32, 16 or 8 signed 16-bit
// PCM samples out (full, half or quarter output rate), scaled to a full scale of 32767, clipped and
// truncated. The equalizer gains act on the subband samples first.
#pragma once
#include <cstdint>

// History of one quality of one decoder build: the matrixed values of the last 16 calls per channel.
struct SynthState {
  int32_t ringPos;                      // 0..15; 1 before the first call
  alignas(16) float history[2][2][272];  // [channel][array][16 * 17], interleaved at stride 16
};

// Fast-DCT factors T1..T5 (16, 8, 4, 2, 1 entries) and the folded window, shared by both builds.
struct SynthTables {
  float dct1[16];
  float dct2[8];
  float dct3[4];
  float dct4[2];
  float dct5[1];
  float window[544];
  // The window unfolded per output sample: for each of the eight window phases (the odd positions
  // 1..15 of the history ring) and each of the 32 output samples, its 16 coefficients with their signs,
  // in the order of the 16 contiguous history values they multiply. Built from `window`.
  alignas(16) float taps[8][32][16];
};
extern SynthTables gSynthTables;

// D[0..256] of the synthesis window times 65536, with the sign of every odd block of 64 turned so that
// the sequence is the smooth prototype: D[i] = (-1)^(i / 64) * kWindowBase[min(i, 512 - i)] / 65536.
extern const int32_t kWindowBase[257];

// Stores one sum as a 16-bit sample: clipped (and counted) outside the 16-bit range, else truncated
// toward zero.
inline int16_t StoreSample(float sum, int32_t& clipped) {
  if (sum > 32767.0f) {
    ++clipped;
    return 32767;
  }
  if (sum < -32768.0f) {
    ++clipped;
    return -32768;
  }
  return static_cast<int16_t>(sum);
}

// True when the DCT, the window sums and the Layer III antialias, long-block IMDCT and spectrum record
// use SSE2; MakeSynthTables sets it from what the processor offers. Every SSE2 lane takes the portable
// path's operations in the same order (the window sums: four running sums, then pairs), so both give
// identical samples.
extern bool gSynthUsesSse2;

// Fills the DCT factors and the folded window for an output full scale of `scale` (32767).
void MakeSynthTables(double scale);

// The synthesis states: [build 0 = 486, 1 = Pentium][quality 0 full, 1 half, 2 quarter].
extern SynthState gSynthStates[2][3];

// Clears every synthesis state (history zero, ring position 1), as at process start.
void ResetSynthStates();

// Where the equalizer's 32 subband gains (in tenths, 10 = unchanged) and its enabled flag live: read at
// every synthesis step, so a change takes effect at the next one. The full-quality handlers apply the
// gains while the flag is non-zero, the half- and quarter-quality handlers always. Null for either
// restores the neutral gains (all 10, disabled).
void SetEqualizerGains(const int32_t* gains, const int32_t* enabled);

// The playing track's own gain (ReplayGain), a linear factor: set when a track starts decoding, so
// that each track's samples carry their own gain across a gapless join. With the equalizer's step
// taken it is folded into the subband gains; otherwise it costs one multiply per subband sample, and
// none at 1.0, where every handler takes exactly the path it takes without it.
void SetTrackGain(float gain);

// Subband gains applied before the synthesis: sample *= gain * 0.1 * track gain, gains in tenths.
void ApplyEqualizer(float* samples);

// Two-channel handlers of each build: write 32, 16 or 8 samples at a stride of two slots into
// out[channel], out[channel + 2], ...
namespace build486 {
int32_t SynthFull(float* samples, int32_t channel, int16_t* out);
int32_t SynthHalf(float* samples, int32_t channel, int16_t* out);
int32_t SynthQuarter(float* samples, int32_t channel, int16_t* out);
}  // namespace build486
namespace buildPentium {
int32_t SynthFull(float* samples, int32_t channel, int16_t* out);
int32_t SynthHalf(float* samples, int32_t channel, int16_t* out);
int32_t SynthQuarter(float* samples, int32_t channel, int16_t* out);
}  // namespace buildPentium

// One-channel handlers: the Pentium build's two-channel handler on channel 0, written contiguously.
int32_t SynthFullMono(float* samples, int32_t channel, int16_t* out);
int32_t SynthHalfMono(float* samples, int32_t channel, int16_t* out);
int32_t SynthQuarterMono(float* samples, int32_t channel, int16_t* out);
// Duplicating handlers: the Pentium build's two-channel handler on channel 0, copied into both slots.
int32_t SynthFullDup(float* samples, int32_t channel, int16_t* out);
int32_t SynthHalfDup(float* samples, int32_t channel, int16_t* out);
int32_t SynthQuarterDup(float* samples, int32_t channel, int16_t* out);
