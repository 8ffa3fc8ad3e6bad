// Helpers for tests: where the test vectors are, scratch files in the build tree, and byte buffers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Path of a file under the repository's test data, tests/data (e.g. "vectors/conformance/l1-fl1.bit").
std::string TestDataPath(const std::string& relative);
// Path of a conformance stream ("l3-compl") or, with another extension, of its reference output.
std::string ConformancePath(const std::string& name, const char* extension = ".bit");
// Paths of the test vectors' streams that are damaged on purpose.
std::vector<std::string> DamagedStreamPaths();
// Path of a scratch file in the build tree; its folder exists.
std::string ScratchPath(const std::string& name);
// Whole file, or an empty vector when it cannot be read.
std::vector<uint8_t> ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);
// Writes `bytes` to the scratch file `name` (a failure fails the test) and returns its path.
std::string WriteScratchFile(const std::string& name, const std::vector<uint8_t>& bytes);
bool FileExists(const std::string& path);
// `count` bytes of a fixed pseudo-random sequence that `seed` starts.
std::vector<uint8_t> NoiseBytes(size_t count, uint32_t seed);
