#include "tests/test_files.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

std::string TestDataPath(const std::string& relative) { return std::string(ZAV_TEST_DATA_PATH) + "/" + relative; }

std::string ConformancePath(const std::string& name, const char* extension) {
  return TestDataPath("vectors/conformance/" + name + extension);
}

std::vector<std::string> DamagedStreamPaths() {
  static const char* const kNames[] = {
      "ILL2_center2", "ILL2_dual", "ILL2_dynx22", "ILL2_dynx31", "ILL2_dynx32", "ILL2_ext_switching", "ILL2_layer1",
      "ILL2_layer3", "ILL2_mono", "ILL2_multilingual", "ILL2_overalloc1", "ILL2_overalloc2", "ILL2_prediction",
      "ILL2_samples", "ILL2_scf63", "ILL2_tca21", "ILL2_tca30", "ILL2_tca30_PC", "ILL2_tca31_PC", "ILL2_tca31_mtx0",
      "ILL2_tca31_mtx2", "ILL2_tca32_PC", "ILL2_wrongcrc", "ILL4_ext_id1", "ILL4_sync", "ILL4_wrong_length1",
      "ILL4_wrong_length2", "ILL4_wrongcrc"};
  std::vector<std::string> paths;
  for (const char* name : kNames) paths.push_back(TestDataPath(std::string("vectors/damaged/") + name + ".bit"));
  return paths;
}

std::string ScratchPath(const std::string& name) {
  const std::string dir = std::string(ZAV_BUILD_PATH) + "/test-scratch";
  std::error_code ignored;
  std::filesystem::create_directories(dir, ignored);
  return dir + "/" + name;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string WriteScratchFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = ScratchPath(name);
  EXPECT_TRUE(WriteWholeFile(path, bytes)) << path;
  return path;
}

std::vector<uint8_t> NoiseBytes(size_t count, uint32_t seed) {
  std::vector<uint8_t> bytes(count);
  uint32_t x = seed;
  for (uint8_t& b : bytes) {
    x = x * 1664525u + 1013904223u;
    b = uint8_t(x >> 24);
  }
  return bytes;
}

bool FileExists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(path, ignored);
}
