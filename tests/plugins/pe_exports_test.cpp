// The export-table reader on images built here, 32- and 64-bit: the name is found exactly, and every
// cut or damaged image reads as "not exported" without a read outside the file.
#include "plugins/pe_exports.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

// Fields of a built image that the damage cases change.
constexpr size_t kPeAt = 0x80;
constexpr size_t kSectionCountAt = kPeAt + 6;
constexpr size_t kDataAt = 0x400;  // raw data of the one section, at address 0x1000
constexpr uint32_t kSectionAddress = 0x1000;
constexpr size_t kNameCountAt = kDataAt + 24;
constexpr size_t kNamesRvaAt = kDataAt + 32;

struct BuiltImage {
  std::vector<uint8_t> bytes;
  size_t nameEnd = 0;    // one past the terminator of the last name
  size_t rawSizeAt = 0;  // the section's size of raw data
};

// A DLL image with one section holding the export directory, its name table and `names`.
BuiltImage BuildImage(bool wide, const std::vector<std::string>& names) {
  const uint32_t optionalSize = wide ? 240 : 224;
  std::vector<uint8_t> b(kDataAt + 40 + 4 * names.size());
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 0x3C, kPeAt);
  std::memcpy(&b[kPeAt], "PE\0\0", 4);
  Put16(b, kPeAt + 4, wide ? 0x8664 : 0x14C);
  Put16(b, kSectionCountAt, 1);
  Put16(b, kPeAt + 20, optionalSize);
  const size_t optional = kPeAt + 24;
  Put16(b, optional, wide ? 0x20B : 0x10B);
  const size_t countAt = optional + (wide ? 108 : 92);
  Put32(b, countAt, 16);
  Put32(b, countAt + 4, kSectionAddress);  // the export table
  const size_t section = optional + optionalSize;
  std::memcpy(&b[section], ".edata", 6);
  Put32(b, section + 12, kSectionAddress);
  Put32(b, section + 20, uint32_t(kDataAt));
  Put32(b, kNameCountAt, uint32_t(names.size()));
  Put32(b, kNamesRvaAt, kSectionAddress + 40);
  for (size_t i = 0; i < names.size(); ++i) {
    Put32(b, kDataAt + 40 + 4 * i, uint32_t(kSectionAddress + b.size() - kDataAt));
    b.insert(b.end(), names[i].begin(), names[i].end());
    b.push_back(0);
  }
  const uint32_t raw = uint32_t(b.size() - kDataAt);
  Put32(b, section + 8, raw);
  Put32(b, section + 16, raw);
  Put32(b, countAt + 8, raw);
  return {b, b.size(), section + 16};
}

int32_t Exports(const std::vector<uint8_t>& bytes, const char* name, size_t size = SIZE_MAX) {
  const FileHandle file = FileOpenMemory(bytes.data(), int64_t(size < bytes.size() ? size : bytes.size()));
  const int32_t found = ImageExportsName(file, name);
  FileClose(file);
  return found;
}

TEST(PeExports, TheEntryPointIsFoundExactlyInBothFormatsAndNeverOutsideTheFile) {
  for (const bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "64-bit" : "32-bit");
    const BuiltImage image = BuildImage(wide, {"Alpha", "winampVisGetHeaderX", "winampVisGetHeader"});
    EXPECT_EQ(Exports(image.bytes, "winampVisGetHeader"), 1);
    EXPECT_EQ(Exports(image.bytes, "Alpha"), 1);
    EXPECT_EQ(Exports(image.bytes, "winampVisGetHead"), 0) << "a prefix of a name";
    EXPECT_EQ(Exports(image.bytes, ""), 0);
    // Cut anywhere, the image names the entry point only once its terminator is inside.
    for (size_t size = 0; size < image.bytes.size(); ++size)
      ASSERT_EQ(Exports(image.bytes, "winampVisGetHeader", size), size >= image.nameEnd ? 1 : 0) << size;

    auto damaged = [&](size_t at, uint32_t value, bool wide32 = true) {
      std::vector<uint8_t> b = image.bytes;
      wide32 ? Put32(b, at, value) : Put16(b, at, value);
      return Exports(b, "winampVisGetHeader");
    };
    EXPECT_EQ(damaged(kSectionCountAt, 97, false), 0) << "more sections than Windows loads";
    EXPECT_EQ(damaged(kPeAt + 24, 0x107, false), 0) << "an unknown optional header";
    EXPECT_EQ(damaged(kNamesRvaAt, 0xFFFFFFFE), 0) << "name table outside every section";
    EXPECT_EQ(damaged(kNameCountAt, 0xFFFFFFFF), 0) << "more names than the table holds";
    EXPECT_EQ(damaged(image.rawSizeAt, uint32_t(image.nameEnd - kDataAt - 1)), 0)
        << "the last name's terminator is in the file but outside its section";
  }
}

}  // namespace
