// Splits an ICY stream into audio bytes and metadata blocks, and reads StreamTitle from a block.
#pragma once
#include <cstdint>

constexpr int32_t kIcyMetaMaxBytes = 255 * 16;

struct IcyDemux {
  int32_t interval;      // audio bytes between blocks; 0: no metadata, everything is audio
  int32_t audioLeft;     // audio bytes before the next length byte
  int32_t metaLeft;      // metadata bytes still to come of the current block; -1: the length byte is next
  int32_t metaLength;    // bytes of the latest completed block, in meta
  uint8_t meta[kIcyMetaMaxBytes];
  int32_t partLength;    // bytes of the block being received, in part (so a block that follows a
  uint8_t part[kIcyMetaMaxBytes];  // completed one in the same call does not overwrite it)
};
void IcyDemuxStart(IcyDemux* demux, int32_t interval);
// Takes `count` received bytes; moves the audio among them to the front of `bytes` and returns how many
// there are. Sets *blockDone to 1 when a metadata block was completed (the latest one is in meta[0 ..
// metaLength)), else to 0; an empty block (length byte 0) completes nothing.
int32_t IcyDemuxBytes(IcyDemux* demux, uint8_t* bytes, int32_t count, int32_t* blockDone);
// The StreamTitle='…'; value of a block, as UTF-8 (ANSI code page when it is not valid UTF-8), in `out`
// (size bytes, cut on a character boundary). 1 when the block has one, else 0 and out unchanged.
int32_t IcyStreamTitle(const uint8_t* block, int32_t length, char* out, int32_t size);
