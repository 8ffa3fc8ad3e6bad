// Where the Wine runner's ALSA default device writes everything played (ZAV_CAPTURE_FILE, a Unix path
// that Wine shows on drive Z:), for tests that compare what reached the device.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

inline std::string CapturePath() {
  const char* path = std::getenv("ZAV_CAPTURE_FILE");
  return path && *path ? std::string("Z:") + path : std::string(ZAV_BUILD_PATH) + "/wine/captured.raw";
}

// Wine's ALSA output plays one period (10 ms) of silence of its own when it finds its buffer empty, as
// when the machine is starved by the parallel test run; the program's blocks themselves arrive whole and
// in order. This removes from `captured` such runs: at least `least` zero samples starting where the
// capture first disagrees with what was played (`agrees(sample, index)`) and after which the next 64
// samples agree again, or lying past the end of what was played. It removes at most `most` runs, says
// where each was, and returns how many it removed.
template <typename Sample, typename Agrees>
int32_t RemoveUnderrunSilence(std::vector<Sample>& captured, size_t played, size_t from, Agrees agrees,
                              size_t least = 128, int32_t most = 2) {
  int32_t removed = 0;
  const auto remove = [&](size_t at, size_t count) {
    std::printf("[ capture  ] %zu zero samples of Wine's own at sample %zu left out\n", count, at);
    captured.erase(captured.begin() + long(at), captured.begin() + long(at + count));
    ++removed;
  };
  for (size_t i = from; i < captured.size() && i < played && removed < most; ++i) {
    if (agrees(captured[i], i)) continue;
    size_t zeros = 0;
    while (i + zeros < captured.size() && captured[i + zeros] == 0) ++zeros;
    if (zeros < least) continue;
    const size_t next = std::min<size_t>({64, played - i, captured.size() - i - zeros});
    bool resumes = true;
    for (size_t k = 0; k < next && resumes; ++k) resumes = agrees(captured[i + zeros + k], i + k);
    if (resumes) remove(i, zeros);
  }
  if (removed < most && captured.size() >= played + least &&
      std::all_of(captured.begin() + long(played), captured.end(), [](Sample s) { return s == 0; }))
    remove(played, captured.size() - played);
  return removed;
}
