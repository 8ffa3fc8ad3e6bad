// Titles from the ID3v2 tag at the start of a file (versions 2.2, 2.3 and 2.4): the artist (TPE1, TP1
// in 2.2), the title (TIT2, TT2) and the genre (TCON, TCO), for files that carry no ID3v1 tag. Read
// through tags/, cut to what a playlist entry holds.
#pragma once
#include <cstdint>

#include "platform/file.h"
#include "playlist/track_scanner.h"

// Fills `tag` as ReadTag does: artist and title in UTF-8 with every character kept, cut to 30
// characters (code points, none cut in two) without trailing spaces, the genre's number and name
// ("Unknown" when the tag names none of the table), album, year and comment empty. Returns 1 when the
// tag gave an artist or a title; else 0 with tag->present 0, also for a damaged tag (a frame that runs
// past the tag's end, a frame name that is none), which gives nothing. Moves the file pointer.
int32_t ReadId3v2Tag(FileHandle file, TagInfo* tag);
// The genre the tag's TCON (TCO) frame names, into `name` of `size` bytes as UTF-8: a number ("(17)",
// "(17)Rock", "17") as the genre table's name, "(RX)" and "(CR)" ("RX" and "CR" bare too) as "Remix"
// and "Cover", any other text as it is (its first value, at most 30
// characters). Returns 1, or 0 with "" when the tag names none of those, a number past the table, or
// holds nothing that fits.
int32_t ReadId3v2Genre(FileHandle file, char* name, int32_t size);
