// The equalizer dialog on the player window in this process: its command, the "GEQ" button's face,
// sliders reaching the gains the synthesis reads, Reset, OK, Cancel, the title-bar close, held gains.
#include "eq/equalizer_dialog.h"

#include <commctrl.h>

#include <vector>

#include "decoder/synthesis.h"
#include "eq/eq_gains.h"
#include "platform/profile.h"
#include "resources/resource_ids.h"
#include "shell/skin_geometry.h"
#include "tests/shell/player_window_test_support.h"

namespace {

using Gains = std::vector<int32_t>;

Gains Stored() { return Gains(gSettings.eqGains, gSettings.eqGains + kEqSubbands); }

// The gains as the synthesis applies them to a step of ones.
Gains Heard() {
  float samples[kEqSubbands];
  std::fill(samples, samples + kEqSubbands, 1.0f);
  ApplyEqualizer(samples);
  Gains gains;
  for (float s : samples) gains.push_back(static_cast<int32_t>(s * 10.0f + 0.5f));
  return gains;
}

// A pixel where the button's lit and unlit faces differ shows the lit one.
bool GeqLit(HWND window) {
  HWND button = GetDlgItem(window, IDM_EQUALIZER);
  UpdateWindow(button);
  HDC dc = GetDC(button);
  const COLORREF shown = GetPixel(dc, 9, 3);
  ReleaseDC(button, dc);
  EXPECT_NE(BitmapPixel(IDB_BUTTONS, 169, ButtonFaceRow(false, true) + 3), BitmapPixel(IDB_BUTTONS, 169, 3));
  return shown == BitmapPixel(IDB_BUTTONS, 169, ButtonFaceRow(false, true) + 3);
}

// A key pressed and released on slider `index`, as the keyboard moves it.
void PressKey(int32_t index, WPARAM key) {
  HWND slider = GetDlgItem(gShell.equalizer, IDC_EQ_SLIDER_FIRST + index);
  SendMessageA(slider, WM_KEYDOWN, key, 1);
  SendMessageA(slider, WM_KEYUP, key, 0xC0000001);
}

void Click(int32_t id) { SendDlgItemMessageA(gShell.equalizer, id, BM_CLICK, 0, 0); }

class EqualizerDialogTest : public PlayerWindowTest {};

TEST_F(EqualizerDialogTest, SlidersShapeTheSoundAndEachWayOfClosingKeepsOrRestoresTheGains) {
  Gains opened(kEqSubbands, 10);
  opened[0] = 35;   // held to 20
  opened[31] = -4;  // held to 0
  opened[5] = 17;   // between two anchors of level 10: brought in line by the opening
  std::copy(opened.begin(), opened.end(), gSettings.eqGains);
  gSettings.eqEnabled = 0;
  HWND window = OpenPlayerWindow(0);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(GeqLit(window));

  SendMessageA(window, WM_COMMAND, IDM_EQUALIZER, 0);
  ASSERT_TRUE(IsWindowVisible(gShell.equalizer));
  EXPECT_TRUE(GeqLit(window) && MenuStates(window).Checked(IDM_EQUALIZER));
  opened[0] = 20;
  opened[31] = 0;
  Gains shaped = opened;
  shaped[5] = 10;
  for (int32_t j = 25; j < 31; ++j) shaped[j] = (70 - 10 * (j - 24)) / 7;  // down to the held top subband
  EXPECT_EQ(Stored(), shaped);
  EXPECT_EQ(SendDlgItemMessageA(gShell.equalizer, IDC_EQ_SLIDER_FIRST, TBM_GETPOS, 0, 0), 0) << "20 at the top";
  EXPECT_TRUE(PumpUntil([&] { return Heard() == shaped; }, 2000)) << "the synthesis reads these gains";

  // Sliders 1113 up to 20 and 1114 down to 0: heard at once.
  PressKey(7, VK_HOME);
  PressKey(8, VK_END);
  const int32_t slope[] = {15, 20, 15, 10, 5, 0, 2, 5, 7};  // subbands 9..17
  std::copy(slope, slope + 9, shaped.begin() + 9);
  EXPECT_EQ(Stored(), shaped);
  EXPECT_EQ(Heard(), shaped);
  Click(IDC_EQ_ENABLED);
  EXPECT_EQ(gSettings.eqEnabled, 1);

  // Cancel: back to the gains the dialog opened with, subband 5 included.
  Click(IDCANCEL);
  EXPECT_TRUE(gShell.equalizer == nullptr && !GeqLit(window) && !MenuStates(window).Checked(IDM_EQUALIZER));
  EXPECT_EQ(Stored(), opened);
  EXPECT_EQ(gSettings.eqEnabled, 0);

  // Reset, one step down, OK: kept, and in the settings file.
  SendMessageA(window, WM_COMMAND, IDM_EQUALIZER, 0);
  Click(IDC_EQ_RESET);
  PressKey(0, VK_DOWN);
  Gains chosen(kEqSubbands, 10);
  chosen[0] = 9;
  Click(IDOK);
  EXPECT_EQ(gShell.equalizer, nullptr);
  EXPECT_EQ(Stored(), chosen);
  Settings written;
  ASSERT_TRUE(ProfileGetStruct(kSettingsSection, kSettingsRecordKey, &written, sizeof written, kSettingsFile));
  EXPECT_EQ(Gains(written.eqGains, written.eqGains + kEqSubbands), chosen);

  // The title bar's close is Cancel; the command closes it keeping the gains.
  SendMessageA(window, WM_COMMAND, IDM_EQUALIZER, 0);
  PressKey(11, VK_HOME);
  SendMessageA(gShell.equalizer, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(gShell.equalizer, nullptr);
  EXPECT_EQ(Stored(), chosen);
  SendMessageA(window, WM_COMMAND, IDM_EQUALIZER, 0);
  PressKey(11, VK_HOME);
  SendMessageA(window, WM_COMMAND, IDM_EQUALIZER, 0);
  EXPECT_EQ(gSettings.eqGains[31], 20);
  EXPECT_FALSE(GeqLit(window));

  // A dialog that cannot be made is reported and leaves the button unlit.
  gShell.instance = GetModuleHandleA("kernel32.dll");
  SendMessageA(window, WM_COMMAND, IDM_EQUALIZER, 0);
  gShell.instance = GetModuleHandleA(nullptr);
  ASSERT_EQ(BoxRecorder::Boxes().size(), 1u);
  EXPECT_EQ(BoxRecorder::Boxes()[0].text + BoxRecorder::Boxes()[0].caption, "Error Opening Window...Error...");
  EXPECT_TRUE(gShell.equalizer == nullptr && !GeqLit(window));

  // Closing the player with the equalizer open takes the dialog with it.
  SendMessageA(window, WM_COMMAND, IDM_EQUALIZER, 0);
  HWND open = gShell.equalizer;
  DestroyWindow(window);
  EXPECT_TRUE(!IsWindow(open) && gShell.equalizer == nullptr);
}

}  // namespace
