// The time digits against the display's own formatting rule, the song-name texts and glyphs, and the
// scrolling at each speed.
#include "shell/display_text.h"

#include <gtest/gtest.h>

#include <cstdio>
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
  // Every time of two hours and a bit, against "%02d%02d" of the minutes and seconds within the hour.
  for (int32_t s = 0; s < 7300; ++s) {
    char expected[16];
    std::snprintf(expected, sizeof expected, "%02d%02d", s % 3600 / 60, s % 60);
    ASSERT_EQ(Digits(s), expected) << s;
  }
  EXPECT_EQ(Digits(125), "0205");
  EXPECT_EQ(Digits(3725), "0205");
  EXPECT_EQ(Digits(-5), "0000");

  EXPECT_EQ(DisplayedSeconds(0, 300, 100), 100);
  EXPECT_EQ(Digits(DisplayedSeconds(1, 300, 100)), "0320");
  EXPECT_EQ(DisplayedSeconds(2, 300, 100), 60);
  EXPECT_EQ(DisplayedSeconds(1, -1, 42), 42) << "an unknown length shows the elapsed time";
  EXPECT_EQ(DisplayedSeconds(1, 300, 310), 0) << "past the estimated length nothing remains";
}

TEST(DisplayText, SongNameFromTheTagOrTheFileTitleInTheUpperCaseFont) {
  SongNameText text;
  EXPECT_EQ(ComposeSongName(nullptr, "ignored.mp3", text), 8);
  EXPECT_STREQ(text.data(), "Zav 0.77");
  std::string glyphs;
  for (int32_t i = 0; i < 8; ++i) glyphs += char(FontGlyph(text[size_t(i)]) + 32);
  EXPECT_EQ(glyphs, "ZAV 0.77");

  TagInfo tag = {};
  tag.present = 1;
  std::strcpy(tag.artist, "Abba");
  std::strcpy(tag.title, "Waterloo");
  std::strcpy(tag.genreName, "Pop");
  EXPECT_EQ(ComposeSongName(&tag, "file.mp3", text), 21);
  EXPECT_STREQ(text.data(), "Abba ` Waterloo ` Pop");
  // A field that fills its array without a terminator is taken to its end, no further.
  std::memset(tag.artist, 'x', sizeof tag.artist);
  ComposeSongName(&tag, "file.mp3", text);
  EXPECT_EQ(std::string(text.data()).substr(30), "xx ` Waterloo ` Pop");

  tag.present = 0;
  ComposeSongName(&tag, "file.mp3", text);
  EXPECT_STREQ(text.data(), "file.mp3");
  const std::string longTitle(400, 'n');
  EXPECT_EQ(ComposeSongName(&tag, longTitle.c_str(), text), 255);
  EXPECT_EQ(text[255], '\0');

  EXPECT_EQ(FontGlyph(' '), 0);
  EXPECT_EQ(FontGlyph('z'), 'Z' - 32);
  EXPECT_EQ(FontGlyph('`'), 64);
  for (char c : {'\x1f', '{', '~', '\x7f', '\xe9'}) EXPECT_EQ(FontGlyph(c), -1) << int(c);
}

// Offsets of `ticks` scroll ticks of a text of `length` characters.
std::vector<int32_t> Offsets(int32_t length, int32_t speed, int32_t ticks) {
  SongScroll scroll = {};
  ResetSongScroll(scroll, length, speed);
  std::vector<int32_t> offsets;
  for (int32_t i = 0; i < ticks && AdvanceSongScroll(scroll, speed); ++i) offsets.push_back(scroll.offset);
  return offsets;
}

TEST(DisplayText, ALongNameScrollsBackAndForthAtTheSetSpeed) {
  EXPECT_TRUE(Offsets(30, 1, 10).empty()) << "180 pixels fit the strip";
  EXPECT_TRUE(Offsets(36, 1, 10).empty());

  // 40 characters are 240 pixels: 24 pixels out and back, one at a time.
  const std::vector<int32_t> slow = Offsets(40, 1, 60);
  for (int32_t i = 0; i < 60; ++i) {
    const int32_t phase = (i + 1) % 48;
    ASSERT_EQ(slow[size_t(i)], phase <= 24 ? phase : 48 - phase) << i;
  }
  // Speed 5 passes the end by one pixel before it turns; the strip still shows the text's last 216.
  const std::vector<int32_t> fast = Offsets(40, 5, 12);
  EXPECT_EQ(fast, (std::vector<int32_t>{5, 10, 15, 20, 25, 20, 15, 10, 5, 0, 5, 10}));
  SongScroll scroll = {240, 24, 25, -5};
  EXPECT_EQ(ShownSongSpan(scroll).x, 24);
  EXPECT_EQ(ShownSongSpan(scroll).width, 216);
  scroll = {48, -168, 0, 1};
  EXPECT_EQ(ShownSongSpan(scroll).width, 48);

  EXPECT_EQ(ScrollSpeed(-3), 3);
  EXPECT_EQ(ScrollSpeed(0), 1);
  EXPECT_EQ(ScrollSpeed(9), 5);
}

}  // namespace
