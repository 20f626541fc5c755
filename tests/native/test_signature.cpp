#include <gtest/gtest.h>

#include <string>

#include "settings/signature.h"

namespace {

std::string Signature() { return std::string(SIGNATURE_TEXT, kSignatureLength); }

bool Matches(const std::string& file) {
  return MarkerMatches(reinterpret_cast<const unsigned char*>(file.data()), file.size());
}

TEST(Signature, HasTheFormOfTwoUpperCaseLines) {
  const std::string text = Signature();
  ASSERT_EQ(text.size(), 99u);
  EXPECT_EQ(text.find('\n'), 50u);
  EXPECT_EQ(text[98], '\n');
  for (char c : text) EXPECT_TRUE(c == '\n' || c == ' ' || (c >= 'A' && c <= 'Z')) << c;
}

TEST(MarkerMatches, ComparesTheFirst99Bytes) {
  const std::string sig = Signature();
  EXPECT_TRUE(Matches(sig));
  EXPECT_TRUE(Matches(sig + "trailing bytes\r\n"));
  EXPECT_FALSE(Matches(sig.substr(0, 98)));  // missing final line feed
  std::string lower = sig;
  lower[3] = static_cast<char>(lower[3] - 'A' + 'a');
  EXPECT_FALSE(Matches(lower));
  EXPECT_FALSE(Matches(sig.substr(0, 10)));
  EXPECT_FALSE(Matches(""));
  std::string crlf = sig;
  crlf.insert(50, "\r");
  EXPECT_FALSE(Matches(crlf));
}

}  // namespace
