// The spectrum-bars module: a small window of its own beside the host's window with 30 bars of
// lit segments, from 86 Hz on the left to 16 kHz on the right (one FFT bin a bar up to about 1.5 kHz,
// logarithmic bands above), each with a falling peak mark. The bars
// come from a 512-point FFT of the waveform the host hands over (so every kind of stream shows them).
// Frames are drawn into a bitmap of the module's own and copied to the window in one call, so nothing
// flickers. Init, Render and Quit all run on the host's plug-in thread, which also serves the window.
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "plugins/sample/sample_modules.h"

namespace {

char gDescription[] = "zav spectrum bars";
constexpr const char* kClassName = "zav_spectrum_bars";
constexpr const char* kCaption = "zav Spectrum Bars";

constexpr int32_t kWidth = 320, kHeight = 132;
constexpr int32_t kBars = 30, kBarPitch = 10, kBarWidth = 8, kLeft = (kWidth - kBars * kBarPitch) / 2 + 1;
constexpr int32_t kSegments = 24, kSegmentPitch = 4, kSegmentHeight = 3, kTop = 10;
constexpr int32_t kBottom = kTop + kSegments * kSegmentPitch;  // first row below the bars
constexpr int32_t kFftSize = 512, kFftBits = 9;
constexpr double kPi = 3.14159265358979323846;
constexpr double kFloorDb = -60.0;
constexpr float kFall = 0.035f, kPeakFall = 0.018f;
constexpr int32_t kPeakHoldFrames = 12;

constexpr uint32_t Rgb(int r, int g, int b) { return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }

struct Bars {
  HWND window;
  HDC memory;
  HBITMAP bitmap;
  HGDIOBJ previousBitmap;
  uint32_t* pixels;                     // the frame, top-down, kWidth x kHeight
  uint32_t background[kWidth * kHeight];  // the frame without lit segments: ground, unlit segments, scale
  int32_t firstBin[kBars + 1];           // bar k takes bins firstBin[k] .. firstBin[k + 1] - 1
  float hann[kFftSize];
  float cosines[kFftSize / 2], sines[kFftSize / 2];
  uint16_t reversed[kFftSize];
  float level[kBars], peak[kBars];
  int32_t peakHold[kBars];
};
Bars gBars;

uint32_t Blend(uint32_t a, uint32_t b, float t) {
  auto channel = [&](int shift) {
    const float x = float((a >> shift) & 0xFF), y = float((b >> shift) & 0xFF);
    return uint32_t(x + (y - x) * t + 0.5f) << shift;
  };
  return channel(16) | channel(8) | channel(0);
}

// Segment colour from the bottom row (0) to the top one: green, yellow, then red.
uint32_t LitColour(int32_t segment) {
  const float t = float(segment) / float(kSegments - 1);
  if (t < 0.6f) return Blend(Rgb(36, 196, 96), Rgb(232, 212, 64), t / 0.6f);
  return Blend(Rgb(232, 212, 64), Rgb(236, 72, 52), (t - 0.6f) / 0.4f);
}

void FillRect32(uint32_t* pixels, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
  for (int32_t row = y; row < y + h; ++row)
    for (int32_t column = x; column < x + w; ++column) pixels[row * kWidth + column] = colour;
}

int32_t SegmentTop(int32_t segment) { return kBottom - (segment + 1) * kSegmentPitch; }

void BuildTables(int32_t sampleRate) {
  for (int32_t i = 0; i < kFftSize; ++i) {
    gBars.hann[i] = float(0.5 - 0.5 * std::cos(2 * kPi * i / (kFftSize - 1)));
    uint16_t r = 0;
    for (int32_t b = 0; b < kFftBits; ++b) r = uint16_t(r | ((i >> b) & 1) << (kFftBits - 1 - b));
    gBars.reversed[i] = r;
  }
  for (int32_t i = 0; i < kFftSize / 2; ++i) {
    gBars.cosines[i] = float(std::cos(2 * kPi * i / kFftSize));
    gBars.sines[i] = float(-std::sin(2 * kPi * i / kFftSize));
  }
  // Logarithmic bands from the first bin to 16 kHz, each at least one bin wide.
  const double binHz = double(sampleRate > 0 ? sampleRate : 44100) / kFftSize;
  const double top = 16000.0 / binHz < kFftSize / 2 - 1 ? 16000.0 / binHz : kFftSize / 2 - 1;
  gBars.firstBin[0] = 1;
  for (int32_t k = 1; k <= kBars; ++k) {
    const int32_t bin = int32_t(std::lround(std::pow(top, double(k) / kBars)));
    gBars.firstBin[k] = bin > gBars.firstBin[k - 1] ? bin : gBars.firstBin[k - 1] + 1;
  }
}

// What never changes in the frame, drawn once: a dark ground, unlit segments and a scale.
void DrawBackground(int32_t sampleRate) {
  for (int32_t y = 0; y < kHeight; ++y)
    FillRect32(gBars.pixels, 0, y, kWidth, 1, Blend(Rgb(14, 16, 24), Rgb(26, 30, 44), float(y) / kHeight));
  for (int32_t k = 0; k < kBars; ++k)
    for (int32_t s = 0; s < kSegments; ++s)
      FillRect32(gBars.pixels, kLeft + k * kBarPitch, SegmentTop(s), kBarWidth, kSegmentHeight,
                 Blend(Rgb(30, 34, 48), LitColour(s), 0.08f));
  FillRect32(gBars.pixels, kLeft - 1, kBottom + 1, kBars * kBarPitch, 1, Rgb(60, 66, 84));

  const HFONT font = CreateFontA(-10, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma");
  const HGDIOBJ previousFont = font ? SelectObject(gBars.memory, font) : nullptr;
  SetBkMode(gBars.memory, TRANSPARENT);
  SetTextColor(gBars.memory, RGB(128, 138, 162));
  SetTextAlign(gBars.memory, TA_CENTER | TA_TOP);
  const double binHz = double(sampleRate > 0 ? sampleRate : 44100) / kFftSize;
  struct Mark {
    double hertz;
    const char* text;
  };
  for (const Mark& mark : {Mark{100, "100"}, Mark{500, "500"}, Mark{1000, "1k"}, Mark{2000, "2k"}, Mark{4000, "4k"},
                           Mark{8000, "8k"}, Mark{16000, "16k"}}) {
    int32_t k = 0;
    while (k < kBars - 1 && gBars.firstBin[k + 1] * binHz <= mark.hertz) ++k;
    TextOutA(gBars.memory, kLeft + k * kBarPitch + kBarWidth / 2, kBottom + 5, mark.text, int(std::strlen(mark.text)));
  }
  if (font) {
    SelectObject(gBars.memory, previousFont);
    DeleteObject(font);
  }
  GdiFlush();
  std::memcpy(gBars.background, gBars.pixels, sizeof gBars.background);
}

// Power of the FFT of the Hann-windowed waveform, both channels mixed, into `power` (bins 0..255).
void WaveformPower(const VisModule* module, float* power) {
  static float re[kFftSize], im[kFftSize];
  const bool stereo = module->waveformNch > 1;
  for (int32_t i = 0; i < kFftSize; ++i) {
    const float left = float(int8_t(module->waveformData[0][i]));
    const float right = stereo ? float(int8_t(module->waveformData[1][i])) : left;
    re[gBars.reversed[i]] = 0.5f * (left + right) * gBars.hann[i];
    im[gBars.reversed[i]] = 0;
  }
  for (int32_t size = 2; size <= kFftSize; size *= 2) {
    const int32_t half = size / 2, step = kFftSize / size;
    for (int32_t start = 0; start < kFftSize; start += size) {
      for (int32_t j = 0; j < half; ++j) {
        const float c = gBars.cosines[j * step], s = gBars.sines[j * step];
        const int32_t a = start + j, b = a + half;
        const float tr = re[b] * c - im[b] * s, ti = re[b] * s + im[b] * c;
        re[b] = re[a] - tr;
        im[b] = im[a] - ti;
        re[a] += tr;
        im[a] += ti;
      }
    }
  }
  for (int32_t i = 0; i < kFftSize / 2; ++i) power[i] = re[i] * re[i] + im[i] * im[i];
}

void UpdateLevels(const VisModule* module) {
  float power[kFftSize / 2];
  WaveformPower(module, power);
  // A full-scale sine puts 127 x 512 / 4 into its bin.
  const double reference = (127.0 * kFftSize / 4) * (127.0 * kFftSize / 4);
  for (int32_t k = 0; k < kBars; ++k) {
    double sum = 0;
    for (int32_t bin = gBars.firstBin[k]; bin < gBars.firstBin[k + 1]; ++bin) sum += power[bin];
    const double db = sum > 0 ? 10.0 * std::log10(sum / reference) : kFloorDb;
    float target = float((db - kFloorDb) / -kFloorDb);
    target = target < 0 ? 0 : target > 1 ? 1 : target;
    gBars.level[k] = target > gBars.level[k] - kFall ? target : gBars.level[k] - kFall;
    if (gBars.level[k] < 0) gBars.level[k] = 0;
    if (gBars.level[k] >= gBars.peak[k]) {
      gBars.peak[k] = gBars.level[k];
      gBars.peakHold[k] = kPeakHoldFrames;
    } else if (gBars.peakHold[k] > 0) {
      --gBars.peakHold[k];
    } else {
      gBars.peak[k] = gBars.peak[k] > kPeakFall ? gBars.peak[k] - kPeakFall : 0;
    }
  }
}

void DrawFrame() {
  std::memcpy(gBars.pixels, gBars.background, sizeof gBars.background);
  for (int32_t k = 0; k < kBars; ++k) {
    const int32_t x = kLeft + k * kBarPitch;
    const int32_t lit = int32_t(gBars.level[k] * kSegments + 0.5f);
    for (int32_t s = 0; s < lit && s < kSegments; ++s)
      FillRect32(gBars.pixels, x, SegmentTop(s), kBarWidth, kSegmentHeight, LitColour(s));
    const int32_t peak = int32_t(gBars.peak[k] * kSegments + 0.5f) - 1;
    if (peak >= 0 && gBars.peak[k] > 0.02f)
      FillRect32(gBars.pixels, x, SegmentTop(peak < kSegments ? peak : kSegments - 1), kBarWidth, 2,
                 Rgb(236, 238, 246));
  }
}

void ShowFrame(HDC dc) {
  if (gBars.memory) BitBlt(dc, 0, 0, kWidth, kHeight, gBars.memory, 0, 0, SRCCOPY);
}

LRESULT CALLBACK BarsWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: return 1;  // every pixel comes from the frame
    case WM_PAINT: {
      PAINTSTRUCT paint;
      ShowFrame(BeginPaint(window, &paint));
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      gBars.window = nullptr;
      PostQuitMessage(0);  // closed by the user: the module ends
      return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

bool CreateCanvas(int32_t sampleRate) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = -kHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  gBars.memory = CreateCompatibleDC(nullptr);
  gBars.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!gBars.memory || !gBars.bitmap || !bits) return false;
  gBars.previousBitmap = SelectObject(gBars.memory, gBars.bitmap);
  gBars.pixels = static_cast<uint32_t*>(bits);
  BuildTables(sampleRate);
  DrawBackground(sampleRate);
  DrawFrame();
  return true;
}

void ReleaseCanvas() {
  if (gBars.memory && gBars.previousBitmap) SelectObject(gBars.memory, gBars.previousBitmap);
  if (gBars.bitmap) DeleteObject(gBars.bitmap);
  if (gBars.memory) DeleteDC(gBars.memory);
  gBars.memory = nullptr;
  gBars.bitmap = nullptr;
  gBars.previousBitmap = nullptr;
  gBars.pixels = nullptr;
}

void __cdecl Config(VisModule* module) {
  MessageBoxA(module->hwndParent,
              "zav Spectrum Bars\n\n30 bars from 86 Hz to 16 kHz with falling peaks.\nClose its window or "
              "choose \"Terminate Plugin\" to end it.",
              "zav Spectrum Bars", MB_OK | MB_ICONINFORMATION);
}

int32_t __cdecl Init(VisModule* module) {
  std::memset(gBars.level, 0, sizeof gBars.level);
  std::memset(gBars.peak, 0, sizeof gBars.peak);
  std::memset(gBars.peakHold, 0, sizeof gBars.peakHold);
  if (!CreateCanvas(module->sRate)) {
    ReleaseCanvas();
    return 1;
  }
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = BarsWindowProc;
  windowClass.hInstance = module->hDllInstance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kClassName;
  RegisterClassA(&windowClass);
  // Beside the host's window, when there is one.
  RECT frame = {0, 0, kWidth, kHeight};
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU, exStyle = WS_EX_TOOLWINDOW;
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  RECT parent = {100, 100, 100, 100};
  if (module->hwndParent) GetWindowRect(module->hwndParent, &parent);
  gBars.window = CreateWindowExA(exStyle, kClassName, kCaption, style, parent.right + 4, parent.top,
                                 frame.right - frame.left, frame.bottom - frame.top, module->hwndParent, nullptr,
                                 module->hDllInstance, nullptr);
  if (!gBars.window) {
    ReleaseCanvas();
    return 1;
  }
  ShowWindow(gBars.window, SW_SHOWNOACTIVATE);
  return 0;
}

int32_t __cdecl Render(VisModule* module) {
  if (!gBars.window || !gBars.memory) return 1;
  UpdateLevels(module);
  DrawFrame();
  if (const HDC dc = GetDC(gBars.window)) {
    ShowFrame(dc);
    ReleaseDC(gBars.window, dc);
  }
  return 0;
}

void __cdecl Quit(VisModule* module) {
  if (gBars.window) DestroyWindow(gBars.window);
  gBars.window = nullptr;
  UnregisterClassA(kClassName, module->hDllInstance);
  ReleaseCanvas();
}

VisModule gModule = {gDescription, nullptr, nullptr, 0, 0, 0, 0, 0, 0, {}, {}, Config, Init, Render, Quit, nullptr};

}  // namespace

VisModule* SpectrumBarsModule() { return &gModule; }
