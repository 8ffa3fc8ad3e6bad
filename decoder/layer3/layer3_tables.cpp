// Table set-up of the Layer III decoder: gains, powers, band maps and subband limits, the low-sampling
// length words, intensity ratios, antialias butterflies, IMDCT windows and transform constants.
#include <cmath>
#include <cstring>

#include "decoder/layer3/huffman_trees.h"
#include "decoder/layer3/layer3_build.h"

Layer3Build gLayer3Builds[2];

namespace {

const double kPi = 3.14159265358979323846;

// Antialias coefficients c[i] of the standard.
const double kAliasCoefficients[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};

void AddEntry(BandMap& map, int32_t pairs, int32_t firstLine, int32_t window, int32_t band) {
  BandMapEntry& e = map.entries[map.count++];
  e.pairs = static_cast<int16_t>(pairs);
  e.firstLine = static_cast<int16_t>(firstLine);
  e.window = static_cast<int16_t>(window);
  e.band = static_cast<int16_t>(band);
}

void BuildRateTables(RateTables& r, const BandTable& t, int32_t quality) {
  r.longMap.count = 0;
  for (int32_t b = 0; b < kLongBandCount; ++b) AddEntry(r.longMap, t.longWidth[b] / 2, t.longStart[b], 3, b);

  r.shortMap.count = 0;
  for (int32_t b = 0; b < kShortBandCount; ++b)
    for (int32_t w = 0; w < 3; ++w) AddEntry(r.shortMap, t.shortWidth[b] / 2, t.shortStart[b] + w, w, b);

  // A mixed block codes its lowest lines as long bands up to where short band 3 begins (line 36 at the
  // MPEG-1 rates: long bands 0..7; six long bands at the lower rates), then short bands 3..12.
  r.mixedMap.count = 0;
  int32_t b = 0;
  while (b < kLongBandCount && t.longStart[b + 1] <= t.shortStart[3]) {
    AddEntry(r.mixedMap, t.longWidth[b] / 2, t.longStart[b], 3, b);
    ++b;
  }
  r.mixedLongBands = b;
  for (int32_t sb = 3; sb < kShortBandCount; ++sb)
    for (int32_t w = 0; w < 3; ++w) AddEntry(r.mixedMap, t.shortWidth[sb] / 2, t.shortStart[sb] + w, w, sb);

  // A long band's last line can spread 8 lines into the next subband through the antialias butterflies.
  const int32_t top = kSubbands >> quality;
  for (int32_t i = 0; i <= kLongBandCount; ++i) {
    const int32_t n = (t.longStart[i] + 7) / 18 + 1;
    r.longLimit[i] = n < top ? n : top;
  }
  for (int32_t i = 0; i <= kShortBandCount; ++i) {
    const int32_t n = (t.shortStart[i] - 1) / 18 + 1;
    r.shortLimit[i] = n < top ? n : top;
  }
}

double LongWindow(int32_t type, int32_t i) {
  const double longSine = std::sin(kPi * (i + 0.5) / 36.0);
  switch (type) {
    case 1:
      if (i < 18) return longSine;
      if (i < 24) return 1.0;
      if (i < 30) return std::sin(kPi * (i - 18 + 0.5) / 12.0);
      return 0.0;
    case 3:
      if (i < 6) return 0.0;
      if (i < 12) return std::sin(kPi * (i - 6 + 0.5) / 12.0);
      if (i < 18) return 1.0;
      return longSine;
    default:
      return longSine;
  }
}

}  // namespace

void BuildHuffmanLookup(const int16_t* tree, HuffmanLookup& lookup) {
  for (uint32_t prefix = 0; prefix < (1u << kLookupBits); ++prefix) {
    int32_t idx = 0, length = 0;
    while (tree[idx] < 0 && length < kLookupBits) {
      const uint32_t bit = (prefix >> (kLookupBits - 1 - length)) & 1;
      idx += bit ? 1 - tree[idx] : 1;
      ++length;
    }
    lookup.entries[prefix] = tree[idx] >= 0 ? uint32_t(tree[idx]) | uint32_t(length) << 8
                                            : kLookupContinue | uint32_t(idx);
  }
}

void InitLayer3Tables(Layer3Build& b, int32_t quality) {
  if (quality < 0) quality = 0;
  if (quality > 2) quality = 2;
  b.quality = quality;

  for (int32_t k = 0; k < kGainPositions; ++k) b.gainTable[k] = static_cast<float>(std::pow(2.0, -(k - 46) / 4.0));
  for (int32_t x = 0; x < kPowerValues; ++x) b.powerTable[x] = static_cast<float>(std::pow(double(x), 4.0 / 3.0));

  for (int32_t t = 0; t < 32; ++t) BuildHuffmanLookup(kBigValueTables[t].tree, b.bigValueLookup[t]);
  for (int32_t t = 0; t < 2; ++t) BuildHuffmanLookup(kCount1Trees[t], b.count1Lookup[t]);

  for (int32_t r = 0; r < kSampleRateCount; ++r) BuildRateTables(b.rates[r], kBandTables[r], quality);

  BuildLsfLengthTables(b.lsfNormalWords, b.lsfIntensityWords);

  const double root2 = std::sqrt(2.0);
  for (int32_t p = 0; p < 16; ++p) {
    const double t = std::tan(p * kPi / 12.0);
    const double left = t / (1.0 + t), right = 1.0 / (1.0 + t);
    b.isLeft[0][p] = static_cast<float>(left);
    b.isRight[0][p] = static_cast<float>(right);
    b.isLeft[1][p] = static_cast<float>(root2 * left);
    b.isRight[1][p] = static_cast<float>(root2 * right);
  }
  for (int32_t c = 0; c < 2; ++c) {
    const double k = std::pow(2.0, -(c + 1) / 4.0);
    for (int32_t p = 0; p < 32; ++p) {
      double left = 1.0, right = 1.0;
      if (p & 1) {
        left = std::pow(k, (p + 1) / 2);
      } else if (p > 0) {
        right = std::pow(k, p / 2);
      }
      b.lsfIsLeft[0][c][p] = static_cast<float>(left);
      b.lsfIsRight[0][c][p] = static_cast<float>(right);
      b.lsfIsLeft[1][c][p] = static_cast<float>(root2 * left);
      b.lsfIsRight[1][c][p] = static_cast<float>(root2 * right);
    }
  }

  for (int32_t i = 0; i < 8; ++i) {
    const double c = kAliasCoefficients[i];
    const double norm = std::sqrt(1.0 + c * c);
    b.cs[i] = static_cast<float>(1.0 / norm);
    b.ca[i] = static_cast<float>(c / norm);
  }

  // Windows carry the output factors of the transforms, so the IMDCT needs no scaling pass; the second
  // set negates every odd tap, which makes the odd subbands come out frequency-inverted.
  for (int32_t type = 0; type < 4; ++type) {
    for (int32_t i = 0; i < 36; ++i) {
      double w = 0.0;
      if (type != 2) {
        w = LongWindow(type, i) * 0.5 / std::cos(kPi * (2 * i + 19) / 72.0);
      } else if (i < 12) {
        w = std::sin(kPi * (2 * i + 1) / 24.0) * 0.5 / std::cos(kPi * (2 * i + 7) / 24.0);
      }
      b.windows[0][type][i] = static_cast<float>(w);
      b.windows[1][type][i] = static_cast<float>((i & 1) ? -w : w);
      for (int32_t lane = 0; lane < 4; ++lane) b.laneWindows[type][i][lane] = b.windows[lane & 1][type][i];
    }
  }
  for (int32_t k = 0; k < 9; ++k) b.cos18[k] = static_cast<float>(std::cos(k * kPi / 18.0));
  for (int32_t v = 0; v < 9; ++v) b.oddScale36[v] = static_cast<float>(0.5 / std::cos((2 * v + 1) * kPi / 36.0));
  b.cos6 = static_cast<float>(std::cos(kPi / 6.0));
  for (int32_t v = 0; v < 3; ++v) b.oddScale12[v] = static_cast<float>(0.5 / std::cos((2 * v + 1) * kPi / 12.0));

  std::memset(b.spectrum, 0, sizeof b.spectrum);
  std::memset(b.subbandSamples, 0, sizeof b.subbandSamples);
}
