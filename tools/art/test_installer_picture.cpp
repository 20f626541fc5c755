// The setup programs' picture: drawn from the committed sheets, and written as a bitmap file
// Windows reads (bottom-up rows, blue first, rows padded to four bytes).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "show/cast_tables.h"
#include "tools/art/installer_picture.h"
#include "tools/art/sheet_names.h"

namespace {

std::vector<IndexedImage> CommittedSheets() {
  std::vector<IndexedImage> sheets(kSheetCount);
  std::string error;
  for (int sheet = 0; sheet < kSheetCount; ++sheet) {
    const std::string path = std::string(ART_SOURCE_DIR) + "/res/" + SheetPictureName(sheet);
    EXPECT_TRUE(ReadIndexedPng(path, &sheets[sheet], &error)) << path << ": " << error;
  }
  return sheets;
}

bool Lit(const std::vector<uint8_t>& rgb, int x, int y) {
  const uint8_t* p = &rgb[(static_cast<size_t>(y) * kInstallerPictureWidth + x) * 3];
  return p[0] | p[1] | p[2];
}

TEST(InstallerPicture, ShowsThreeCharactersOnBlackTheLastOneFaded) {
  std::vector<uint8_t> rgb;
  std::string error;
  ASSERT_TRUE(ComposeInstallerPicture(CommittedSheets(), &rgb, &error)) << error;
  ASSERT_EQ(rgb.size(), static_cast<size_t>(kInstallerPictureWidth) * kInstallerPictureHeight * 3);
  // Counts lit pixels in three horizontal bands (one per character) and, in the bottom band,
  // those on the dither's odd squares.
  int lit[3] = {0, 0, 0}, litOdd = 0;
  for (int y = 0; y < kInstallerPictureHeight; ++y) {
    for (int x = 0; x < kInstallerPictureWidth; ++x) {
      if (!Lit(rgb, x, y)) continue;
      const int band = y < 112 ? 0 : y < 214 ? 1 : 2;
      ++lit[band];
      if (band == 2 && ((x + y) & 1)) ++litOdd;
    }
  }
  for (int band = 0; band < 3; ++band) EXPECT_GT(lit[band], 1500) << "band " << band;
  EXPECT_EQ(litOdd, 0);
  for (int x : {0, kInstallerPictureWidth - 1})
    for (int y : {0, kInstallerPictureHeight - 1}) EXPECT_FALSE(Lit(rgb, x, y));
}

TEST(InstallerPicture, SheetsOfTheWrongSizeAreRefused) {
  std::vector<IndexedImage> sheets = CommittedSheets();
  sheets[1].width -= 8;
  std::vector<uint8_t> rgb;
  std::string error;
  EXPECT_FALSE(ComposeInstallerPicture(sheets, &rgb, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(ComposeInstallerPicture({}, &rgb, &error));
}

TEST(InstallerPicture, BitmapFileHasBottomUpPaddedBlueFirstRows) {
  // 3 x 2 pixels: rows of 9 bytes padded to 12.
  const std::vector<uint8_t> rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
  const std::string path = ::testing::TempDir() + "installer_picture_test.bmp";
  std::string error;
  ASSERT_TRUE(WriteBmp(path, 3, 2, rgb, &error)) << error;
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  std::remove(path.c_str());
  ASSERT_EQ(file.size(), 54u + 24u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(file[2], 78);   // file size
  EXPECT_EQ(file[10], 54);  // pixels' offset
  EXPECT_EQ(file[18], 3);   // width
  EXPECT_EQ(file[22], 2);   // height, positive: bottom-up
  EXPECT_EQ(file[28], 24);  // bits per pixel
  const std::vector<uint8_t> pixels(file.begin() + 54, file.end());
  const std::vector<uint8_t> expected = {12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0,
                                         3,  2,  1,  6,  5,  4,  9,  8,  7,  0, 0, 0};
  EXPECT_EQ(pixels, expected);
  EXPECT_FALSE(WriteBmp(path, 4, 2, rgb, &error));  // pixels of another size
}

}  // namespace
