// Tables shared by Layer I and Layer II.
#include "decoder/layer12_tables.h"

#include <array>
#include <cmath>
#include <cstddef>

namespace {

// ---------------------------------------------------------------------------
// Bit-allocation tables, written as the standard describes them: runs of
// subbands that share nbal and the number of quantisation levels for each
// allocation value 1 ... 2^nbal - 1 (allocation 0 means "not coded").
// ---------------------------------------------------------------------------
constexpr int kMaxAllocValues = 15;  // 2^4 - 1

struct SubbandRun {
    int32_t subbands;                  // consecutive subbands of this kind
    int32_t nbal;                      // width of the allocation field
    int32_t levels[kMaxAllocValues];   // levels for allocation 1 ... 2^nbal - 1
};

// ISO/IEC 11172-3 Table B.2a: 48 kHz at 56 ... 192 kbit/s per channel and free
// format, 44.1 and 32 kHz at 56 ... 80 kbit/s per channel.
constexpr SubbandRun kTableB2a[] = {
    {3, 4, {3, 7, 15, 31, 63, 127, 255, 511, 1023, 2047, 4095, 8191, 16383, 32767, 65535}},
    {8, 4, {3, 5, 7, 9, 15, 31, 63, 127, 255, 511, 1023, 2047, 4095, 8191, 65535}},
    {12, 3, {3, 5, 7, 9, 15, 31, 65535}},
    {4, 2, {3, 5, 65535}},
};

// ISO/IEC 11172-3 Table B.2b: 44.1 and 32 kHz at 96 ... 192 kbit/s per
// channel and free format. Table B.2a with three more subbands.
constexpr SubbandRun kTableB2b[] = {
    {3, 4, {3, 7, 15, 31, 63, 127, 255, 511, 1023, 2047, 4095, 8191, 16383, 32767, 65535}},
    {8, 4, {3, 5, 7, 9, 15, 31, 63, 127, 255, 511, 1023, 2047, 4095, 8191, 65535}},
    {12, 3, {3, 5, 7, 9, 15, 31, 65535}},
    {7, 2, {3, 5, 65535}},
};

// ISO/IEC 11172-3 Table B.2c: 48 and 44.1 kHz at 32 and 48 kbit/s per channel.
constexpr SubbandRun kTableB2c[] = {
    {2, 4, {3, 5, 9, 15, 31, 63, 127, 255, 511, 1023, 2047, 4095, 8191, 16383, 32767}},
    {6, 3, {3, 5, 9, 15, 31, 63, 127}},
};

// ISO/IEC 11172-3 Table B.2d: 32 kHz at 32 and 48 kbit/s per channel.
constexpr SubbandRun kTableB2d[] = {
    {2, 4, {3, 5, 9, 15, 31, 63, 127, 255, 511, 1023, 2047, 4095, 8191, 16383, 32767}},
    {10, 3, {3, 5, 9, 15, 31, 63, 127}},
};

// ISO/IEC 13818-3 Table B.1: the lower sampling frequencies, all bitrates.
constexpr SubbandRun kTableLsf[] = {
    {4, 4, {3, 5, 7, 9, 15, 31, 63, 127, 255, 511, 1023, 2047, 4095, 8191, 16383}},
    {7, 3, {3, 5, 9, 15, 31, 63, 127}},
    {19, 2, {3, 5, 9}},
};

struct Pair {
    int32_t bits;
    int32_t d;
};

// The quantiser for a number of levels (ISO/IEC 11172-3, 2.4.3.3.4 and
// Table B.4): 3, 5 and 9 levels code three samples in one codeword of 5, 7
// and 10 bits; every other quantiser has 2^k - 1 levels, one k-bit codeword
// per sample, sample = codeword - (2^(k-1) - 1). {0, 0} marks a level count
// the standard does not have (rejected by the static_asserts below).
constexpr Pair QuantiserFor(int32_t levels) {
    if (levels == 3) return {5, 3};
    if (levels == 5) return {7, 5};
    if (levels == 9) return {10, 9};
    for (int32_t k = 2; k <= 16; ++k) {
        if (levels == (int32_t{1} << k) - 1) return {k, -((int32_t{1} << (k - 1)) - 1)};
    }
    return {0, 0};
}

template <std::size_t R>
constexpr int32_t SubbandCount(const SubbandRun (&runs)[R]) {
    int32_t n = 0;
    for (std::size_t r = 0; r < R; ++r) n += runs[r].subbands;
    return n;
}

// Number of int16 values: 2 per pair, 2^nbal pairs per subband.
template <std::size_t R>
constexpr std::size_t TableLength(const SubbandRun (&runs)[R]) {
    std::size_t n = 0;
    for (std::size_t r = 0; r < R; ++r) {
        n += static_cast<std::size_t>(runs[r].subbands) * 2u * (std::size_t{1} << runs[r].nbal);
    }
    return n;
}

// Every run lists exactly 2^nbal - 1 level counts, each one the standard has.
template <std::size_t R>
constexpr bool RunsAreValid(const SubbandRun (&runs)[R]) {
    for (std::size_t r = 0; r < R; ++r) {
        const SubbandRun& run = runs[r];
        if (run.subbands < 1 || run.nbal < 2 || run.nbal > 4) return false;
        const int32_t values = (int32_t{1} << run.nbal) - 1;
        for (int32_t a = 0; a < kMaxAllocValues; ++a) {
            if (a < values) {
                if (QuantiserFor(run.levels[a]).bits == 0) return false;
            } else if (run.levels[a] != 0) {
                return false;
            }
        }
    }
    return true;
}

template <std::size_t N, std::size_t R>
constexpr std::array<int16_t, N> BuildAllocTable(const SubbandRun (&runs)[R]) {
    std::array<int16_t, N> t{};
    std::size_t pos = 0;
    for (std::size_t r = 0; r < R; ++r) {
        const SubbandRun& run = runs[r];
        const int32_t values = (int32_t{1} << run.nbal) - 1;
        for (int32_t sb = 0; sb < run.subbands; ++sb) {
            t[pos++] = static_cast<int16_t>(run.nbal);
            t[pos++] = 0;
            for (int32_t a = 0; a < values; ++a) {
                const Pair q = QuantiserFor(run.levels[a]);
                t[pos++] = static_cast<int16_t>(q.bits);
                t[pos++] = static_cast<int16_t>(q.d);
            }
        }
    }
    return t;
}

static_assert(RunsAreValid(kTableB2a), "Table B.2a");
static_assert(RunsAreValid(kTableB2b), "Table B.2b");
static_assert(RunsAreValid(kTableB2c), "Table B.2c");
static_assert(RunsAreValid(kTableB2d), "Table B.2d");
static_assert(RunsAreValid(kTableLsf), "Table B.1 of ISO/IEC 13818-3");
static_assert(SubbandCount(kTableB2a) == 27, "sbLimit of Table B.2a");
static_assert(SubbandCount(kTableB2b) == 30, "sbLimit of Table B.2b");
static_assert(SubbandCount(kTableB2c) == 8, "sbLimit of Table B.2c");
static_assert(SubbandCount(kTableB2d) == 12, "sbLimit of Table B.2d");
static_assert(SubbandCount(kTableLsf) == 30, "sbLimit of Table B.1 of ISO/IEC 13818-3");

constexpr auto kAlloc0 = BuildAllocTable<TableLength(kTableB2a)>(kTableB2a);
constexpr auto kAlloc1 = BuildAllocTable<TableLength(kTableB2b)>(kTableB2b);
constexpr auto kAlloc2 = BuildAllocTable<TableLength(kTableB2c)>(kTableB2c);
constexpr auto kAlloc3 = BuildAllocTable<TableLength(kTableB2d)>(kTableB2d);
constexpr auto kAlloc4 = BuildAllocTable<TableLength(kTableLsf)>(kTableLsf);

// Spot checks against the documented example.
static_assert(kAlloc0[0] == 4 && kAlloc0[1] == 0, "table 0 subband 0 head");
static_assert(kAlloc0[2] == 5 && kAlloc0[3] == 3, "table 0 allocation 1: 3 levels in 5 bits");
static_assert(kAlloc0[4] == 3 && kAlloc0[5] == -3, "table 0 allocation 2: 7 levels");
static_assert(kAlloc0[30] == 16 && kAlloc0[31] == -32767, "table 0 allocation 15: 65535 levels");

// ---------------------------------------------------------------------------
// Table selection for MPEG-1, by bitrate index 0 ... 15.
// ---------------------------------------------------------------------------
constexpr int8_t kTableSelect[3][2][16] = {
    // 44100 Hz: two channels, one channel
    {{0, 2, 2, 2, 2, 2, 2, 0, 0, 0, 1, 1, 1, 1, 1, 0},
     {0, 2, 2, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0}},
    // 48000 Hz
    {{0, 2, 2, 2, 2, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0},
     {0, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    // 32000 Hz
    {{0, 3, 3, 3, 3, 3, 3, 0, 0, 0, 1, 1, 1, 1, 1, 0},
     {0, 3, 3, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0}},
};

// Multipliers of the rows of M.
constexpr double kRowMultiplier[kDequantRows] = {
    0.0,           -2.0 / 3.0,    2.0 / 3.0,     2.0 / 7.0,     2.0 / 15.0,    2.0 / 31.0,
    2.0 / 63.0,    2.0 / 127.0,   2.0 / 255.0,   2.0 / 511.0,   2.0 / 1023.0,  2.0 / 2047.0,
    2.0 / 4095.0,  2.0 / 8191.0,  2.0 / 16383.0, 2.0 / 32767.0, 2.0 / 65535.0, -4.0 / 5.0,
    -2.0 / 5.0,    2.0 / 5.0,     4.0 / 5.0,     -8.0 / 9.0,    -4.0 / 9.0,    -2.0 / 9.0,
    2.0 / 9.0,     4.0 / 9.0,     8.0 / 9.0,
};

constexpr uint8_t kLevels3[3] = {1, 0, 2};
constexpr uint8_t kLevels5[5] = {17, 18, 0, 19, 20};
constexpr uint8_t kLevels9[9] = {21, 1, 22, 23, 0, 24, 25, 2, 26};

template <std::size_t L>
void FillGrouping(uint8_t (&g)[L * L * L][3], const uint8_t (&levels)[L]) {
    std::size_t c = 0;
    for (std::size_t s2 = 0; s2 < L; ++s2) {
        for (std::size_t s1 = 0; s1 < L; ++s1) {
            for (std::size_t s0 = 0; s0 < L; ++s0) {
                g[c][0] = levels[s0];
                g[c][1] = levels[s1];
                g[c][2] = levels[s2];
                ++c;
            }
        }
    }
}

}  // namespace

const int16_t* const kAllocTables[kAllocTableCount] = {
    kAlloc0.data(), kAlloc1.data(), kAlloc2.data(), kAlloc3.data(), kAlloc4.data(),
};

const int32_t kAllocTableSbLimit[kAllocTableCount] = {
    SubbandCount(kTableB2a), SubbandCount(kTableB2b), SubbandCount(kTableB2c),
    SubbandCount(kTableB2d), SubbandCount(kTableLsf),
};

const int32_t kAllocTableLength[kAllocTableCount] = {
    static_cast<int32_t>(kAlloc0.size()), static_cast<int32_t>(kAlloc1.size()),
    static_cast<int32_t>(kAlloc2.size()), static_cast<int32_t>(kAlloc3.size()),
    static_cast<int32_t>(kAlloc4.size()),
};

int32_t Layer2TableNumber(int32_t sampleRateIndex, int32_t channels, int32_t bitrateIndex) {
    if (sampleRateIndex < 0 || sampleRateIndex > 2 || bitrateIndex < 0 || bitrateIndex > 15) return 0;
    return kTableSelect[sampleRateIndex][channels == 1 ? 1 : 0][bitrateIndex];
}

float gDequant[kDequantRows][kScalefactorCount];

void BuildDequantTable() {
    for (int r = 0; r < kDequantRows; ++r) {
        for (int i = 0; i < kScalefactorCount - 1; ++i) {
            gDequant[r][i] = static_cast<float>(kRowMultiplier[r] * std::pow(2.0, (3 - i) / 3.0));
        }
        gDequant[r][kScalefactorCount - 1] = 0.0f;
    }
}

void BuildGroupingTables(GroupingTables& t) {
    FillGrouping<3>(t.g3, kLevels3);
    FillGrouping<5>(t.g5, kLevels5);
    FillGrouping<9>(t.g9, kLevels9);
}
