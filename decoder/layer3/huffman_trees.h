// Layer III Huffman code tables as flat binary trees of signed 16-bit
// entries, generated from ISO/IEC 11172-3 Table B.7 by make_huffman_trees.py into
// huffman_trees.cpp.
//
// Walking a tree: start at entry 0. An entry e >= 0 is a leaf: e is the value. An
// entry e < 0 at index i is an inner node: read one bit; with 0 go on at index i + 1
// (the entry right after e), with 1 at index i + 1 + (-e) (the entry -e places after
// that one). Every code bit is one inner node on the path.
//
// Big-value leaves hold x * 16 + y (x, y in 0..15). Count1 leaves hold the pattern
// v, w, x, y from bit 3 down to bit 0. Tables 0, 4 and 14 are a single leaf of value
// 0: a pair decoded with them reads no bits and is (0, 0). Portable C++17.
#pragma once

#include <cstdint>

struct HuffmanTable {
    const int16_t* tree;  // entry 0 is the root
    int32_t linbits;      // extension bits of a value 15 (0 for tables 0..15)
    int32_t treeSize;     // number of entries in tree
};

// Indexed by table_select 0..31. Tables 16..23 share one tree, as do 24..31.
extern const HuffmanTable kBigValueTables[32];

// Indexed by count1table_select: 0 is table A, 1 is table B.
extern const int16_t* const kCount1Trees[2];
extern const int32_t kCount1TreeSizes[2];

// The standard's code lists the trees were built from, for tests.
struct HuffmanCode {
    uint16_t value;  // x * 16 + y, or the count1 pattern v w x y
    uint8_t length;  // hlen: number of code bits
    uint32_t bits;   // hcod: the codeword, first bit most significant, in the low `length` bits
};

struct HuffmanCodeList {
    const HuffmanCode* codes;  // nullptr for tables 0, 4 and 14
    int32_t count;
};

extern const HuffmanCodeList kBigValueCodeLists[32];
extern const HuffmanCodeList kCount1CodeLists[2];
