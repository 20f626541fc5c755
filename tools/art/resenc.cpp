// resenc INPUT.png OUTPUT.rle --colour0 R,G,B [--same-palette-as OTHER.png] [--size WxH]
//
// Converts an 8-bit palette PNG into the program's run-length coded image resource, refusing
// pictures the program could not show correctly.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/art/png_io.h"
#include "tools/art/rle_encode.h"

namespace {

int Fail(const std::string& file, const std::string& fault) {
  std::fprintf(stderr, "resenc: %s: %s\n", file.c_str(), fault.c_str());
  return 1;
}

int Usage(const std::string& fault) {
  std::fprintf(stderr,
               "resenc: %s\nusage: resenc INPUT.png OUTPUT.rle --colour0 R,G,B "
               "[--same-palette-as OTHER.png] [--size WxH]\n",
               fault.c_str());
  return 1;
}

bool ParseColour(const std::string& text, Rgb* colour) {
  int r = -1, g = -1, b = -1;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%d,%d,%d%c", &r, &g, &b, &tail) != 3) return false;
  if (r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255) return false;
  *colour = {static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)};
  return true;
}

bool ParseSize(const std::string& text, int* w, int* h) {
  char tail = 0;
  return std::sscanf(text.c_str(), "%dx%d%c", w, h, &tail) == 2 && *w > 0 && *h > 0;
}

std::string ColourText(const Rgb& c) {
  return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
}

// The palette as the resource stores it: padded with zero entries to 256.
std::vector<Rgb> Padded(std::vector<Rgb> palette) {
  palette.resize(256);
  return palette;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> positional;
  std::string colour0Text, otherPath, sizeText;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string* target) {
      if (i + 1 >= argc) return false;
      *target = argv[++i];
      return true;
    };
    if (arg == "--colour0" || arg == "--color0") {
      if (!value(&colour0Text)) return Usage("--colour0 needs R,G,B");
    } else if (arg == "--same-palette-as") {
      if (!value(&otherPath)) return Usage("--same-palette-as needs a file");
    } else if (arg == "--size") {
      if (!value(&sizeText)) return Usage("--size needs WxH");
    } else if (arg.starts_with("--")) {
      return Usage("unknown option " + arg);
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2) return Usage("need one input and one output file");
  if (colour0Text.empty()) return Usage("--colour0 is required");
  const std::string& input = positional[0];
  const std::string& output = positional[1];
  Rgb colour0;
  if (!ParseColour(colour0Text, &colour0)) return Usage("bad --colour0 value " + colour0Text);
  int wantW = 0, wantH = 0;
  if (!sizeText.empty() && !ParseSize(sizeText, &wantW, &wantH))
    return Usage("bad --size value " + sizeText);

  IndexedImage image;
  std::string error;
  if (!ReadIndexedPng(input, &image, &error)) return Fail(input, error);
  if (!sizeText.empty() && (image.width != wantW || image.height != wantH)) {
    return Fail(input, "wrong size " + std::to_string(image.width) + "x" +
                           std::to_string(image.height) + ", expected " + sizeText);
  }
  if (image.width % 4 != 0)
    return Fail(input, "width " + std::to_string(image.width) + " is not a multiple of 4");
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    if (image.pixels[i] == 255) {
      const int x = static_cast<int>(i % image.width), y = static_cast<int>(i / image.width);
      return Fail(input, "colour index 255 is used (first at pixel " + std::to_string(x) + "," +
                             std::to_string(y) + ")");
    }
  }
  const Rgb actual0 = image.palette.empty() ? Rgb{} : image.palette[0];
  if (!(actual0 == colour0)) {
    return Fail(input, "colour 0 is " + ColourText(actual0) + ", expected " + colour0Text);
  }
  if (!otherPath.empty()) {
    IndexedImage other;
    if (!ReadIndexedPng(otherPath, &other, &error)) return Fail(otherPath, error);
    const std::vector<Rgb> mine = Padded(image.palette), theirs = Padded(other.palette);
    for (int i = 0; i < 256; ++i) {
      if (!(mine[i] == theirs[i])) {
        return Fail(input, "palette differs from " + otherPath + "'s at entry " +
                               std::to_string(i) + " (" + ColourText(mine[i]) + " vs " +
                               ColourText(theirs[i]) + ")");
      }
    }
  }
  const auto resource = EncodeResource(image);
  if (!resource) return Fail(input, "cannot be encoded");
  std::ofstream out(output, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(resource->data()),
            static_cast<std::streamsize>(resource->size()));
  out.close();
  if (!out) return Fail(output, "cannot be written");
  return 0;
}
