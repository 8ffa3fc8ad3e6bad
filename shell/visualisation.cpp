// The internal visualisation. Frames are drawn into a 32-bit pixel array kept for the program's life
// and copied to the display area in one call; the analyser's levels and the cloud's picture carry
// over from frame to frame, also while the visualisation is off.
#include "shell/visualisation.h"

#include <commctrl.h>

#include "engine/wave_output.h"
#include "resources/resource_ids.h"
#include "settings/playback_options.h"
#include "settings/preferences_sheet.h"
#include "settings/settings.h"
#include "shell/shell_state.h"
#include "shell/skin.h"
#include "shell/window_scale.h"

VisSnapshots gVisSnapshots = {};
BOOL(WINAPI* gChooseColour)(LPCHOOSECOLORA) = ChooseColorA;

namespace {

static_assert(kVisWidth == kDisplayWidth && kVisHeight == kDisplayHeight, "the frame covers the display area");

VisPixels gFrame = [] {
  VisPixels pixels;
  ClearVisFrame(pixels);
  return pixels;
}();
AnalyserLevels gLevels = {};
ColourCloud gCloud = {};
COLORREF gCustomColours[16] = {};  // the colour chooser's own colours, kept while the program runs

void DrawFrame() {
  DrawVisFrame(gSettings.visMode, gVisSnapshots, gSettings.analyserDecay, gSettings.scopeColour, gLevels, gCloud,
               gFrame);
}

void CopyFrame(HDC dc) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kVisWidth;
  info.bmiHeader.biHeight = -kVisHeight;  // top-down, as the frame is laid out
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(dc, kDisplayOrigin.x, kDisplayOrigin.y, kVisWidth, kVisHeight, 0, 0, 0, kVisHeight, gFrame.data(),
                    &info, DIB_RGB_COLORS);
}

// The owner-drawn colour button: the oscilloscope colour inside a 2-pixel face border, with a
// one-pixel raised frame that sinks while the button is pressed.
void DrawColourButton(const DRAWITEMSTRUCT* item) {
  const RECT r = item->rcItem;
  HDC dc = item->hDC;
  HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  HBRUSH colour = CreateSolidBrush(gSettings.scopeColour);
  if (face) FillRect(dc, &r, face);
  const RECT inner = {r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
  if (colour) FillRect(dc, &inner, colour);
  const bool pressed = (item->itemState & ODS_SELECTED) != 0;
  HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(pressed ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT));
  HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(pressed ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW));
  if (light && dark) {
    HGDIOBJ previous = SelectObject(dc, light);
    MoveToEx(dc, r.left, r.top, nullptr);
    LineTo(dc, r.right, r.top);
    MoveToEx(dc, r.left, r.top, nullptr);
    LineTo(dc, r.left, r.bottom);
    SelectObject(dc, dark);
    MoveToEx(dc, r.left, r.bottom - 1, nullptr);
    LineTo(dc, r.right, r.bottom - 1);
    MoveToEx(dc, r.right - 1, r.top, nullptr);
    LineTo(dc, r.right - 1, r.bottom);
    SelectObject(dc, previous);
  }
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(face), static_cast<HGDIOBJ>(colour), static_cast<HGDIOBJ>(light),
                         static_cast<HGDIOBJ>(dark)}) {
    if (object) DeleteObject(object);
  }
}

void ChooseScopeColour(HWND page) {
  CHOOSECOLORA choice = {};
  choice.lStructSize = sizeof choice;
  choice.hwndOwner = page;
  choice.rgbResult = gSettings.scopeColour;
  choice.lpCustColors = gCustomColours;
  choice.Flags = CC_RGBINIT | CC_ANYCOLOR;
  if (gChooseColour(&choice)) gSettings.scopeColour = choice.rgbResult;
  InvalidateRect(GetDlgItem(page, IDC_VIS_SCOPE_COLOUR), nullptr, FALSE);
}

int32_t SliderPosition(HWND page, int32_t id) {
  return static_cast<int32_t>(SendDlgItemMessageA(page, id, TBM_GETPOS, 0, 0));
}

// The refresh rate takes effect at once, so the display behind the sheet shows it while the thumb moves.
void StoreRefreshRate(HWND page) {
  gPlaybackOptions.visIntervalMs = VisRefreshInterval(SliderPosition(page, IDC_VIS_REFRESH_RATE));
  if (gShell.window) StartVisualisationTimer(gShell.window);
}

INT_PTR OnPageInit(HWND page) {
  const int32_t mode = gSettings.visMode;
  if (mode >= kOscilloscope && mode <= kColourCloud)
    CheckRadioButton(page, IDC_VIS_OSCILLOSCOPE, IDC_VIS_COLOUR_CLOUD, IDC_VIS_OSCILLOSCOPE + mode);
  SetUpSlider(page, IDC_VIS_DECAY_RATE, 1, 5, 1, gSettings.analyserDecay);
  SetUpSlider(page, IDC_VIS_REFRESH_RATE, 0, kVisRefreshPositions - 1, 1,
              VisRefreshPosition(gPlaybackOptions.visIntervalMs));
  return TRUE;
}

INT_PTR OnPageCommand(HWND page, int32_t id) {
  switch (id) {
    case IDC_VIS_OSCILLOSCOPE:
    case IDC_VIS_ANALYSER:
    case IDC_VIS_COLOUR_CLOUD:
      gSettings.visMode = id - IDC_VIS_OSCILLOSCOPE;
      CheckRadioButton(page, IDC_VIS_OSCILLOSCOPE, IDC_VIS_COLOUR_CLOUD, id);
      return TRUE;
    case IDC_VIS_SCOPE_COLOUR:
      ChooseScopeColour(page);
      return TRUE;
    default: return FALSE;
  }
}

INT_PTR OnPageScroll(HWND page, WPARAM code, HWND slider) {
  const int32_t action = LOWORD(code);
  const int32_t id = GetDlgCtrlID(slider);
  if (id == IDC_VIS_DECAY_RATE && (action == TB_THUMBTRACK || action == TB_ENDTRACK))
    gSettings.analyserDecay = SliderPosition(page, id);
  if (id == IDC_VIS_REFRESH_RATE) StoreRefreshRate(page);  // at every move, by mouse, key or wheel
  return TRUE;
}

// OK stores both sliders; mode and colour were stored when chosen.
INT_PTR OnPageNotify(HWND page, const NMHDR* note) {
  return AnswerSheetNotification(page, note, [](HWND p) {
    gSettings.analyserDecay = SliderPosition(p, IDC_VIS_DECAY_RATE);
    StoreRefreshRate(p);
  });
}

}  // namespace

// The interval is held to one of the slider's steps.
void StartVisualisationTimer(HWND window) {
  const int32_t interval = VisRefreshInterval(VisRefreshPosition(gPlaybackOptions.visIntervalMs));
  SetTimer(window, kVisualisationTimer, static_cast<UINT>(interval), nullptr);
}

void TakeVisSnapshots() {
  if (gShell.playState != kPlaying) {
    gVisSnapshots = {};
    return;
  }
  CopyWaveSnapshot(gVisSnapshots.wave.data());
  CopySpectrumSnapshot(gVisSnapshots.spectrum.data());
}

void OnVisualisationTick() {
  HDC dc = SkinDc();
  if (!gSettings.visActive || !dc) return;
  TakeVisSnapshots();
  DrawFrame();
  CopyFrame(dc);
  PresentSkin({kDisplayOrigin.x, kDisplayOrigin.y, kDisplayOrigin.x + kVisWidth, kDisplayOrigin.y + kVisHeight});
}

bool PaintVisualisation(HDC dc) {
  if (!gSettings.visActive) return false;
  DrawFrame();
  CopyFrame(dc);
  return true;
}

INT_PTR CALLBACK VisualisationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnPageInit(page);
    case WM_COMMAND: return HIWORD(wParam) == BN_CLICKED ? OnPageCommand(page, LOWORD(wParam)) : FALSE;
    case WM_HSCROLL: return OnPageScroll(page, wParam, reinterpret_cast<HWND>(lParam));
    case WM_DRAWITEM:
      if (wParam != IDC_VIS_SCOPE_COLOUR) return FALSE;
      DrawColourButton(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_NOTIFY: return OnPageNotify(page, reinterpret_cast<const NMHDR*>(lParam));
    default: return FALSE;
  }
}
