// The player window at an integer scale: DPI awareness, the start scale, the 1 x frame and its enlarged
// copies, and the window's size, outline and buttons at the scale.
#include "shell/window_scale.h"

#include "platform/notify.h"
#include "shell/commands.h"
#include "shell/skin.h"

WindowScale gWindowScale = {1, 1};

namespace {

Canvas gFrame = {};  // the skin at 1 x, while the scale is above 1

bool Scaled() { return gWindowScale.current > 1 && gFrame.dc; }

// Copies skin rectangle `r` of the frame to `to`, each pixel as a square of scale x scale pixels.
void PresentOn(HDC to, const SkinRect& r) {
  const int32_t s = gWindowScale.current;
  if (r.right <= r.left || r.bottom <= r.top) return;
  SetStretchBltMode(to, COLORONCOLOR);
  StretchBlt(to, r.left * s, r.top * s, (r.right - r.left) * s, (r.bottom - r.top) * s, gFrame.dc, r.left, r.top,
             r.right - r.left, r.bottom - r.top, SRCCOPY);
}

SkinRect CoveringClipBox(HDC dc) {
  RECT box = {0, 0, 0, 0};
  if (GetClipBox(dc, &box) == ERROR) return {0, 0, 0, 0};
  return SkinRectCovering({box.left, box.top, box.right, box.bottom}, gWindowScale.current);
}

// The frame made afresh with the whole skin as the window would show it now.
bool CreateFrame() {
  if (!gFrame.Create(kSkinWidth, kSkinHeight)) return false;
  const RECT all = {0, 0, kSkinWidth, kSkinHeight};
  PaintSkin(gFrame.dc, all, true);
  return true;
}

}  // namespace

void BecomeDpiAware() {
  // Looked up at run time: the program runs on systems older than either call. -4 is
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, which scales the dialogs' own frames too.
  const HMODULE user = GetModuleHandleA("user32.dll");
  using SetContext = BOOL(WINAPI*)(HANDLE);
  using SetAware = BOOL(WINAPI*)();
  const auto setContext = user ? reinterpret_cast<SetContext>(
                                     reinterpret_cast<void*>(GetProcAddress(user, "SetProcessDpiAwarenessContext")))
                               : nullptr;
  const auto setAware =
      user ? reinterpret_cast<SetAware>(reinterpret_cast<void*>(GetProcAddress(user, "SetProcessDPIAware"))) : nullptr;
  if (!(setContext && setContext(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4)))) && setAware) setAware();
  int32_t dpi = 96;
  if (HDC screen = GetDC(nullptr)) {
    dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
  }
  gWindowScale.start = dpi >= 2 * 96 ? dpi / 96 : 1;
  gWindowScale.current = gWindowScale.start;
}

HDC SkinDc() { return Scaled() ? gFrame.dc : gSkin.windowDc; }

void PresentSkin(const SkinRect& r) {
  if (Scaled() && gSkin.windowDc) PresentOn(gSkin.windowDc, r);
}

bool EraseScaled(HDC dc) {
  if (!Scaled()) return false;
  // The body goes into the frame only: the paint that follows shows it with what lies on it.
  const SkinRect r = CoveringClipBox(dc);
  CopyBitmap(gFrame.dc, r.left, r.top, r.right - r.left, r.bottom - r.top, gSkin.body, r.left, r.top);
  return true;
}

bool PaintScaled(HDC dc, const RECT& update) {
  if (!Scaled()) return false;
  const int32_t s = gWindowScale.current;
  const SkinRect r = SkinRectCovering({update.left, update.top, update.right, update.bottom}, s);
  PaintSkin(gFrame.dc, {r.left, r.top, r.right, r.bottom}, false);
  // The buttons draw themselves, before or after this: the copy leaves them alone.
  for (const SkinButton& button : kSkinButtons) {
    ExcludeClipRect(dc, button.left * s, kButtonTop * s, (button.left + kButtonWidth) * s,
                    (kButtonTop + kButtonHeight) * s);
  }
  PresentOn(dc, r);
  return true;
}

bool ApplyWindowScale(HWND window, int32_t scale) {
  if (scale < 1) scale = 1;
  const int32_t was = gWindowScale.current;
  gWindowScale.current = scale;
  if (scale > 1 && !CreateFrame()) {
    gWindowScale.current = was;
    return false;
  }
  if (scale == 1) gFrame.Release();
  SetWindowPos(window, nullptr, 0, 0, kSkinWidth * scale, kSkinHeight * scale,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The system owns the outline once it is set.
  if (HRGN outline = BuildWindowOutline(scale)) {
    if (!SetWindowRgn(window, outline, TRUE)) DeleteObject(outline);
  }
  for (const SkinButton& button : kSkinButtons) {
    SetWindowPos(GetDlgItem(window, button.commandId), nullptr, button.left * scale, kButtonTop * scale,
                 kButtonWidth * scale, kButtonHeight * scale, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ApplyScreenLock(window);
  // Drawn at once, the window before its buttons, so that nothing of the window lands on them afterwards.
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  return true;
}

void ToggleDoubleSize(HWND window) {
  const int32_t scale = gWindowScale.current == gWindowScale.start ? 2 * gWindowScale.start : gWindowScale.start;
  if (!ApplyWindowScale(window, scale))
    ShowMessageBox(window, "There is not enough memory to draw the window at double size.", "Error...", kBoxOk);
}

void ReleaseScaledFrame() { gFrame.Release(); }
