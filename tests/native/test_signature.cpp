#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "windows/settings/signature.h"

namespace {

TEST(Signature, HasTheFormOfTwoUpperCaseLines) {
  const std::string text(SIGNATURE_TEXT, kSignatureLength);
  ASSERT_EQ(text.size(), 99u);
  EXPECT_EQ(text.find('\n'), 50u);
  EXPECT_EQ(text[98], '\n');
  for (char c : text) EXPECT_TRUE(c == '\n' || c == ' ' || (c >= 'A' && c <= 'Z')) << c;
}

TEST(SignatureByteMatches, AcceptsExactlyTheSignaturesBytes) {
  for (size_t i = 0; i < kSignatureLength; ++i) {
    const unsigned char byte = static_cast<unsigned char>(SIGNATURE_TEXT[i]);
    EXPECT_TRUE(SignatureByteMatches(i, byte)) << i;
    EXPECT_FALSE(SignatureByteMatches(i, byte ^ 0x20)) << i;  // other letter case, or no space
  }
  struct Case {
    const char* name;
    size_t index;
    unsigned char byte;
    bool matches;
  };
  const Case cases[] = {
      {"first byte", 0, 'Q', true},
      {"lower-case first byte", 0, 'q', false},
      {"end of the first line", 50, '\n', true},
      {"carriage return before the line feed", 50, '\r', false},
      {"last byte", 98, '\n', true},
      {"the literal's terminating zero", 99, 0, false},
      {"past the signature", 99, '\n', false},
      {"far past the signature", SIZE_MAX, 'Q', false},
  };
  for (const Case& c : cases) EXPECT_EQ(SignatureByteMatches(c.index, c.byte), c.matches) << c.name;
}

}  // namespace
