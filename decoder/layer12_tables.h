// Tables shared by Layer I and Layer II: the five Layer II
// bit-allocation tables with the MPEG-1 table selection, the dequantisation
// table M and the grouping tables for 3, 5 and 9 levels. Portable C++17, no
// windows.h.
#pragma once

#include <cstdint>

// ---------------------------------------------------------------------------
// Bit-allocation tables.
//
// Each table is a sequence of 16-bit signed pairs (bits, d). For each subband
// in turn: a head pair (nbal, 0), then one pair for each allocation value
// a = 1 ... 2^nbal - 1, so the next subband starts 2^nbal pairs further on.
// For allocation a the pair at position a of the subband gives the codeword
// width `bits` and
//   d < 0            ungrouped: sample value = codeword + d;
//   d = 3, 5 or 9    three samples grouped in one codeword of d levels.
//
//   0  ISO/IEC 11172-3 Table B.2a   sbLimit 27
//   1  ISO/IEC 11172-3 Table B.2b   sbLimit 30
//   2  ISO/IEC 11172-3 Table B.2c   sbLimit 8
//   3  ISO/IEC 11172-3 Table B.2d   sbLimit 12
//   4  ISO/IEC 13818-3 Table B.1    sbLimit 30 (lower sampling frequencies)
// ---------------------------------------------------------------------------
constexpr int kAllocTableCount = 5;

extern const int16_t* const kAllocTables[kAllocTableCount];
extern const int32_t kAllocTableSbLimit[kAllocTableCount];
// Number of int16_t values in each table (2 per pair), for bounds checks.
extern const int32_t kAllocTableLength[kAllocTableCount];

// The allocation table number for an MPEG-1 Layer II stream (the
// selection table). sampleRateIndex 0..2 = 44100, 48000, 32000 Hz; channels
// 1 selects the one-channel row, anything else the two-channel row;
// bitrateIndex 0..15. Inputs outside those ranges give 0. MPEG-2 and
// MPEG 2.5 streams always use table 4 (the frame reader decides that).
int32_t Layer2TableNumber(int32_t sampleRateIndex, int32_t channels, int32_t bitrateIndex);

// ---------------------------------------------------------------------------
// Dequantisation table M: 27 rows x 64 scalefactor indices.
// M[r][i] = m[r] * 2^((3 - i) / 3) for i = 0 ... 62 (double, stored as float),
// M[r][63] = 0. Row k = 2 ... 16 serves an ungrouped k-bit codeword (levels
// 2^k - 1, m[k] = 2 / (2^k - 1)); rows 0-2, 17-26 hold the grouped levels.
// One instance shared by both decoder builds.
// ---------------------------------------------------------------------------
constexpr int kDequantRows = 27;
constexpr int kScalefactorCount = 64;

extern float gDequant[kDequantRows][kScalefactorCount];

// Fills gDequant (every entry is written; calling it again is harmless).
void BuildDequantTable();

// ---------------------------------------------------------------------------
// Grouping tables. For L = 3, 5, 9 levels and a codeword
// c = s0 + L*s1 + L*L*s2 (c < L^3), entry c holds the rows of M for the first,
// second and third sample: (level[s0], level[s1], level[s2]) with the level
// lists 3: {1, 0, 2}; 5: {17, 18, 0, 19, 20}; 9: {21, 1, 22, 23, 0, 24, 25, 2, 26}.
// Each decoder build owns its own copy.
// ---------------------------------------------------------------------------
struct GroupingTables {
    uint8_t g3[27][3];
    uint8_t g5[125][3];
    uint8_t g9[729][3];
};

// Fills every entry of t (order: s2 outermost, then s1, s0 innermost).
void BuildGroupingTables(GroupingTables& t);
