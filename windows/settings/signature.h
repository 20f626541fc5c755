// The signature text that a data-folder marker file must begin with. Platform-free.
#pragma once

#include <cstddef>

// Two upper-case lines of 50 and 47 characters, each ended by a line feed. The literal's
// terminating zero is not part of the signature: only its first kSignatureLength bytes count.
constexpr char SIGNATURE_TEXT[] =
    "QAV SCREEN SAVER VOLUME THREE DATA FOLDER MARKER A\n"
    "KEEP THIS FILE BESIDE THE QV THREE DATA FOLDERS\n";
constexpr size_t kSignatureLength = sizeof(SIGNATURE_TEXT) - 1;
static_assert(kSignatureLength == 99, "the signature is 99 bytes");

// Whether `byte` is the signature's byte at `index` (0 to 98).
bool SignatureByteMatches(size_t index, unsigned char byte);
