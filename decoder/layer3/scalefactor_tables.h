// Layer III scalefactor tables: scalefactor band partitions for the
// nine sample rates, the MPEG-1 slen table, pretab, the low-sampling length
// words and the low-sampling band-count table. Portable C++17, no windows.h.
#pragma once

#include <cstdint>

// Sample-rate index of the frame reader:
// 0..2 = 44100, 48000, 32000 Hz (MPEG-1); 3..5 = 22050, 24000, 16000 Hz
// (MPEG-2); 6..8 = 11025, 12000, 8000 Hz (MPEG 2.5).
constexpr int kSampleRateCount = 9;

constexpr int kLongBandCount = 22;   // long scalefactor bands 0..21
constexpr int kShortBandCount = 13;  // short scalefactor bands 0..12
constexpr int kGranuleLines = 576;

// One rate's scalefactor band table, 72 int32 in the order the decoder indexes.
struct BandTable {
    int32_t longStart[kLongBandCount + 1];    // first line of long band 0..21, then 576
    int32_t longWidth[kLongBandCount];        // lines of long band 0..21
    int32_t shortStart[kShortBandCount + 1];  // 3 x first line of short band 0..12 in one window, then 576
    int32_t shortWidth[kShortBandCount];      // lines of short band 0..12 in one window
};
static_assert(sizeof(BandTable) == 72 * 4, "BandTable must be 72 packed int32");

// Indexed by the sample-rate index above.
extern const BandTable kBandTables[kSampleRateCount];

// MPEG-1 scalefac_compress -> slen1 / slen2 (ISO/IEC 11172-3).
extern const uint8_t kMpeg1Slen1[16];
extern const uint8_t kMpeg1Slen2[16];

// Preemphasis per long band (used when preflag is 1), and the all-zero table
// used when preflag is 0.
extern const int32_t kPretab[kLongBandCount];
extern const int32_t kNoPretab[kLongBandCount];

// Low-sampling band counts (nr_of_sfb_block of ISO/IEC 13818-3):
// [block kind 0 long, 1 short, 2 mixed][row 0..5][group 0..3].
constexpr int kLsfBlockKinds = 3;
constexpr int kLsfRows = 6;
constexpr int kLsfGroups = 4;
extern const uint8_t kLsfBandCounts[kLsfBlockKinds][kLsfRows][kLsfGroups];

// Low-sampling length words: bits 0-2, 3-5, 6-8, 9-11 = slen0..slen3,
// bits 12-14 = row of kLsfBandCounts, bit 15 = preflag.
constexpr int kLsfNormalWords = 512;     // indexed by scalefac_compress
constexpr int kLsfIntensityWords = 256;  // indexed by scalefac_compress / 2

constexpr uint32_t MakeLsfWord(uint32_t slen0, uint32_t slen1, uint32_t slen2, uint32_t slen3,
                               uint32_t row, uint32_t preflag) {
    return (slen0 & 7u) | ((slen1 & 7u) << 3) | ((slen2 & 7u) << 6) | ((slen3 & 7u) << 9) |
           ((row & 7u) << 12) | ((preflag & 1u) << 15);
}
constexpr uint32_t LsfSlen(uint32_t word, int group) { return (word >> (3 * group)) & 7u; }
constexpr uint32_t LsfRow(uint32_t word) { return (word >> 12) & 7u; }
constexpr uint32_t LsfPreflag(uint32_t word) { return (word >> 15) & 1u; }

// Fills both low-sampling tables by the scalefac_compress rules (every entry is
// written). Each decoder build calls this on its own copy of the tables.
void BuildLsfLengthTables(uint32_t normal[kLsfNormalWords], uint32_t intensity[kLsfIntensityWords]);
