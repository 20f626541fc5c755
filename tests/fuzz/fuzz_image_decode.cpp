// libFuzzer target: any bytes as an image resource. The decoder must stay inside the data and
// its buffer (AddressSanitizer watches) and never report more pixels than the rows hold.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "show/image_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ImageInfo info;
  if (!ImageReadInfo(data, size, &info)) return 0;
  std::vector<uint8_t> pixels(info.pixelBufferSize);
  size_t decoded = 0;
  if (ImageDecodePixels(data, size, info, pixels.data(), &decoded) &&
      decoded > info.pixelBufferSize)
    std::abort();
  return 0;
}
