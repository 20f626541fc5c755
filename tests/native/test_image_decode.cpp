#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "show/image_decode.h"

namespace {

using Bytes = std::vector<uint8_t>;

void PutU32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A resource with the given header fields, a colour table of `colours` entries and `stream`.
Bytes Resource(int32_t width, int32_t height, uint16_t bits, uint32_t clrUsed, uint32_t colours,
               const Bytes& stream) {
  Bytes b(40 + 4 * colours, 0);
  PutU32(b, 0, 40);
  PutU32(b, 4, static_cast<uint32_t>(width));
  PutU32(b, 8, static_cast<uint32_t>(height));
  b[12] = 1;
  b[14] = static_cast<uint8_t>(bits);
  b[15] = static_cast<uint8_t>(bits >> 8);
  PutU32(b, 32, clrUsed);
  for (uint32_t i = 0; i < colours; ++i) b[40 + 4 * i] = static_cast<uint8_t>(i);
  b.insert(b.end(), stream.begin(), stream.end());
  return b;
}

struct Decoded {
  bool ok;
  Bytes pixels;
  size_t count;  // pixel bytes produced
};

Decoded Decode(const Bytes& resource) {
  ImageInfo info;
  if (!ImageReadInfo(resource.data(), resource.size(), &info)) return {false, {}, 0};
  Bytes pixels(info.pixelBufferSize, 0);
  size_t decoded = 0;
  const bool ok =
      ImageDecodePixels(resource.data(), resource.size(), info, pixels.data(), &decoded);
  return {ok, pixels, decoded};
}

TEST(ImageReadInfo, ColourCountAndOffsets) {
  ImageInfo info;
  const Bytes zeroUsed = Resource(8, 2, 8, 0, 256, {0xFF, 0xFF});
  ASSERT_TRUE(ImageReadInfo(zeroUsed.data(), zeroUsed.size(), &info));
  EXPECT_EQ(info.colourCount, 256u);  // biClrUsed 0 means 2 to the bit count
  EXPECT_EQ(info.pixelOffset, 40u + 1024u);
  EXPECT_EQ(info.pixelBufferSize, 8u * 2u + 256u);
  const Bytes few = Resource(8, 2, 8, 3, 3, {0xFF, 0xFF});
  ASSERT_TRUE(ImageReadInfo(few.data(), few.size(), &info));
  EXPECT_EQ(info.pixelOffset, 40u + 12u);
}

TEST(ImageReadInfo, RefusesHeadersOutsideWhatThePicturesHold) {
  struct Case {
    const char* what;
    Bytes resource;
  };
  Bytes badSize = Resource(8, 2, 8, 256, 256, {0xFF, 0xFF});
  PutU32(badSize, 0, 108);
  Bytes cut = Resource(8, 2, 8, 256, 256, {});
  cut.resize(500);
  const Case cases[] = {
      {"header size other than 40", badSize},
      {"4-bit", Resource(8, 2, 4, 16, 16, {})},
      {"24-bit", Resource(8, 2, 24, 0, 0, {})},
      {"more than 256 colours", Resource(8, 2, 8, 300, 300, {0xFF, 0xFF})},
      {"colour table past the end", cut},
      {"width not a multiple of 4", Resource(6, 2, 8, 256, 256, {0xFF, 0xFF})},
      {"zero width", Resource(0, 2, 8, 256, 256, {0xFF, 0xFF})},
      {"negative height", Resource(8, -2, 8, 256, 256, {0xFF, 0xFF})},
      {"huge", Resource(65536, 65536, 8, 256, 256, {0xFF, 0xFF})},
      {"1-bit rows not a multiple of 32", Resource(8, 8, 1, 2, 2, Bytes(8, 0))},
      {"2-bit rows", Resource(16, 2, 2, 4, 4, Bytes(8, 0))},
      {"shorter than a header", Bytes(20, 0)},
  };
  for (const Case& c : cases) {
    ImageInfo info;
    EXPECT_FALSE(ImageReadInfo(c.resource.data(), c.resource.size(), &info)) << c.what;
  }
}

TEST(ImageDecodePixels, RunLengthStream) {
  struct Case {
    const char* what;
    Bytes stream;
    bool ok;
    Bytes rows;  // the first bytes of the decoded rows; the rest must be zero
  };
  const Case cases[] = {
      {"literal pixels", {1, 2, 3, 0xFF, 0xFF}, true, {1, 2, 3}},
      {"a run", {0xFF, 7, 5, 0xFF, 0xFF}, true, {7, 7, 7, 7, 7}},
      {"a run of zero adds nothing", {0xFF, 7, 0, 9, 0xFF, 0xFF}, true, {9}},
      {"a run crosses row ends", {0xFF, 4, 10, 0xFF, 0xFF}, true, Bytes(10, 4)},
      {"the end code stops wherever it stands", {5, 0xFF, 0xFF, 6, 6}, true, {5}},
      {"every pixel", {0xFF, 3, 16, 0xFF, 0xFF}, true, Bytes(16, 3)},
      {"one pixel too many", {0xFF, 3, 16, 1, 0xFF, 0xFF}, false, {}},
      {"a run past the rows", {0xFF, 3, 17, 0xFF, 0xFF}, false, {}},
      {"no end code", {1, 2, 3}, false, {}},
      {"cut inside a run", {0xFF, 3}, false, {}},
      {"cut after the marker", {0xFF}, false, {}},
  };
  for (const Case& c : cases) {
    const Decoded d = Decode(Resource(8, 2, 8, 256, 256, c.stream));
    EXPECT_EQ(d.ok, c.ok) << c.what;
    if (!c.ok || !d.ok) continue;
    ASSERT_EQ(d.pixels.size(), 16u + 256u);
    Bytes expected(d.pixels.size(), 0);
    std::copy(c.rows.begin(), c.rows.end(), expected.begin());
    EXPECT_EQ(d.pixels, expected) << c.what;
  }
}

TEST(ImageDecodePixels, RunOf255AndLongRepeats) {
  Bytes stream = {0xFF, 9, 255, 0xFF, 9, 255, 0xFF, 9, 2, 0xFF, 0xFF};
  const Decoded d = Decode(Resource(512, 1, 8, 256, 256, stream));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.count, 512u);
  for (int i = 0; i < 512; ++i) ASSERT_EQ(d.pixels[i], 9) << i;
}

TEST(ImageDecodePixels, RawOneBitRows) {
  Bytes rows(4 * 2);
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(0x11 * i);
  Decoded d = Decode(Resource(32, 2, 1, 2, 2, rows));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.pixels, rows);
  d = Decode(Resource(32, 2, 1, 2, 2, Bytes(rows.begin(), rows.begin() + 7)));
  EXPECT_FALSE(d.ok);  // shorter than the header promises
}

// Damaged resources of every kind: decoding must stay inside the data and the buffer
// (AddressSanitizer watches) and never crash.
TEST(ImageDecodePixels, SurvivesRandomDamage) {
  std::mt19937 random(1234);
  Bytes good = Resource(16, 8, 8, 256, 256, {0xFF, 1, 40, 2, 3, 0xFF, 4, 60, 0xFF, 0xFF});
  for (int round = 0; round < 20000; ++round) {
    Bytes damaged = good;
    const int edits = 1 + random() % 6;
    for (int e = 0; e < edits; ++e) {
      switch (random() % 4) {
        case 0:
          if (!damaged.empty()) damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
          break;
        case 1:
          damaged.resize(random() % (damaged.size() + 1));
          break;
        case 2:
          if (damaged.size() > 40) damaged[40 + random() % (damaged.size() - 40)] = 0xFF;
          break;
        default:
          damaged.push_back(static_cast<uint8_t>(random()));
          break;
      }
    }
    Decode(damaged);
  }
}

}  // namespace
