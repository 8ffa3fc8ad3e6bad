// What the time display and the song-name strip show, as plain data: the four time digits, the strip's
// text and its glyphs, and the back-and-forth scrolling of a text longer than the strip. No windows.h
// here: the Windows side copies the cells these values name out of the digit and font bitmaps.
#pragma once
#include <array>
#include <cstdint>

#include "playlist/track_scanner.h"

// The time canvas covers the display area; four 19 x 27 digit cells, the digits bitmap holding digit d
// at x = 20d. Neighbouring digits overlap by 3 pixels, the later one on top; no colon is drawn.
constexpr int32_t kTimeCanvasWidth = 147;
constexpr int32_t kTimeCanvasHeight = 42;
constexpr int32_t kDigitCellWidth = 19;
constexpr int32_t kDigitCellHeight = 27;
constexpr std::array<int32_t, 4> kTimeDigitLeft = {0, 16, 44, 60};
constexpr int32_t DigitCellX(int32_t digit) { return 20 * digit; }

// Seconds shown: the elapsed time in mode 0, the remaining time in mode 1, 60 in any other mode. The
// display has no minus sign: a remaining time that cannot be known (the length is unknown, -1) shows
// the elapsed time instead, and one that has run out (elapsed beyond the length) shows 0.
int32_t DisplayedSeconds(int32_t mode, int32_t totalSeconds, int32_t elapsedSeconds);
// The digits M M S S of `seconds`; minutes wrap at 60 (3725 s shows 0 2 0 5), negative shows 0 0 0 0.
std::array<int32_t, 4> TimeDigits(int32_t seconds);

// The song-name strip: 216 x 8 pixels, one 6 x 6 glyph per character, one pixel below the strip's top.
constexpr int32_t kStripWidth = 216;
constexpr int32_t kStripHeight = 8;
constexpr int32_t kGlyphSize = 6;
constexpr int32_t kGlyphTop = 1;
constexpr int32_t kSongNameCapacity = 256;  // at most 255 characters and the NUL
using SongNameText = std::array<char, kSongNameCapacity>;
constexpr const char* kIdleSongName = "Zav 0.77";

// The strip's text: the idle text without a current entry (`tag` null); "artist ` title ` genre" when
// the entry has a tag; else the entry's file title. Cut to 255 characters; returns the length.
int32_t ComposeSongName(const TagInfo* tag, const char* fileTitle, SongNameText& text);
// The font glyph of a character: its code - 32 after upper-casing, or -1 when the font has none
// (codes below 32 or above 96).
int32_t FontGlyph(char c);

// Scrolling: the offset runs from 0 to the limit (text width - strip width) and back by the speed per
// tick, turning once it has reached or passed an end.
struct SongScroll {
  int32_t width;   // 6 x text length
  int32_t limit;   // width - 216; the text scrolls only when this is above 0
  int32_t offset;  // x of the text shown at the strip's left edge
  int32_t step;    // pixels per tick: +speed or -speed
};
// The scroll speed as the strip uses it: its magnitude, held to 1..5.
int32_t ScrollSpeed(int32_t setting);
// A new text of `length` characters: offset 0, moving forward.
void ResetSongScroll(SongScroll& scroll, int32_t length, int32_t speedSetting);
// One tick. Returns false, moving nothing, when the text fits the strip.
bool AdvanceSongScroll(SongScroll& scroll, int32_t speedSetting);
// The stretch of text shown: the offset held within the text (it may pass an end by less than a step
// before turning), and a width up to the strip's.
struct StripSpan {
  int32_t x, width;
};
StripSpan ShownSongSpan(const SongScroll& scroll);
