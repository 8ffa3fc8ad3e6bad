// Tests of the tables shared by Layer I and Layer II.
//
// The expectations are written here independently of decoder/layer12_tables.cpp:
// the allocation tables as one nbal digit and one row letter per subband with
// the standard's "number of steps" rows as text, the quantisers from the
// requantisation formula of ISO/IEC 11172-3 (2.4.3.3.4) with the constants C
// and D of its Table B.4, the scalefactors from Table B.1, and the table
// selection from the bitrate-per-channel ranges printed above Tables B.2a-d.
#include "decoder/layer12_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Allocation tables, stated subband by subband.
// ---------------------------------------------------------------------------

// "Number of steps" for allocation values 1, 2, ... (allocation 0 = not coded),
// one row of ISO/IEC 11172-3 Tables B.2a-d or ISO/IEC 13818-3 Table B.1.
struct StepRow {
    char name;
    const char* steps;
};

const StepRow kStepRows[] = {
    // B.2a/B.2b, subbands 0-2
    {'A', "3 7 15 31 63 127 255 511 1023 2047 4095 8191 16383 32767 65535"},
    // B.2a/B.2b, subbands 3-10
    {'B', "3 5 7 9 15 31 63 127 255 511 1023 2047 4095 8191 65535"},
    // B.2a/B.2b, subbands 11-22
    {'C', "3 5 7 9 15 31 65535"},
    // B.2a subbands 23-26, B.2b subbands 23-29
    {'D', "3 5 65535"},
    // B.2c/B.2d, subbands 0-1
    {'E', "3 5 9 15 31 63 127 255 511 1023 2047 4095 8191 16383 32767"},
    // B.2c subbands 2-7, B.2d subbands 2-11, 13818-3 B.1 subbands 4-10
    {'F', "3 5 9 15 31 63 127"},
    // 13818-3 B.1, subbands 0-3
    {'G', "3 5 7 9 15 31 63 127 255 511 1023 2047 4095 8191 16383"},
    // 13818-3 B.1, subbands 11-29
    {'H', "3 5 9"},
};

struct TableStatement {
    const char* name;
    const char* nbal;  // one digit per coded subband
    const char* rows;  // one StepRow name per coded subband
    int32_t allocBitsPerChannel;
};

const TableStatement kStatements[kAllocTableCount] = {
    {"11172-3 B.2a", "444444444443333333333332222", "AAABBBBBBBBCCCCCCCCCCCCDDDD", 88},
    {"11172-3 B.2b", "444444444443333333333332222222", "AAABBBBBBBBCCCCCCCCCCCCDDDDDDD", 94},
    {"11172-3 B.2c", "44333333", "EEFFFFFF", 26},
    {"11172-3 B.2d", "443333333333", "EEFFFFFFFFFF", 38},
    {"13818-3 B.1", "444433333332222222222222222222", "GGGGFFFFFFFHHHHHHHHHHHHHHHHHHH", 75},
};

std::vector<int32_t> StepsOf(char row) {
    for (const StepRow& r : kStepRows) {
        if (r.name == row) {
            std::vector<int32_t> v;
            std::istringstream in(r.steps);
            int32_t x = 0;
            while (in >> x) v.push_back(x);
            return v;
        }
    }
    ADD_FAILURE() << "no step row " << row;
    return {};
}

bool IsGrouped(int32_t steps) { return steps == 3 || steps == 5 || steps == 9; }

// Codeword width: three grouped samples need ceil(log2(steps^3)) bits; an
// ungrouped quantiser has steps = 2^bits - 1.
int32_t ExpectedBits(int32_t steps) {
    const int64_t span = IsGrouped(steps) ? int64_t{steps} * steps * steps : int64_t{steps} + 1;
    int32_t bits = 0;
    while ((int64_t{1} << bits) < span) ++bits;
    return bits;
}

TEST(Layer12Tables, SbLimit) {
    const int32_t expected[kAllocTableCount] = {27, 30, 8, 12, 30};
    for (int t = 0; t < kAllocTableCount; ++t) {
        EXPECT_EQ(kAllocTableSbLimit[t], expected[t]) << "table " << t;
        EXPECT_EQ(static_cast<int32_t>(std::strlen(kStatements[t].nbal)), expected[t]);
        EXPECT_EQ(static_cast<int32_t>(std::strlen(kStatements[t].rows)), expected[t]);
    }
}

TEST(Layer12Tables, AllocationTablesMatchTheStandard) {
    for (int t = 0; t < kAllocTableCount; ++t) {
        const TableStatement& st = kStatements[t];
        SCOPED_TRACE(st.name);
        const int16_t* table = kAllocTables[t];
        ASSERT_NE(table, nullptr);
        int32_t pos = 0;  // in int16 values
        int32_t allocBits = 0;
        for (int32_t sb = 0; sb < kAllocTableSbLimit[t]; ++sb) {
            SCOPED_TRACE("subband " + std::to_string(sb));
            const int32_t nbal = st.nbal[sb] - '0';
            const std::vector<int32_t> steps = StepsOf(st.rows[sb]);
            ASSERT_EQ(static_cast<int32_t>(steps.size()), (1 << nbal) - 1) << "statement itself";
            ASSERT_LE(pos + 2 * (1 << nbal), kAllocTableLength[t]);
            EXPECT_EQ(table[pos], nbal) << "head: nbal";
            EXPECT_EQ(table[pos + 1], 0) << "head: 0";
            allocBits += table[pos];
            for (int32_t a = 1; a < (1 << nbal); ++a) {
                const int32_t n = steps[static_cast<size_t>(a - 1)];
                const int16_t bits = table[pos + 2 * a];
                const int16_t d = table[pos + 2 * a + 1];
                EXPECT_EQ(bits, ExpectedBits(n)) << "allocation " << a << ", " << n << " steps";
                if (IsGrouped(n)) {
                    EXPECT_EQ(d, n) << "allocation " << a;
                } else {
                    // Ungrouped: codewords 0 ... steps-1 map symmetrically to
                    // -(steps-1)/2 ... (steps-1)/2.
                    EXPECT_EQ(d, -(n - 1) / 2) << "allocation " << a;
                    EXPECT_EQ(int32_t{d} + (n - 1), -int32_t{d});
                }
            }
            pos += 2 * (1 << nbal);
        }
        EXPECT_EQ(pos, kAllocTableLength[t]) << "table ends after the last coded subband";
        EXPECT_EQ(allocBits, st.allocBitsPerChannel);
    }
}

TEST(Layer12Tables, DocumentedExample) {
    // Subbands 0-2 of table 0 read 4-bit allocations; allocation 1
    // is 3 levels grouped in 5 bits, 2 is 7 levels in 3 bits with d = -3, 15 is
    // 65535 levels in 16 bits with d = -32767.
    const int16_t* t = kAllocTables[0];
    for (int sb = 0; sb < 3; ++sb) {
        const int16_t* s = t + sb * 32;
        EXPECT_EQ(s[0], 4);
        EXPECT_EQ(s[2], 5);
        EXPECT_EQ(s[3], 3);
        EXPECT_EQ(s[4], 3);
        EXPECT_EQ(s[5], -3);
        EXPECT_EQ(s[30], 16);
        EXPECT_EQ(s[31], -32767);
    }
}

// ---------------------------------------------------------------------------
// Table selection.
// ---------------------------------------------------------------------------

// ISO/IEC 11172-3 Layer II bitrates in kbit/s by index 1 ... 14.
const int32_t kLayer2Kbps[15] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};

// The rule stated above Tables B.2a-d, by bitrate per channel (rates below
// 32 kbit/s per channel, which only arise for combinations the standard does
// not allow, go with the lowest range).
int32_t StandardTable(int32_t hz, int32_t kbpsPerChannel) {
    if (hz == 48000) return kbpsPerChannel <= 48 ? 2 : 0;
    if (kbpsPerChannel <= 48) return hz == 32000 ? 3 : 2;
    if (kbpsPerChannel <= 80) return 0;
    return 1;
}

TEST(Layer12Tables, TableSelectionFollowsBitratePerChannel) {
    const int32_t rates[3] = {44100, 48000, 32000};
    for (int32_t sr = 0; sr < 3; ++sr) {
        for (int32_t ch = 1; ch <= 2; ++ch) {
            for (int32_t bi = 1; bi <= 14; ++bi) {
                const int32_t perChannel = kLayer2Kbps[bi] / ch;
                EXPECT_EQ(Layer2TableNumber(sr, ch, bi), StandardTable(rates[sr], perChannel))
                    << rates[sr] << " Hz, " << ch << " channel(s), bitrate index " << bi;
            }
        }
    }
}

TEST(Layer12Tables, TableSelectionEdges) {
    // The selection table has 0 for the free-format index 0 and the forbidden
    // index 15 at every rate. (The standard would put free format at 44.1 and
    // 32 kHz with Table B.2b; the player's table is what we follow.)
    for (int32_t sr = 0; sr < 3; ++sr) {
        for (int32_t ch = 1; ch <= 2; ++ch) {
            EXPECT_EQ(Layer2TableNumber(sr, ch, 0), 0);
            EXPECT_EQ(Layer2TableNumber(sr, ch, 15), 0);
        }
    }
    // 32 kHz, two channels, bitrate index 1-6 -> table 3 (12 subbands).
    for (int32_t bi = 1; bi <= 6; ++bi) {
        EXPECT_EQ(Layer2TableNumber(2, 2, bi), 3);
    }
    EXPECT_EQ(kAllocTableSbLimit[3], 12);
    // Out-of-range inputs are harmless.
    EXPECT_EQ(Layer2TableNumber(3, 2, 5), 0);
    EXPECT_EQ(Layer2TableNumber(-1, 2, 5), 0);
    EXPECT_EQ(Layer2TableNumber(0, 2, 16), 0);
    EXPECT_EQ(Layer2TableNumber(0, 2, -1), 0);
    // Any channel count but 1 reads the two-channel row.
    for (int32_t bi = 0; bi < 16; ++bi) EXPECT_EQ(Layer2TableNumber(0, 0, bi), Layer2TableNumber(0, 2, bi));
}

// ---------------------------------------------------------------------------
// Dequantisation table M.
// ---------------------------------------------------------------------------

// ISO/IEC 11172-3 Table B.1 (scalefactors): 2.0 / 2^(i/3).
double Scalefactor(int i) { return 2.0 / std::cbrt(std::ldexp(1.0, i)); }

// ISO/IEC 11172-3 Table B.4: levels, C, D, and the bits each sample occupies
// in the requantisation formula (for grouped quantisers, after degrouping).
struct Quantiser {
    int32_t levels;
    double c;
    double d;
    int32_t nb;
};

const Quantiser kTableB4[] = {
    {3, 4.0 / 3.0, 1.0 / 2, 2},
    {5, 8.0 / 5.0, 1.0 / 2, 3},
    {7, 8.0 / 7.0, 1.0 / 4, 3},
    {9, 16.0 / 9.0, 1.0 / 2, 4},
    {15, 16.0 / 15.0, 1.0 / 8, 4},
    {31, 32.0 / 31.0, 1.0 / 16, 5},
    {63, 64.0 / 63.0, 1.0 / 32, 6},
    {127, 128.0 / 127.0, 1.0 / 64, 7},
    {255, 256.0 / 255.0, 1.0 / 128, 8},
    {511, 512.0 / 511.0, 1.0 / 256, 9},
    {1023, 1024.0 / 1023.0, 1.0 / 512, 10},
    {2047, 2048.0 / 2047.0, 1.0 / 1024, 11},
    {4095, 4096.0 / 4095.0, 1.0 / 2048, 12},
    {8191, 8192.0 / 8191.0, 1.0 / 4096, 13},
    {16383, 16384.0 / 16383.0, 1.0 / 8192, 14},
    {32767, 32768.0 / 32767.0, 1.0 / 16384, 15},
    {65535, 65536.0 / 65535.0, 1.0 / 32768, 16},
};

const Quantiser& QuantiserWithLevels(int32_t levels) {
    for (const Quantiser& q : kTableB4) {
        if (q.levels == levels) return q;
    }
    ADD_FAILURE() << "no quantiser with " << levels << " levels";
    return kTableB4[0];
}

// The standard's requantisation of one nb-bit sample code s (0 ... levels-1):
// invert the MSB, read as a two's complement fraction, s'' = C * (s''' + D),
// then multiply by the scalefactor.
double Requantise(const Quantiser& q, int32_t s, int sfIndex) {
    const int32_t msb = 1 << (q.nb - 1);
    int32_t v = s ^ msb;
    if (v & msb) v -= 2 * msb;
    const double fraction = static_cast<double>(v) / msb;
    return q.c * (fraction + q.d) * Scalefactor(sfIndex);
}

void ExpectNear(float actual, double expected, const std::string& what) {
    const double tol = std::fabs(expected) * 1.5e-7 + 1e-30;
    EXPECT_NEAR(static_cast<double>(actual), expected, tol) << what;
}

class Layer12Dequant : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::memset(gDequant, 0x7f, sizeof gDequant);  // nothing left unwritten
        BuildDequantTable();
    }
};

TEST_F(Layer12Dequant, ScalefactorReference) {
    // Spot values of Table B.1 as printed in the standard.
    EXPECT_DOUBLE_EQ(Scalefactor(0), 2.0);
    EXPECT_NEAR(Scalefactor(1), 1.58740105196820, 1e-13);
    EXPECT_NEAR(Scalefactor(2), 1.25992104989487, 1e-13);
    EXPECT_DOUBLE_EQ(Scalefactor(3), 1.0);
    EXPECT_NEAR(Scalefactor(62), 0.00000120155435, 1e-14);
}

TEST_F(Layer12Dequant, LastColumnAndRowZeroAreSilent) {
    for (int r = 0; r < kDequantRows; ++r) EXPECT_EQ(gDequant[r][63], 0.0f) << "row " << r;
    for (int i = 0; i < kScalefactorCount; ++i) EXPECT_EQ(gDequant[0][i], 0.0f) << "index " << i;
}

TEST_F(Layer12Dequant, UngroupedRowsReconstructAsTheStandard) {
    // Row k serves an ungrouped k-bit codeword, sample = codeword - (2^(k-1) - 1)
    // (Layer I allocation k-1; Layer II via the (bits, d) pairs).
    for (int k = 2; k <= 16; ++k) {
        const int32_t levels = (1 << k) - 1;
        const Quantiser& q = QuantiserWithLevels(levels);
        ASSERT_EQ(q.nb, k);
        const int32_t offset = (1 << (k - 1)) - 1;
        for (int i = 0; i < 63; ++i) {
            const bool allCodes = (i == 0 || i == 3 || i == 31 || i == 62);
            const int32_t stride = allCodes ? 1 : std::max(1, levels / 37);
            for (int32_t code = 0; code < levels; code += stride) {
                const double got = static_cast<double>(code - offset) * gDequant[k][i];
                const double want = Requantise(q, code, i);
                EXPECT_NEAR(got, want, std::fabs(want) * 1.5e-7 + 1e-30)
                    << "row " << k << " index " << i << " code " << code;
                if (::testing::Test::HasFailure()) return;
            }
        }
    }
}

TEST_F(Layer12Dequant, UngroupedRowsSpanTheUnitIntervalUniformly) {
    // With L = 2^k - 1 levels the quantiser cuts [-1, 1) into L equal cells
    // and reconstructs at their centres: the largest sample gives
    // (L - 1) / L * scalefactor and adjacent samples differ by 2 / L.
    for (int k = 2; k <= 16; ++k) {
        const double levels = static_cast<double>((1 << k) - 1);
        const double maxSample = (levels - 1) / 2;
        for (int i = 0; i < 63; ++i) {
            const double sf = Scalefactor(i);
            ExpectNear(gDequant[k][i], 2.0 / levels * sf, "step, row " + std::to_string(k));
            EXPECT_LT(maxSample * gDequant[k][i], sf);
            EXPECT_NEAR(maxSample * gDequant[k][i], (levels - 1) / levels * sf, sf * 2e-7);
        }
    }
}

TEST_F(Layer12Dequant, EveryAllocationEntryReconstructsAsTheStandard) {
    // (codeword + d) * M[bits][i] for every ungrouped entry of every table.
    GroupingTables g;
    BuildGroupingTables(g);
    for (int t = 0; t < kAllocTableCount; ++t) {
        const int16_t* p = kAllocTables[t];
        for (int32_t sb = 0; sb < kAllocTableSbLimit[t]; ++sb) {
            const int32_t nbal = p[0];
            for (int32_t a = 1; a < (1 << nbal); ++a) {
                const int32_t bits = p[2 * a];
                const int32_t d = p[2 * a + 1];
                if (d >= 0) continue;  // grouped: see the grouping tests
                const Quantiser& q = QuantiserWithLevels((1 << bits) - 1);
                for (int32_t code : {0, 1, -d, (1 << bits) - 2}) {
                    for (int i : {0, 5, 40, 62}) {
                        const double got = static_cast<double>(code + d) * gDequant[bits][i];
                        const double want = Requantise(q, code, i);
                        EXPECT_NEAR(got, want, std::fabs(want) * 1.5e-7 + 1e-30)
                            << "table " << t << " subband " << sb << " allocation " << a;
                    }
                }
            }
            p += 2 * (1 << nbal);
        }
    }
}

TEST_F(Layer12Dequant, StoredAsFloatOfTheDoubleProduct) {
    // Each entry is the float nearest to m[r] * 2^((3 - i) / 3): compare with
    // the value the standard's formula gives, at float precision.
    for (int i = 0; i < 63; ++i) {
        const double sf = Scalefactor(i);
        ExpectNear(gDequant[1][i], -2.0 / 3.0 * sf, "row 1");
        ExpectNear(gDequant[2][i], 2.0 / 3.0 * sf, "row 2");
        const double fifths[4] = {-4, -2, 2, 4};
        for (int j = 0; j < 4; ++j) ExpectNear(gDequant[17 + j][i], fifths[j] / 5.0 * sf, "rows 17-20");
        const double ninths[6] = {-8, -4, -2, 2, 4, 8};
        for (int j = 0; j < 6; ++j) ExpectNear(gDequant[21 + j][i], ninths[j] / 9.0 * sf, "rows 21-26");
    }
}

// ---------------------------------------------------------------------------
// Grouping tables.
// ---------------------------------------------------------------------------

template <size_t N>
void CheckGrouping(const uint8_t (&g)[N][3], int32_t levels, const std::vector<uint8_t>& levelRows) {
    ASSERT_EQ(N, static_cast<size_t>(levels * levels * levels));
    const Quantiser& q = QuantiserWithLevels(levels);
    for (int32_t c = 0; c < levels * levels * levels; ++c) {
        const int32_t s[3] = {c % levels, (c / levels) % levels, c / (levels * levels)};
        ASSERT_EQ(c, s[0] + levels * s[1] + levels * levels * s[2]);
        for (int j = 0; j < 3; ++j) {
            ASSERT_LT(g[c][j], kDequantRows);
            EXPECT_EQ(g[c][j], levelRows[static_cast<size_t>(s[j])])
                << levels << " levels, codeword " << c << ", sample " << j;
            // The row must reconstruct the degrouped sample as the standard does.
            for (int i : {0, 3, 17, 62}) {
                const double want = Requantise(q, s[j], i);
                EXPECT_NEAR(gDequant[g[c][j]][i], want, std::fabs(want) * 1.5e-7 + 1e-30)
                    << levels << " levels, codeword " << c << ", sample " << j << ", index " << i;
            }
        }
        if (::testing::Test::HasFailure()) return;
    }
}

TEST_F(Layer12Dequant, GroupingTablesDecomposeCodewords) {
    GroupingTables g;
    std::memset(&g, 0xff, sizeof g);  // every entry must be written
    BuildGroupingTables(g);
    CheckGrouping(g.g3, 3, {1, 0, 2});
    CheckGrouping(g.g5, 5, {17, 18, 0, 19, 20});
    CheckGrouping(g.g9, 9, {21, 1, 22, 23, 0, 24, 25, 2, 26});
}

TEST_F(Layer12Dequant, GroupingFillOrder) {
    // Consecutive codewords step the first sample fastest.
    GroupingTables g;
    BuildGroupingTables(g);
    EXPECT_EQ(g.g3[0][0], 1);
    EXPECT_EQ(g.g3[0][1], 1);
    EXPECT_EQ(g.g3[0][2], 1);
    EXPECT_EQ(g.g3[1][0], 0);
    EXPECT_EQ(g.g3[1][1], 1);
    EXPECT_EQ(g.g3[3][1], 0);
    EXPECT_EQ(g.g3[9][2], 0);
    EXPECT_EQ(g.g3[26][0], 2);
    EXPECT_EQ(g.g3[26][2], 2);
    EXPECT_EQ(g.g9[728][0], 26);
    EXPECT_EQ(g.g9[4 + 9 * 4 + 81 * 4][1], 0);  // all three samples at the zero level
}

}  // namespace
