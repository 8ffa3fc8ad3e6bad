// The displays in the player window, read back from the window: the time digits and the song name
// are the cells of their bitmaps, the name scrolls at the set speed, the visualisation follows the
// audio while playing and is a flat line while paused; and the Visualisation page in a sheet of its own.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "engine/messages.h"
#include "playlist/playlist.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "shell/commands.h"
#include "shell/display_text.h"
#include "shell/shell_state.h"
#include "shell/skin_geometry.h"
#include "shell/visualisation.h"
#include "tests/shell/player_window_support.h"
#include "tests/test_files.h"

namespace {

constexpr COLORREF kBackground = RGB(33, 32, 33);

// The time canvas as the digits bitmap makes it: four cells on the background, later ones on top.
PixelImage ExpectedTime(const char* digits) {
  static const PixelImage font = BitmapPixels(IDB_DIGITS);
  PixelImage image{kDisplayWidth, kDisplayHeight, std::vector<COLORREF>(size_t(kDisplayWidth * kDisplayHeight), kBackground)};
  for (size_t i = 0; i < 4; ++i) {
    for (int32_t y = 0; y < kDigitCellHeight; ++y) {
      for (int32_t x = 0; x < kDigitCellWidth; ++x)
        image.pixels[size_t(y * kDisplayWidth + kTimeDigitLeft[i] + x)] = font.At(20 * (digits[i] - '0') + x, y);
    }
  }
  return image;
}

// The strip as the font makes it: glyphs ORed onto the background from `offset` on, the body's own
// pixels where the text ends.
PixelImage ExpectedStrip(const std::string& text, int32_t offset) {
  static const PixelImage font = BitmapPixels(IDB_FONT);
  static const PixelImage body = BitmapPixels(IDB_BODY);
  PixelImage image{kStripWidth, kStripHeight, {}};
  for (int32_t y = 0; y < kStripHeight; ++y) {
    for (int32_t sx = 0; sx < kStripWidth; ++sx) {
      const size_t x = size_t(offset + sx);
      COLORREF pixel = kBackground;
      if (x >= 6 * text.size()) {
        pixel = body.At(kSongNameRect.left + sx, kSongNameRect.top + y);
      } else if (y >= 1 && y <= 6) {
        const int code = std::toupper(static_cast<unsigned char>(text[x / 6]));
        if (code >= 32 && code <= 96) pixel |= font.At(6 * (code - 32) + int32_t(x % 6), y - 1);
      }
      image.pixels.push_back(pixel);
    }
  }
  return image;
}

PixelImage DisplayShown(HWND window) {
  return WindowPixels(window, kDisplayOrigin.x, kDisplayOrigin.y, kDisplayWidth, kDisplayHeight);
}
PixelImage StripShown(HWND window) {
  return WindowPixels(window, kSongNameRect.left, kSongNameRect.top, kStripWidth, kStripHeight);
}

// A copy of a test track with an ID3v1 tag.
std::string TaggedTrack(const char* artist, const char* title, uint8_t genre) {
  std::vector<uint8_t> bytes = ReadWholeFile(Media("first-44k.mp3"));
  uint8_t tag[128] = {'T', 'A', 'G'};
  std::memcpy(tag + 3, title, std::strlen(title));
  std::memcpy(tag + 33, artist, std::strlen(artist));
  tag[127] = genre;
  bytes.insert(bytes.end(), tag, tag + 128);
  const std::string path = ScratchPath("tagged.mp3");
  WriteWholeFile(path, bytes);
  return path;
}

void DestroyPlayerWindow(HWND window) {
  DestroyWindow(window);
  MSG quit;
  PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

TEST_F(PlayerWindowTest, TimeDigitsAndSongNameAreCellsOfTheirBitmapsAndTheNameScrolls) {
  gSettings.timeDisplay = 1;
  gSettings.autoScroll = 1;
  gSettings.scrollSpeed = 5;
  HWND window = OpenPlayerWindow(0);
  ASSERT_NE(window, nullptr);
  UpdateWindow(window);
  const PixelImage body = BitmapPixels(IDB_BODY);
  EXPECT_EQ(DisplayShown(window).At(70, 20), body.At(kDisplayOrigin.x + 70, kDisplayOrigin.y + 20))
      << "the body until the first time arrives";
  EXPECT_EQ(StripShown(window).pixels, ExpectedStrip("Zav 0.77", 0).pixels);

  // 300 s long, 100 s played: 200 s remain; then the elapsed time from the same values.
  SendMessageA(window, WM_PLAYER_INFO, 300, 100);
  EXPECT_EQ(DisplayShown(window).pixels, ExpectedTime("0320").pixels);
  SendMessageA(window, WM_COMMAND, IDM_TIME_ELAPSED, 0);
  UpdateWindow(window);
  EXPECT_EQ(DisplayShown(window).pixels, ExpectedTime("0140").pixels);
  // 62 minutes wrap to 2; with an unknown length the remaining time shows the elapsed one.
  SendMessageA(window, WM_PLAYER_INFO, WPARAM(-1), 3725);
  EXPECT_EQ(DisplayShown(window).pixels, ExpectedTime("0205").pixels);
  SendMessageA(window, WM_COMMAND, IDM_TIME_REMAINING, 0);
  UpdateWindow(window);
  EXPECT_EQ(DisplayShown(window).pixels, ExpectedTime("0205").pixels);

  // A tagged track of 70 characters: "{" has no glyph; 5 pixels a tick at speed 5.
  gSettings.readInfoOnAdd = 1;
  ASSERT_EQ(AddTrack(TaggedTrack("The Quick Brown Fox Jumps Over", "the lazy dog {and friends}", 17).c_str()), 1);
  const std::string name = "The Quick Brown Fox Jumps Over ` the lazy dog {and friends} ` Rock";
  SendMessageA(window, WM_PLAYER_STARTED, 0, 0);
  UpdateWindow(window);
  EXPECT_EQ(StripShown(window).pixels, ExpectedStrip(name, 0).pixels);
  SendMessageA(window, WM_TIMER, 1, 0);
  SendMessageA(window, WM_TIMER, 1, 0);
  EXPECT_EQ(StripShown(window).pixels, ExpectedStrip(name, 10).pixels);
  SendMessageA(window, WM_COMMAND, IDM_AUTOSCROLL, 0);
  SendMessageA(window, WM_TIMER, 1, 0);
  UpdateWindow(window);
  EXPECT_EQ(StripShown(window).pixels, ExpectedStrip(name, 0).pixels) << "AutoScroll off shows the start";
  DestroyPlayerWindow(window);
}

// Pixels of the display area that are neither the background nor on the centre row in `colour`.
int32_t OffTheFlatLine(const PixelImage& image, COLORREF colour) {
  int32_t off = 0;
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t x = 0; x < image.width; ++x) {
      const COLORREF p = image.At(x, y);
      off += y == kVisCentre ? p != colour : p != kBackground;
    }
  }
  return off;
}

TEST_F(PlayerWindowTest, TheVisualisationFollowsTheAudioAndIsAFlatLineWhilePaused) {
  gSettings.visMode = kOscilloscope;
  gSettings.scopeColour = RGB(0, 170, 0);
  gSettings.analyserDecay = 5;
  HWND window = OpenPlayerWindow(0);
  ASSERT_NE(window, nullptr);
  SendMessageA(window, WM_LBUTTONDBLCLK, 0, MAKELPARAM(60, 60));
  ASSERT_EQ(gSettings.visActive, 1);
  AddTrack(Media("long-44k.mp3").c_str());
  SendMessageA(window, WM_COMMAND, IDM_PLAY, 0);
  ASSERT_TRUE(PumpUntil([&] { return gShell.playState == kPlaying && gShell.lastFrame > 150; }, 8000));

  SendMessageA(window, WM_TIMER, 3, 0);
  EXPECT_GT(OffTheFlatLine(DisplayShown(window), RGB(0, 170, 0)), 20) << "the waveform of the tone";
  gSettings.visMode = kSpectrumAnalyser;
  SendMessageA(window, WM_TIMER, 3, 0);
  EXPECT_GT(OffTheFlatLine(DisplayShown(window), RGB(0, 170, 0)), 100) << "bars of the spectrum";

  SendMessageA(window, WM_COMMAND, IDM_PAUSE, 0);
  for (int32_t tick = 0; tick < 30; ++tick) SendMessageA(window, WM_TIMER, 3, 0);
  EXPECT_EQ(OffTheFlatLine(DisplayShown(window), kBackground), 0) << "the bars fell away while paused";
  gSettings.visMode = kOscilloscope;
  SendMessageA(window, WM_TIMER, 3, 0);
  const PixelImage paused = DisplayShown(window);
  EXPECT_EQ(OffTheFlatLine(paused, RGB(0, 170, 0)), 0);
  EXPECT_EQ(paused.At(0, kVisCentre), RGB(0, 170, 0));

  // Double-clicked off, the time comes back.
  SendMessageA(window, WM_LBUTTONDBLCLK, 0, MAKELPARAM(60, 60));
  UpdateWindow(window);
  EXPECT_EQ(gSettings.visActive, 0);
  EXPECT_EQ(DisplayShown(window).At(0, 30), kBackground);
  EXPECT_NE(DisplayShown(window).pixels, paused.pixels);
  DestroyPlayerWindow(window);
}

CHOOSECOLORA gChoice;
BOOL WINAPI ChooseRed(LPCHOOSECOLORA choice) {
  gChoice = *choice;
  choice->rgbResult = RGB(200, 40, 90);
  return TRUE;
}

// The page alone in a modeless sheet, so that the test can work it.
HWND OpenVisualisationSheet() {
  PROPSHEETPAGEA page = {};
  page.dwSize = sizeof page;
  page.dwFlags = PSP_USETITLE;
  page.hInstance = gShell.instance;
  page.pszTemplate = MAKEINTRESOURCEA(IDD_VISUALISATION_PAGE);
  page.pfnDlgProc = VisualisationPageProc;
  page.pszTitle = "Visualisation";
  PROPSHEETHEADERA header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_MODELESS;
  header.pszCaption = "zav";
  header.nPages = 1;
  header.ppsp = &page;
  return reinterpret_cast<HWND>(PropertySheetA(&header));
}

void PressAndClose(HWND sheet, int32_t button) {
  PropSheet_PressButton(sheet, button);
  EXPECT_TRUE(PumpUntil([&] { return PropSheet_GetCurrentPageHwnd(sheet) == nullptr; }, 2000));
  DestroyWindow(sheet);
}

TEST_F(PlayerWindowTest, TheVisualisationPageSetsModeDecayAndColour) {
  gSettings.visMode = kSpectrumAnalyser;
  gSettings.analyserDecay = 3;
  gSettings.scopeColour = RGB(0, 170, 0);
  gChooseColour = ChooseRed;
  HWND sheet = OpenVisualisationSheet();
  ASSERT_NE(sheet, nullptr);
  HWND page = PropSheet_GetCurrentPageHwnd(sheet);
  HWND slider = GetDlgItem(page, IDC_VIS_DECAY_RATE);
  EXPECT_EQ(IsDlgButtonChecked(page, IDC_VIS_ANALYSER), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(page, IDC_VIS_OSCILLOSCOPE), BST_UNCHECKED);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_VIS_COLOUR_CLOUD)));
  EXPECT_EQ(SendMessageA(slider, TBM_GETRANGEMIN, 0, 0), 1);
  EXPECT_EQ(SendMessageA(slider, TBM_GETRANGEMAX, 0, 0), 5);
  EXPECT_EQ(SendMessageA(slider, TBM_GETPOS, 0, 0), 3);

  auto click = [&](int32_t id) {
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
  };
  click(IDC_VIS_OSCILLOSCOPE);
  EXPECT_EQ(gSettings.visMode, kOscilloscope);
  EXPECT_EQ(IsDlgButtonChecked(page, IDC_VIS_OSCILLOSCOPE), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(page, IDC_VIS_ANALYSER), BST_UNCHECKED);
  SendMessageA(slider, TBM_SETPOS, TRUE, 5);
  SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 5), reinterpret_cast<LPARAM>(slider));
  EXPECT_EQ(gSettings.analyserDecay, 5) << "taken while dragged";

  click(IDC_VIS_SCOPE_COLOUR);
  EXPECT_EQ(gChoice.hwndOwner, page);
  EXPECT_EQ(gChoice.rgbResult, RGB(0, 170, 0));
  EXPECT_EQ(gChoice.Flags, DWORD(CC_RGBINIT | CC_ANYCOLOR));
  EXPECT_NE(gChoice.lpCustColors, nullptr);
  EXPECT_EQ(gSettings.scopeColour, RGB(200, 40, 90));
  // The button shows the colour inside its face, with a raised frame.
  HWND button = GetDlgItem(page, IDC_VIS_SCOPE_COLOUR);
  UpdateWindow(button);
  RECT r;
  GetClientRect(button, &r);
  const PixelImage face = WindowPixels(button, 0, 0, r.right, r.bottom);
  EXPECT_EQ(face.At(r.right / 2, r.bottom / 2), RGB(200, 40, 90));
  EXPECT_EQ(face.At(2, 2), RGB(200, 40, 90));
  EXPECT_EQ(face.At(1, 1), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(face.At(0, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(face.At(r.right - 1, r.bottom - 1), GetSysColor(COLOR_BTNSHADOW));

  // Cancel undoes nothing; a new sheet starts from the new values, and OK takes the slider.
  PressAndClose(sheet, PSBTN_CANCEL);
  EXPECT_EQ(gSettings.visMode, kOscilloscope);
  EXPECT_EQ(gSettings.analyserDecay, 5);
  EXPECT_EQ(gSettings.scopeColour, RGB(200, 40, 90));
  sheet = OpenVisualisationSheet();
  page = PropSheet_GetCurrentPageHwnd(sheet);
  EXPECT_EQ(IsDlgButtonChecked(page, IDC_VIS_OSCILLOSCOPE), BST_CHECKED);
  EXPECT_EQ(SendDlgItemMessageA(page, IDC_VIS_DECAY_RATE, TBM_GETPOS, 0, 0), 5);
  SendDlgItemMessageA(page, IDC_VIS_DECAY_RATE, TBM_SETPOS, TRUE, 2);
  PressAndClose(sheet, PSBTN_OK);
  EXPECT_EQ(gSettings.analyserDecay, 2);
  gChooseColour = ChooseColorA;
}

}  // namespace
