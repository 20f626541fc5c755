#include "windows/settings/signature.h"

bool SignatureByteMatches(size_t index, unsigned char byte) {
  return index < kSignatureLength && static_cast<unsigned char>(SIGNATURE_TEXT[index]) == byte;
}
