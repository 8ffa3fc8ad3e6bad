// The time digits against the display's own formatting rule, the song-name texts and glyphs, and the
// scrolling at each speed.
#include "shell/display_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Digits(int32_t seconds) {
  std::string text;
  for (int32_t d : TimeDigits(seconds)) text += char('0' + d);
  return text;
}

TEST(DisplayText, TimeDigitsWrapAtTheHourAndNoTimeIsNegative) {
  for (int32_t s = 0; s < 7300; ++s) {  // 125 s is 0205, and so is 3725 s
    char expected[16];
    std::snprintf(expected, sizeof expected, "%02d%02d", s % 3600 / 60, s % 60);
    ASSERT_EQ(Digits(s), expected) << s;
  }
  EXPECT_EQ(Digits(-5), "0000");
  EXPECT_EQ(DisplayedSeconds(0, 300, 100), 100);
  EXPECT_EQ(Digits(DisplayedSeconds(1, 300, 100)), "0320");
  EXPECT_EQ(DisplayedSeconds(2, 300, 100), 60);
  EXPECT_EQ(DisplayedSeconds(1, -1, 42), 42) << "an unknown length shows the elapsed time";
  EXPECT_EQ(DisplayedSeconds(1, 300, 310), 0) << "past the estimated length nothing remains";
}

// The cells of a composed text, as the characters whose glyphs they show ('#' for a blank cell).
std::string Shown(const SongNameText& text) {
  SongNameGlyphs g;
  std::string shown;
  const int32_t n = SongNameGlyphsOf(text, g);
  for (int32_t i = 0; i < n; ++i) shown += g[size_t(i)] < 0 ? '#' : char(g[size_t(i)] + 32);
  return shown;
}

TEST(DisplayText, SongNameFromTheTagOrTheFileTitleInTheUpperCaseFont) {
  SongNameText text;
  EXPECT_EQ(ComposeSongName(nullptr, "ignored.mp3", text), 8);
  EXPECT_EQ(Shown(text), "ZAV 0.77");

  TagInfo tag = {1, "Waterloo", "Bj\xC3\xB6rk", "", "", "", "Pop", 13};
  EXPECT_EQ(ComposeSongName(&tag, "file.mp3", text), 22);
  EXPECT_STREQ(text.data(), "Bj\xC3\xB6rk ` Waterloo ` Pop");
  std::memset(tag.artist, 'x', sizeof tag.artist);  // no terminator: taken to the field's end only
  ComposeSongName(&tag, "file.mp3", text);
  EXPECT_EQ(std::string(text.data()).substr(sizeof tag.artist - 2), "xx ` Waterloo ` Pop");
  tag.present = 0;
  ComposeSongName(&tag, "file.mp3", text);
  EXPECT_STREQ(text.data(), "file.mp3");
  // One cell a code point: a letter with a mark shows its base letter; CJK, Cyrillic, emoji, bad bytes none.
  const char* mixed = "\xC3\x89t\xC3\xA9 \xC3\x98\xC3\x9F\xC3\x86\xC5\xBE \xD0\x96\xE4\xB8\xAD\xF0\x9F\x98\x80\xFF.";
  EXPECT_EQ(ComposeSongName(&tag, mixed, text), 14);
  EXPECT_EQ(Shown(text), "ETE OSAZ ####.") << "14 cells of 6 pixels, not 26 bytes";
  // 255 characters at most, counted in code points and never cut in two.
  EXPECT_EQ(ComposeSongName(&tag, std::string(400, 'n').c_str(), text), 255);
  EXPECT_EQ(text[255], '\0');
  std::string wide;
  for (int32_t i = 0; i < 300; ++i) wide += i < 253 ? "\xC3\xA9" : "\xF0\x9F\x8E\xB5";
  EXPECT_EQ(ComposeSongName(&tag, wide.c_str(), text), 255);
  EXPECT_EQ(std::string(text.data()), wide.substr(0, 2 * 253 + 2 * 4));

  EXPECT_EQ(FontGlyph(' '), 0);
  EXPECT_EQ(FontGlyph('z'), 'Z' - 32);
  EXPECT_EQ(FontGlyph('`'), 64);
  for (uint32_t c : {0x1Fu, 0x7Bu, 0x7Fu, 0xA0u, 0xD7u, 0x180u, 0xFFFDu}) EXPECT_EQ(FontGlyph(c), -1) << c;
}

std::vector<int32_t> Offsets(int32_t length, int32_t speed, int32_t ticks) {
  SongScroll scroll = {};
  ResetSongScroll(scroll, length, speed);
  std::vector<int32_t> offsets;
  for (int32_t i = 0; i < ticks && AdvanceSongScroll(scroll, speed); ++i) offsets.push_back(scroll.offset);
  return offsets;
}

TEST(DisplayText, ALongNameScrollsBackAndForthAtTheSetSpeed) {
  EXPECT_TRUE(Offsets(36, 1, 10).empty()) << "216 pixels fit the strip";
  // 40 characters are 240 pixels: 24 pixels out and back.
  const std::vector<int32_t> slow = Offsets(40, 1, 60);
  for (int32_t i = 0; i < 60; ++i) ASSERT_EQ(slow[size_t(i)], 24 - std::abs(24 - (i + 1) % 48)) << i;
  // Speed 5 passes the end by a pixel before turning; the strip still shows the text's last 216 pixels.
  EXPECT_EQ(Offsets(40, 5, 12), (std::vector<int32_t>{5, 10, 15, 20, 25, 20, 15, 10, 5, 0, 5, 10}));
  EXPECT_EQ(ShownSongSpan({240, 24, 25, -5}).x, 24);
  EXPECT_EQ(ShownSongSpan({240, 24, 25, -5}).width, 216);
  EXPECT_EQ(ShownSongSpan({48, -168, 0, 1}).width, 48);
  EXPECT_EQ(ScrollSpeed(-3), 3);
  EXPECT_EQ(ScrollSpeed(0), 1);
  EXPECT_EQ(ScrollSpeed(9), 5);
}

}  // namespace
