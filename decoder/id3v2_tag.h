// The ID3v2 tag that may stand in front of the audio of an MPEG file: "ID3", two version bytes (neither
// 0xFF), a flags byte, a size in four 7-bit bytes and, when flag 0x10 is set, a 10-byte footer behind
// the tag. The frame reader and the track scanner both start behind it.
#pragma once
#include <cstdint>

#include "decoder/byte_source.h"
#include "platform/file.h"

constexpr int32_t kId3v2HeaderBytes = 10;

// The fields of a tag's 10-byte header.
struct Id3v2Header {
  int32_t major;     // 2, 3 or 4 for the versions in use
  int32_t revision;
  int32_t flags;
  int64_t bodySize;  // bytes between the header and the footer (or the audio)
  int64_t totalSize; // header, body and footer
};

// Reads a tag header from 10 bytes; 1 when they are one, else 0.
int32_t ParseId3v2Header(const uint8_t bytes[kId3v2HeaderBytes], Id3v2Header* header);

// Reads the header of a tag at the start of the open file; 1 when there is one that ends before the
// file does, else 0. A tag that claims to reach the end of the file or beyond is damaged. Moves the
// file pointer behind the header.
int32_t ReadId3v2Header(FileHandle file, Id3v2Header* header);
// The same for a source that can seek and knows its size (a file read into memory).
int32_t ReadId3v2HeaderIn(const ByteSource& source, Id3v2Header* header);

// Where the audio of the open file begins: behind an ID3v2 tag at its start, else 0 (also for a
// damaged tag, so that the whole file is searched). Moves the file pointer.
int64_t AudioStartAfterId3v2(FileHandle file);
int64_t AudioStartIn(const ByteSource& source);
