// The frame reader: owns the byte source of the current track (a file, or a network stream read strictly
// in order), finds and parses frame headers,
// reads each frame body into one of two frame areas (so that the previous body stays available to the
// Layer III bit reservoir) and converts between file positions and frame numbers.
#pragma once
#include <cstdint>

#include "decoder/byte_source.h"
#include "decoder/frame_header.h"
#include "decoder/stream_state.h"
#include "decoder/vbr_header.h"
#include "platform/file.h"
#include "platform/notify.h"

struct FrameReader {
  ByteSource source;          // the open track, handle 0 when none
  int32_t sequential;         // the source cannot seek and has no size (a stream)
  int32_t everOpened;         // a file was opened at some time in this process
  int64_t audioStart;         // file offset where the audio begins (after an ID3v2 tag)
  uint32_t header;            // the four bytes at hand, first byte most significant
  uint32_t lastHeader;        // last parsed header; 0 = none since ResetSync
  uint32_t firstHeader;       // first parsed header since ResetSync; 0 = none
  int32_t nextBodyLength;     // body length of the last parsed header
  int32_t bodyLength;         // body bytes in the current frame area
  int32_t prevBodyLength;     // body bytes in the previous frame area
  int32_t nextArea;           // area that receives the next body, 0 or 1
  uint8_t* currentBody;       // body in the current area
  uint8_t* previousBody;      // body in the previous area
  int32_t sideInfoLength;     // Layer III side information bytes behind the header (and CRC)
  // Layer III main-data bytes at the end of the latest body that were read since the track opened or
  // the last seek (the reservoir bytes the next frame may take without reaching stale memory).
  int32_t reservoirBytes;
  // Layer III granules still to be played as silence after a seek: their overlap and synthesis history
  // come from the audio before the seek, and would sound as a burst of both.
  int32_t settleGranules;
  // The encoder's header frame at the start of the track (not played), when there is one; its values
  // are kept only where they fit the file (frames 0 when not).
  VbrHeader vbr;
  int32_t headerChecked;     // the track's first frame has been looked at
  int64_t headerFrameStart;  // file offset of the header frame
  int32_t headerFrameBytes;  // its length; the audio begins behind it
  int32_t frameNumber;       // audio frames read so far, counted when vbr.frames is known
  int32_t trimPending;       // the next decoded frame sets the gapless trim (track start, seek)
  // Asked when a stream's read found nothing yet, before it is tried again: 0 gives up the wait (the
  // frame read ends as at the end of the stream). Null: wait on.
  int32_t (*keepWaiting)();
};
extern FrameReader gFrameReader;

// Body length (frame length - 4) that `header` gives when taken on its own, or -1 when it has none
// (layer bits 00, free format, bitrate index 15, sample-rate bits 11) or when it would not fit a frame area.
int32_t HeaderBodyLength(uint32_t header);

// Opens the file for reading; returns its size in bytes, or -1.
int64_t OpenStream(const char* path);
// The same for a file that is already open; the reader takes it over.
int64_t OpenStreamFile(FileHandle file);
// The same for a source that seeks and knows its size (a file read into memory): its size, or -1.
int64_t OpenStreamBytes(ByteSource source);
// Takes over a source without seek or size (a network stream): read strictly in order, no seeking, no
// length, the encoder's header frame passed over but not used. 1, or 0 when there is no source.
int32_t OpenStreamSource(ByteSource source);
void ResetSync();
// 1: a body is ready at the bit reader; 0: end of stream or unusable stream; -1: the first header has
// sample-rate bits 11.
int32_t ReadFrame(StreamState* state, WindowHandle window);
// 1 on success, 0 on failure (no first header yet, or end of file while positioning).
int32_t SeekFrame(StreamState* state, int32_t frame, WindowHandle window);
// Length in frames and position of the frame last read: by the header frame's count when it has one,
// else file bytes per body length.
int32_t StreamFrames();
int32_t StreamPosition();
// Offset of the next byte the reader takes; -1 when no source is open.
int64_t StreamOffset();
void CloseStream();
// Samples to drop at the start and to keep after them for the track as a whole, at the stream's rate:
// 1 when the header frame's encoder delay and padding give them, else 0.
int32_t GaplessSamples(const StreamState& state, int64_t* skip, int64_t* keep);
