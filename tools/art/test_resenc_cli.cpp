// Runs the resenc tool on small pictures and checks what it accepts and how it refuses.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/art/png_io.h"
#include "tools/art/program_decode.h"

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

IndexedImage Picture(int w, int h, uint8_t fill) {
  IndexedImage image;
  image.width = w;
  image.height = h;
  image.palette.assign(256, Rgb{});
  image.palette[0] = {64, 64, 64};
  image.palette[1] = {200, 10, 10};
  image.pixels.assign(static_cast<size_t>(w) * h, fill);
  return image;
}

struct ToolRun {
  int exitCode;
  std::string err;
};

ToolRun Resenc(const std::string& args) {
  const std::string dir = testing::TempDir();
  const std::string command = std::string(RESENC_PATH) + " " + args + " 2>" + dir + "/resenc.err";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(dir + "/resenc.err")};
}

TEST(ResencTool, EncodesGoodArtAndRefusesBadArtWithOneMessage) {
  const std::string dir = testing::TempDir();
  std::string error;
  IndexedImage good = Picture(8, 4, 1);
  good.pixels[0] = 0;
  ASSERT_TRUE(WriteIndexedPng(dir + "/good.png", good, &error)) << error;
  IndexedImage with255 = Picture(8, 4, 1);
  with255.pixels[13] = 255;
  ASSERT_TRUE(WriteIndexedPng(dir + "/with255.png", with255, &error)) << error;
  IndexedImage otherKey = Picture(8, 4, 1);
  otherKey.palette[0] = {0, 0, 0};
  ASSERT_TRUE(WriteIndexedPng(dir + "/otherkey.png", otherKey, &error)) << error;
  IndexedImage otherPalette = Picture(8, 4, 1);
  otherPalette.palette[7] = {1, 2, 3};
  ASSERT_TRUE(WriteIndexedPng(dir + "/otherpal.png", otherPalette, &error)) << error;
  ASSERT_TRUE(WriteRgbPng(dir + "/rgb.png", 8, 4, std::vector<uint8_t>(8 * 4 * 3, 9), &error));

  const std::string out = " " + dir + "/out.rle --colour0 64,64,64";
  struct Case {
    const char* name;
    std::string args;
    int exitCode;
    std::string fault;  // expected in the message, with the file's name
    std::string file;
  };
  const Case cases[] = {
      {"good", dir + "/good.png" + out + " --size 8x4 --same-palette-as " + dir + "/good.png", 0,
       "", ""},
      {"wrong size", dir + "/good.png" + out + " --size 8x8", 1, "wrong size 8x4", "good.png"},
      {"not indexed", dir + "/rgb.png" + out, 1, "not an 8-bit indexed", "rgb.png"},
      {"index 255", dir + "/with255.png" + out, 1, "colour index 255 is used", "with255.png"},
      {"colour 0", dir + "/otherkey.png" + out, 1, "colour 0 is 0,0,0", "otherkey.png"},
      {"palette", dir + "/otherpal.png" + out + " --same-palette-as " + dir + "/good.png", 1,
       "palette differs", "otherpal.png"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ToolRun run = Resenc(c.args);
    EXPECT_EQ(run.exitCode, c.exitCode);
    if (c.exitCode == 0) {
      EXPECT_EQ(run.err, "");
      const std::string rle = ReadText(dir + "/out.rle");
      ASSERT_GE(rle.size(), 40u + 1024u + 2u);
      EXPECT_EQ(rle.substr(rle.size() - 2), "\xFF\xFF");
      EXPECT_EQ(static_cast<uint8_t>(rle[4]), 8);  // width
      EXPECT_EQ(static_cast<uint8_t>(rle[8]), 4);  // height
      EXPECT_EQ(ProgramDecodeResource(std::vector<uint8_t>(rle.begin(), rle.end())), good.pixels);
    } else {
      EXPECT_NE(run.err.find(c.fault), std::string::npos) << run.err;
      EXPECT_NE(run.err.find(c.file), std::string::npos) << run.err;
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
  }
}

}  // namespace
