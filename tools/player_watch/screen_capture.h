// Pictures of what the screen shows and of the bitmaps compiled into a program, and BMP files of them:
// how the player's window is read back from outside and photographed.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct Picture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<COLORREF> pixels;  // top row first

  bool Contains(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  COLORREF At(int32_t x, int32_t y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// The pixels the screen shows in `area` (screen coordinates), whichever windows drew them; empty when
// they cannot be read.
Picture GrabScreen(const RECT& area);
// What the screen shows of `window` (its whole rectangle).
Picture GrabWindow(HWND window);
// Bitmap resource `id` of the program file `path`, loaded as data (the program is not run); empty when
// it has no such bitmap.
Picture LoadResourcePicture(const char* path, int32_t id);
// Writes a 24-bit BMP file; false when it cannot be written.
bool WriteBmp(const std::string& path, const Picture& picture);
