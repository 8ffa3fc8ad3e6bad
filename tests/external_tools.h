// Running the external programs that make test input (sox, lame, twolame) and the black-box reference
// decoder (ffmpeg). Host builds only.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Runs a shell command; returns its exit status (-1 when it could not run).
int RunCommand(const std::string& command);
bool HaveProgram(const char* name);
// Decodes a file with ffmpeg's floating-point decoders to interleaved 16-bit PCM (empty on failure).
std::vector<int16_t> FfmpegDecode(const std::string& input, const char* codec = nullptr);
// The offset (in interleaved samples, a multiple of `channels`) within +-range that best aligns `ours`
// with `reference`, by the smallest RMS of the difference over the first `window` samples.
int64_t BestAlignment(const std::vector<int16_t>& ours, const std::vector<int16_t>& reference, int channels,
                      int64_t range, size_t window = 200000);
// Signal-to-noise ratio in dB of `decoded` against the encoder's `input`, after the best alignment within
// +-range.
double SignalToNoiseDb(const std::vector<int16_t>& decoded, const std::vector<int16_t>& input, int channels,
                       int64_t range);
