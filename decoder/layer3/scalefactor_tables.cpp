// Layer III scalefactor tables.
#include "decoder/layer3/scalefactor_tables.h"

namespace {

// Long band widths (22 bands) and short band widths (13 bands, one window).
struct LongWidths {
    int32_t w[kLongBandCount];
};
struct ShortWidths {
    int32_t w[kShortBandCount];
};

// ISO/IEC 11172-3, Table B.8 (MPEG-1).
constexpr LongWidths kLong44100 = {{4, 4, 4, 4, 4, 4, 6, 6, 8, 8, 10, 12, 16, 20, 24, 28, 34, 42, 50, 54, 76, 158}};
constexpr LongWidths kLong48000 = {{4, 4, 4, 4, 4, 4, 6, 6, 6, 8, 10, 12, 16, 18, 22, 28, 34, 40, 46, 54, 54, 192}};
constexpr LongWidths kLong32000 = {{4, 4, 4, 4, 4, 4, 6, 6, 8, 10, 12, 16, 20, 24, 30, 38, 46, 56, 68, 84, 102, 26}};
constexpr ShortWidths kShort44100 = {{4, 4, 4, 4, 6, 8, 10, 12, 14, 18, 22, 30, 56}};
constexpr ShortWidths kShort48000 = {{4, 4, 4, 4, 6, 6, 10, 12, 14, 16, 20, 26, 66}};
constexpr ShortWidths kShort32000 = {{4, 4, 4, 4, 6, 8, 12, 16, 20, 26, 34, 42, 12}};

// ISO/IEC 13818-3 (MPEG-2 low sampling frequencies). 16000 Hz shares the
// 22050 Hz long partition.
constexpr LongWidths kLong22050 = {{6, 6, 6, 6, 6, 6, 8, 10, 12, 14, 16, 20, 24, 28, 32, 38, 46, 52, 60, 68, 58, 54}};
constexpr LongWidths kLong24000 = {{6, 6, 6, 6, 6, 6, 8, 10, 12, 14, 16, 18, 22, 26, 32, 38, 46, 54, 62, 70, 76, 36}};
constexpr LongWidths kLong16000 = kLong22050;
constexpr ShortWidths kShort22050 = {{4, 4, 4, 6, 6, 8, 10, 14, 18, 26, 32, 42, 18}};
constexpr ShortWidths kShort24000 = {{4, 4, 4, 6, 8, 10, 12, 14, 18, 24, 32, 44, 12}};
constexpr ShortWidths kShort16000 = {{4, 4, 4, 6, 8, 10, 12, 14, 18, 24, 30, 40, 18}};

// MPEG 2.5: 11025 and 12000 Hz use the 22050 Hz long and the
// 16000 Hz short partition; 8000 Hz has its own widths as listed there.
constexpr LongWidths kLong8000 = {{12, 12, 12, 12, 12, 12, 16, 20, 24, 28, 32, 40, 48, 56, 64, 76, 90, 2, 2, 2, 2, 2}};
constexpr ShortWidths kShort8000 = {{8, 8, 8, 12, 16, 20, 24, 28, 36, 2, 2, 2, 26}};

constexpr BandTable MakeBandTable(const LongWidths& lw, const ShortWidths& sw) {
    BandTable t{};
    int32_t line = 0;
    for (int b = 0; b < kLongBandCount; ++b) {
        t.longStart[b] = line;
        t.longWidth[b] = lw.w[b];
        line += lw.w[b];
    }
    t.longStart[kLongBandCount] = line;
    line = 0;
    for (int b = 0; b < kShortBandCount; ++b) {
        t.shortStart[b] = 3 * line;
        t.shortWidth[b] = sw.w[b];
        line += sw.w[b];
    }
    t.shortStart[kShortBandCount] = 3 * line;
    return t;
}

constexpr bool IsComplete(const BandTable& t) {
    return t.longStart[kLongBandCount] == kGranuleLines && t.shortStart[kShortBandCount] == kGranuleLines;
}

}  // namespace

// Declared extern in the header, so this constexpr definition has external
// linkage; it is constant-initialised (no start-up code).
constexpr BandTable kBandTables[kSampleRateCount] = {
    MakeBandTable(kLong44100, kShort44100),  // 0: 44100 Hz
    MakeBandTable(kLong48000, kShort48000),  // 1: 48000 Hz
    MakeBandTable(kLong32000, kShort32000),  // 2: 32000 Hz
    MakeBandTable(kLong22050, kShort22050),  // 3: 22050 Hz
    MakeBandTable(kLong24000, kShort24000),  // 4: 24000 Hz
    MakeBandTable(kLong16000, kShort16000),  // 5: 16000 Hz
    MakeBandTable(kLong22050, kShort16000),  // 6: 11025 Hz
    MakeBandTable(kLong22050, kShort16000),  // 7: 12000 Hz
    MakeBandTable(kLong8000, kShort8000),    // 8: 8000 Hz
};

static_assert(IsComplete(kBandTables[0]) && IsComplete(kBandTables[1]) && IsComplete(kBandTables[2]) &&
                  IsComplete(kBandTables[3]) && IsComplete(kBandTables[4]) && IsComplete(kBandTables[5]) &&
                  IsComplete(kBandTables[6]) && IsComplete(kBandTables[7]) && IsComplete(kBandTables[8]),
              "every partition must cover 576 lines (long) and 3 x 192 lines (short)");

const uint8_t kMpeg1Slen1[16] = {0, 0, 0, 0, 3, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4};
const uint8_t kMpeg1Slen2[16] = {0, 1, 2, 3, 0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 2, 3};

const int32_t kPretab[kLongBandCount] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 3, 3, 3, 2, 0};
const int32_t kNoPretab[kLongBandCount] = {};

// nr_of_sfb_block of ISO/IEC 13818-3.
const uint8_t kLsfBandCounts[kLsfBlockKinds][kLsfRows][kLsfGroups] = {
    {   // long blocks
        {6, 5, 5, 5},
        {6, 5, 7, 3},
        {11, 10, 0, 0},
        {7, 7, 7, 0},
        {6, 6, 6, 3},
        {8, 8, 5, 0},
    },
    {   // short blocks
        {9, 9, 9, 9},
        {9, 9, 12, 6},
        {18, 18, 0, 0},
        {12, 12, 12, 0},
        {12, 9, 9, 6},
        {15, 12, 9, 0},
    },
    {   // mixed blocks
        {6, 9, 9, 9},
        {6, 9, 12, 6},
        {15, 18, 0, 0},
        {6, 15, 12, 0},
        {6, 12, 9, 6},
        {6, 18, 9, 0},
    },
};

void BuildLsfLengthTables(uint32_t normal[kLsfNormalWords], uint32_t intensity[kLsfIntensityWords]) {
    for (uint32_t s = 0; s < static_cast<uint32_t>(kLsfNormalWords); ++s) {
        if (s < 400) {
            normal[s] = MakeLsfWord((s / 16) / 5, (s / 16) % 5, (s % 16) / 4, s % 4, 0, 0);
        } else if (s < 500) {
            const uint32_t t = s - 400;
            normal[s] = MakeLsfWord((t / 4) / 5, (t / 4) % 5, t % 4, 0, 1, 0);
        } else {
            const uint32_t t = s - 500;
            normal[s] = MakeLsfWord(t / 3, t % 3, 0, 0, 2, 1);
        }
    }
    for (uint32_t t = 0; t < static_cast<uint32_t>(kLsfIntensityWords); ++t) {
        if (t < 180) {
            intensity[t] = MakeLsfWord(t / 36, (t % 36) / 6, t % 6, 0, 3, 0);
        } else if (t < 244) {
            const uint32_t u = t - 180;
            intensity[t] = MakeLsfWord(u / 16, (u % 16) / 4, u % 4, 0, 4, 0);
        } else {
            const uint32_t u = t - 244;
            intensity[t] = MakeLsfWord(u / 3, u % 3, 0, 0, 5, 0);
        }
    }
}
