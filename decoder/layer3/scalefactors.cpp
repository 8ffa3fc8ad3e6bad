// Layer III scalefactor readers for MPEG-1 and for the low sampling frequencies.
#include "decoder/bit_reader.h"
#include "decoder/layer3/layer3_build.h"

namespace {

// Reads n values of `width` bits into sf[first..]; a width of 0 stores zeros and reads nothing.
inline void ReadRun(int32_t* sf, int32_t first, int32_t n, int32_t width) {
  for (int32_t i = 0; i < n; ++i) sf[first + i] = static_cast<int32_t>(GetFewBits(width));
}

}  // namespace

int32_t ReadScalefactors(int32_t* sf, const GranuleInfo& info) {
  const int32_t compress = info.scalefac_compress & 15;
  const int32_t slen1 = kMpeg1Slen1[compress];
  const int32_t slen2 = kMpeg1Slen2[compress];

  if (info.block_type == 2) {
    // Short bands 0..5 (or long bands 0..7 and short bands 3..5 when mixed) with slen1, short bands
    // 6..11 with slen2; band 12 has no scalefactor.
    int32_t n1 = 18;
    if (info.mixed_block_flag) n1 = 8 + 9;
    ReadRun(sf, 0, n1, slen1);
    ReadRun(sf, n1, 18, slen2);
    sf[n1 + 18] = sf[n1 + 19] = sf[n1 + 20] = 0;
    return n1 * slen1 + 18 * slen2;
  }

  if (info.scfsi < 0) {
    ReadRun(sf, 0, 11, slen1);
    ReadRun(sf, 11, 10, slen2);
    sf[21] = 0;
    return 11 * slen1 + 10 * slen2;
  }

  // Granule 1: a group whose scfsi bit is set keeps what granule 0 left in the array.
  static const int32_t kGroupStart[5] = {0, 6, 11, 16, 21};
  int32_t bits = 0;
  for (int32_t g = 0; g < 4; ++g) {
    if (info.scfsi & (8 >> g)) continue;
    const int32_t width = g < 2 ? slen1 : slen2;
    const int32_t n = kGroupStart[g + 1] - kGroupStart[g];
    ReadRun(sf, kGroupStart[g], n, width);
    bits += n * width;
  }
  sf[21] = 0;
  return bits;
}

LsfLayout LsfLayoutOf(const Layer3Build& build, const GranuleInfo& info, int32_t intensity) {
  LsfLayout layout;
  layout.word = intensity ? build.lsfIntensityWords[(info.scalefac_compress >> 1) & (kLsfIntensityWords - 1)]
                          : build.lsfNormalWords[info.scalefac_compress & (kLsfNormalWords - 1)];
  const int32_t kind = info.block_type != 2 ? 0 : info.mixed_block_flag ? 2 : 1;
  uint32_t row = LsfRow(layout.word);
  if (row >= static_cast<uint32_t>(kLsfRows)) row = kLsfRows - 1;
  layout.groupSlots = kLsfBandCounts[kind][row];
  return layout;
}

int32_t ReadScalefactorsLsf(const Layer3Build& build, int32_t* sf, GranuleInfo& info, int32_t intensity) {
  const LsfLayout layout = LsfLayoutOf(build, info, intensity);
  info.preflag = static_cast<int32_t>(LsfPreflag(layout.word));
  const int32_t kind = info.block_type != 2 ? 0 : info.mixed_block_flag ? 2 : 1;

  int32_t i = 0, bits = 0;
  for (int32_t g = 0; g < kLsfGroups; ++g) {
    int32_t n = layout.groupSlots[g];
    if (n > kScalefactorSlots - i) n = kScalefactorSlots - i;
    const int32_t width = static_cast<int32_t>(LsfSlen(layout.word, g));
    if (width > 0) {
      for (int32_t k = 0; k < n; ++k) sf[i + k] = static_cast<int32_t>(GetBits(width));
      bits += n * width;
    } else {
      for (int32_t k = 0; k < n; ++k) sf[i + k] = 0;
    }
    i += n;
  }
  for (int32_t k = 0; k < 2 * kind + 1 && i < kScalefactorSlots; ++k) sf[i++] = 0;
  return bits;
}
