#include "tests/external_tools.h"

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "tests/decode_file.h"
#include "tests/test_files.h"

int RunCommand(const std::string& command) {
  const int status = std::system(command.c_str());
  if (status == -1 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

bool HaveProgram(const char* name) { return RunCommand(std::string("command -v ") + name + " >/dev/null 2>&1") == 0; }

std::vector<int16_t> FfmpegDecode(const std::string& input, const char* codec) {
  const std::string out = input + ".ffmpeg.raw";
  std::string command = "ffmpeg -v error -y -threads 1 ";
  if (codec) command += std::string("-c:a ") + codec + " ";
  command += "-i '" + input + "' -f s16le -acodec pcm_s16le '" + out + "'";
  if (RunCommand(command) != 0) return {};
  return ReadPcm16(out);
}

int64_t BestAlignment(const std::vector<int16_t>& ours, const std::vector<int16_t>& reference, int channels,
                      int64_t range, size_t window) {
  int64_t best = 0;
  double bestRms = 1e30;
  for (int64_t offset = -range; offset <= range; offset += channels) {
    const size_t startA = offset > 0 ? size_t(offset) : 0;
    const size_t startB = offset < 0 ? size_t(-offset) : 0;
    if (startA >= ours.size() || startB >= reference.size()) continue;
    const size_t n = std::min({ours.size() - startA, reference.size() - startB, window});
    if (n < 1000) continue;
    double sum = 0;
    for (size_t i = 0; i < n; i += 3) {
      const double d = double(ours[startA + i]) - double(reference[startB + i]);
      sum += d * d;
    }
    if (sum < bestRms) {
      bestRms = sum;
      best = offset;
    }
  }
  return best;
}

double SignalToNoiseDb(const std::vector<int16_t>& decoded, const std::vector<int16_t>& input, int channels,
                       int64_t range) {
  const Difference d = Compare(decoded, input, BestAlignment(decoded, input, channels, range));
  double power = 0;
  for (int16_t v : input) power += double(v) * v;
  power /= double(input.size());
  return 10 * std::log10(power / (d.rms * d.rms + 1e-9));
}
