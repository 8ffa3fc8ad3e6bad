#include "decoder/layer12.h"

#include <cstring>

#include "decoder/bit_reader.h"
#include "decoder/decode_buffer.h"

GroupingTables gGroupingTables[2];

namespace {

// Runs one synthesis step for both channels (or the selected one) and counts its PCM.
inline int32_t OutputStep(const StreamState* s, int32_t sel, float* left, float* right) {
  int16_t* out = DecodePosition();
  int32_t clipped;
  if (sel < 0) {
    clipped = s->synth(left, 0, out);
    clipped += s->synth(right, 1, out);
  } else {
    clipped = s->synthMono(sel == 0 ? left : right, 0, out);
  }
  AdvanceDecodeBuffer(s->blockBytes, kSilentSpectrum);
  return clipped;
}

inline int32_t ChannelChoice(const StreamState* s) {
  return (s->channels == 1 || s->channelSelect == 3) ? 0 : s->channelSelect;
}

int32_t DecodeLayer1Frame(StreamState* s) {
  const int32_t sel = ChannelChoice(s);
  const int32_t channels = s->channels == 1 ? 1 : 2;
  const int32_t bound = channels == 1 ? 32 : (s->jointBound < 32 ? s->jointBound : 32);
  const int32_t active = 32 >> s->quality;
  int32_t alloc[2][32];
  int32_t scf[2][32];
  for (int32_t sb = 0; sb < 32; ++sb) {
    if (sb < bound) {
      for (int32_t ch = 0; ch < channels; ++ch) alloc[ch][sb] = static_cast<int32_t>(GetBits(4));
    } else {
      alloc[0][sb] = alloc[1][sb] = static_cast<int32_t>(GetBits(4));
    }
  }
  for (int32_t sb = 0; sb < 32; ++sb)
    for (int32_t ch = 0; ch < channels; ++ch)
      scf[ch][sb] = alloc[ch][sb] ? static_cast<int32_t>(GetBits(6)) : 0;

  float values[2][32];
  int32_t clipped = 0;
  for (int32_t step = 0; step < 12; ++step) {
    for (int32_t sb = 0; sb < 32; ++sb) {
      if (sb < bound) {
        for (int32_t ch = 0; ch < channels; ++ch) {
          const int32_t n = alloc[ch][sb];
          if (n == 0) {
            values[ch][sb] = 0.0f;
          } else {
            const int32_t sample = static_cast<int32_t>(GetBits(n + 1));
            values[ch][sb] = static_cast<float>(sample - (1 << n) + 1) * gDequant[n + 1][scf[ch][sb]];
          }
        }
      } else {
        const int32_t n = alloc[0][sb];
        if (n == 0) {
          values[0][sb] = values[1][sb] = 0.0f;
        } else {
          const float v = static_cast<float>(static_cast<int32_t>(GetBits(n + 1)) - (1 << n) + 1);
          values[0][sb] = v * gDequant[n + 1][scf[0][sb]];
          values[1][sb] = v * gDequant[n + 1][scf[1][sb]];
        }
      }
    }
    for (int32_t sb = active; sb < 32; ++sb) values[0][sb] = values[1][sb] = 0.0f;
    if (channels == 1) std::memset(values[1], 0, sizeof values[1]);
    clipped += OutputStep(s, sel, values[0], values[1]);
  }
  return clipped;
}

// Rows of M for the three samples of grouped codeword c of d levels; null for a code no grouping table
// holds (only a damaged frame has one).
inline const uint8_t* GroupRows(int32_t d, uint32_t c, const GroupingTables& g) {
  if (d == 3 && c < 27) return g.g3[c];
  if (d == 5 && c < 125) return g.g5[c];
  if (d == 9 && c < 729) return g.g9[c];
  return nullptr;
}

// The three samples of one coded subband slot for part x.
inline void ReadTriple(const int16_t* entry, const GroupingTables& g, int32_t scfIndex, float* out) {
  const int32_t bits = entry[0];
  const int32_t d = entry[1];
  if (d < 0) {
    const float f = gDequant[bits][scfIndex];
    for (int32_t k = 0; k < 3; ++k) out[k] = static_cast<float>(static_cast<int32_t>(GetBits(bits)) + d) * f;
    return;
  }
  const uint8_t* rows = GroupRows(d, GetBits(bits), g);
  if (rows == nullptr) {
    out[0] = out[1] = out[2] = 0.0f;
    return;
  }
  for (int32_t k = 0; k < 3; ++k) out[k] = gDequant[rows[k]][scfIndex];
}

int32_t DecodeLayer2Frame(StreamState* s, const GroupingTables& g) {
  const int32_t sel = ChannelChoice(s);
  const int32_t channels = s->channels == 1 ? 1 : 2;
  const int32_t sbLimit = s->sbLimit < 32 ? s->sbLimit : 32;
  const int32_t bound = channels == 1 ? sbLimit : (s->jointBound < sbLimit ? s->jointBound : sbLimit);
  const int32_t active = (32 >> s->quality) < sbLimit ? (32 >> s->quality) : sbLimit;

  // Allocation entry (bits, d) of every slot; null for allocation 0.
  const int16_t* entry[2][32] = {};
  const int16_t* table = s->allocTable;
  for (int32_t sb = 0; sb < sbLimit; ++sb) {
    const int32_t nbal = table[0];
    if (sb < bound) {
      for (int32_t ch = 0; ch < channels; ++ch) {
        const int32_t a = static_cast<int32_t>(GetBits(nbal));
        entry[ch][sb] = a ? table + 2 * a : nullptr;
      }
    } else {
      const int32_t a = static_cast<int32_t>(GetBits(nbal));
      entry[0][sb] = entry[1][sb] = a ? table + 2 * a : nullptr;
    }
    table += 2 << nbal;
  }

  int32_t selection[2][32];
  for (int32_t sb = 0; sb < sbLimit; ++sb)
    for (int32_t ch = 0; ch < channels; ++ch)
      if (entry[ch][sb]) selection[ch][sb] = static_cast<int32_t>(GetFewBits(2));

  int32_t scf[2][32][3];
  for (int32_t sb = 0; sb < sbLimit; ++sb) {
    for (int32_t ch = 0; ch < channels; ++ch) {
      if (!entry[ch][sb]) continue;
      int32_t* f = scf[ch][sb];
      switch (selection[ch][sb]) {
        case 0:
          f[0] = static_cast<int32_t>(GetFewBits(6));
          f[1] = static_cast<int32_t>(GetFewBits(6));
          f[2] = static_cast<int32_t>(GetFewBits(6));
          break;
        case 1:
          f[0] = f[1] = static_cast<int32_t>(GetFewBits(6));
          f[2] = static_cast<int32_t>(GetFewBits(6));
          break;
        case 2:
          f[0] = f[1] = f[2] = static_cast<int32_t>(GetFewBits(6));
          break;
        default:
          f[0] = static_cast<int32_t>(GetFewBits(6));
          f[1] = f[2] = static_cast<int32_t>(GetFewBits(6));
          break;
      }
    }
  }

  // values[channel][part][subband]
  float values[2][3][32];
  std::memset(values, 0, sizeof values);
  int32_t clipped = 0;
  for (int32_t granule = 0; granule < 12; ++granule) {
    const int32_t x = granule / 4;
    float triple[3];
    for (int32_t sb = 0; sb < bound; ++sb) {
      for (int32_t ch = 0; ch < channels; ++ch) {
        if (!entry[ch][sb]) {
          values[ch][0][sb] = values[ch][1][sb] = values[ch][2][sb] = 0.0f;
          continue;
        }
        ReadTriple(entry[ch][sb], g, scf[ch][sb][x], triple);
        for (int32_t k = 0; k < 3; ++k) values[ch][k][sb] = triple[k];
      }
    }
    for (int32_t sb = bound; sb < sbLimit; ++sb) {
      const int16_t* e = entry[0][sb];
      if (!e) {
        for (int32_t k = 0; k < 3; ++k) values[0][k][sb] = values[1][k][sb] = 0.0f;
        continue;
      }
      const int32_t bits = e[0];
      const int32_t d = e[1];
      if (d < 0) {
        for (int32_t k = 0; k < 3; ++k) {
          const float v = static_cast<float>(static_cast<int32_t>(GetBits(bits)) + d);
          values[1][k][sb] = v * gDequant[bits][scf[1][sb][x]];
          values[0][k][sb] = v * gDequant[bits][scf[0][sb][x]];
        }
      } else {
        const uint8_t* rows = GroupRows(d, GetBits(bits), g);
        for (int32_t k = 0; k < 3; ++k) {
          values[0][k][sb] = rows ? gDequant[rows[k]][scf[0][sb][x]] : 0.0f;
          values[1][k][sb] = rows ? gDequant[rows[k]][scf[1][sb][x]] : 0.0f;
        }
      }
    }
    for (int32_t ch = 0; ch < channels; ++ch)
      for (int32_t k = 0; k < 3; ++k)
        for (int32_t sb = active; sb < 32; ++sb) values[ch][k][sb] = 0.0f;
    for (int32_t k = 0; k < 3; ++k) clipped += OutputStep(s, sel, values[0][k], values[1][k]);
  }
  return clipped;
}

}  // namespace

namespace build486 {
int32_t DecodeLayer1(StreamState* s) { return DecodeLayer1Frame(s); }
int32_t DecodeLayer2(StreamState* s) { return DecodeLayer2Frame(s, gGroupingTables[0]); }
void InitLayer12Tables() {
  BuildDequantTable();
  BuildGroupingTables(gGroupingTables[0]);
}
}  // namespace build486

namespace buildPentium {
int32_t DecodeLayer1(StreamState* s) { return DecodeLayer1Frame(s); }
int32_t DecodeLayer2(StreamState* s) { return DecodeLayer2Frame(s, gGroupingTables[1]); }
void InitLayer12Tables() {
  BuildDequantTable();
  BuildGroupingTables(gGroupingTables[1]);
}
}  // namespace buildPentium
