// Reading the program's image resources: a 40-byte bitmap header, a colour table and
// run-length-coded 8-bit pixels (or raw 1-bit rows). Platform-free and safe on damaged data:
// nothing is read or written outside the resource and the caller's buffer.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kImageHeaderSize = 40;
constexpr size_t kPixelBufferSlack = 256;     // spare zero bytes after the decoded rows
constexpr int64_t kMaxImagePixels = 1 << 24;  // larger pictures are refused as damaged

struct ImageInfo {
  int32_t width;
  int32_t height;
  uint16_t bitCount;
  uint32_t colourCount;      // entries in the colour table
  size_t colourTableOffset;  // always kImageHeaderSize
  size_t pixelOffset;        // where the pixel data starts
  size_t pixelBufferSize;    // bytes of the zero-filled buffer the pixels decode into
};

// Reads and checks the header. Refused: a header size other than 40, a bit count above 8 or
// equal to 4, more than 256 colours, a colour table that runs past the data, a size that is
// not positive or too large, 8-bit rows whose width is not a multiple of 4, and raw rows other
// than 1-bit rows whose width is a multiple of 32.
bool ImageReadInfo(const uint8_t* data, size_t size, ImageInfo* info);

// Decodes the pixels into `pixels` (info.pixelBufferSize bytes, zero-filled by the caller).
// 8-bit: the run-length stream up to its end code; a stream that would overrun the rows or
// that ends without its end code is refused. Raw rows: copied when the data holds them all.
// `decoded`, when given, receives the number of pixel bytes the data produced.
bool ImageDecodePixels(const uint8_t* data, size_t size, const ImageInfo& info, uint8_t* pixels,
                       size_t* decoded = nullptr);

// Little-endian reads of the format's fields (the encoder's tests read headers with them).
uint32_t ReadU32(const uint8_t* p);
uint16_t ReadU16(const uint8_t* p);
