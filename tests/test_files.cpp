#include "tests/test_files.h"

#include <filesystem>
#include <fstream>
#include <iterator>

std::string SharedPath(const std::string& relative) { return std::string(ZAV_SHARED_PATH) + "/" + relative; }

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

bool FileExists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(path, ignored);
}
