// Layer III frame decoding: side information, the bit reservoir, and per granule the stages from
// scalefactors to PCM output.
#include <cstring>

#include "decoder/bit_reader.h"
#include "decoder/decode_buffer.h"
#include "decoder/decoder_builds.h"
#include "decoder/frame_reader.h"
#include "decoder/layer3/layer3.h"
#include "decoder/layer3/layer3_build.h"
#include "decoder/synthesis.h"

#if defined(__x86_64__) || defined(__i386__)
#define ZAV_HAVE_SSE2_PATH 1
#include <emmintrin.h>
#define ZAV_SSE2 __attribute__((target("sse2")))
#endif

namespace {

// Reads one channel's record of one granule.
int32_t ReadGranuleInfo(GranuleInfo& gi, const FrameSetup& f) {
  gi.part2_3_length = static_cast<int32_t>(GetBits(12));
  const int32_t bigValues = static_cast<int32_t>(GetFewBits(9));
  gi.big_values = bigValues > kMaxPairs ? kMaxPairs : bigValues;
  const int32_t globalGain = static_cast<int32_t>(GetFewBits(8));
  // Gain positions: the mix of both channels halves each (4 positions), mid/side carries 1/sqrt(2) (2).
  gi.gain = 256 - globalGain + f.gainOffset + (f.ms ? 2 : 0);
  gi.scalefac_compress = static_cast<int32_t>(f.lowSampling ? GetBits(9) : GetFewBits(4));
  if (GetBit()) {
    gi.block_type = static_cast<int32_t>(GetFewBits(2));
    gi.mixed_block_flag = static_cast<int32_t>(GetBit());
    gi.table_select[0] = static_cast<int32_t>(GetFewBits(5));
    gi.table_select[1] = static_cast<int32_t>(GetFewBits(5));
    gi.table_select[2] = 0;
    // Each subblock_gain step divides the window by 4: eight gain positions.
    for (int32_t w = 0; w < 3; ++w) gi.windowGain[w] = gi.gain + 8 * static_cast<int32_t>(GetFewBits(3));
    if (gi.block_type == 0) {
      ReportStreamError();
      return 0;
    }
    // Region 0 covers short bands 0..2 of a short block and long bands 0..7 otherwise: 36 lines at the
    // MPEG-1 rates; 36 and 54 lines at the lower rates, 72 and 108 at 8000 Hz, whose bands are wider.
    const BandTable& bands = kBandTables[f.sampleRateIndex];
    gi.region1Begin = (gi.block_type == 2 ? bands.shortStart[3] : bands.longStart[8]) / 2;
    gi.region2Begin = kMaxPairs;
  } else {
    for (int32_t r = 0; r < 3; ++r) gi.table_select[r] = static_cast<int32_t>(GetFewBits(5));
    const int32_t region0 = static_cast<int32_t>(GetFewBits(4));
    const int32_t region1 = static_cast<int32_t>(GetFewBits(3));
    // Counts that reach past the last band put the boundary at the end of the spectrum.
    int32_t i1 = region0 + 1, i2 = region0 + region1 + 2;
    if (i1 > kLongBandCount) i1 = kLongBandCount;
    if (i2 > kLongBandCount) i2 = kLongBandCount;
    const int32_t* longStart = kBandTables[f.sampleRateIndex].longStart;
    gi.region1Begin = longStart[i1] / 2;
    gi.region2Begin = longStart[i2] / 2;
    gi.block_type = 0;
    gi.mixed_block_flag = 0;
  }
  if (!f.lowSampling) gi.preflag = static_cast<int32_t>(GetBit());
  gi.scalefac_scale = static_cast<int32_t>(GetBit());
  gi.count1table_select = static_cast<int32_t>(GetBit());
  return 1;
}

// Runs the 18 synthesis steps of a granule and hands full blocks to the output. `second` is null for
// one-channel output. The first granules after a seek run the synthesis for its history but play
// silence.
int32_t OutputGranule(Layer3Build& b, StreamState* s, float* first, float* second) {
  const bool silent = gFrameReader.settleGranules > 0;
  if (silent) --gFrameReader.settleGranules;
  int32_t clipped = 0;
  for (int32_t t = 0; t < kSlots; ++t) {
    int16_t* out = DecodePosition();
    if (second) {
      clipped += s->synth(first + kSubbands * t, 0, out);
      clipped += s->synth(second + kSubbands * t, 1, out);
    } else {
      clipped += s->synthMono(first + kSubbands * t, 0, out);
    }
    if (silent) std::memset(out, 0, static_cast<size_t>(s->blockBytes));
    gDecodeBuffer.fill += s->blockBytes;
    if (gDecodeBuffer.fill >= kOutputBlockBytes) {
      BuildSpectrumRecord(first, b.subbandSamples[1], b.spectrumRecord);
      FlushDecodeBuffer(b.spectrumRecord);
    }
  }
  return clipped;
}

// Mixes both channels into channel 0's subband samples. With the same block shape in both channels
// the spectra are summed and transformed once; otherwise each channel is transformed with its own
// windows and the results summed, channel 1's overlap being folded into channel 0's so that the next
// granule may mix in the spectrum again.
void MixChannels(Layer3Build& b, GranuleInfo& g0, GranuleInfo& g1) {
  float* spec0 = b.spectrum[0];
  float* spec1 = b.spectrum[1];
  if (g0.block_type == g1.block_type && g0.mixed_block_flag == g1.mixed_block_flag) {
    const int32_t lines = kSlots * g0.activeSubbands;
    for (int32_t i = 0; i < lines; ++i) spec0[i] += spec1[i];
    Antialias(b, spec0, g0);
    Hybrid(b, spec0, b.subbandSamples[0], 0, g0);
    return;
  }
  std::memset(b.overlap[b.overlapSet[1] & 1][1], 0, sizeof(float) * kGranuleLines);
  Antialias(b, spec0, g0);
  Hybrid(b, spec0, b.subbandSamples[0], 0, g0);
  Antialias(b, spec1, g1);
  Hybrid(b, spec1, b.subbandSamples[1], 1, g1);
  float* sb0 = b.subbandSamples[0];
  const float* sb1 = b.subbandSamples[1];
  for (int32_t i = 0; i < kSlots * kSubbands; ++i) sb0[i] += sb1[i];
  float* next0 = b.overlap[b.overlapSet[0] & 1][0];
  float* next1 = b.overlap[b.overlapSet[1] & 1][1];
  for (int32_t i = 0; i < kGranuleLines; ++i) {
    next0[i] += next1[i];
    next1[i] = 0.0f;
  }
}

}  // namespace

FrameSetup MakeFrameSetup(const StreamState& s) {
  FrameSetup f;
  f.channels = s.channels == 1 ? 1 : 2;
  f.ms = (f.channels == 2 && s.mode == 1 && (s.modeExt & 2)) ? 1 : 0;
  f.is = (f.channels == 2 && s.mode == 1 && (s.modeExt & 1)) ? 1 : 0;
  int32_t selection = f.channels == 1 ? 0 : s.channelSelect;
  if (selection < 0) {
    selection = -1;
  } else if (selection != 1 && selection != 3) {
    selection = 0;
  }
  f.selection = selection;
  f.outChannels = selection >= 0 ? 1 : 2;
  f.gainOffset = selection == 3 ? 4 : 0;
  f.lowSampling = s.lowSampling ? 1 : 0;
  f.granules = f.lowSampling ? 1 : 2;
  f.sampleRateIndex = s.sampleRateIndex;
  return f;
}

int32_t ReadSideInfo(Layer3Build& b, const FrameSetup& f) {
  SideInfo& si = b.side;
  if (!f.lowSampling) {
    si.main_data_begin = GetBits(9);
    si.private_bits = GetFewBits(f.channels == 1 ? 5 : 3);
    for (int32_t ch = 0; ch < f.channels; ++ch) {
      si.granules[ch][0].scfsi = -1;
      si.granules[ch][1].scfsi = static_cast<int32_t>(GetFewBits(4));
    }
  } else {
    si.main_data_begin = GetBits(8);
    si.private_bits = f.channels == 1 ? GetBit() : GetFewBits(2);
  }
  for (int32_t g = 0; g < f.granules; ++g) {
    for (int32_t ch = 0; ch < f.channels; ++ch) {
      if (!ReadGranuleInfo(si.granules[ch][g], f)) return 0;
    }
  }
  return 1;
}

int32_t DecodeLayer3Frame(Layer3Build& b, StreamState* s) {
  const FrameSetup f = MakeFrameSetup(*s);
  if (f.sampleRateIndex < 0 || f.sampleRateIndex >= kSampleRateCount) return 0;
  const int32_t rate = f.sampleRateIndex;

  // A record cut short by the block_type 0 error keeps its earlier fields; the frame is still decoded.
  ReadSideInfo(b, f);
  // A frame whose reservoir reaches before the bytes read since the track opened or the last seek (a
  // stream cut in the middle, the first frames after a seek, frames lost to damage) would decode stale
  // memory into noise: it gives no output, as a reference decoder skips it.
  if (SetMainDataStart(static_cast<int32_t>(b.side.main_data_begin)) > 0) return 0;

  int32_t clipped = 0;
  float* spec0 = b.spectrum[0];
  float* spec1 = b.spectrum[1];
  float* sb0 = b.subbandSamples[0];
  float* sb1 = b.subbandSamples[1];
  for (int32_t g = 0; g < f.granules; ++g) {
    GranuleInfo& g0 = b.side.granules[0][g];
    GranuleInfo& g1 = b.side.granules[1][g];

    int32_t bits = f.lowSampling ? ReadScalefactorsLsf(b, b.scalefactors[0], g0, 0)
                                 : ReadScalefactors(b.scalefactors[0], g0);
    if (DecodeSpectrum(b, spec0, b.scalefactors[0], g0, rate, bits)) return clipped;

    if (f.channels == 2) {
      bits = f.lowSampling ? ReadScalefactorsLsf(b, b.scalefactors[1], g1, f.is)
                           : ReadScalefactors(b.scalefactors[1], g1);
      const int32_t failed = f.ms ? DecodeSpectrumMs(b, spec0, b.scalefactors[1], g1, rate, bits)
                                  : DecodeSpectrum(b, spec1, b.scalefactors[1], g1, rate, bits);
      if (failed) return clipped;
      if (f.is) IntensityStereo(b, spec0, b.scalefactors[1], g1, rate, f.ms, f.lowSampling);
      if (f.ms || f.is || f.selection == 3) {
        const int32_t active = g0.activeSubbands > g1.activeSubbands ? g0.activeSubbands : g1.activeSubbands;
        g0.activeSubbands = g1.activeSubbands = active;
      }
    }

    if (f.outChannels == 2) {
      Antialias(b, spec0, g0);
      Hybrid(b, spec0, sb0, 0, g0);
      Antialias(b, spec1, g1);
      Hybrid(b, spec1, sb1, 1, g1);
      clipped += OutputGranule(b, s, sb0, sb1);
    } else if (f.selection == 1) {
      // The second channel alone goes through its own record, windows and overlap.
      Antialias(b, spec1, g1);
      Hybrid(b, spec1, sb1, 1, g1);
      clipped += OutputGranule(b, s, sb1, nullptr);
    } else {
      if (f.selection == 3) {
        MixChannels(b, g0, g1);
      } else {
        Antialias(b, spec0, g0);
        Hybrid(b, spec0, sb0, 0, g0);
      }
      clipped += OutputGranule(b, s, sb0, nullptr);
    }
  }
  return clipped;
}

namespace {

// The record byte of each sample: the sample times 256, truncated; its low byte read as signed, and that
// byte's magnitude. Values beyond any byte's reach are held inside the 32-bit range first (NaN included).
void RecordBytes(const float* src, uint8_t* bytes) {
  for (int32_t i = 0; i < kSlots * kSubbands; ++i) {
    float v = src[i] * 256.0f;
    v = v > -1.0e9f ? v : -1.0e9f;
    v = v < 1.0e9f ? v : 1.0e9f;
    const int32_t low = static_cast<int32_t>(v) & 255;
    bytes[i] = static_cast<uint8_t>(low < 128 ? low : 256 - low);
  }
}

#ifdef ZAV_HAVE_SSE2_PATH
// The same sixteen samples at a time: max and min keep the bound where the scalar comparisons do (a NaN
// becomes the lower bound), and every step after the conversion is exact.
ZAV_SSE2 void RecordBytesSse2(const float* src, uint8_t* bytes) {
  const __m128 scale = _mm_set1_ps(256.0f), low = _mm_set1_ps(-1.0e9f), high = _mm_set1_ps(1.0e9f);
  const __m128i byteMask = _mm_set1_epi32(255), half = _mm_set1_epi32(128), full = _mm_set1_epi32(256);
  for (int32_t i = 0; i < kSlots * kSubbands; i += 16) {
    __m128i b[4];
    for (int32_t k = 0; k < 4; ++k) {
      const __m128 v = _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(src + i + 4 * k), scale), low), high);
      const __m128i lowByte = _mm_and_si128(_mm_cvttps_epi32(v), byteMask);
      const __m128i below = _mm_cmplt_epi32(lowByte, half);
      b[k] = _mm_or_si128(_mm_and_si128(below, lowByte), _mm_andnot_si128(below, _mm_sub_epi32(full, lowByte)));
    }
    // 0..128 survive both packs unchanged.
    const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(b[0], b[1]), _mm_packs_epi32(b[2], b[3]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + i), packed);
  }
}

// The subband-major layout of RecordBytes' output: slots 0..15 of sixteen subbands at a time by four
// rounds of byte interleaving (rows i and i + 8 into rows 2i and 2i + 1), which transpose a 16 x 16
// block; slots 16 and 17 one by one.
ZAV_SSE2 void LayOutRecordSse2(const uint8_t* bytes, uint8_t* dst) {
  for (int32_t first = 0; first < kSubbands; first += 16) {
    __m128i x[16], y[16];
    for (int32_t t = 0; t < 16; ++t)
      x[t] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + kSubbands * t + first));
    for (int32_t round = 0; round < 4; ++round) {
      for (int32_t i = 0; i < 8; ++i) {
        y[2 * i] = _mm_unpacklo_epi8(x[i], x[i + 8]);
        y[2 * i + 1] = _mm_unpackhi_epi8(x[i], x[i + 8]);
      }
      for (int32_t i = 0; i < 16; ++i) x[i] = y[i];
    }
    for (int32_t j = first ? 0 : 1; j < 16; ++j)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + (first + j - 1) * kSlots), x[j]);
  }
  for (int32_t s = 1; s < kSubbands; ++s) {
    dst[(s - 1) * kSlots + 16] = bytes[kSubbands * 16 + s];
    dst[(s - 1) * kSlots + 17] = bytes[kSubbands * 17 + s];
  }
}
#endif

// Subband 0 is left out: subbands 1..31 of every slot, then zeros to 576 bytes.
void LayOutRecord(const uint8_t* bytes, uint8_t* dst) {
  for (int32_t s = 1; s < kSubbands; ++s)
    for (int32_t t = 0; t < kSlots; ++t) dst[(s - 1) * kSlots + t] = bytes[kSubbands * t + s];
}

}  // namespace

void BuildSpectrumRecord(const float* left, const float* right, uint8_t* record) {
  uint8_t bytes[kSlots * kSubbands];
  for (int32_t half = 0; half < 2; ++half) {
    const float* src = half ? right : left;
    uint8_t* dst = record + 576 * half;
    // Computed in the slot-major order of the samples, then laid out subband-major.
#ifdef ZAV_HAVE_SSE2_PATH
    if (gSynthUsesSse2) {
      RecordBytesSse2(src, bytes);
      LayOutRecordSse2(bytes, dst);
    } else {
      RecordBytes(src, bytes);
      LayOutRecord(bytes, dst);
    }
#else
    RecordBytes(src, bytes);
    LayOutRecord(bytes, dst);
#endif
    std::memset(dst + 31 * kSlots, 0, 576 - 31 * kSlots);
  }
}

void ResetLayer3Overlap() {
  for (Layer3Build& b : gLayer3Builds) {
    std::memset(b.overlap, 0, sizeof b.overlap);
    b.overlapSet[0] = b.overlapSet[1] = 0;
  }
}

namespace build486 {
int32_t DecodeLayer3Frame(StreamState* state) { return ::DecodeLayer3Frame(gLayer3Builds[0], state); }
void InitLayer3Tables(int32_t quality) { ::InitLayer3Tables(gLayer3Builds[0], quality); }
}  // namespace build486

namespace buildPentium {
int32_t DecodeLayer3Frame(StreamState* state) { return ::DecodeLayer3Frame(gLayer3Builds[1], state); }
void InitLayer3Tables(int32_t quality) { ::InitLayer3Tables(gLayer3Builds[1], quality); }
}  // namespace buildPentium
