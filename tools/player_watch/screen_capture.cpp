#include "tools/player_watch/screen_capture.h"

#include <cstdio>
#include <memory>

namespace {

struct DcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
struct ObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using MemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;
using GdiObject = std::unique_ptr<std::remove_pointer_t<HGDIOBJ>, ObjectDeleter>;

// The screen's device context for as long as the holder lives.
struct ScreenDc {
  HDC dc = GetDC(nullptr);
  ~ScreenDc() { ReleaseDC(nullptr, dc); }
};

BITMAPINFO TopDown32(int32_t width, int32_t height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// 32-bit DIB words are 0x00RRGGBB; COLORREF is 0x00BBGGRR.
COLORREF FromDib(uint32_t v) { return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF); }

Picture FromDibWords(int32_t width, int32_t height, const uint32_t* words) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.resize(size_t(width) * size_t(height));
  for (size_t i = 0; i < picture.pixels.size(); ++i) picture.pixels[i] = FromDib(words[i]);
  return picture;
}

}  // namespace

Picture GrabScreen(const RECT& area) {
  const int32_t width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return {};
  ScreenDc screen;
  MemoryDc memory(CreateCompatibleDC(screen.dc));
  BITMAPINFO info = TopDown32(width, height);
  void* bits = nullptr;
  GdiObject dib(CreateDIBSection(screen.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!memory || !dib || !bits) return {};
  const HGDIOBJ old = SelectObject(memory.get(), dib.get());
  const BOOL copied = BitBlt(memory.get(), 0, 0, width, height, screen.dc, area.left, area.top, SRCCOPY);
  GdiFlush();
  Picture picture = copied ? FromDibWords(width, height, static_cast<const uint32_t*>(bits)) : Picture{};
  SelectObject(memory.get(), old);
  return picture;
}

Picture GrabWindow(HWND window) {
  RECT r{};
  return GetWindowRect(window, &r) ? GrabScreen(r) : Picture{};
}

Picture LoadResourcePicture(const char* path, int32_t id) {
  const HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return {};
  Picture picture;
  if (const HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(id))) {
    BITMAP shape{};
    GetObjectA(bitmap, sizeof shape, &shape);
    std::vector<uint32_t> words(size_t(shape.bmWidth) * size_t(shape.bmHeight));
    BITMAPINFO info = TopDown32(shape.bmWidth, shape.bmHeight);
    ScreenDc screen;
    if (!words.empty() &&
        GetDIBits(screen.dc, bitmap, 0, UINT(shape.bmHeight), words.data(), &info, DIB_RGB_COLORS) == shape.bmHeight)
      picture = FromDibWords(shape.bmWidth, shape.bmHeight, words.data());
    DeleteObject(bitmap);
  }
  FreeLibrary(module);
  return picture;
}

bool WriteBmp(const std::string& path, const Picture& picture) {
  if (picture.width <= 0 || picture.height <= 0) return false;
  const uint32_t rowBytes = (uint32_t(picture.width) * 3 + 3) & ~3u;
  const uint32_t imageBytes = rowBytes * uint32_t(picture.height);
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER header{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + imageBytes;
  header.biSize = sizeof header;
  header.biWidth = picture.width;
  header.biHeight = picture.height;  // bottom row first
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = imageBytes;

  std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!out) return false;
  std::fwrite(&file, sizeof file, 1, out.get());
  std::fwrite(&header, sizeof header, 1, out.get());
  std::vector<uint8_t> row(rowBytes, 0);
  for (int32_t y = picture.height - 1; y >= 0; --y) {
    for (int32_t x = 0; x < picture.width; ++x) {
      const COLORREF c = picture.At(x, y);
      row[size_t(x) * 3] = GetBValue(c);
      row[size_t(x) * 3 + 1] = GetGValue(c);
      row[size_t(x) * 3 + 2] = GetRValue(c);
    }
    std::fwrite(row.data(), 1, row.size(), out.get());
  }
  return std::fflush(out.get()) == 0 && !std::ferror(out.get());
}
