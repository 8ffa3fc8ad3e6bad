#include "shell/display_text.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"

namespace {

// Appends whole characters of `text` (at most `limit` bytes, stopping at its NUL) while the strip's text
// holds fewer than its 255.
void Append(SongNameText& out, size_t& bytes, int32_t& characters, const char* text, size_t limit) {
  const size_t n = strnlen(text, limit);
  for (size_t at = 0; at < n && characters < kSongNameCharacters;) {
    const size_t start = at;
    NextCodePoint(text, n, &at);
    if (bytes + (at - start) > out.size() - 1) break;
    for (size_t i = start; i < at; ++i) out[bytes++] = text[i];
    ++characters;
  }
}

constexpr const char kTagSeparator[] = " ` ";

// The base letters of U+00C0 to U+017F, eight a row; '~', which the font lacks, where there is none.
constexpr char kBaseLetters[] =
    "AAAAAAAC" "EEEEIIII" "DNOOOOO~" "OUUUUYTS"   // U+00C0: A grave .. sharp s
    "AAAAAAAC" "EEEEIIII" "DNOOOOO~" "OUUUUYTY"   // U+00E0: a grave .. y diaeresis
    "AAAAAACC" "CCCCCCDD" "DDEEEEEE" "EEEEGGGG"   // U+0100: A macron .. g breve
    "GGGGHHHH" "IIIIIIII" "IIIIJJKK" "KLLLLLLL"   // U+0120: G dot .. L middle dot
    "LLLNNNNN" "NNNNOOOO" "OOOORRRR" "RRSSSSSS"   // U+0140: l middle dot .. s cedilla
    "SSTTTTTT" "UUUUUUUU" "UUUUWWYY" "YZZZZZZS";  // U+0160: S caron .. long s
static_assert(sizeof kBaseLetters == 0x180 - 0xC0 + 1, "one letter for each of U+00C0..U+017F");

}  // namespace

int32_t DisplayedSeconds(int32_t mode, int32_t totalSeconds, int32_t elapsedSeconds) {
  switch (mode) {
    case 0: return elapsedSeconds;
    case 1:
      if (totalSeconds < 0) return elapsedSeconds;
      return elapsedSeconds > totalSeconds ? 0 : totalSeconds - elapsedSeconds;
    default: return 60;
  }
}

std::array<int32_t, 4> TimeDigits(int32_t seconds) {
  const int32_t s = seconds < 0 ? 0 : seconds % 3600;
  const int32_t minutes = s / 60, rest = s % 60;
  return {minutes / 10, minutes % 10, rest / 10, rest % 10};
}

int32_t ComposeSongName(const TagInfo* tag, const char* fileTitle, SongNameText& text) {
  size_t bytes = 0;
  int32_t characters = 0;
  if (tag == nullptr) {
    Append(text, bytes, characters, kIdleSongName, std::strlen(kIdleSongName));
  } else if (tag->present) {
    Append(text, bytes, characters, tag->artist, sizeof tag->artist);
    Append(text, bytes, characters, kTagSeparator, 3);
    Append(text, bytes, characters, tag->title, sizeof tag->title);
    Append(text, bytes, characters, kTagSeparator, 3);
    Append(text, bytes, characters, tag->genreName, sizeof tag->genreName);
  } else if (fileTitle != nullptr) {
    Append(text, bytes, characters, fileTitle, text.size());
  }
  text[bytes] = '\0';
  return characters;
}

int32_t FontGlyph(uint32_t code) {
  if (code >= 0xC0 && code < 0x180) code = static_cast<unsigned char>(kBaseLetters[code - 0xC0]);
  if (code >= 'a' && code <= 'z') code -= 'a' - 'A';
  return code >= 32 && code <= 96 ? int32_t(code) - 32 : -1;
}

int32_t SongNameGlyphsOf(const SongNameText& text, SongNameGlyphs& glyphs) {
  const size_t bytes = strnlen(text.data(), text.size());
  int32_t count = 0;
  for (size_t at = 0; at < bytes && count < kSongNameCharacters;) {
    glyphs[size_t(count++)] = int8_t(FontGlyph(NextCodePoint(text.data(), bytes, &at)));
  }
  return count;
}

int32_t ScrollSpeed(int32_t setting) {
  const int64_t magnitude = setting < 0 ? -int64_t(setting) : setting;
  return int32_t(std::clamp<int64_t>(magnitude, 1, 5));
}

void ResetSongScroll(SongScroll& scroll, int32_t length, int32_t speedSetting) {
  scroll.width = kGlyphSize * length;
  scroll.limit = scroll.width - kStripWidth;
  scroll.offset = 0;
  scroll.step = ScrollSpeed(speedSetting);
}

bool AdvanceSongScroll(SongScroll& scroll, int32_t speedSetting) {
  if (scroll.limit <= 0) return false;
  const int32_t speed = ScrollSpeed(speedSetting);
  scroll.offset += scroll.step;
  if (scroll.offset >= scroll.limit) scroll.step = -speed;
  if (scroll.offset <= 0) scroll.step = speed;
  return true;
}

StripSpan ShownSongSpan(const SongScroll& scroll) {
  const int32_t x = std::clamp(scroll.offset, 0, std::max(scroll.limit, 0));
  return {x, std::clamp(scroll.width - x, 0, kStripWidth)};
}
