// The time display and the song-name strip. Both texts are rendered once into canvases; time updates
// and scrolling are single block copies into the kept window device context.
#include "shell/displays.h"

#include <commdlg.h>

#include <cstring>

#include "platform/win32/wide.h"
#include "playlist/playlist.h"
#include "settings/settings.h"
#include "shell/shell_state.h"
#include "shell/skin.h"
#include "shell/window_scale.h"

SongScroll gSongScroll = {0, 0, 0, 1};

namespace {

Canvas gTimeCanvas = {};
Canvas gSongNameCanvas = {};

// The path's last component, for a path GetFileTitleW does not take.
const char* FileNameOf(const char* path) {
  const char* name = path;
  for (const char* at = path; *at; ++at)
    if (*at == '\\' || *at == '/' || *at == ':') name = at + 1;
  return name;
}

constexpr const char* kBufferingText = "Buffering...";

// The song name of the current entry; its file title (the name as GetFileTitleW gives it, which shows
// the extension as the system's setting says) when it has no tag. A stream shows the title it sent, else
// its address, and "Buffering..." while it refills.
void CurrentSongName(SongNameText& text) {
  PlaylistEntry entry;
  if (!CopyCurrentEntry(&entry)) {
    ComposeSongName(nullptr, nullptr, text);
    return;
  }
  entry.path[sizeof entry.path - 1] = '\0';
  if (IsStreamPath(entry.path)) {
    entry.streamTitle[sizeof entry.streamTitle - 1] = '\0';
    const char* shown = gShell.streamBuffering  ? kBufferingText
                        : entry.streamTitle[0] ? entry.streamTitle
                                               : entry.path;
    ComposeSongName(&entry.tag, shown, text);  // a stream's tag is empty: the text is `shown`
    return;
  }
  wchar_t title[MAX_PATH];
  if (GetFileTitleW(WideFromUtf8(entry.path).c_str(), title, MAX_PATH) != 0) {
    ComposeSongName(&entry.tag, FileNameOf(entry.path), text);
    return;
  }
  title[MAX_PATH - 1] = L'\0';
  ComposeSongName(&entry.tag, Utf8FromWide(title).c_str(), text);
}

}  // namespace

void RedrawTime(int32_t elapsedSeconds, int32_t totalSeconds) {
  if (!gTimeCanvas.dc && !gTimeCanvas.Create(kTimeCanvasWidth, kTimeCanvasHeight)) return;
  const RECT all = {0, 0, kTimeCanvasWidth, kTimeCanvasHeight};
  FillRect(gTimeCanvas.dc, &all, gSkin.background);
  MemoryDc digits(gTimeCanvas.dc);
  if (!digits.dc) return;
  const std::array<int32_t, 4> shown =
      TimeDigits(DisplayedSeconds(gSettings.timeDisplay, totalSeconds, elapsedSeconds));
  for (size_t i = 0; i < shown.size(); ++i) {
    digits.Copy(gTimeCanvas.dc, kTimeDigitLeft[i], 0, kDigitCellWidth, kDigitCellHeight, gSkin.digits,
                DigitCellX(shown[i]), 0);
  }
}

void ShowTimeCanvas() {
  if (HDC dc = SkinDc()) {
    PaintTime(dc);
    PresentSkin({kDisplayOrigin.x, kDisplayOrigin.y, kDisplayOrigin.x + kTimeCanvasWidth,
                 kDisplayOrigin.y + kTimeCanvasHeight});
  }
}

bool PaintTime(HDC dc) {
  if (!gTimeCanvas.dc) return false;
  BitBlt(dc, kDisplayOrigin.x, kDisplayOrigin.y, kTimeCanvasWidth, kTimeCanvasHeight, gTimeCanvas.dc, 0, 0, SRCCOPY);
  return true;
}

void RebuildSongName(HWND window) {
  gSongNameCanvas.Release();
  SongNameText text;
  CurrentSongName(text);
  SongNameGlyphs glyphs;
  const int32_t length = SongNameGlyphsOf(text, glyphs);
  ResetSongScroll(gSongScroll, length, gSettings.scrollSpeed);
  if (gSongNameCanvas.Create(gSongScroll.width, kStripHeight)) {
    // The font's glyphs are drawn on black: ORed onto the background they keep it around their strokes.
    MemoryDc font(gSongNameCanvas.dc);
    for (int32_t i = 0; font.dc && i < length; ++i) {
      const int32_t glyph = glyphs[size_t(i)];
      if (glyph < 0) continue;
      font.Copy(gSongNameCanvas.dc, kGlyphSize * i, kGlyphTop, kGlyphSize, kGlyphSize, gSkin.font, kGlyphSize * glyph,
                0, SRCPAINT);
    }
  }
  RepaintArea(window, kAreaSongName);
}

void ScrollSongName() {
  if (!gSettings.autoScroll || !AdvanceSongScroll(gSongScroll, gSettings.scrollSpeed)) return;
  if (HDC dc = SkinDc()) {
    PaintSongName(dc);
    PresentSkin(kSongNameRect);
  }
}

void ResetSongNameOffset() { gSongScroll.offset = 0; }

void ApplySongScrollSettings() {
  if (!gSettings.autoScroll) ResetSongNameOffset();
  gSongScroll.step = ScrollSpeed(gSettings.scrollSpeed);
}

void PaintSongName(HDC dc) {
  const StripSpan span = ShownSongSpan(gSongScroll);
  if (gSongNameCanvas.dc && span.width > 0)
    BitBlt(dc, kSongNameRect.left, kSongNameRect.top, span.width, kStripHeight, gSongNameCanvas.dc, span.x, 0, SRCCOPY);
}

void ReleaseDisplays() {
  gTimeCanvas.Release();
  gSongNameCanvas.Release();
  gSongScroll = {0, 0, 0, 1};
}
