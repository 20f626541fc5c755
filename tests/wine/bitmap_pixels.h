// Writes bitmaps and reads bitmaps and windows back for the Wine tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// Writes width x height pixels, 0x00RRGGBB with the top row first, into the bitmap.
inline void WriteBitmapPixels(HBITMAP bitmap, const uint32_t* pixels, int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  const HDC screen = GetDC(nullptr);
  SetDIBits(screen, bitmap, 0, height, pixels, &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
}

// A bitmap in the screen's format holding the pixels, as WriteBitmapPixels takes them.
inline HBITMAP MakeBitmapOfPixels(const uint32_t* pixels, int width, int height) {
  const HDC screen = GetDC(nullptr);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  ReleaseDC(nullptr, screen);
  WriteBitmapPixels(bitmap, pixels, width, height);
  return bitmap;
}

// The bitmap's pixels as 0x00RRGGBB, top row first; its size goes to *width and *height.
inline std::vector<uint32_t> BitmapPixels(HBITMAP bitmap, int* width, int* height) {
  BITMAP info = {};
  GetObjectA(bitmap, sizeof info, &info);
  *width = info.bmWidth;
  *height = info.bmHeight;
  BITMAPINFO request = {};
  request.bmiHeader.biSize = sizeof request.bmiHeader;
  request.bmiHeader.biWidth = info.bmWidth;
  request.bmiHeader.biHeight = -info.bmHeight;
  request.bmiHeader.biPlanes = 1;
  request.bmiHeader.biBitCount = 32;
  std::vector<uint32_t> pixels(size_t(info.bmWidth) * info.bmHeight);
  const HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, info.bmHeight, pixels.data(), &request, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  for (uint32_t& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

// The top-left width x height pixels of the window's client area as its device context gives
// them back, in the form of BitmapPixels.
inline std::vector<uint32_t> WindowPixels(HWND window, int width, int height) {
  const HDC windowDC = GetDC(window);
  const HDC memory = CreateCompatibleDC(windowDC);
  const HBITMAP copy = CreateCompatibleBitmap(windowDC, width, height);
  const HGDIOBJ previous = SelectObject(memory, copy);
  BitBlt(memory, 0, 0, width, height, windowDC, 0, 0, SRCCOPY);
  SelectObject(memory, previous);
  DeleteDC(memory);
  ReleaseDC(window, windowDC);
  std::vector<uint32_t> pixels = BitmapPixels(copy, &width, &height);
  DeleteObject(copy);
  return pixels;
}
