#include "plugins/pe_exports.h"

#include <cstring>

namespace {

constexpr uint32_t kMaxSections = 96;      // the most sections Windows loads
constexpr uint32_t kMaxNames = 65536;      // names looked at in one export table
constexpr size_t kMaxNameLength = 255;     // longest name asked for
constexpr uint32_t kNamesPerRead = 256;
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

struct Section {
  uint32_t address;  // relative virtual address
  uint32_t rawSize;
  uint32_t rawOffset;
};

struct Image {
  FileHandle file;
  int64_t size;
  uint32_t sectionCount;
  Section sections[kMaxSections];
};

bool ReadAt(const Image& image, int64_t offset, void* buffer, uint32_t count) {
  if (offset < 0 || offset > image.size || int64_t(count) > image.size - offset) return false;
  if (FileSeek(image.file, offset, kFromStart) != offset) return false;
  return FileRead(image.file, buffer, int32_t(count)) == int32_t(count);
}

// File offset of `count` bytes at `rva`, when they lie wholly in one section's raw data; else -1.
int64_t OffsetOf(const Image& image, uint32_t rva, uint32_t count) {
  for (uint32_t i = 0; i < image.sectionCount; ++i) {
    const Section& s = image.sections[i];
    if (rva >= s.address && uint64_t(rva) + count <= uint64_t(s.address) + s.rawSize)
      return int64_t(s.rawOffset) + (rva - s.address);
  }
  return -1;
}

bool ReadRva(const Image& image, uint32_t rva, void* buffer, uint32_t count) {
  const int64_t offset = OffsetOf(image, rva, count);
  return offset >= 0 && ReadAt(image, offset, buffer, count);
}

// Reads the headers and the section table; false when the file is no PE image this reader knows.
bool ReadHeaders(Image& image, uint32_t* exportRva) {
  uint8_t dos[64];
  if (!ReadAt(image, 0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
  const int64_t pe = U32(dos + 0x3C);
  uint8_t file[24];
  if (!ReadAt(image, pe, file, sizeof file) || std::memcmp(file, "PE\0\0", 4) != 0) return false;
  const uint32_t sectionCount = U16(file + 6);
  const uint32_t optionalSize = U16(file + 20);
  if (sectionCount > kMaxSections) return false;

  uint8_t optional[120];
  if (optionalSize < 2 || !ReadAt(image, pe + 24, optional, 2)) return false;
  const uint16_t magic = U16(optional);
  if (magic != kMagicPe32 && magic != kMagicPe32Plus) return false;
  // Where the count of data directories and the first of them (the export table) stand.
  const uint32_t countAt = magic == kMagicPe32 ? 92 : 108;
  const uint32_t directoryAt = countAt + 4;
  if (optionalSize < directoryAt + 8 || !ReadAt(image, pe + 24, optional, directoryAt + 8)) return false;
  if (U32(optional + countAt) < 1) return false;
  *exportRva = U32(optional + directoryAt);
  if (*exportRva == 0 || U32(optional + directoryAt + 4) == 0) return false;

  uint8_t table[kMaxSections * 40];
  const uint32_t tableBytes = sectionCount * 40;
  if (tableBytes && !ReadAt(image, pe + 24 + optionalSize, table, tableBytes)) return false;
  image.sectionCount = sectionCount;
  for (uint32_t i = 0; i < sectionCount; ++i) {
    const uint8_t* entry = table + i * 40;
    image.sections[i] = {U32(entry + 12), U32(entry + 16), U32(entry + 20)};
  }
  return true;
}

}  // namespace

int32_t ImageExportsName(FileHandle file, const char* name) {
  if (file == kNoFile || name == nullptr) return 0;
  const size_t length = strnlen(name, kMaxNameLength + 1);
  if (length == 0 || length > kMaxNameLength) return 0;
  Image image = {};
  image.file = file;
  image.size = FileSize(file);
  uint32_t exportRva = 0;
  if (image.size <= 0 || !ReadHeaders(image, &exportRva)) return 0;

  uint8_t directory[40];
  if (!ReadRva(image, exportRva, directory, sizeof directory)) return 0;
  uint32_t nameCount = U32(directory + 24);
  const uint32_t namesRva = U32(directory + 32);
  if (nameCount > kMaxNames) nameCount = kMaxNames;

  uint8_t rvas[kNamesPerRead * 4];
  char candidate[kMaxNameLength + 1];
  for (uint32_t first = 0; first < nameCount; first += kNamesPerRead) {
    const uint32_t count = nameCount - first < kNamesPerRead ? nameCount - first : kNamesPerRead;
    if (uint64_t(namesRva) + uint64_t(first + count) * 4 > 0xFFFFFFFFull) return 0;
    if (!ReadRva(image, namesRva + first * 4, rvas, count * 4)) return 0;
    for (uint32_t i = 0; i < count; ++i) {
      // The name and its terminator; a name that runs out of its section cannot be this one.
      if (ReadRva(image, U32(rvas + i * 4), candidate, uint32_t(length + 1)) &&
          std::memcmp(candidate, name, length) == 0 && candidate[length] == 0)
        return 1;
    }
  }
  return 0;
}

int32_t PathExportsName(const char* path, const char* name) {
  if (path == nullptr) return 0;
  const FileHandle file = FileOpenRead(path);
  if (file == kNoFile) return 0;
  const int32_t found = ImageExportsName(file, name);
  FileClose(file);
  return found;
}
