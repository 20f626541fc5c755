// Tests of the run-length image resource encoder.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "show/image_decode.h"
#include "tools/art/program_decode.h"
#include "tools/art/rle_encode.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Repeat(uint8_t v, int n) { return Bytes(n, v); }
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

struct StreamCase {
  const char* name;
  Bytes pixels;
  Bytes stream;
};

TEST(RleStream, EncodesRunsAndLiterals) {
  const StreamCase cases[] = {
      {"empty", {}, {0xFF, 0xFF}},
      {"distinct pixels stay literal", {1, 2, 3}, {1, 2, 3, 0xFF, 0xFF}},
      {"repeat of 3 stays literal", Repeat(7, 3), {7, 7, 7, 0xFF, 0xFF}},
      {"repeat of 4 becomes a run", Repeat(7, 4), {0xFF, 7, 4, 0xFF, 0xFF}},
      {"run of colour 0", Cat({{1}, Repeat(0, 6), {2}}), {1, 0xFF, 0, 6, 2, 0xFF, 0xFF}},
      {"255 fits one run", Repeat(9, 255), {0xFF, 9, 255, 0xFF, 0xFF}},
      {"300 splits into 255 + 45", Repeat(5, 300), {0xFF, 5, 255, 0xFF, 5, 45, 0xFF, 0xFF}},
      {"short remainder after 255 is literal", Repeat(5, 257), {0xFF, 5, 255, 5, 5, 0xFF, 0xFF}},
      {"remainder of 4 after 255 is a run", Repeat(5, 259), {0xFF, 5, 255, 0xFF, 5, 4, 0xFF, 0xFF}},
      {"pairs between runs",
       Cat({Repeat(1, 2), Repeat(2, 5), Repeat(1, 2)}),
       {1, 1, 0xFF, 2, 5, 1, 1, 0xFF, 0xFF}},
      {"pixel 254 is an ordinary pixel", {254, 254, 1}, {254, 254, 1, 0xFF, 0xFF}},
  };
  for (const StreamCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto stream = EncodeRleStream(c.pixels);
    ASSERT_TRUE(stream.has_value());
    EXPECT_EQ(*stream, c.stream);
    EXPECT_EQ(ProgramDecodeStream(*stream, c.pixels.size()), c.pixels);
  }
}

TEST(RleStream, RefusesTheEscapeValueAsPixel) {
  EXPECT_FALSE(EncodeRleStream(Bytes{1, 0xFF, 2}).has_value());
}

TEST(RleStream, RoundTripsMixedContent) {
  // Deterministic mix of runs of every length around the limits and noisy stretches.
  Bytes pixels;
  uint32_t seed = 12345;
  for (int i = 0; i < 400; ++i) {
    seed = seed * 1103515245u + 12345u;
    const uint8_t v = static_cast<uint8_t>((seed >> 16) % 255);
    const int n = static_cast<int>((seed >> 8) % 600) % (i % 3 == 0 ? 600 : 5) + 1;
    pixels.insert(pixels.end(), n, v);
  }
  const auto stream = EncodeRleStream(pixels);
  ASSERT_TRUE(stream.has_value());
  EXPECT_EQ(ProgramDecodeStream(*stream, pixels.size()), pixels);
  // No repeat of 4 or more equal pixels is left as literals.
  for (size_t i = 0; i + 3 < stream->size(); ++i) {
    const uint8_t v = (*stream)[i];
    if (v == 0xFF) {
      i += 2;
      continue;
    }
    EXPECT_FALSE((*stream)[i + 1] == v && (*stream)[i + 2] == v && (*stream)[i + 3] == v)
        << "literal repeat at " << i;
  }
}

TEST(RleResource, HeaderPaletteAndBottomUpStream) {
  IndexedImage image;
  image.width = 4;
  image.height = 3;
  image.palette = {{64, 64, 64}, {10, 20, 30}, {200, 100, 50}};
  // Top to bottom. The run of 3s at the end of the bottom row continues into the middle row.
  image.pixels = {1, 2, 1, 2,   //
                  3, 3, 3, 3,   //
                  5, 5, 3, 3};  //
  const auto res = EncodeResource(image);
  ASSERT_TRUE(res.has_value());
  const Bytes& r = *res;
  ASSERT_EQ(r.size(), 40u + 1024u + 11u);

  struct Field {
    const char* name;
    size_t offset;
    int size;
    uint32_t value;
  };
  const Field fields[] = {
      {"biSize", 0, 4, 40},      {"biWidth", 4, 4, 4},          {"biHeight", 8, 4, 3},
      {"biPlanes", 12, 2, 1},    {"biBitCount", 14, 2, 8},      {"biCompression", 16, 4, 0},
      {"biSizeImage", 20, 4, 0}, {"biXPelsPerMeter", 24, 4, 0}, {"biYPelsPerMeter", 28, 4, 0},
      {"biClrUsed", 32, 4, 256}, {"biClrImportant", 36, 4, 0},
  };
  for (const Field& f : fields) {
    SCOPED_TRACE(f.name);
    EXPECT_EQ(f.size == 4 ? ReadU32(&r[f.offset]) : ReadU16(&r[f.offset]), f.value);
  }
  // Colour table: blue, green, red, 0; padded with zero entries.
  EXPECT_EQ(Bytes(r.begin() + 40, r.begin() + 52),
            (Bytes{64, 64, 64, 0, 30, 20, 10, 0, 50, 100, 200, 0}));
  EXPECT_EQ(Bytes(r.begin() + 52, r.begin() + 1064), Bytes(1012, 0));
  // Bottom row first; the run crosses the row end; end code last.
  EXPECT_EQ(Bytes(r.begin() + 1064, r.end()), (Bytes{5, 5, 0xFF, 3, 6, 1, 2, 1, 2, 0xFF, 0xFF}));
  EXPECT_EQ(ProgramDecodeResource(r), image.pixels);
}

TEST(RleResource, LargePicturesRoundTripThroughTheProgramsDecoder) {
  // Runs that cross rows and the 255 limit, noise, and colours 0 and 254.
  IndexedImage image;
  image.width = 52;
  image.height = 37;
  image.palette.assign(256, Rgb{1, 2, 3});
  uint32_t seed = 99;
  while (image.pixels.size() < size_t(image.width) * image.height) {
    seed = seed * 1103515245u + 12345u;
    const uint8_t v = static_cast<uint8_t>((seed >> 16) % 255);
    const size_t n = seed >> 28 < 4 ? (seed >> 8) % 400 + 1 : 1;
    image.pixels.insert(image.pixels.end(), n, v);
  }
  image.pixels.resize(size_t(image.width) * image.height);
  image.pixels.front() = 254;
  image.pixels.back() = 0;
  const auto resource = EncodeResource(image);
  ASSERT_TRUE(resource.has_value());
  EXPECT_EQ(ProgramDecodeResource(*resource), image.pixels);
}

}  // namespace
