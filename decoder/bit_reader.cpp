#include "decoder/bit_reader.h"

#include <cstring>

#include "decoder/frame_reader.h"

BitReader gBitReader = {gFrameBlock + kFrameAreaBytes, 0};

void SetBitPointer(const uint8_t* body) {
  gBitReader.bitPointer = body;
  gBitReader.bitOffset = 0;
}

int32_t SetMainDataStart(int32_t backstep) {
  // main_data_begin is at most 9 bits; anything else cannot come from a header and is clamped to the
  // room in front of a body.
  if (backstep < 0) backstep = 0;
  if (backstep > kReservoirBytes - 1) backstep = kReservoirBytes - 1;
  FrameReader& r = gFrameReader;
  uint8_t* start = r.currentBody + r.sideInfoLength - backstep;
  if (backstep > 0) {
    const uint8_t* source = r.previousBody + r.prevBodyLength - backstep;
    std::memmove(start, source, static_cast<size_t>(backstep));
  }
  SetBitPointer(start);
  // The real bytes now run from the real part of the copied ones to the end of this body.
  const int32_t real = backstep < r.reservoirBytes ? backstep : r.reservoirBytes;
  const int32_t mainData = r.bodyLength > r.sideInfoLength ? r.bodyLength - r.sideInfoLength : 0;
  r.reservoirBytes = real + mainData < kReservoirBytes ? real + mainData : kReservoirBytes;
  return backstep - real;
}
