// The setup program's welcome and finish picture: three characters of the cast cut from the
// sprite sheets, on black as the saver shows them, the last one half faded in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/art/png_io.h"

// The size NSIS's welcome and finish pages show without stretching.
constexpr int kInstallerPictureWidth = 164;
constexpr int kInstallerPictureHeight = 314;

// Where one character stands in the picture: its frame, and its top-left corner.
struct InstallerFigure {
  int sheet;
  int frame;
  int x, y;
  bool faded;  // drawn through a 50 % ordered dither, as in the middle of a fade
};

// Composes the picture from the three sheets (in sheet order) as RGB bytes, rows top to
// bottom; every frame is shrunk to half size by averaging the opaque pixels of each 2 x 2
// block (a block less than half covered stays black). Returns false and sets *error when a
// sheet is missing or not the size the cast's tables give.
bool ComposeInstallerPicture(const std::vector<IndexedImage>& sheets, std::vector<uint8_t>* rgb,
                             std::string* error);

// Writes RGB bytes (rows top to bottom) as a 24-bit Windows bitmap file.
bool WriteBmp(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
              std::string* error);
