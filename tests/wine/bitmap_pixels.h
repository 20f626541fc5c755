// Reads a bitmap back for the Wine tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

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
