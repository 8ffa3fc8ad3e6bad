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

// The song-name strip: 216 x 8 pixels, one 6 x 6 glyph per character (code point), one pixel below the
// strip's top.
constexpr int32_t kStripWidth = 216;
constexpr int32_t kStripHeight = 8;
constexpr int32_t kGlyphSize = 6;
constexpr int32_t kGlyphTop = 1;
constexpr int32_t kSongNameCharacters = 255;
using SongNameText = std::array<char, 4 * kSongNameCharacters + 1>;  // UTF-8 and its NUL
constexpr const char* kIdleSongName = "Zav 0.77";

// The strip's UTF-8 text: the idle text without a current entry (`tag` null); "artist ` title ` genre"
// when the entry has a tag; else the entry's file title. Whole characters only, at most 255; a malformed
// byte counts as one. Returns the number of characters.
int32_t ComposeSongName(const TagInfo* tag, const char* fileTitle, SongNameText& text);
// The font glyph of a code point: code - 32 for codes 32 to 96 after upper-casing a to z; a Latin letter
// with a mark (Latin-1 and Latin Extended-A: é, Ø, Ł, ...) takes its base letter's capital, ß and ſ
// take S, a ligature (Æ, Œ, Ĳ) its first letter, Ð D and Þ T. -1 (a blank cell) for everything else.
int32_t FontGlyph(uint32_t code);
// The glyph of each character of the strip's text, in order; returns their number, the count
// ComposeSongName gave.
using SongNameGlyphs = std::array<int8_t, kSongNameCharacters>;
int32_t SongNameGlyphsOf(const SongNameText& text, SongNameGlyphs& glyphs);

// Scrolling: the offset runs from 0 to the limit (text width - strip width) and back by the speed per
// tick, turning once it has reached or passed an end.
struct SongScroll {
  int32_t width;   // 6 x the characters of the text
  int32_t limit;   // width - 216; the text scrolls only when this is above 0
  int32_t offset;  // x of the text shown at the strip's left edge
  int32_t step;    // pixels per tick: +speed or -speed
};
// The scroll speed as the strip uses it: its magnitude, held to 1..5.
int32_t ScrollSpeed(int32_t setting);
// A new text of `length` characters (code points): offset 0, moving forward.
void ResetSongScroll(SongScroll& scroll, int32_t length, int32_t speedSetting);
// One tick. Returns false, moving nothing, when the text fits the strip.
bool AdvanceSongScroll(SongScroll& scroll, int32_t speedSetting);
// The stretch of text shown: the offset held within the text (it may pass an end by less than a step
// before turning), and a width up to the strip's.
struct StripSpan {
  int32_t x, width;
};
StripSpan ShownSongSpan(const SongScroll& scroll);
