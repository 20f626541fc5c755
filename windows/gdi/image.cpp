#include "windows/gdi/image.h"

#include <cstring>

#include "show/image_decode.h"

namespace {

struct ResourceBytes {
  const uint8_t* data;
  size_t size;
};

bool FindImageResource(int resourceId, ResourceBytes* bytes) {
  return GfxImageResource(resourceId, &bytes->data, &bytes->size);
}

}  // namespace

bool GfxImageResource(int resourceId, const uint8_t** data, size_t* size) {
  const HMODULE module = GetModuleHandleA(nullptr);
  const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(resourceId), MAKEINTRESOURCEA(10));
  if (found == nullptr) return false;
  const HGLOBAL loaded = LoadResource(module, found);
  if (loaded == nullptr) return false;
  *data = static_cast<const uint8_t*>(LockResource(loaded));
  *size = SizeofResource(module, found);
  return *data != nullptr;
}

namespace {

// A zero-filled movable global block, locked; released by FreeBlock.
void* AllocBlock(size_t size, HGLOBAL* block) {
  *block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (*block == nullptr) return nullptr;
  void* address = GlobalLock(*block);
  if (address == nullptr) {
    GlobalFree(*block);
    *block = nullptr;
  }
  return address;
}

void FreeBlock(HGLOBAL block) {
  if (block == nullptr) return;
  GlobalUnlock(block);
  GlobalFree(block);
}

// Shrinks a full-size bitmap to `scale` per mille, dropping whole rows and columns so that image
// and mask stay in register and the mask stays black and white. Deletes `full`.
HBITMAP ShrinkForPreview(HDC context, HBITMAP full, int width, int height, int32_t scale) {
  const int smallWidth = scale * width / 1000;
  const int smallHeight = scale * height / 1000;
  HBITMAP small = CreateCompatibleBitmap(context, smallWidth > 0 ? smallWidth : 1,
                                         smallHeight > 0 ? smallHeight : 1);
  if (small != nullptr) {
    const HDC fullDc = CreateCompatibleDC(context);
    const HDC smallDc = CreateCompatibleDC(context);
    const HGDIOBJ previousFull = SelectObject(fullDc, full);
    const HGDIOBJ previousSmall = SelectObject(smallDc, small);
    SetStretchBltMode(smallDc, COLORONCOLOR);
    StretchBlt(smallDc, 0, 0, smallWidth, smallHeight, fullDc, 0, 0, width, height, SRCCOPY);
    SelectObject(fullDc, previousFull);
    SelectObject(smallDc, previousSmall);
    DeleteDC(fullDc);
    DeleteDC(smallDc);
  }
  DeleteObject(full);
  return small;
}

}  // namespace

HPALETTE GfxLoadPalette(int resourceId) {
  ResourceBytes bytes;
  if (!FindImageResource(resourceId, &bytes)) return nullptr;
  ImageInfo info;
  if (!ImageReadInfo(bytes.data, bytes.size, &info)) return nullptr;
  HGLOBAL block;
  const size_t size = sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * info.colourCount;
  auto* palette = static_cast<LOGPALETTE*>(AllocBlock(size, &block));
  if (palette == nullptr) return nullptr;
  palette->palVersion = 0x300;
  palette->palNumEntries = static_cast<WORD>(info.colourCount);
  const uint8_t* table = bytes.data + info.colourTableOffset;
  for (uint32_t i = 0; i < info.colourCount; ++i) {
    // The table is blue, green, red, reserved; the palette entry red, green, blue, flags.
    palette->palPalEntry[i] =
        PALETTEENTRY{table[4 * i + 2], table[4 * i + 1], table[4 * i], table[4 * i + 3]};
  }
  const HPALETTE result = CreatePalette(palette);
  FreeBlock(block);
  return result;
}

HPALETTE GfxSelectPalette(HDC context, HPALETTE palette) {
  if (palette == nullptr) return nullptr;
  const HPALETTE previous = SelectPalette(context, palette, FALSE);
  if (previous != nullptr) RealizePalette(context);
  return previous;
}

void GfxPutPaletteBack(HDC context, HPALETTE previous) {
  if (previous != nullptr) SelectPalette(context, previous, FALSE);
}

void GfxRestorePalette(HWND window, HPALETTE previous, HPALETTE* palette) {
  if (*palette == nullptr) return;
  const HDC context = GetDC(window);
  GfxPutPaletteBack(context, previous);
  RealizePalette(context);
  DeleteObject(*palette);
  *palette = nullptr;
  ReleaseDC(window, context);
}

HBITMAP GfxLoadBitmap(HDC context, int resourceId, int mask, int32_t scale) {
  ResourceBytes bytes;
  if (!FindImageResource(resourceId, &bytes)) return nullptr;
  ImageInfo info;
  if (!ImageReadInfo(bytes.data, bytes.size, &info)) return nullptr;

  HGLOBAL infoBlock;
  const size_t infoSize = kImageHeaderSize + 4 * size_t(info.colourCount);
  auto* bitmapInfo = static_cast<BITMAPINFO*>(AllocBlock(infoSize, &infoBlock));
  if (bitmapInfo == nullptr) return nullptr;
  std::memcpy(bitmapInfo, bytes.data, kImageHeaderSize);
  RGBQUAD* colours = bitmapInfo->bmiColors;
  if (mask) {
    colours[0] = RGBQUAD{255, 255, 255, 0};  // the rest stays zero: black
  } else {
    std::memcpy(colours, bytes.data + info.colourTableOffset, 4 * size_t(info.colourCount));
    colours[0].rgbBlue = colours[0].rgbGreen = colours[0].rgbRed = 0;
  }

  HGLOBAL pixelBlock;
  auto* pixels = static_cast<uint8_t*>(AllocBlock(info.pixelBufferSize, &pixelBlock));
  HBITMAP result = nullptr;
  if (pixels != nullptr && ImageDecodePixels(bytes.data, bytes.size, info, pixels)) {
    result = CreateDIBitmap(context, &bitmapInfo->bmiHeader, CBM_INIT, pixels, bitmapInfo,
                            DIB_RGB_COLORS);
    if (result != nullptr && scale != kUnscaled)
      result = ShrinkForPreview(context, result, info.width, info.height, scale);
  }
  FreeBlock(pixelBlock);
  FreeBlock(infoBlock);
  return result;
}

int GfxLoadPictures(HDC context, const int* resourceIds, int count, HPALETTE* palette,
                    HPALETTE* replaced, SpriteSheet* pictures, int32_t scale) {
  if (count <= 0) return 0;
  *palette = GfxLoadPalette(resourceIds[0]);
  if (*palette == nullptr) return 0;
  // Masks hold only black and white: they are built before the palette is selected.
  for (int i = 0; i < count; ++i) {
    pictures[i].mask = GfxLoadBitmap(context, resourceIds[i], 1, scale);
    if (pictures[i].mask == nullptr) return 0;
  }
  // Images are built with the palette realised, so that a 256-colour display matches them.
  *replaced = GfxSelectPalette(context, *palette);
  for (int i = 0; i < count; ++i) {
    pictures[i].image = GfxLoadBitmap(context, resourceIds[i], 0, scale);
    if (pictures[i].image == nullptr) return 0;
  }
  return 1;
}
