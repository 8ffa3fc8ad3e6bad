// Arbitrary bytes as an ID3v2 tag: the fields read from a readable tag, written into a new tag that
// keeps its other frames, must read back the same; a tag that reads must also rewrite. The tag's first
// half read alone must read as the whole does when it ends in the padding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tags/replay_gain.h"
#include "tags/tag_fields.h"

namespace {
bool SameFields(const TagFields& a, const TagFields& b) {
  const char* const x[] = {a.title, a.artist, a.album, a.year, a.comment, a.track, a.genre};
  const char* const y[] = {b.title, b.artist, b.album, b.year, b.comment, b.track, b.genre};
  for (size_t i = 0; i < 7; ++i) {
    if (std::strcmp(x[i], y[i]) != 0) return false;
  }
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReplayGainInfo gains{};
  ParseId3v2ReplayGain(data, size, &gains);
  ParseApeReplayGain(data, size, &gains);
  for (int32_t f = 0; f < kReplayGainFields; ++f) {  // ReplayGain: gains within +-51 dB, peaks in 0..10^6
    const float v = gains.value[f];
    if (gains.from[f] && !(f % 2 ? v > 0 && v < 1e6f : v >= -kLargestTagGainDb && v <= kLargestTagGainDb)) std::abort();
  }
  TagFields first{}, second{};
  const int32_t version = ParseId3v2(data, size, &first);
  if (version == 0) return 0;
  if (version < 2 || version > 4) std::abort();
  TagFields start{};
  bool cut = false;
  const int32_t early = ParseId3v2(data, 10 + (size - 10) / 2, &start, &cut);
  if (early != 0 && !cut && (early != version || !SameFields(first, start))) std::abort();
  std::vector<uint8_t> rewritten;
  if (!BuildId3v2(data, size, first, 0, &rewritten)) std::abort();
  const int32_t again = ParseId3v2(rewritten.data(), rewritten.size(), &second);
  if (again != (version == 2 ? 3 : version) || !SameFields(first, second)) std::abort();
  return 0;
}
