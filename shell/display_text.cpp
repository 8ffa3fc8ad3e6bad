#include "shell/display_text.h"

#include <algorithm>
#include <cstring>

namespace {

// Appends at most `limit` characters of `text` (stopping at its NUL), keeping room for the final NUL.
void Append(SongNameText& out, int32_t& length, const char* text, size_t limit) {
  for (size_t i = 0; i < limit && text[i] != '\0' && length < kSongNameCapacity - 1; ++i) out[size_t(length++)] = text[i];
}

constexpr const char kTagSeparator[] = " ` ";

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
  int32_t length = 0;
  if (tag == nullptr) {
    Append(text, length, kIdleSongName, std::strlen(kIdleSongName));
  } else if (tag->present) {
    Append(text, length, tag->artist, sizeof tag->artist);
    Append(text, length, kTagSeparator, 3);
    Append(text, length, tag->title, sizeof tag->title);
    Append(text, length, kTagSeparator, 3);
    Append(text, length, tag->genreName, sizeof tag->genreName);
  } else if (fileTitle != nullptr) {
    Append(text, length, fileTitle, size_t(kSongNameCapacity));
  }
  text[size_t(length)] = '\0';
  return length;
}

int32_t FontGlyph(char c) {
  int32_t code = static_cast<unsigned char>(c);
  if (code >= 'a' && code <= 'z') code -= 'a' - 'A';
  return code >= 32 && code <= 96 ? code - 32 : -1;
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
