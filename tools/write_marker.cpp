// Writes the data-folder marker file: the signature text, byte for byte.
#include <cstdio>

#include "windows/settings/signature.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: write_marker OUTPUT\n");
    return 2;
  }
  std::FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr || std::fwrite(SIGNATURE_TEXT, 1, kSignatureLength, out) != kSignatureLength ||
      std::fclose(out) != 0) {
    std::fprintf(stderr, "write_marker: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
