// Tests of the Layer III Huffman trees against the code lists they were
// generated from and against a few codewords of ISO/IEC 11172-3 Table B.7 written
// out here by hand.
#include "decoder/layer3/huffman_trees.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace {

// A bit source over a string of '0' and '1' that records how many bits were read
// and refuses to read past the end.
struct BitSource {
    std::string bits;
    size_t position = 0;
    bool overrun = false;

    int Next() {
        if (position >= bits.size()) {
            overrun = true;
            return 0;
        }
        return bits[position++] == '1' ? 1 : 0;
    }
};

std::string BitsOf(const HuffmanCode& code) {
    std::string s;
    for (int i = code.length - 1; i >= 0; --i) s += ((code.bits >> i) & 1u) ? '1' : '0';
    return s;
}

// Walks a tree exactly as the decoder does: from entry 0, an entry e >= 0 is a
// leaf; an entry e < 0 at index i reads one bit, 0 -> i + 1, 1 -> i + 1 + (-e).
// Returns the leaf value, or -1 if the walk leaves the array.
int Walk(const int16_t* tree, int32_t size, BitSource& source) {
    int32_t i = 0;
    while (i >= 0 && i < size && tree[i] < 0) {
        const int32_t e = tree[i];
        i = source.Next() ? i + 1 + (-e) : i + 1;
    }
    if (i < 0 || i >= size) return -1;
    return tree[i];
}

// Side of the value grid of each big-value table (0 where the table has no code).
const int kDimension[32] = {0, 2, 3, 3, 0, 4, 4, 6, 6, 6, 8, 8, 8, 16, 0, 16,
                            16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};

bool IsSingleLeafTable(int table) { return table == 0 || table == 4 || table == 14; }

struct TreeRef {
    const int16_t* tree;
    int32_t size;
    HuffmanCodeList codes;
    int dimension;  // 2..16 for big-value tables, 0 for count1 tables
    std::string name;
};

std::vector<TreeRef> AllCodedTrees() {
    std::vector<TreeRef> refs;
    for (int t = 0; t < 32; ++t) {
        if (IsSingleLeafTable(t)) continue;
        refs.push_back({kBigValueTables[t].tree, kBigValueTables[t].treeSize, kBigValueCodeLists[t],
                        kDimension[t], "table " + std::to_string(t)});
    }
    refs.push_back({kCount1Trees[0], kCount1TreeSizes[0], kCount1CodeLists[0], 0, "count1 A"});
    refs.push_back({kCount1Trees[1], kCount1TreeSizes[1], kCount1CodeLists[1], 0, "count1 B"});
    return refs;
}

TEST(HuffmanTrees, EveryCodewordDecodesToItsValueUsingExactlyItsBits) {
    for (const TreeRef& ref : AllCodedTrees()) {
        SCOPED_TRACE(ref.name);
        ASSERT_NE(ref.codes.codes, nullptr);
        for (int32_t c = 0; c < ref.codes.count; ++c) {
            const HuffmanCode& code = ref.codes.codes[c];
            // Trailing bits after the codeword must not be consumed.
            BitSource source{BitsOf(code) + "0101010101010101010101"};
            const int value = Walk(ref.tree, ref.size, source);
            EXPECT_EQ(value, code.value) << "codeword " << BitsOf(code);
            EXPECT_EQ(source.position, code.length) << "codeword " << BitsOf(code);
            EXPECT_FALSE(source.overrun);
        }
    }
}

TEST(HuffmanTrees, TreesAreWellFormedWithNoUnreachableEntries) {
    for (const TreeRef& ref : AllCodedTrees()) {
        SCOPED_TRACE(ref.name);
        ASSERT_GT(ref.size, 0);
        std::vector<int> visits(static_cast<size_t>(ref.size), 0);
        std::vector<int32_t> stack{0};
        std::multiset<int> leaves;
        int32_t inner = 0;
        while (!stack.empty()) {
            const int32_t i = stack.back();
            stack.pop_back();
            ASSERT_GE(i, 0);
            ASSERT_LT(i, ref.size);
            ++visits[static_cast<size_t>(i)];
            ASSERT_EQ(visits[static_cast<size_t>(i)], 1) << "entry " << i << " shared";
            const int32_t e = ref.tree[i];
            if (e >= 0) {
                leaves.insert(e);
                continue;
            }
            ++inner;
            const int32_t zero = i + 1;
            const int32_t one = i + 1 + (-e);
            ASSERT_LT(zero, ref.size) << "inner node " << i;
            ASSERT_LT(one, ref.size) << "inner node " << i;
            ASSERT_NE(zero, one);
            stack.push_back(zero);
            stack.push_back(one);
        }
        for (int32_t i = 0; i < ref.size; ++i) EXPECT_EQ(visits[static_cast<size_t>(i)], 1) << "entry " << i;
        // A full binary tree: one leaf per code, one inner node fewer.
        EXPECT_EQ(static_cast<int32_t>(leaves.size()), ref.codes.count);
        EXPECT_EQ(inner, ref.codes.count - 1);
        std::multiset<int> expected;
        for (int32_t c = 0; c < ref.codes.count; ++c) expected.insert(ref.codes.codes[c].value);
        EXPECT_EQ(leaves, expected);
        for (int v : leaves) {
            if (ref.dimension > 0) {
                EXPECT_LT(v / 16, ref.dimension) << "leaf " << v;
                EXPECT_LT(v % 16, ref.dimension) << "leaf " << v;
            } else {
                EXPECT_LT(v, 16) << "leaf " << v;
            }
        }
    }
}

TEST(HuffmanTrees, TreeSizesFitSixteenBitOffsets) {
    for (const TreeRef& ref : AllCodedTrees()) {
        SCOPED_TRACE(ref.name);
        EXPECT_LE(ref.size, std::numeric_limits<int16_t>::max());
        for (int32_t i = 0; i < ref.size; ++i) {
            // An inner node's offset is at least 1; a leaf's value fits 8 bits.
            EXPECT_GE(ref.tree[i], -(ref.size - 2));
            EXPECT_LE(ref.tree[i], 255);
            EXPECT_NE(ref.tree[i], std::numeric_limits<int16_t>::min());
        }
    }
}

TEST(HuffmanTrees, LinbitsPerTable) {
    const int32_t expected[32] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                  1, 2, 3, 4, 6, 8, 10, 13, 4, 5, 6, 7, 8, 9, 11, 13};
    for (int t = 0; t < 32; ++t) EXPECT_EQ(kBigValueTables[t].linbits, expected[t]) << "table " << t;
}

TEST(HuffmanTrees, SharedTrees) {
    for (int t = 17; t <= 23; ++t) {
        EXPECT_EQ(kBigValueTables[t].tree, kBigValueTables[16].tree) << "table " << t;
        EXPECT_EQ(kBigValueTables[t].treeSize, kBigValueTables[16].treeSize);
        EXPECT_EQ(kBigValueCodeLists[t].codes, kBigValueCodeLists[16].codes);
    }
    for (int t = 25; t <= 31; ++t) {
        EXPECT_EQ(kBigValueTables[t].tree, kBigValueTables[24].tree) << "table " << t;
        EXPECT_EQ(kBigValueTables[t].treeSize, kBigValueTables[24].treeSize);
        EXPECT_EQ(kBigValueCodeLists[t].codes, kBigValueCodeLists[24].codes);
    }
    EXPECT_NE(kBigValueTables[16].tree, kBigValueTables[24].tree);
}

TEST(HuffmanTrees, TablesZeroFourFourteenReadNoBits) {
    for (int t : {0, 4, 14}) {
        SCOPED_TRACE(t);
        EXPECT_EQ(kBigValueTables[t].treeSize, 1);
        EXPECT_EQ(kBigValueTables[t].tree[0], 0);
        EXPECT_EQ(kBigValueTables[t].linbits, 0);
        BitSource source{""};
        EXPECT_EQ(Walk(kBigValueTables[t].tree, kBigValueTables[t].treeSize, source), 0);
        EXPECT_EQ(source.position, 0u);
        EXPECT_FALSE(source.overrun);
        EXPECT_EQ(kBigValueCodeLists[t].count, 0);
        EXPECT_EQ(kBigValueCodeLists[t].codes, nullptr);
    }
}

TEST(HuffmanCodeLists, EachValueOnceAndHlenMatchesCodeword) {
    for (const TreeRef& ref : AllCodedTrees()) {
        SCOPED_TRACE(ref.name);
        const int32_t expectedCount = ref.dimension > 0 ? ref.dimension * ref.dimension : 16;
        ASSERT_EQ(ref.codes.count, expectedCount);
        std::set<int> values;
        for (int32_t c = 0; c < ref.codes.count; ++c) {
            const HuffmanCode& code = ref.codes.codes[c];
            EXPECT_TRUE(values.insert(code.value).second) << "value " << code.value << " twice";
            EXPECT_GE(code.length, 1);
            EXPECT_LE(code.length, 19);
            EXPECT_EQ(code.bits >> code.length, 0u) << "codeword wider than its length";
        }
    }
}

// Independent of the generator's own check: prefix-freedom by pairwise comparison
// and completeness by the Kraft sum in exact integer arithmetic. Every code table of
// the standard is complete.
TEST(HuffmanCodeLists, PrefixFreeAndComplete) {
    for (const TreeRef& ref : AllCodedTrees()) {
        SCOPED_TRACE(ref.name);
        uint64_t kraft = 0;  // in units of 2^-32
        for (int32_t a = 0; a < ref.codes.count; ++a) {
            const HuffmanCode& ca = ref.codes.codes[a];
            kraft += uint64_t{1} << (32 - ca.length);
            for (int32_t b = 0; b < ref.codes.count; ++b) {
                if (a == b) continue;
                const HuffmanCode& cb = ref.codes.codes[b];
                if (ca.length > cb.length) continue;
                const bool isPrefix = (cb.bits >> (cb.length - ca.length)) == ca.bits;
                EXPECT_FALSE(isPrefix) << BitsOf(ca) << " is a prefix of " << BitsOf(cb);
            }
        }
        EXPECT_EQ(kraft, uint64_t{1} << 32) << "Kraft sum is not exactly 1";
    }
}

// A few codewords of ISO/IEC 11172-3 Table B.7, written here independently of the
// generator, decoded through the trees.
TEST(HuffmanTrees, SpotChecksFromTheStandard) {
    struct Case {
        int table;  // 0..31, or -1 / -2 for count1 A / B
        const char* bits;
        int value;
    };
    const Case cases[] = {
        {1, "1", 0x00},          {1, "001", 0x01},       {1, "01", 0x10},         {1, "000", 0x11},
        {2, "000000", 0x22},     {3, "11", 0x00},        {5, "00000000", 0x33},   {6, "111", 0x00},
        {7, "0000000000", 0x55}, {13, "1", 0x00},        {13, "0000000000000000001", 0xFC},
        {15, "111", 0x00},       {15, "0000000000000", 0xFF},
        {16, "1", 0x00},         {16, "00000011", 0xFF}, {23, "00000011", 0xFF},
        {24, "1111", 0x00},      {24, "0010001", 0xF3},  {24, "0011", 0xFF},      {31, "0011", 0xFF},
        {-1, "1", 0x0},          {-1, "000001", 0xF},    {-1, "0101", 0x1},
        {-2, "1111", 0x0},       {-2, "0000", 0xF},      {-2, "1010", 0x5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("table ") + std::to_string(c.table) + " code " + c.bits);
        const int16_t* tree;
        int32_t size;
        if (c.table >= 0) {
            tree = kBigValueTables[c.table].tree;
            size = kBigValueTables[c.table].treeSize;
        } else {
            tree = kCount1Trees[-c.table - 1];
            size = kCount1TreeSizes[-c.table - 1];
        }
        BitSource source{std::string(c.bits) + "1"};
        EXPECT_EQ(Walk(tree, size, source), c.value);
        EXPECT_EQ(source.position, std::string(c.bits).size());
    }
}

}  // namespace
