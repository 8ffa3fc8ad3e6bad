// The tag fields of a file: read from its ID3v2 and ID3v1 tags, and saved into them without ever
// touching its audio. Portable: files are reached through platform/file.h.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/file.h"
#include "tags/tag_fields.h"

// The bytes of the ID3v2 tag at the start of the open file, from its header to the end of its body:
// its first 64 KB (the whole tag when smaller), or with `whole` all of it when it holds at most 16 MB.
// Returns 1, or 0 for no tag, a tag too large or a failed read. A tag's titles and gains stand in front
// of its pictures as a rule, so the first 64 KB usually hold them.
int32_t ReadId3v2Bytes(FileHandle file, bool whole, std::vector<uint8_t>* bytes);

// Reads the fields of the ID3v2 tag at the start of the open file over `fields`, as ParseId3v2 does.
// Only the tag's first bytes are read while they hold the title, artist and genre frames; the whole
// tag (up to 16 MB) only when a frame past them may hold one. Returns the tag's major version, or 0
// for no tag or a damaged one. Moves the file pointer.
int32_t ReadId3v2Fields(FileHandle file, TagFields* fields);

// Reads the fields of the file at `path`: the ID3v1 tag's, then those of the ID3v2 tag in front of the
// audio over them. 1 when the file could be read (all fields empty when it has no tag), else 0.
int32_t ReadTagFields(const char* path, TagFields* fields);

// Saves the fields into the file at `path`. The ID3v2 tag keeps its version and every frame it does
// not show (a file without one gets a 2.3 tag), an ID3v1 tag is kept in step, and the audio between
// them stays as it was. The new tag is written in place when it fits the old one's room; otherwise the
// whole file is written beside it, flushed and swapped in (the old file renamed aside, the new one
// renamed in, the old one deleted). The file's times are kept. Returns 1, or 0 with the file as it was
// and `error` (of `errorSize` bytes) saying what failed.
int32_t SaveTagFields(const char* path, const TagFields& fields, char* error, int32_t errorSize);
