#include "settings/signature.h"

bool SignatureByteMatches(size_t index, unsigned char byte) {
  return index < kSignatureLength && static_cast<unsigned char>(SIGNATURE_TEXT[index]) == byte;
}

bool MarkerMatches(const unsigned char* data, size_t length) {
  if (length < kSignatureLength) return false;
  for (size_t i = 0; i < kSignatureLength; ++i)
    if (!SignatureByteMatches(i, data[i])) return false;
  return true;
}
