// Arbitrary bytes as an equalizer presets file: every preset read has a clean name and levels 0..20, and
// the list survives being written and read again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "eq/eq_presets.h"

namespace {
EqPresetList gFirst, gSecond;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const int32_t count = ParseEqPresets(text, &gFirst);
  if (count < 0 || count > kMaxUserEqPresets || count != gFirst.count) std::abort();
  for (int32_t i = 0; i < count; ++i) {
    char clean[kEqPresetNameBytes];
    if (CleanEqPresetName(gFirst.presets[i].name, clean) != 1 || std::strcmp(clean, gFirst.presets[i].name) != 0)
      std::abort();
    for (const int32_t level : gFirst.presets[i].levels)
      if (level < 0 || level > kEqLevelMax) std::abort();
  }
  if (ParseEqPresets(FormatEqPresets(gFirst), &gSecond) != count) std::abort();
  for (int32_t i = 0; i < count; ++i) {
    const EqPreset &a = gFirst.presets[i], &b = gSecond.presets[i];
    if (std::strcmp(a.name, b.name) != 0 || std::memcmp(a.levels, b.levels, sizeof a.levels) != 0) std::abort();
  }
  return 0;
}
