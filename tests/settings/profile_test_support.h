// Shared pieces of the profile, settings file and playlist file tests: where profile files live in the
// test run and a clean start for each test that touches one.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "tests/box_recorder.h"
#include "tests/test_files.h"

// The folder that profile file names without a folder refer to, with a trailing separator. On the host
// it is a scratch folder of the build tree (through ZAV_WINDOWS_DIR), so that no test writes into the
// current directory; under Wine it is the prefix's Windows folder.
inline std::string TestWindowsFolder() {
#ifdef _WIN32
  char folder[MAX_PATH];
  const UINT length = GetWindowsDirectoryA(folder, sizeof folder);
  return std::string(folder, length < sizeof folder ? length : 0) + "\\";
#else
  const std::string folder = ScratchPath("windows");
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  setenv("ZAV_WINDOWS_DIR", folder.c_str(), 1);
  return folder + "/";
#endif
}

// A scratch folder of its own for one group of tests, with a trailing "/".
inline std::string TestFolder(const std::string& name) {
  const std::string folder = ScratchPath(name);
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  return folder + "/";
}

// Makes the profile functions forget a file they may hold in memory (Wine keeps the files it read last
// and keeps answering from memory for a file deleted behind its back), then deletes it.
inline void RemoveProfileFile(const std::string& path) {
#ifdef _WIN32
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
#endif
  std::remove(path.c_str());
}

// Replaces a profile file from outside the profile functions.
inline void PutProfileFile(const std::string& path, const std::string& text) {
  RemoveProfileFile(path);
  WriteWholeFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

inline std::string ProfileFileText(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadWholeFile(path);
  return std::string(bytes.begin(), bytes.end());
}

// The file's lines without their line ends and without blanks at either end.
inline std::vector<std::string> ProfileFileLines(const std::string& path) {
  std::vector<std::string> lines;
  std::string line;
  auto finish = [&]() {
    const size_t begin = line.find_first_not_of(" \t");
    const size_t end = line.find_last_not_of(" \t");
    lines.push_back(begin == std::string::npos ? "" : line.substr(begin, end - begin + 1));
    line.clear();
  };
  const std::string text = ProfileFileText(path);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n' || text[i] == '\r') finish();
    else line += text[i];
  }
  if (!line.empty()) finish();
  return lines;
}

// Upper-case hex of the bytes followed by their sum modulo 256: a struct value as Windows stores it.
inline std::string StructText(const void* data, size_t size) {
  static const char kHex[] = "0123456789ABCDEF";
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  std::string text;
  uint32_t sum = 0;
  for (size_t i = 0; i < size; ++i) {
    text += kHex[bytes[i] >> 4];
    text += kHex[bytes[i] & 15];
    sum += bytes[i];
  }
  text += kHex[(sum >> 4) & 15];
  text += kHex[sum & 15];
  return text;
}
