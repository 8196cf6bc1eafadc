#include <gtest/gtest.h>

#include "runtime/array.h"

namespace {

TEST(ArrayTest, IsOneBasedAndGrowsByAppending) {
  runtime::Array<int> numbers;
  EXPECT_EQ(numbers.count(), 0);
  numbers.append(10);
  numbers.append(20);
  ASSERT_EQ(numbers.count(), 2);
  EXPECT_EQ(numbers[1], 10);
  EXPECT_EQ(numbers[2], 20);
}

TEST(ArrayDeathTest, IndexBelowOneStopsWithItsMessage) {
  runtime::Array<int> numbers{1, 2};
  EXPECT_EXIT(numbers[0], testing::ExitedWithCode(1), runtime::kIndexBelowOne);
}

TEST(ArrayDeathTest, IndexBeyondCountStopsWithItsMessage) {
  runtime::Array<int> numbers{1, 2};
  EXPECT_EXIT(numbers[3], testing::ExitedWithCode(1), runtime::kIndexBeyondCount);
}

}  // namespace
