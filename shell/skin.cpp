// The player window's skin: outline, hit regions, seek sectors, buttons and painting. Every memory
// device context made here has its bitmap selected back out and is deleted before the handler returns.
#include "shell/skin.h"

#include <commctrl.h>

#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "shell/displays.h"
#include "shell/shell_state.h"
#include "shell/visualisation.h"
#include "shell/window_scale.h"

SkinObjects gSkin = {};

namespace {

constexpr UINT kRepaintFlags = RDW_INVALIDATE | RDW_VALIDATE;

HRGN CreateRectRegion(const SkinRect& r) { return CreateRectRgn(r.left, r.top, r.right, r.bottom); }

HBITMAP LoadSkinBitmap(int32_t id) { return LoadBitmapA(gShell.instance, MAKEINTRESOURCEA(id)); }

bool CreateSeekSectors() {
  std::array<SeekSector, kSeekSectors> shapes;
  BuildSeekSectors(shapes);
  for (int32_t i = 0; i < kSeekSectors; ++i) {
    POINT points[4];
    for (int32_t v = 0; v < 4; ++v) points[v] = {shapes[i].vertices[v].x, shapes[i].vertices[v].y};
    gSkin.sectors[i] = CreatePolygonRgn(points, 4, ALTERNATE);
    if (!gSkin.sectors[i]) return false;
  }
  return true;
}

void CreateButtons(HWND window) {
  for (const SkinButton& button : kSkinButtons) {
    CreateWindowExA(0, "BUTTON", button.caption, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, button.left, kButtonTop,
                    kButtonWidth, kButtonHeight, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(button.commandId)), gShell.instance, nullptr);
  }
}

bool ButtonIsLit(int32_t commandId) {
  switch (commandId) {
    case IDM_PLAY: return gShell.playState == kPlaying;
    case IDM_PAUSE: return gShell.playState == kPaused;
    case IDM_STOP: return gShell.playState == kStopped;
    case IDM_REPEAT: return gSettings.repeat != 0;
    case IDM_SHUFFLE: return gSettings.shuffle != 0;
    case IDM_EQUALIZER: return gShell.equalizer != nullptr;
    case IDM_PLAYLIST_EDITOR: return gShell.playlistEditor != nullptr;
    default: return false;
  }
}

// Pixels of the body where nothing else is drawn yet.
void CopyBody(MemoryDc& memory, HDC dc, const SkinRect& r) {
  memory.Copy(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, gSkin.body, r.left, r.top);
}

bool Touches(SkinArea area, const RECT& update) { return RectInRegion(gSkin.areas[area], &update) != FALSE; }

void PaintPin(MemoryDc& memory, HDC dc) {
  if (gSettings.alwaysOnTop) {
    memory.Copy(dc, kPinOrigin.x, kPinOrigin.y, 16, 15, gSkin.pinLit, 0, 0);
  } else {
    memory.Copy(dc, kPinOrigin.x, kPinOrigin.y, 16, 15, gSkin.body, kPinOrigin.x, kPinOrigin.y);
  }
}

void PaintLitRing(MemoryDc& memory, HDC dc) {
  const int32_t step = gShell.litSectors / 15;
  if (step != gSkin.litCacheStep) {
    UniteSectors(gSkin.litRingCache, 0, gShell.litSectors);
    gSkin.litCacheStep = step;
  }
  SelectClipRgn(dc, gSkin.litRingCache);
  memory.Copy(dc, kRingOrigin.x, kRingOrigin.y, kRingSize, kRingSize, gSkin.ringLit, 0, 0);
  SelectClipRgn(dc, nullptr);
}

void PaintVolumeBar(HDC dc) {
  int32_t volume = gSettings.volume;
  if (volume < 0) volume = 0;
  if (volume > kVolumeRows - 1) volume = kVolumeRows - 1;
  const SkinRect top = VolumeRowRect(kVolumeRows - 2);  // row 63 always shows the body
  const SkinRect bottom = VolumeRowRect(0);
  const RECT lit = {bottom.left, bottom.bottom - volume, bottom.right, bottom.bottom};
  const RECT unlit = {top.left, top.top, top.right, bottom.bottom - volume};
  if (volume > 0) {
    HBRUSH level = CreateSolidBrush(VolumeLevelColour(volume));
    if (level) {
      FillRect(dc, &lit, level);
      DeleteObject(level);
    }
  }
  if (unlit.bottom > unlit.top) FillRect(dc, &unlit, gSkin.background);
}

}  // namespace

HRGN BuildWindowOutline(int32_t scale) {
  HRGN outline = CreateRectRegion(ScaledRect(kRegionStart, scale));
  if (!outline) return nullptr;
  for (const RegionStep& step : kRegionSteps) {
    HRGN part = CreateRectRegion(ScaledRect(step.rect, scale));
    if (!part) {
      DeleteObject(outline);
      return nullptr;
    }
    CombineRgn(outline, outline, part, step.add ? RGN_OR : RGN_DIFF);
    DeleteObject(part);
  }
  return outline;
}

void CopyBitmap(HDC dc, int32_t dx, int32_t dy, int32_t width, int32_t height, HBITMAP bitmap, int32_t sx,
                int32_t sy) {
  MemoryDc memory(dc);
  if (memory.dc) memory.Copy(dc, dx, dy, width, height, bitmap, sx, sy);
}

bool Canvas::Create(int32_t width, int32_t height) {
  Release();
  if (!gSkin.windowDc || width <= 0 || height <= 0) return false;
  dc = CreateCompatibleDC(nullptr);
  bitmap = dc ? CreateCompatibleBitmap(gSkin.windowDc, width, height) : nullptr;
  if (!bitmap) {
    Release();
    return false;
  }
  original = SelectObject(dc, bitmap);
  const RECT all = {0, 0, width, height};
  FillRect(dc, &all, gSkin.background);
  return true;
}

void Canvas::Release() {
  if (dc && original) SelectObject(dc, original);
  if (bitmap) DeleteObject(bitmap);
  if (dc) DeleteDC(dc);
  *this = {};
}

void UniteSectors(HRGN target, int32_t first, int32_t last) {
  SetRectRgn(target, 0, 0, 0, 0);
  for (int32_t i = first < 0 ? 0 : first; i < last && i < kSeekSectors; ++i)
    CombineRgn(target, target, gSkin.sectors[i], RGN_OR);
}

bool CreateSkin(HWND window) {
  InitCommonControls();
  gSkin.windowDc = GetDC(window);
  gSkin.background = CreateSolidBrush(kBackgroundColour);
  gSkin.body = LoadSkinBitmap(IDB_BODY);
  gSkin.font = LoadSkinBitmap(IDB_FONT);
  gSkin.buttons = LoadSkinBitmap(IDB_BUTTONS);
  gSkin.digits = LoadSkinBitmap(IDB_DIGITS);
  gSkin.pinLit = LoadSkinBitmap(IDB_PIN_LIT);
  gSkin.ringLit = LoadSkinBitmap(IDB_RING_LIT);
  gSkin.popupMenu = LoadMenuA(gShell.instance, MAKEINTRESOURCEA(IDM_POPUP));
  if (!gSkin.windowDc || !gSkin.background || !gSkin.body || !gSkin.font || !gSkin.buttons || !gSkin.digits ||
      !gSkin.pinLit || !gSkin.ringLit || !gSkin.popupMenu)
    return false;

  // The system owns the outline once it is set.
  HRGN outline = BuildWindowOutline(1);
  if (!outline) return false;
  if (!SetWindowRgn(window, outline, TRUE)) DeleteObject(outline);

  for (int32_t area = 0; area < kAreaCount; ++area) {
    gSkin.areas[area] = CreateRectRegion(kAreaRects[area]);
    if (!gSkin.areas[area]) return false;
  }
  if (!CreateSeekSectors()) return false;
  gSkin.litRingCache = CreateRectRgn(0, 0, 0, 0);
  gSkin.litCacheStep = -1;
  if (!gSkin.litRingCache) return false;
  CreateButtons(window);
  // A screen of more dots per inch shows the window enlarged; at 1 x when it cannot be.
  if (gWindowScale.current > 1 && !ApplyWindowScale(window, gWindowScale.current)) gWindowScale.current = 1;
  return true;
}

void ReleaseSkin(HWND window) {
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(gSkin.background), static_cast<HGDIOBJ>(gSkin.body),
                         static_cast<HGDIOBJ>(gSkin.font), static_cast<HGDIOBJ>(gSkin.buttons),
                         static_cast<HGDIOBJ>(gSkin.digits), static_cast<HGDIOBJ>(gSkin.pinLit),
                         static_cast<HGDIOBJ>(gSkin.ringLit), static_cast<HGDIOBJ>(gSkin.litRingCache)}) {
    if (object) DeleteObject(object);
  }
  for (HRGN region : gSkin.areas)
    if (region) DeleteObject(region);
  for (HRGN region : gSkin.sectors)
    if (region) DeleteObject(region);
  if (gSkin.popupMenu) DestroyMenu(gSkin.popupMenu);
  ReleaseScaledFrame();
  if (gSkin.windowDc) ReleaseDC(window, gSkin.windowDc);
  gSkin = {};
}

LRESULT OnEraseBackground(HDC dc) {
  if (EraseScaled(dc)) return 1;
  CopyBitmap(dc, 0, 0, kSkinWidth, kSkinHeight, gSkin.body, 0, 0);
  return 1;
}

void PaintSkin(HDC dc, const RECT& update, bool erase) {
  // A memory context that cannot be had leaves the previous pixels.
  MemoryDc memory(dc);
  if (!memory.dc) return;
  if (erase) CopyBody(memory, dc, {update.left, update.top, update.right, update.bottom});
  if (Touches(kAreaPin, update)) PaintPin(memory, dc);
  if (Touches(kAreaSeekBox, update)) PaintLitRing(memory, dc);
  if (Touches(kAreaSongName, update)) {
    CopyBody(memory, dc, kSongNameRect);
    PaintSongName(dc);
  }
  // Until the first time update the display area shows the body.
  if (Touches(kAreaDisplay, update) && !PaintVisualisation(dc) && !PaintTime(dc)) {
    CopyBody(memory, dc,
             {kDisplayOrigin.x, kDisplayOrigin.y, kDisplayOrigin.x + kDisplayWidth, kDisplayOrigin.y + kDisplayHeight});
  }
  if (Touches(kAreaVolume, update)) PaintVolumeBar(dc);
}

LRESULT OnPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (!dc) return 0;
  if (!PaintScaled(dc, paint.rcPaint)) PaintSkin(dc, paint.rcPaint, paint.fErase != FALSE);
  EndPaint(window, &paint);
  return 0;
}

LRESULT OnDrawItem(const DRAWITEMSTRUCT* item) {
  for (const SkinButton& button : kSkinButtons) {
    if (static_cast<UINT>(button.commandId) != item->CtlID) continue;
    const RECT& r = item->rcItem;
    const int32_t row = ButtonFaceRow((item->itemState & ODS_SELECTED) != 0, ButtonIsLit(button.commandId));
    if (gWindowScale.current == 1) {
      CopyBitmap(item->hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, gSkin.buttons, button.faceColumn, row);
    } else {
      MemoryDc memory(item->hDC);
      if (memory.dc) memory.Stretch(item->hDC, r, gSkin.buttons, button.faceColumn, row, kButtonWidth, kButtonHeight);
    }
    break;
  }
  return 1;
}

LRESULT OnButtonColour() { return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)); }

void RepaintArea(HWND window, SkinArea area) {
  if (gWindowScale.current > 1) {
    const SkinRect r = ScaledRect(kAreaRects[area], gWindowScale.current);
    const RECT scaled = {r.left, r.top, r.right, r.bottom};
    RedrawWindow(window, &scaled, nullptr, kRepaintFlags);
    return;
  }
  if (gSkin.areas[area]) RedrawWindow(window, nullptr, gSkin.areas[area], kRepaintFlags);
}

void RepaintButton(HWND window, int32_t commandId) {
  HWND button = GetDlgItem(window, commandId);
  if (button) RedrawWindow(button, nullptr, nullptr, kRepaintFlags);
}

void RepaintTransportButtons(HWND window) {
  RepaintButton(window, IDM_PLAY);
  RepaintButton(window, IDM_PAUSE);
  RepaintButton(window, IDM_STOP);
}
