// Layer I and Layer II frame decoding, one copy per decoder build.
#pragma once
#include <cstdint>

#include "decoder/layer12_tables.h"
#include "decoder/stream_state.h"

namespace build486 {
int32_t DecodeLayer1(StreamState* state);
int32_t DecodeLayer2(StreamState* state);
void InitLayer12Tables();
}  // namespace build486
namespace buildPentium {
int32_t DecodeLayer1(StreamState* state);
int32_t DecodeLayer2(StreamState* state);
void InitLayer12Tables();
}  // namespace buildPentium

// Each build's grouping tables: 0 = 486, 1 = Pentium.
extern GroupingTables gGroupingTables[2];
