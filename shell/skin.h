// The player window's skin: the drawing objects kept for the window's life, the window outline, the hit
// regions and seek sectors, the nine owner-drawn buttons, and painting.
#pragma once
#include <windows.h>

#include <array>
#include <cstdint>

#include "shell/skin_geometry.h"

struct SkinObjects {
  HDC windowDc;  // kept from WM_CREATE to WM_DESTROY; timers and notifications draw through it
  HBRUSH background;
  HBITMAP body, font, buttons, digits, pinLit, ringLit;
  HMENU popupMenu;  // menu 102
  std::array<HRGN, kAreaCount> areas;
  std::array<HRGN, kSeekSectors> sectors;
  HRGN litRingCache;     // union of the lit sectors, as WM_PAINT last drew them
  int32_t litCacheStep;  // lit step the cache was built for; -1 before the first build
};
extern SkinObjects gSkin;

// WM_CREATE's skin part. Returns false when a bitmap, the menu or a region could not be had.
bool CreateSkin(HWND window);
// WM_DESTROY: releases everything CreateSkin made, and the window device context.
void ReleaseSkin(HWND window);

// The window outline at `scale`; null when a region cannot be had.
HRGN BuildWindowOutline(int32_t scale);
// Draws the skin parts that `update` touches onto `dc` at 1 x, over the body first when `erase`.
void PaintSkin(HDC dc, const RECT& update, bool erase);
LRESULT OnEraseBackground(HDC dc);
LRESULT OnPaint(HWND window);
LRESULT OnDrawItem(const DRAWITEMSTRUCT* item);
// The buttons' background brush: none, so nothing is filled before a face is drawn over it.
LRESULT OnButtonColour();

// A memory device context for copying bitmaps: it puts its original bitmap back and is deleted when it
// goes out of scope, so no copy leaves a GDI object behind.
struct MemoryDc {
  explicit MemoryDc(HDC like) : dc(CreateCompatibleDC(like)) {}
  ~MemoryDc() {
    if (!dc) return;
    if (original) SelectObject(dc, original);
    DeleteDC(dc);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  // Copies `width` x `height` pixels of `bitmap` at (sx, sy) to (dx, dy) of `to` (SRCPAINT: ORs them).
  void Copy(HDC to, int32_t dx, int32_t dy, int32_t width, int32_t height, HBITMAP bitmap, int32_t sx, int32_t sy,
            DWORD rop = SRCCOPY) {
    HGDIOBJ previous = SelectObject(dc, bitmap);
    if (!original) original = previous;
    BitBlt(to, dx, dy, width, height, dc, sx, sy, rop);
  }
  // Copies `width` x `height` pixels of `bitmap` at (sx, sy) enlarged to fill `target`, each pixel repeated.
  void Stretch(HDC to, const RECT& target, HBITMAP bitmap, int32_t sx, int32_t sy, int32_t width, int32_t height) {
    HGDIOBJ previous = SelectObject(dc, bitmap);
    if (!original) original = previous;
    SetStretchBltMode(to, COLORONCOLOR);
    StretchBlt(to, target.left, target.top, target.right - target.left, target.bottom - target.top, dc, sx, sy, width,
               height, SRCCOPY);
  }
  HDC dc;
  HGDIOBJ original = nullptr;
};

// An off-screen canvas kept between messages: a bitmap compatible with the window device context,
// selected into a memory device context of its own until Release.
struct Canvas {
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ original;
  // Makes a width x height canvas filled with the background colour; false (and nothing kept) when the
  // context or the bitmap cannot be had.
  bool Create(int32_t width, int32_t height);
  void Release();
};

// One copy through a memory device context of its own.
void CopyBitmap(HDC dc, int32_t dx, int32_t dy, int32_t width, int32_t height, HBITMAP bitmap, int32_t sx,
                int32_t sy);
// Makes `target` the union of seek sectors first .. last - 1 (empty when last <= first).
void UniteSectors(HRGN target, int32_t first, int32_t last);

// Repaint requests: invalidate without erasing.
void RepaintArea(HWND window, SkinArea area);
void RepaintButton(HWND window, int32_t commandId);
// The "Play", "Pause" and "Stop" buttons.
void RepaintTransportButtons(HWND window);
