// installerart SHEET0.png SHEET1.png SHEET2.png OUT.bmp [OUT.png]
//
// Draws the setup program's welcome and finish picture (164 x 314, a 24-bit bitmap) from the
// committed sprite sheets; with a fifth argument also as a PNG, to look at.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/art/installer_picture.h"
#include "tools/art/png_io.h"

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    std::fprintf(stderr,
                 "usage: installerart SHEET0.png SHEET1.png SHEET2.png OUT.bmp [OUT.png]\n");
    return 2;
  }
  std::vector<IndexedImage> sheets(3);
  std::string error;
  for (int i = 0; i < 3; ++i) {
    if (!ReadIndexedPng(argv[1 + i], &sheets[i], &error)) {
      std::fprintf(stderr, "installerart: %s: %s\n", argv[1 + i], error.c_str());
      return 1;
    }
  }
  std::vector<uint8_t> rgb;
  if (!ComposeInstallerPicture(sheets, &rgb, &error) ||
      !WriteBmp(argv[4], kInstallerPictureWidth, kInstallerPictureHeight, rgb, &error) ||
      (argc == 6 &&
       !WriteRgbPng(argv[5], kInstallerPictureWidth, kInstallerPictureHeight, rgb, &error))) {
    std::fprintf(stderr, "installerart: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
