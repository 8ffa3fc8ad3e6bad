// The displays read back from the player window: time digits and song name are the cells of their
// bitmaps, the name scrolls at the set speed, the visualisation follows the audio and is a flat line
// while paused; and the Visualisation page in a sheet of its own.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "engine/messages.h"
#include "platform/win32/wide.h"
#include "resources/resource_ids.h"
#include "shell/display_text.h"
#include "shell/playback_control.h"
#include "shell/skin_geometry.h"
#include "shell/visualisation.h"
#include "stream/stream_source.h"
#include "tests/shell/player_window_test_support.h"

namespace {

constexpr COLORREF kGround = RGB(33, 32, 33);
constexpr COLORREF kGreen = RGB(0, 170, 0);

// The time canvas from the digits bitmap: four cells on the background, the later ones on top.
std::vector<COLORREF> ExpectedTime(const char* digits) {
  static const PixelImage font = BitmapPixels(IDB_DIGITS);
  std::vector<COLORREF> image(size_t(kDisplayWidth * kDisplayHeight), kGround);
  for (size_t i = 0; i < 4; ++i)
    for (int32_t y = 0; y < kDigitCellHeight; ++y)
      for (int32_t x = 0; x < kDigitCellWidth; ++x)
        image[size_t(y * kDisplayWidth + kTimeDigitLeft[i] + x)] = font.At(20 * (digits[i] - '0') + x, y);
  return image;
}

// The strip from the font: glyphs ORed onto the background from `offset` on, the body past the text.
std::vector<COLORREF> ExpectedStrip(const std::string& text, int32_t offset) {
  static const PixelImage font = BitmapPixels(IDB_FONT), body = BitmapPixels(IDB_BODY);
  std::vector<COLORREF> image;
  for (int32_t y = 0; y < kStripHeight; ++y) {
    for (int32_t sx = 0; sx < kStripWidth; ++sx) {
      const size_t x = size_t(offset + sx);
      const int code = x < 6 * text.size() ? std::toupper(static_cast<unsigned char>(text[x / 6])) : -1;
      COLORREF pixel = code < 0 ? body.At(kSongNameRect.left + sx, kSongNameRect.top + y) : kGround;
      if (code >= 32 && code <= 96 && y >= 1 && y <= 6) pixel |= font.At(6 * (code - 32) + int32_t(x % 6), y - 1);
      image.push_back(pixel);
    }
  }
  return image;
}

PixelImage Display(HWND window) {
  return WindowPixels(window, kDisplayOrigin.x, kDisplayOrigin.y, kDisplayWidth, kDisplayHeight);
}
std::vector<COLORREF> Strip(HWND window) {
  return WindowPixels(window, kSongNameRect.left, kSongNameRect.top, kStripWidth, kStripHeight).pixels;
}

void Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam = 0) {
  SendMessageA(window, message, wParam, lParam);
  UpdateWindow(window);
}

TEST_F(PlayerWindowTest, TimeDigitsAndSongNameAreCellsOfTheirBitmapsAndTheNameScrolls) {
  gSettings.timeDisplay = 1;
  gSettings.autoScroll = 1;
  gSettings.scrollSpeed = 5;
  HWND window = OpenPlayerWindow(0);
  ASSERT_NE(window, nullptr);
  UpdateWindow(window);
  EXPECT_EQ(Display(window).At(70, 20), BitmapPixel(IDB_BODY, kDisplayOrigin.x + 70, kDisplayOrigin.y + 20))
      << "the body until the first time arrives";
  EXPECT_EQ(Strip(window), ExpectedStrip("Zav 0.77", 0));

  Send(window, WM_PLAYER_INFO, 300, 100);  // 200 s remain
  EXPECT_EQ(Display(window).pixels, ExpectedTime("0320"));
  Send(window, WM_COMMAND, IDM_TIME_ELAPSED);
  EXPECT_EQ(Display(window).pixels, ExpectedTime("0140"));
  Send(window, WM_PLAYER_INFO, WPARAM(-1), 3725);  // 62 minutes wrap to 2
  Send(window, WM_COMMAND, IDM_TIME_REMAINING);
  EXPECT_EQ(Display(window).pixels, ExpectedTime("0205")) << "an unknown length shows the elapsed time";

  // A tagged copy of a track: 66 characters, "{" without a glyph; 5 pixels a tick at speed 5.
  std::vector<uint8_t> bytes = ReadWholeFile(Media("first-44k.mp3"));
  uint8_t tag[128] = {'T', 'A', 'G'};
  std::memcpy(tag + 3, "the lazy dog {and friends}", 26);
  std::memcpy(tag + 33, "The Quick Brown Fox Jumps Over", 30);
  tag[127] = 17;  // Rock
  bytes.insert(bytes.end(), tag, tag + 128);
  WriteWholeFile(ScratchPath("tagged.mp3"), bytes);
  gSettings.readInfoOnAdd = 1;
  ASSERT_EQ(AddTrack(ScratchPath("tagged.mp3").c_str()), 1);
  const std::string name = "The Quick Brown Fox Jumps Over ` the lazy dog {and friends} ` Rock";
  Send(window, WM_PLAYER_STARTED, 0);
  EXPECT_EQ(Strip(window), ExpectedStrip(name, 0));
  Send(window, WM_TIMER, 1);
  Send(window, WM_TIMER, 1);
  EXPECT_EQ(Strip(window), ExpectedStrip(name, 10));
  Send(window, WM_COMMAND, IDM_AUTOSCROLL);
  Send(window, WM_TIMER, 1);
  EXPECT_EQ(Strip(window), ExpectedStrip(name, 0)) << "AutoScroll off shows the start";

  // An untagged file named in several scripts shows its title, one cell a character ("{" blank).
  const std::string named = ScratchPath("\xC3\x87" "a \xC3\xA9t\xC3\xA9 \xD0\x96\xE4\xB8\xAD\xF0\x9F\x98\x80.mp3");
  ASSERT_TRUE(CopyFileW(WideFromUtf8(Media("first-44k.mp3")).c_str(), WideFromUtf8(named).c_str(), FALSE));
  ClearPlaylist();
  ASSERT_EQ(AddTrack(named.c_str()), 1);
  Send(window, WM_PLAYER_STARTED, 0);
  EXPECT_EQ(Strip(window), ExpectedStrip("Ca ete {{{.mp3", 0));

  // A stream shows its address, then its title (the editor too), "Buffering..."; its failure in a box.
  static std::string title;
  gReadStreamTitle = [](char* out, int32_t size) { return std::snprintf(out, size_t(size), "%s", title.c_str()); };
  gReadStreamError = [](char* out, int32_t size) { return std::snprintf(out, size_t(size), "Not MPEG audio"); };
  ClearPlaylist();
  ASSERT_EQ(AddTrack("http://127.0.0.1:8000/radio"), 1);
  Send(window, WM_PLAYER_STARTED, 0);
  EXPECT_EQ(Strip(window), ExpectedStrip("http://127.0.0.1:8000/radio", 0));
  Send(window, WM_COMMAND, IDM_PLAYLIST_EDITOR);
  title = "Nightwave - Cold Front";
  Send(window, WM_PLAYER_STREAM, kStreamTitleChanged);
  EXPECT_EQ(Strip(window), ExpectedStrip(title, 0));
  wchar_t line[64] = {};
  SendDlgItemMessageW(gShell.playlistEditor, IDC_PLAYLIST_LIST, LB_GETTEXT, 0, LPARAM(line));
  EXPECT_EQ(Utf8FromWide(line), title);
  Send(window, WM_PLAYER_STREAM, kStreamBuffering, 1);
  EXPECT_EQ(Strip(window), ExpectedStrip("Buffering...", 0));
  Send(window, WM_PLAYER_STREAM, kStreamBuffering, 0);
  EXPECT_EQ(Strip(window), ExpectedStrip(title, 0));
  Send(window, WM_PLAYER_INFO, 0, 75);  // a stream's length comes as 0
  EXPECT_EQ(Display(window).pixels, ExpectedTime("0115")) << "the elapsed time, in remaining-time mode too";
  Send(window, WM_PLAYER_STREAM, kStreamFailed);
  ASSERT_EQ(BoxRecorder::Boxes().size(), 1u) << "and no box about opening the address";
  EXPECT_EQ(BoxRecorder::Boxes()[0].text + BoxRecorder::Boxes()[0].caption, "Not MPEG audioError...");
  gReadStreamTitle = StreamTitle;
  gReadStreamError = StreamError;
  DestroyWindow(window);
}

// Pixels of the display area neither on the centre row in `colour` nor elsewhere the background.
int32_t OffTheLine(const PixelImage& image, COLORREF colour) {
  int32_t off = 0;
  for (int32_t y = 0; y < image.height; ++y)
    for (int32_t x = 0; x < image.width; ++x) off += image.At(x, y) != (y == kVisCentre ? colour : kGround);
  return off;
}

TEST_F(PlayerWindowTest, TheVisualisationFollowsTheAudioAndIsAFlatLineWhilePaused) {
  gSettings.visMode = kOscilloscope;
  gSettings.scopeColour = kGreen;
  gSettings.analyserDecay = 5;
  HWND window = OpenPlayerWindow(0);
  ASSERT_NE(window, nullptr);
  Send(window, WM_LBUTTONDBLCLK, 0, MAKELPARAM(60, 60));
  ASSERT_EQ(gSettings.visActive, 1);
  AddTrack(Media("long-44k.mp3").c_str());
  Send(window, WM_COMMAND, IDM_PLAY);
  ASSERT_TRUE(PumpUntil([&] { return gShell.playState == kPlaying && gShell.lastFrame > 150; }, 8000));
  Send(window, WM_TIMER, 3);
  EXPECT_GT(OffTheLine(Display(window), kGreen), 20) << "the waveform";
  gSettings.visMode = kSpectrumAnalyser;
  Send(window, WM_TIMER, 3);
  EXPECT_GT(OffTheLine(Display(window), kGreen), 100) << "bars of the spectrum";

  Send(window, WM_COMMAND, IDM_PAUSE);
  for (int32_t tick = 0; tick < 30; ++tick) Send(window, WM_TIMER, 3);
  EXPECT_EQ(OffTheLine(Display(window), kGround), 0) << "the bars fell away while paused";
  gSettings.visMode = kOscilloscope;
  Send(window, WM_TIMER, 3);
  EXPECT_EQ(OffTheLine(Display(window), kGreen), 0) << "a flat line while paused";

  Send(window, WM_LBUTTONDBLCLK, 0, MAKELPARAM(60, 60));
  EXPECT_EQ(gSettings.visActive, 0);
  EXPECT_NE(OffTheLine(Display(window), kGreen), 0) << "the time is back";
  DestroyWindow(window);
}

CHOOSECOLORA gChoice;
BOOL WINAPI ChooseRed(LPCHOOSECOLORA choice) {
  gChoice = *choice;
  choice->rgbResult = RGB(200, 40, 90);
  return TRUE;
}

HWND OpenPage(HWND* sheet) {
  return OpenOnePageSheet(IDD_VISUALISATION_PAGE, VisualisationPageProc, L"Visualisation", sheet);
}

TEST_F(PlayerWindowTest, TheVisualisationPageSetsModeDecayAndColour) {
  gSettings.visMode = kSpectrumAnalyser;
  gSettings.analyserDecay = 3;
  gSettings.scopeColour = kGreen;
  gChooseColour = ChooseRed;
  HWND sheet;
  HWND page = OpenPage(&sheet);
  HWND slider = GetDlgItem(page, IDC_VIS_DECAY_RATE);
  EXPECT_EQ(IsDlgButtonChecked(page, IDC_VIS_ANALYSER), BST_CHECKED);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_VIS_COLOUR_CLOUD)));
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
  EXPECT_EQ(gChoice.rgbResult, kGreen);
  EXPECT_EQ(gChoice.Flags, DWORD(CC_RGBINIT | CC_ANYCOLOR));
  EXPECT_NE(gChoice.lpCustColors, nullptr);
  EXPECT_EQ(gSettings.scopeColour, RGB(200, 40, 90));
  HWND button = GetDlgItem(page, IDC_VIS_SCOPE_COLOUR);
  UpdateWindow(button);
  RECT r;
  GetClientRect(button, &r);
  const PixelImage face = WindowPixels(button, 0, 0, r.right, r.bottom);
  EXPECT_EQ(face.At(2, 2), RGB(200, 40, 90));
  EXPECT_EQ(face.At(1, 1), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(face.At(0, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(face.At(r.right - 1, r.bottom - 1), GetSysColor(COLOR_BTNSHADOW));

  // Cancel undoes nothing; a new sheet starts from the new values, and OK takes the slider.
  CloseSheet(sheet, PSBTN_CANCEL);
  EXPECT_EQ(gSettings.visMode, kOscilloscope);
  EXPECT_EQ(gSettings.analyserDecay, 5);
  EXPECT_EQ(gSettings.scopeColour, RGB(200, 40, 90));
  page = OpenPage(&sheet);
  EXPECT_EQ(IsDlgButtonChecked(page, IDC_VIS_OSCILLOSCOPE), BST_CHECKED);
  EXPECT_EQ(SendDlgItemMessageA(page, IDC_VIS_DECAY_RATE, TBM_GETPOS, 0, 0), 5);
  SendDlgItemMessageA(page, IDC_VIS_DECAY_RATE, TBM_SETPOS, TRUE, 2);
  CloseSheet(sheet, PSBTN_OK);
  EXPECT_EQ(gSettings.analyserDecay, 2);
  gChooseColour = ChooseColorA;
}

}  // namespace
