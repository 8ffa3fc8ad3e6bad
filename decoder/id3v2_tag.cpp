#include "decoder/id3v2_tag.h"

int32_t ParseId3v2Header(const uint8_t bytes[kId3v2HeaderBytes], Id3v2Header* header) {
  const uint8_t* b = bytes;
  if (b[0] != 'I' || b[1] != 'D' || b[2] != '3' || b[3] == 0xFF || b[4] == 0xFF ||
      (b[6] | b[7] | b[8] | b[9]) >= 0x80) {
    return 0;
  }
  header->major = b[3];
  header->revision = b[4];
  header->flags = b[5];
  header->bodySize = (int64_t(b[6]) << 21) | (int64_t(b[7]) << 14) | (int64_t(b[8]) << 7) | b[9];
  header->totalSize = kId3v2HeaderBytes + header->bodySize + ((b[5] & 0x10) ? kId3v2HeaderBytes : 0);
  return 1;
}

int32_t ReadId3v2Header(FileHandle file, Id3v2Header* header) {
  return ReadId3v2HeaderIn(ByteSource{file, &kFileSourceFunctions}, header);
}

int32_t ReadId3v2HeaderIn(const ByteSource& source, Id3v2Header* header) {
  uint8_t bytes[kId3v2HeaderBytes] = {};
  const ByteSourceFunctions& f = *source.functions;
  if (f.seek(source.handle, 0, kFromStart) != 0 ||
      f.read(source.handle, bytes, kId3v2HeaderBytes) != kId3v2HeaderBytes) {
    return 0;
  }
  return ParseId3v2Header(bytes, header) && header->totalSize < f.size(source.handle) ? 1 : 0;
}

int64_t AudioStartAfterId3v2(FileHandle file) { return AudioStartIn(ByteSource{file, &kFileSourceFunctions}); }

int64_t AudioStartIn(const ByteSource& source) {
  Id3v2Header header{};
  return ReadId3v2HeaderIn(source, &header) ? header.totalSize : 0;
}
