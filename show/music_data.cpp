#include "show/music_data.h"

#include <cstring>

#include "show/image_decode.h"

bool FindWaveData(const uint8_t* file, size_t size, const uint8_t** samples, size_t* length) {
  if (!file || size < 12 || std::memcmp(file, "RIFF", 4) != 0 ||
      std::memcmp(file + 8, "WAVE", 4) != 0) {
    return false;
  }
  // The RIFF chunk ends where it says, or with the file when that comes first.
  const size_t riffEnd = ReadU32(file + 4) < size - 8 ? size_t(ReadU32(file + 4)) + 8 : size;
  size_t at = 12;
  while (riffEnd - at >= 8) {
    const size_t chunkSize = ReadU32(file + at + 4);
    const size_t body = at + 8;
    if (std::memcmp(file + at, "data", 4) == 0) {
      if (chunkSize == 0 || chunkSize > riffEnd - body) return false;
      *samples = file + body;
      *length = chunkSize;
      return true;
    }
    // Chunks are padded to an even size.
    const size_t skip = chunkSize + (chunkSize & 1);
    if (skip > riffEnd - body) return false;
    at = body + skip;
  }
  return false;
}
