#include <gtest/gtest.h>

#include "show/runstate.h"

namespace {

TEST(ComputeScaleFactor, TakesTheLargerPerMille) {
  EXPECT_EQ(ComputeScaleFactor(152, 112, 1024, 768), 148);
  EXPECT_EQ(ComputeScaleFactor(152, 112, 640, 480), 237);
  EXPECT_EQ(ComputeScaleFactor(1024, 768, 1024, 768), 1000);
  EXPECT_EQ(ComputeScaleFactor(0, 0, 1024, 768), 0);
  EXPECT_EQ(ComputeScaleFactor(100, 100, 0, 0), 0);  // no division by zero
}

}  // namespace
