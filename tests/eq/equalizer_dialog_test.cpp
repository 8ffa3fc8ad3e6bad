// The equalizer dialog on the player window in this process: its command, the "GEQ" button's face,
// sliders reaching the gains the synthesis reads, Reset, OK, Cancel, the title-bar close, held gains.
#include "eq/equalizer_dialog.h"

#include <commctrl.h>

#include <vector>

#include "decoder/synthesis.h"
#include "eq/eq_gains.h"
#include "eq/eq_presets.h"
#include <cstring>
#include "settings/eq_plugin_keys.h"
#include "tests/id3v2_tag_builder.h"
#include "tests/test_files.h"
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

Gains GainsOf(const char* preset) {
  int32_t gains[kEqSubbands];
  InterpolateEqGains(FindEqPreset(preset)->levels, gains);
  return Gains(gains, gains + kEqSubbands);
}

LRESULT Ask(UINT message, WPARAM wParam = 0) { return SendDlgItemMessageW(gShell.equalizer, IDC_EQ_PRESET, message, wParam, 0); }

void Choose(const wchar_t* name) {
  Ask(CB_SETCURSEL, WPARAM(SendDlgItemMessageW(gShell.equalizer, IDC_EQ_PRESET, CB_FINDSTRINGEXACT, WPARAM(-1),
                                               reinterpret_cast<LPARAM>(name))));
  SendMessageW(gShell.equalizer, WM_COMMAND, MAKEWPARAM(IDC_EQ_PRESET, CBN_SELCHANGE), 0);
}

// Plays a copy of a test track behind `front` and before `back` (tags) to its start.
void PlayTagged(HWND window, const std::vector<uint8_t>& front, const std::vector<uint8_t>& back) {
  static int32_t copies = 0;
  std::vector<uint8_t> bytes = front, audio = ReadWholeFile(Media("first-44k.mp3"));
  bytes.insert(bytes.end(), audio.begin(), audio.end());
  bytes.insert(bytes.end(), back.begin(), back.end());
  ClearPlaylist();
  AddTrack(WriteScratchFile("genre-track-" + std::to_string(++copies) + ".mp3", bytes).c_str());
  GoToFirst();
  SendMessageA(window, WM_COMMAND, IDM_PLAY, 0);
  EXPECT_TRUE(PumpUntil([&] { return AnsweredPlayState(window) == kPlaying; }, 5000));
}

TEST_F(EqualizerDialogTest, PresetsSetTheSlidersAreSavedDeletedAndPickedByTheGenre) {
  const std::string file = TestWindowsFolder() + kEqPresetsFile;
  RemoveProfileFile(file);
  HWND window = OpenPlayerWindow(0);
  ASSERT_NE(window, nullptr);
  SendMessageA(window, WM_COMMAND, IDM_EQUALIZER, 0);
  Choose(L"Full Bass");  // the sliders and the gains at once
  EXPECT_EQ(Stored(), GainsOf("Full Bass"));
  EXPECT_EQ(SendDlgItemMessageA(gShell.equalizer, IDC_EQ_SLIDER_FIRST, TBM_GETPOS, 0, 0), 2);

  // Saved under a typed name, in a modal box of its own; a built-in's name is refused and the box stays.
  PressKey(11, VK_HOME);
  const Gains mine = Stored();
  std::vector<const wchar_t*> names = {L"rock", L" Мой ♪ "};
  WhileModal([&names] {
    HWND box = FindWindowW(nullptr, L"Save Preset");
    if (!box) return false;
    SetDlgItemTextW(box, IDC_EQ_PRESET_NAME, names.front());
    names.erase(names.begin());
    SendMessageW(box, WM_COMMAND, IDOK, 0);
    return names.empty();
  });
  Click(IDC_EQ_PRESET_SAVE);
  EXPECT_FALSE(gModalCancelled);
  ASSERT_EQ(BoxRecorder::Boxes().size(), 1u);
  EXPECT_EQ(BoxRecorder::Boxes()[0].text.find("\"rock\" is one of the built-in presets"), 0u);
  EXPECT_EQ(Ask(CB_GETCOUNT), BuiltInEqPresetCount() + 1);
  EXPECT_NE(ProfileFileText(file).find("\n\xD0\x9C\xD0\xBE\xD0\xB9 \xE2\x99\xAA=18,15,12,10,9,8,7,7,6,6,6,20\r\n"),
            std::string::npos);
  Choose(L"Flat");
  Choose(L"Мой ♪");
  EXPECT_EQ(Stored(), mine);
  Click(IDC_EQ_PRESET_DELETE);  // asks first
  EXPECT_EQ(BoxRecorder::Boxes().back().text, "Delete the preset \"\xD0\x9C\xD0\xBE\xD0\xB9 \xE2\x99\xAA\"?");
  EXPECT_EQ(Ask(CB_GETCOUNT), BuiltInEqPresetCount());
  EXPECT_EQ(ProfileFileText(file).find('='), std::string::npos);

  // With the box checked, a track's genre picks the preset of its name as it starts, the dialog open or
  // not: the ID3v1 byte, the ID3v2 genre frame ahead of it; a genre no preset has leaves the gains.
  Click(IDC_EQ_PRESET_FROM_GENRE);
  std::vector<uint8_t> classical(128, 0);
  std::memcpy(classical.data(), "TAG", 3);
  classical[127] = 32;
  const auto tcon = [](const char* text) { return Id3v2TagOf(3, 0, Id3v2Frame(3, "TCON", Id3v2Text(0, text))); };
  PlayTagged(window, {}, classical);
  EXPECT_TRUE(PumpUntil([] { return Stored() == GainsOf("Classical"); }, 3000));
  SendMessageA(window, WM_COMMAND, IDM_EQUALIZER, 0);
  PlayTagged(window, tcon("(18)"), classical);
  EXPECT_TRUE(PumpUntil([] { return Stored() == GainsOf("Techno"); }, 3000));
  PlayTagged(window, tcon("Blues"), {});
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(Stored(), GainsOf("Techno"));
  gEqPluginOptions.presetFromGenre = 0;
}

}  // namespace
