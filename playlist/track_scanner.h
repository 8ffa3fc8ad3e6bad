// Track scanning: the first MPEG audio frame header near the start of a file (version, layer, bitrate),
// the duration estimated from the file size and that bitrate, and the ID3v1 tag in the last 128 bytes.
// Portable: files are reached through platform/file.h and boxes through platform/notify.h. The caller
// opens and closes the file.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/file.h"
#include "platform/notify.h"
#include "tags/tag_fields.h"  // the genre table

// Fields of the first frame header found, in header order.
struct HeaderInfo {
  int32_t version;          // 0 MPEG-1, 1 MPEG-2, 2 MPEG-2.5
  int32_t layer;            // 1..3
  int32_t crcPresent;       // 1 when the protection bit is 0
  int32_t bitrateIndex;     // 0..15
  int32_t sampleRateIndex;  // 0..3
  int32_t padding;
  int32_t privateBit;
  int32_t channelMode;      // 0..3; 3 is one channel
  int32_t modeExtension;    // 0..3
  int32_t copyright;
  int32_t original;
  int32_t emphasis;         // 0..3
  int32_t channels;         // 1 or 2
};
static_assert(sizeof(HeaderInfo) == 52, "thirteen 32-bit header fields");

// The tag fields kept in every playlist entry, as UTF-8. Texts are NUL-terminated, at most 30
// characters (the year 4) of up to four bytes each, without trailing spaces; the genre name is one of
// kGenreNames. The record lives in memory only (no file or interface stores it), so its size follows
// the text it holds.
constexpr int32_t kTagTextBytes = 4 * 30 + 1;
constexpr int32_t kTagYearBytes = 4 * 4 + 1;
struct TagInfo {
  int32_t present;  // 0 when the file has no tag or was not read
  char title[kTagTextBytes];
  char artist[kTagTextBytes];
  char album[kTagTextBytes];
  char year[kTagYearBytes];
  char comment[kTagTextBytes];
  char genreName[33];
  int32_t genre;  // 0..44; 44 is "Unknown"
};
static_assert(sizeof(TagInfo) == 544, "TagInfo is 544 bytes in every build");
static_assert(offsetof(TagInfo, year) == 367 && offsetof(TagInfo, comment) == 384 &&
                  offsetof(TagInfo, genreName) == 505 && offsetof(TagInfo, genre) == 540,
              "TagInfo layout");


// Positions tried for a header: 0..513 after any ID3v2 tag.
constexpr int32_t kHeaderScanPositions = 514;

// The window that owns the "Error Setting Pointer" box (the player window); null when none.
void SetScanOwner(WindowHandle owner);

// Finds the first frame header; 1 when one was found, else 0 ("No Header Found" is shown when the
// positions run out; reserved version or layer bits return 0 silently).
int32_t ScanHeader(FileHandle file, HeaderInfo* header);
// Reads the ID3v1 tag, whose texts are in the ANSI code page, into UTF-8; 1 when a tag was read, else
// 0 with tag->present 0.
int32_t ReadTag(FileHandle file, TagInfo* tag);
// The same from the 128 bytes at a file's end, read elsewhere (a server's copy of the file).
int32_t ParseTag(const uint8_t* raw, TagInfo* tag);

// Bitrate of a scanned header in kbit/s; 0 for the free format, index 15 or fields out of range.
int32_t HeaderBitrate(const HeaderInfo& header);
// Bytes of the file that the duration counts: all but an ID3v2 tag in front of the audio, which the
// frame reader skips too (-1 when the size is unknown). Moves the file pointer.
int64_t AudioBytes(FileHandle file);
// Whole seconds of the audio by the encoder's header frame at the start of the audio (Xing/"Info" or
// VBRI), less LAME's encoder delay and padding; -1 when there is none or its frame count does not fit
// the file.
int32_t HeaderFrameSeconds(FileHandle file);
// Whole seconds: audio bytes ÷ (bitrate × 125); -1 when the bitrate is 0 or the size is unknown.
int32_t TrackDuration(int64_t audioBytes, int32_t bitrateKbps);
