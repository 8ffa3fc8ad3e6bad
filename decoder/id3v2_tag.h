// The ID3v2 tag that may stand in front of the audio of an MPEG file: "ID3", two version bytes (neither
// 0xFF), a flags byte, a size in four 7-bit bytes and, when flag 0x10 is set, a 10-byte footer behind
// the tag. The frame reader and the track scanner both start behind it.
#pragma once
#include <cstdint>

#include "platform/file.h"

// Where the audio of the open file begins: behind an ID3v2 tag at its start, else 0. A tag that claims
// to reach the end of the file or beyond is damaged and gives 0, so that the whole file is searched.
// Moves the file pointer.
int64_t AudioStartAfterId3v2(FileHandle file);
