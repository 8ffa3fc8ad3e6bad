// Tables, state and stages of the Layer III decoder. Each decoder build owns one Layer3Build; the
// stages take it explicitly, so the two builds share the code and nothing else.
#pragma once
#include <cstdint>

#include "decoder/layer3/scalefactor_tables.h"
#include "decoder/stream_state.h"

constexpr int32_t kGainPositions = 379;     // gain table: 2^(-(k - 46) / 4), k = 0..378
constexpr int32_t kPowerValues = 8207;      // |x|^(4/3) for x = 0..15 + 2^13 - 1
constexpr int32_t kScalefactorSlots = 39;   // 13 short bands x 3 windows
constexpr int32_t kSubbands = 32;
constexpr int32_t kSlots = 18;              // time slots per granule, lines per subband
constexpr int32_t kMaxPairs = kGranuleLines / 2;
constexpr int32_t kLookupBits = 8;          // bits resolved at once by a Huffman lookup table

// The first kLookupBits of a code tree resolved in one step. An entry with bit 31 clear is a leaf: value
// in bits 0..7, code length in bits 8..15. With bit 31 set the code is longer: the walk goes on, bit by
// bit, from the tree entry in bits 0..15.
struct HuffmanLookup {
  uint32_t entries[1 << kLookupBits];
};
constexpr uint32_t kLookupContinue = 0x80000000u;

// One channel of one granule.
struct GranuleInfo {
  int32_t scfsi;               // MPEG-1: -1 in granule 0, the channel's four scfsi bits in granule 1
  int32_t part2_3_length;      // bits of scalefactors plus Huffman data
  int32_t big_values;          // value pairs of the big-values region, at most 288
  int32_t scalefac_compress;
  int32_t block_type;          // 0 normal, 1 start, 2 short, 3 stop
  int32_t mixed_block_flag;
  int32_t table_select[3];
  int32_t shortBandEnd[3];     // per short window: 1 + highest short band holding a non-zero line
  int32_t longBandEnd;         // 1 + highest long band holding a non-zero line
  int32_t activeSubbands;      // subbands the antialias and hybrid stages process, 1..32
  int32_t region1Begin;        // first pair of region 1
  int32_t region2Begin;        // first pair of region 2
  int32_t preflag;
  int32_t scalefac_scale;
  int32_t count1table_select;
  int32_t windowGain[3];       // gain position of short window 0, 1, 2
  int32_t gain;                // gain position of the global gain
};

// Side information of the current frame. Fields a frame does not read keep their earlier values.
struct SideInfo {
  uint32_t main_data_begin;
  uint32_t private_bits;
  GranuleInfo granules[2][2];  // [channel][granule]
};

// One run of value pairs that share a scalefactor and gain: a long band, or one window of a short band.
struct BandMapEntry {
  int16_t pairs;      // value pairs in the run
  int16_t firstLine;  // line of its first value
  int16_t window;     // 0..2 short window (values three lines apart); 3 long band (consecutive lines)
  int16_t band;       // scalefactor band index
};

// The runs of one block kind in line order. The scalefactor of entry i is slot i of the scalefactor
// array, which is the order the scalefactor readers fill it in. Every map covers 288 pairs.
struct BandMap {
  BandMapEntry entries[kScalefactorSlots];
  int32_t count;
};

// Everything derived from one sample rate's band table.
struct RateTables {
  BandMap longMap;
  BandMap shortMap;
  BandMap mixedMap;
  int32_t mixedLongBands;                  // long bands in front of short band 3 in a mixed block
  int32_t longLimit[kLongBandCount + 1];   // subbands to process when long band i is the first empty one
  int32_t shortLimit[kShortBandCount + 1];  // the same for short bands
};

struct Layer3Build {
  // Tables, rebuilt by InitLayer3Tables.
  float gainTable[kGainPositions];
  HuffmanLookup bigValueLookup[32];  // by table_select
  HuffmanLookup count1Lookup[2];     // by count1table_select
  float powerTable[kPowerValues];
  RateTables rates[kSampleRateCount];
  uint32_t lsfNormalWords[kLsfNormalWords];
  uint32_t lsfIntensityWords[kLsfIntensityWords];
  float isLeft[2][16];             // MPEG-1 intensity ratios [mid/side][position]
  float isRight[2][16];
  float lsfIsLeft[2][2][32];       // low-sampling ratios [mid/side][k-selector][position]
  float lsfIsRight[2][2][32];
  float cs[8];                     // antialias butterflies
  float ca[8];
  float windows[2][4][36];         // [odd subband][block type], output factors folded in; type 2: 12 taps
  alignas(16) float laneWindows[4][36][4];  // [block type][tap][lane]: the windows of four subbands side by
                                            // side, even ones in lanes 0 and 2, odd ones in 1 and 3
  float cos18[9];                  // cos(k pi / 18)
  float oddScale36[9];             // 0.5 / cos((2v + 1) pi / 36)
  float cos6;                      // cos(pi / 6)
  float oddScale12[3];             // 0.5 / cos((2v + 1) pi / 12)
  int32_t quality;

  // Decoding state.
  SideInfo side;
  int32_t scalefactors[2][kScalefactorSlots];
  float spectrum[2][kGranuleLines];                 // line = 18 * subband + index
  float subbandSamples[2][kSlots * kSubbands];      // slot t, subband s at 32 t + s
  float overlap[2][2][kGranuleLines];               // [set][channel], slot t, subband s at 32 t + s
  int32_t overlapSet[2];                            // set holding each channel's previous overlap
  uint8_t spectrumRecord[1152];
};

// Build 0 is the 486 build, build 1 the Pentium build.
extern Layer3Build gLayer3Builds[2];

// Facts of the frame that every stage needs, derived from the header.
struct FrameSetup {
  int32_t channels;        // 1 or 2
  int32_t ms;              // mid/side stereo
  int32_t is;              // intensity stereo
  int32_t selection;       // -1 both, 0 first, 1 second, 3 mix
  int32_t outChannels;     // 1 or 2
  int32_t gainOffset;      // 4 when mixing: halves both channels
  int32_t granules;        // 2 MPEG-1, 1 low sampling
  int32_t lowSampling;
  int32_t sampleRateIndex;
};
FrameSetup MakeFrameSetup(const StreamState& state);

void InitLayer3Tables(Layer3Build& build, int32_t quality);
// Resolves the first kLookupBits bits of every path through a code tree.
void BuildHuffmanLookup(const int16_t* tree, HuffmanLookup& lookup);
int32_t DecodeLayer3Frame(Layer3Build& build, StreamState* state);

// Side information at the bit reader. Returns 0 when a window-switching record with block_type 0
// stopped the reading (after the "Error In Stream..." box), else 1.
int32_t ReadSideInfo(Layer3Build& build, const FrameSetup& frame);

// Scalefactor readers; they return the bits read, the scalefactor share of part2_3_length.
int32_t ReadScalefactors(int32_t* scalefactors, const GranuleInfo& info);
// How a low-sampling record's scalefactors are laid out: the length word (widths, row, preflag) and the
// number of slots in each of its four groups. `intensity` is 1 for channel 1 of an intensity stereo frame.
struct LsfLayout {
  uint32_t word;
  const uint8_t* groupSlots;  // kLsfGroups counts
};
LsfLayout LsfLayoutOf(const Layer3Build& build, const GranuleInfo& info, int32_t intensity);
int32_t ReadScalefactorsLsf(const Layer3Build& build, int32_t* scalefactors, GranuleInfo& info, int32_t intensity);

// Huffman decoding with requantisation; 0 on success, 1 when the record needed more bits than its
// part2_3_length. Both set shortBandEnd, longBandEnd and activeSubbands.
int32_t DecodeSpectrum(const Layer3Build& build, float* spectrum, const int32_t* scalefactors, GranuleInfo& info,
                       int32_t sampleRateIndex, int32_t part2Bits);
// Decodes the side channel of a mid/side frame into `spectra` (channel 0 holding the mid channel,
// channel 1 right behind it) and leaves left and right in the two channels.
int32_t DecodeSpectrumMs(const Layer3Build& build, float* spectra, const int32_t* scalefactors, GranuleInfo& info,
                         int32_t sampleRateIndex, int32_t part2Bits);

void IntensityStereo(const Layer3Build& build, float* spectra, const int32_t* scalefactors, const GranuleInfo& info,
                     int32_t sampleRateIndex, int32_t ms, int32_t lowSampling);
void Antialias(const Layer3Build& build, float* spectrum, const GranuleInfo& info);

// The hybrid filterbank of channel c: spectrum lines in, 18 slots of 32 subband samples out.
void Hybrid(Layer3Build& build, float* spectrum, float* samples, int32_t c, const GranuleInfo& info);
// One subband: x holds its 18 lines (overwritten); out is its column in the subband samples, prev and
// next its columns in the overlap stores (all stride 32).
void Imdct36(const Layer3Build& build, float* x, const float* prev, float* next, const float* window, float* out);
void Imdct12(const Layer3Build& build, float* x, const float* prev, float* next, const float* window, float* out);

// The 1152-byte spectrum record from the subband samples of the two halves.
void BuildSpectrumRecord(const float* left, const float* right, uint8_t* record);
