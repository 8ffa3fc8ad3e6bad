// Tests of the Layer III scalefactor tables.
#include "decoder/layer3/scalefactor_tables.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr int kRates[kSampleRateCount] = {44100, 48000, 32000, 22050, 24000, 16000, 11025, 12000, 8000};

// --- Band tables: structure -------------------------------------------------

TEST(ScalefactorBandTable, LayoutIs72Int32InTableOrder) {
    static_assert(sizeof(kBandTables) == kSampleRateCount * 72 * sizeof(int32_t), "9 x 72 int32");
    const int32_t* flat = reinterpret_cast<const int32_t*>(&kBandTables[0]);
    for (int r = 0; r < kSampleRateCount; ++r) {
        const int32_t* row = flat + 72 * r;
        const BandTable& t = kBandTables[r];
        EXPECT_EQ(0, std::memcmp(row, t.longStart, sizeof t.longStart));
        EXPECT_EQ(0, std::memcmp(row + 23, t.longWidth, sizeof t.longWidth));
        EXPECT_EQ(0, std::memcmp(row + 45, t.shortStart, sizeof t.shortStart));
        EXPECT_EQ(0, std::memcmp(row + 59, t.shortWidth, sizeof t.shortWidth));
    }
}

TEST(ScalefactorBandTable, LongWidthsSumTo576AndStartsArePrefixSums) {
    for (int r = 0; r < kSampleRateCount; ++r) {
        SCOPED_TRACE(kRates[r]);
        const BandTable& t = kBandTables[r];
        int32_t sum = 0;
        for (int b = 0; b < kLongBandCount; ++b) {
            EXPECT_GT(t.longWidth[b], 0) << "band " << b;
            EXPECT_EQ(t.longWidth[b] % 2, 0) << "band " << b;  // bands hold whole pairs
            EXPECT_EQ(t.longStart[b], sum) << "band " << b;
            sum += t.longWidth[b];
        }
        EXPECT_EQ(sum, 576);
        EXPECT_EQ(t.longStart[kLongBandCount], 576);
    }
}

TEST(ScalefactorBandTable, ShortWidthsSumTo192AndStartsAreThreeTimesPrefixSums) {
    for (int r = 0; r < kSampleRateCount; ++r) {
        SCOPED_TRACE(kRates[r]);
        const BandTable& t = kBandTables[r];
        int32_t sum = 0;
        for (int b = 0; b < kShortBandCount; ++b) {
            EXPECT_GT(t.shortWidth[b], 0) << "band " << b;
            EXPECT_EQ(t.shortWidth[b] % 2, 0) << "band " << b;
            EXPECT_EQ(t.shortStart[b], 3 * sum) << "band " << b;
            sum += t.shortWidth[b];
        }
        EXPECT_EQ(sum, 192);
        EXPECT_EQ(t.shortStart[kShortBandCount], 576);
    }
}

// --- Band tables: values against the standards' boundary lists ---------------
// The standards list each band by its start and end line; these are the start
// lines (then the end of the last band) typed from those lists, independently of
// the widths stored in the implementation.

const int32_t kLongBounds[kSampleRateCount][23] = {
    // 44100 (11172-3 Table B.8)
    {0, 4, 8, 12, 16, 20, 24, 30, 36, 44, 52, 62, 74, 90, 110, 134, 162, 196, 238, 288, 342, 418, 576},
    // 48000
    {0, 4, 8, 12, 16, 20, 24, 30, 36, 42, 50, 60, 72, 88, 106, 128, 156, 190, 230, 276, 330, 384, 576},
    // 32000
    {0, 4, 8, 12, 16, 20, 24, 30, 36, 44, 54, 66, 82, 102, 126, 156, 194, 240, 296, 364, 448, 550, 576},
    // 22050 (13818-3)
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
    // 24000
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 114, 136, 162, 194, 232, 278, 332, 394, 464, 540, 576},
    // 16000
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
    // 11025 (the 22050 long partition)
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
    // 12000 (the 22050 long partition)
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
    // 8000 (the listed widths, accumulated by hand)
    {0, 12, 24, 36, 48, 60, 72, 88, 108, 132, 160, 192, 232, 280, 336, 400, 476, 566, 568, 570, 572, 574, 576},
};

// Short band bounds within one window (not multiplied by 3).
const int32_t kShortBounds[kSampleRateCount][14] = {
    {0, 4, 8, 12, 16, 22, 30, 40, 52, 66, 84, 106, 136, 192},   // 44100
    {0, 4, 8, 12, 16, 22, 28, 38, 50, 64, 80, 100, 126, 192},   // 48000
    {0, 4, 8, 12, 16, 22, 30, 42, 58, 78, 104, 138, 180, 192},  // 32000
    {0, 4, 8, 12, 18, 24, 32, 42, 56, 74, 100, 132, 174, 192},  // 22050
    {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 136, 180, 192},  // 24000
    {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192},  // 16000
    {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192},  // 11025 (16000 short)
    {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192},  // 12000 (16000 short)
    {0, 8, 16, 24, 36, 52, 72, 96, 124, 160, 162, 164, 166, 192},  // 8000
};

TEST(ScalefactorBandTable, StartsMatchTheStandardsBoundaryLists) {
    for (int r = 0; r < kSampleRateCount; ++r) {
        SCOPED_TRACE(kRates[r]);
        const BandTable& t = kBandTables[r];
        for (int b = 0; b <= kLongBandCount; ++b) EXPECT_EQ(t.longStart[b], kLongBounds[r][b]) << "long " << b;
        for (int b = 0; b <= kShortBandCount; ++b)
            EXPECT_EQ(t.shortStart[b], 3 * kShortBounds[r][b]) << "short " << b;
    }
}

TEST(ScalefactorBandTable, FirstAndLastBandWidths) {
    struct Expect {
        int32_t long0, long20, long21, short0, short11, short12;
    };
    const Expect e[kSampleRateCount] = {
        {4, 76, 158, 4, 30, 56},   // 44100
        {4, 54, 192, 4, 26, 66},   // 48000
        {4, 102, 26, 4, 42, 12},   // 32000
        {6, 58, 54, 4, 42, 18},    // 22050
        {6, 76, 36, 4, 44, 12},    // 24000
        {6, 58, 54, 4, 40, 18},    // 16000
        {6, 58, 54, 4, 40, 18},    // 11025
        {6, 58, 54, 4, 40, 18},    // 12000
        {12, 2, 2, 8, 2, 26},      // 8000
    };
    for (int r = 0; r < kSampleRateCount; ++r) {
        SCOPED_TRACE(kRates[r]);
        const BandTable& t = kBandTables[r];
        EXPECT_EQ(t.longWidth[0], e[r].long0);
        EXPECT_EQ(t.longWidth[20], e[r].long20);
        EXPECT_EQ(t.longWidth[21], e[r].long21);
        EXPECT_EQ(t.shortWidth[0], e[r].short0);
        EXPECT_EQ(t.shortWidth[11], e[r].short11);
        EXPECT_EQ(t.shortWidth[12], e[r].short12);
    }
}

TEST(ScalefactorBandTable, Mpeg25SharesTheStatedPartitions) {
    for (int r : {6, 7}) {
        EXPECT_EQ(0, std::memcmp(kBandTables[r].longWidth, kBandTables[3].longWidth, sizeof(BandTable::longWidth)));
        EXPECT_EQ(0, std::memcmp(kBandTables[r].shortWidth, kBandTables[5].shortWidth, sizeof(BandTable::shortWidth)));
    }
}

TEST(ScalefactorBandTable, StartBlockRegionBoundaries) {
    // Block switching: a start block uses 36 lines at MPEG-1 rates (long band 8) and
    // 54 lines at 22050 Hz (long band 8 there too).
    EXPECT_EQ(kBandTables[0].longStart[8], 36);
    EXPECT_EQ(kBandTables[3].longStart[8], 54);
    // Mixed blocks: long bands 0..7 end at line 36 at MPEG-1 rates; at the
    // low-sampling rates the six long bands of the mixed count rows also end at 36.
    for (int r = 0; r < 3; ++r) EXPECT_EQ(kBandTables[r].longStart[8], 36);
    for (int r = 3; r < 8; ++r) EXPECT_EQ(kBandTables[r].longStart[6], 36);
    // ... which equals short band 3 at every rate but 8000 Hz.
    for (int r = 0; r < 8; ++r) EXPECT_EQ(kBandTables[r].shortStart[3], 36);
}

// --- MPEG-1 slen, pretab ------------------------------------------------------

TEST(Mpeg1SlenTable, MatchesTheStandard) {
    const int slen1[16] = {0, 0, 0, 0, 3, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4};
    const int slen2[16] = {0, 1, 2, 3, 0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 2, 3};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(kMpeg1Slen1[i], slen1[i]) << i;
        EXPECT_EQ(kMpeg1Slen2[i], slen2[i]) << i;
    }
    // mixed block, scalefac_compress 15 -> 17*4 + 18*3 = 122 bits.
    EXPECT_EQ(18 * (kMpeg1Slen1[15] + kMpeg1Slen2[15]) - kMpeg1Slen1[15], 122);
}

TEST(Pretab, Values) {
    const int32_t expected[22] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 3, 3, 3, 2, 0};
    int sum = 0;
    for (int b = 0; b < kLongBandCount; ++b) {
        EXPECT_EQ(kPretab[b], expected[b]) << b;
        EXPECT_EQ(kNoPretab[b], 0) << b;
        sum += kPretab[b];
    }
    EXPECT_EQ(sum, 19);  // 4x1 + 2x2 + 3x3 + 1x2
}

// --- Low-sampling length words -------------------------------------------------

struct LsfTables {
    uint32_t normal[kLsfNormalWords];
    uint32_t intensity[kLsfIntensityWords];
    LsfTables() {
        // Poison first: every entry must be written by the builder.
        std::memset(normal, 0xAB, sizeof normal);
        std::memset(intensity, 0xAB, sizeof intensity);
        BuildLsfLengthTables(normal, intensity);
    }
};

TEST(LsfLengthWords, WordPacking) {
    const uint32_t w = MakeLsfWord(1, 2, 3, 4, 5, 1);
    EXPECT_EQ(w, 1u | (2u << 3) | (3u << 6) | (4u << 9) | (5u << 12) | (1u << 15));
    EXPECT_EQ(LsfSlen(w, 0), 1u);
    EXPECT_EQ(LsfSlen(w, 1), 2u);
    EXPECT_EQ(LsfSlen(w, 2), 3u);
    EXPECT_EQ(LsfSlen(w, 3), 4u);
    EXPECT_EQ(LsfRow(w), 5u);
    EXPECT_EQ(LsfPreflag(w), 1u);
}

TEST(LsfLengthWords, SectionEdgeCases) {
    const LsfTables t;
    // scalefac_compress 500 (normal): row 2, preflag 1, all widths 0.
    const uint32_t w500 = t.normal[500];
    EXPECT_EQ(LsfRow(w500), 2u);
    EXPECT_EQ(LsfPreflag(w500), 1u);
    for (int g = 0; g < 4; ++g) EXPECT_EQ(LsfSlen(w500, g), 0u) << g;
    // Intensity channel, scalefac_compress 361 -> word 180: row 4, widths 0, 0, 0 (and 0).
    const uint32_t w180 = t.intensity[361 / 2];
    EXPECT_EQ(LsfRow(w180), 4u);
    EXPECT_EQ(LsfPreflag(w180), 0u);
    for (int g = 0; g < 4; ++g) EXPECT_EQ(LsfSlen(w180, g), 0u) << g;
    // Nothing above bit 15.
    for (uint32_t w : t.normal) EXPECT_EQ(w >> 16, 0u);
    for (uint32_t w : t.intensity) EXPECT_EQ(w >> 16, 0u);
}

// Independent check: enumerate every slen combination each row admits and
// encode it the way ISO/IEC 13818-3 defines scalefac_compress; the entry at that
// code must hold exactly that combination, and the encodings must cover every
// index exactly once.
TEST(LsfLengthWords, NormalTableAgainstEncoding) {
    const LsfTables t;
    int seen[kLsfNormalWords] = {};
    auto check = [&](int code, uint32_t s0, uint32_t s1, uint32_t s2, uint32_t s3, uint32_t row, uint32_t pre) {
        ASSERT_GE(code, 0);
        ASSERT_LT(code, kLsfNormalWords);
        ++seen[code];
        const uint32_t w = t.normal[code];
        EXPECT_EQ(LsfSlen(w, 0), s0) << code;
        EXPECT_EQ(LsfSlen(w, 1), s1) << code;
        EXPECT_EQ(LsfSlen(w, 2), s2) << code;
        EXPECT_EQ(LsfSlen(w, 3), s3) << code;
        EXPECT_EQ(LsfRow(w), row) << code;
        EXPECT_EQ(LsfPreflag(w), pre) << code;
    };
    for (uint32_t a = 0; a < 5; ++a)
        for (uint32_t b = 0; b < 5; ++b)
            for (uint32_t c = 0; c < 4; ++c)
                for (uint32_t d = 0; d < 4; ++d) check(static_cast<int>(((a * 5 + b) << 4) + (c << 2) + d), a, b, c, d, 0, 0);
    for (uint32_t a = 0; a < 5; ++a)
        for (uint32_t b = 0; b < 5; ++b)
            for (uint32_t c = 0; c < 4; ++c) check(static_cast<int>(400 + ((a * 5 + b) << 2) + c), a, b, c, 0, 1, 0);
    for (uint32_t a = 0; a < 4; ++a)
        for (uint32_t b = 0; b < 3; ++b) check(static_cast<int>(500 + a * 3 + b), a, b, 0, 0, 2, 1);
    for (int s = 0; s < kLsfNormalWords; ++s) EXPECT_EQ(seen[s], 1) << s;
}

TEST(LsfLengthWords, IntensityTableAgainstEncoding) {
    const LsfTables t;
    int seen[kLsfIntensityWords] = {};
    auto check = [&](int code, uint32_t s0, uint32_t s1, uint32_t s2, uint32_t row) {
        ASSERT_GE(code, 0);
        ASSERT_LT(code, kLsfIntensityWords);
        ++seen[code];
        const uint32_t w = t.intensity[code];
        EXPECT_EQ(LsfSlen(w, 0), s0) << code;
        EXPECT_EQ(LsfSlen(w, 1), s1) << code;
        EXPECT_EQ(LsfSlen(w, 2), s2) << code;
        EXPECT_EQ(LsfSlen(w, 3), 0u) << code;
        EXPECT_EQ(LsfRow(w), row) << code;
        EXPECT_EQ(LsfPreflag(w), 0u) << code;
    };
    for (uint32_t a = 0; a < 5; ++a)
        for (uint32_t b = 0; b < 6; ++b)
            for (uint32_t c = 0; c < 6; ++c) check(static_cast<int>(a * 36 + b * 6 + c), a, b, c, 3);
    for (uint32_t a = 0; a < 4; ++a)
        for (uint32_t b = 0; b < 4; ++b)
            for (uint32_t c = 0; c < 4; ++c) check(static_cast<int>(180 + (a << 4) + (b << 2) + c), a, b, c, 4);
    for (uint32_t a = 0; a < 4; ++a)
        for (uint32_t b = 0; b < 3; ++b) check(static_cast<int>(244 + a * 3 + b), a, b, 0, 5);
    for (int s = 0; s < kLsfIntensityWords; ++s) EXPECT_EQ(seen[s], 1) << s;
}

// --- Band-count table -------------------------------------------------------------

TEST(LsfBandCounts, TotalsMatchTheBlockKinds) {
    // Long: 21 coded bands. Short: 12 coded bands x 3 windows = 36.
    // Mixed (13818-3): 6 long bands + short bands 3..11 x 3 windows = 33.
    const int expected[kLsfBlockKinds] = {21, 36, 33};
    for (int kind = 0; kind < kLsfBlockKinds; ++kind) {
        for (int row = 0; row < kLsfRows; ++row) {
            int total = 0;
            for (int g = 0; g < kLsfGroups; ++g) total += kLsfBandCounts[kind][row][g];
            EXPECT_EQ(total, expected[kind]) << "kind " << kind << " row " << row;
            // With the 2*kind+1 trailing zeros the array is filled
            // up to 22 / 39 / 38 entries, within its 39.
            EXPECT_LE(total + 2 * kind + 1, 39);
        }
    }
}

TEST(LsfBandCounts, Values) {
    const uint8_t expected[kLsfBlockKinds][kLsfRows][kLsfGroups] = {
        {{6, 5, 5, 5}, {6, 5, 7, 3}, {11, 10, 0, 0}, {7, 7, 7, 0}, {6, 6, 6, 3}, {8, 8, 5, 0}},
        {{9, 9, 9, 9}, {9, 9, 12, 6}, {18, 18, 0, 0}, {12, 12, 12, 0}, {12, 9, 9, 6}, {15, 12, 9, 0}},
        {{6, 9, 9, 9}, {6, 9, 12, 6}, {15, 18, 0, 0}, {6, 15, 12, 0}, {6, 12, 9, 6}, {6, 18, 9, 0}},
    };
    EXPECT_EQ(0, std::memcmp(expected, kLsfBandCounts, sizeof expected));
    // Short and mixed counts come in whole bands of three windows.
    for (int kind = 1; kind < kLsfBlockKinds; ++kind)
        for (int row = 0; row < kLsfRows; ++row)
            for (int g = (kind == 2 ? 1 : 0); g < kLsfGroups; ++g)
                EXPECT_EQ(kLsfBandCounts[kind][row][g] % 3, 0) << kind << " " << row << " " << g;
}

TEST(LsfBandCounts, GroupsWithWidthsExist) {
    // Every group a row's words can give a non-zero width has bands to read.
    const LsfTables t;
    auto check = [](uint32_t w) {
        for (int kind = 0; kind < kLsfBlockKinds; ++kind)
            for (int g = 0; g < kLsfGroups; ++g)
                if (LsfSlen(w, g) != 0) {
                    EXPECT_GT(kLsfBandCounts[kind][LsfRow(w)][g], 0) << kind << " " << g;
                }
    };
    for (uint32_t w : t.normal) check(w);
    for (uint32_t w : t.intensity) check(w);
}

}  // namespace
