// The equalizer dialog on the player window in this process: opening and closing with its command, the
// "GEQ" button's face, sliders reaching the gains the synthesis reads, Reset, OK, Cancel and the
// title-bar close, and gains out of range held when it opens.
#include "eq/equalizer_dialog.h"

#include <commctrl.h>

#include <array>
#include <vector>

#include "decoder/synthesis.h"
#include "eq/eq_gains.h"
#include "platform/profile.h"
#include "resources/resource_ids.h"
#include "shell/skin_geometry.h"
#include "tests/shell/player_window_test_support.h"

namespace {

using Gains = std::vector<int32_t>;

Gains SettingsGains() { return Gains(gSettings.eqGains, gSettings.eqGains + kEqSubbands); }

// The gains as the synthesis applies them: each subband of a step of ones comes out as gain / 10.
Gains HeardGains() {
  float samples[kEqSubbands];
  std::fill(samples, samples + kEqSubbands, 1.0f);
  ApplyEqualizer(samples);
  Gains gains;
  for (float s : samples) gains.push_back(static_cast<int32_t>(s * 10.0f + 0.5f));
  return gains;
}

// Which face the "GEQ" button shows: 1 lit, 0 unlit, -1 neither. Its pixels are copied off the screen
// once and compared in memory with both faces of the button bitmap.
int32_t GeqFace(HWND window) {
  HWND button = GetDlgItem(window, IDM_EQUALIZER);
  UpdateWindow(button);
  HDC screen = GetDC(button);
  HDC shown = CreateCompatibleDC(screen);
  HBITMAP copy = CreateCompatibleBitmap(screen, kButtonWidth, kButtonHeight);
  HGDIOBJ previousCopy = SelectObject(shown, copy);
  BitBlt(shown, 0, 0, kButtonWidth, kButtonHeight, screen, 0, 0, SRCCOPY);
  HDC faces = CreateCompatibleDC(screen);
  HBITMAP bitmap = LoadBitmapA(gShell.instance, MAKEINTRESOURCEA(IDB_BUTTONS));
  HGDIOBJ previousFaces = SelectObject(faces, bitmap);
  bool lit = true, unlit = true;
  for (int32_t y = 0; y < kButtonHeight; ++y) {
    for (int32_t x = 0; x < kButtonWidth; ++x) {
      const COLORREF pixel = GetPixel(shown, x, y);
      lit = lit && pixel == GetPixel(faces, 160 + x, ButtonFaceRow(false, true) + y);
      unlit = unlit && pixel == GetPixel(faces, 160 + x, ButtonFaceRow(false, false) + y);
    }
  }
  SelectObject(faces, previousFaces);
  DeleteObject(bitmap);
  DeleteDC(faces);
  SelectObject(shown, previousCopy);
  DeleteObject(copy);
  DeleteDC(shown);
  ReleaseDC(button, screen);
  return lit == unlit ? -1 : (lit ? 1 : 0);
}

HWND Slider(int32_t index) { return GetDlgItem(gShell.equalizer, IDC_EQ_SLIDER_FIRST + index); }

// A key pressed and released on a slider, as the keyboard moves it.
void PressKey(HWND slider, WPARAM key) {
  SendMessageA(slider, WM_KEYDOWN, key, 1);
  SendMessageA(slider, WM_KEYUP, key, 0xC0000001);
}

// The thumb dragged with the mouse to the bottom of the channel.
void DragToBottom(HWND slider) {
  RECT thumb, client;
  SendMessageA(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  GetClientRect(slider, &client);
  const int32_t x = (thumb.left + thumb.right) / 2;
  SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, (thumb.top + thumb.bottom) / 2));
  SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, client.bottom - 1));
  SendMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(x, client.bottom - 1));
}

void Click(int32_t id) { SendDlgItemMessageA(gShell.equalizer, id, BM_CLICK, 0, 0); }

class EqualizerDialogTest : public PlayerWindowTest {};

TEST_F(EqualizerDialogTest, SlidersShapeTheSoundAndEachWayOfClosingKeepsOrRestoresTheGains) {
  Gains stored(kEqSubbands, 10);
  stored[0] = 35;   // out of range: held to 20
  stored[31] = -4;  // held to 0
  stored[5] = 17;   // between anchors 4 and 6: the opening brings it in line
  std::copy(stored.begin(), stored.end(), gSettings.eqGains);
  gSettings.eqEnabled = 0;
  HWND window = OpenPlayerWindow(0);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GeqFace(window), 0);

  SendMessageA(window, WM_COMMAND, IDM_EQUALIZER, 0);
  ASSERT_NE(gShell.equalizer, nullptr);
  EXPECT_TRUE(IsWindowVisible(gShell.equalizer));
  EXPECT_EQ(GetWindow(gShell.equalizer, GW_OWNER), window);
  char text[64];
  GetWindowTextA(gShell.equalizer, text, sizeof text);
  EXPECT_STREQ(text, "ZAV Graphic Equalizer...");
  GetDlgItemTextA(gShell.equalizer, IDC_EQ_CAPTION_FIRST + 11, text, sizeof text);
  EXPECT_STREQ(text, "22k");
  EXPECT_EQ(GeqFace(window), 1);
  EXPECT_TRUE(MenuStates(window).Checked(IDM_EQUALIZER));
  Gains held(kEqSubbands, 10);
  held[0] = 20;
  held[31] = 0;
  for (int32_t j = 25; j < 31; ++j) held[j] = (70 - 10 * (j - 24)) / 7;  // towards the held top subband
  EXPECT_EQ(SettingsGains(), held);
  EXPECT_EQ(SendMessageA(Slider(0), TBM_GETPOS, 0, 0), 0) << "level 20 at the top";
  EXPECT_EQ(SendMessageA(Slider(11), TBM_GETPOS, 0, 0), 20);
  EXPECT_EQ(SendMessageA(Slider(11), TBM_GETNUMTICS, 0, 0), 11) << "a tick every second level";
  EXPECT_EQ(IsDlgButtonChecked(gShell.equalizer, IDC_EQ_ENABLED), BST_UNCHECKED);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(gShell.equalizer, IDC_EQ_PRESET)));
  EXPECT_TRUE(PumpUntil([&] { return HeardGains() == held; }, 2000)) << "the synthesis reads the same gains";

  // Slider 1113 to the top with the keyboard, 1114 to the bottom with the mouse: subbands 11..13 fall
  // from 20 to 0 in steps of 5, and the synthesis has them at once.
  PressKey(Slider(7), VK_HOME);
  DragToBottom(Slider(8));
  EXPECT_EQ(SendMessageA(Slider(8), TBM_GETPOS, 0, 0), 20);
  Gains moved = held;
  const std::array<int32_t, 9> slope = {15, 20, 15, 10, 5, 0, 2, 5, 7};  // subbands 9..17
  std::copy(slope.begin(), slope.end(), moved.begin() + 9);
  EXPECT_EQ(SettingsGains(), moved);
  EXPECT_EQ(HeardGains(), moved);
  Click(IDC_EQ_ENABLED);
  EXPECT_EQ(gSettings.eqEnabled, 1);

  // Cancel puts back what the dialog opened with, as held, with subband 5 as it was stored.
  Click(IDCANCEL);
  EXPECT_EQ(gShell.equalizer, nullptr);
  EXPECT_EQ(GeqFace(window), 0);
  EXPECT_FALSE(MenuStates(window).Checked(IDM_EQUALIZER));
  Gains backup = stored;
  backup[0] = 20;
  backup[31] = 0;
  EXPECT_EQ(SettingsGains(), backup);
  EXPECT_EQ(HeardGains(), backup);
  EXPECT_EQ(gSettings.eqEnabled, 0);

  // Reset, a slider one step down, OK: kept, and in the settings file.
  SendMessageA(window, WM_COMMAND, IDM_EQUALIZER, 0);
  ASSERT_NE(gShell.equalizer, nullptr);
  Click(IDC_EQ_RESET);
  EXPECT_EQ(SettingsGains(), Gains(kEqSubbands, 10));
  EXPECT_EQ(SendMessageA(Slider(0), TBM_GETPOS, 0, 0), 10);
  PressKey(Slider(0), VK_DOWN);
  Gains chosen(kEqSubbands, 10);
  chosen[0] = 9;
  EXPECT_EQ(SettingsGains(), chosen);
  Click(IDOK);
  EXPECT_EQ(gShell.equalizer, nullptr);
  EXPECT_EQ(SettingsGains(), chosen);
  Settings written;
  ASSERT_TRUE(ProfileGetStruct(kSettingsSection, kSettingsRecordKey, &written, sizeof written, kSettingsFile));
  EXPECT_EQ(Gains(written.eqGains, written.eqGains + kEqSubbands), chosen);

  // The title bar's close is Cancel; the command closes it again keeping the gains.
  SendMessageA(window, WM_COMMAND, IDM_EQUALIZER, 0);
  ASSERT_NE(gShell.equalizer, nullptr);
  PressKey(Slider(11), VK_HOME);
  EXPECT_EQ(gSettings.eqGains[31], 20);
  SendMessageA(gShell.equalizer, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(gShell.equalizer, nullptr);
  EXPECT_EQ(SettingsGains(), chosen);
  SendMessageA(window, WM_COMMAND, IDM_EQUALIZER, 0);
  HWND open = gShell.equalizer;
  PressKey(Slider(11), VK_HOME);
  SendMessageA(window, WM_COMMAND, IDM_EQUALIZER, 0);
  EXPECT_FALSE(IsWindow(open));
  EXPECT_EQ(gSettings.eqGains[31], 20);
  EXPECT_EQ(GeqFace(window), 0);

  // A dialog that cannot be made is reported and leaves the button unlit.
  gShell.instance = GetModuleHandleA("kernel32.dll");
  SendMessageA(window, WM_COMMAND, IDM_EQUALIZER, 0);
  gShell.instance = GetModuleHandleA(nullptr);
  EXPECT_EQ(gShell.equalizer, nullptr);
  ASSERT_EQ(BoxRecorder::Boxes().size(), 1u);
  EXPECT_EQ(BoxRecorder::Boxes()[0].text, "Error Opening Window...");
  EXPECT_EQ(BoxRecorder::Boxes()[0].caption, "Error...");
  EXPECT_EQ(GeqFace(window), 0);

  // Closing the player with the equalizer open takes the dialog with it.
  SendMessageA(window, WM_COMMAND, IDM_EQUALIZER, 0);
  open = gShell.equalizer;
  DestroyWindow(window);
  EXPECT_FALSE(IsWindow(open));
  EXPECT_EQ(gShell.equalizer, nullptr);
}

}  // namespace
