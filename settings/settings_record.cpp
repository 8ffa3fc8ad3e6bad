#include "settings/settings.h"

namespace {
Settings MakeInitialRecord() {
  Settings s{};
  for (int32_t& g : s.eqGains) g = 10;
  s.eqEnabled = 0;
  s.processor = 1;
  return s;
}
}  // namespace

Settings gSettings = MakeInitialRecord();
