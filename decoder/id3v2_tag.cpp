#include "decoder/id3v2_tag.h"

int64_t AudioStartAfterId3v2(FileHandle file) {
  uint8_t tag[10] = {};
  if (FileSeek(file, 0, kFromStart) != 0 || FileRead(file, tag, 10) != 10) return 0;
  if (tag[0] != 'I' || tag[1] != 'D' || tag[2] != '3' || tag[3] == 0xFF || tag[4] == 0xFF ||
      (tag[6] | tag[7] | tag[8] | tag[9]) >= 0x80) {
    return 0;
  }
  const int64_t size = (int64_t(tag[6]) << 21) | (int64_t(tag[7]) << 14) | (int64_t(tag[8]) << 7) | tag[9];
  const int64_t end = 10 + size + ((tag[5] & 0x10) ? 10 : 0);
  return end < FileSize(file) ? end : 0;
}
