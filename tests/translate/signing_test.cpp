#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>

#include "translate/signing.h"

namespace {

using translate::md5_hex;
using translate::random_digits;
using translate::random_in_range;
using translate::request_sign;

struct Digest {
  std::string data;
  const char* expected;
};

// RFC 1321 test suite plus data with a zero byte and high bytes.
TEST(Md5HexTest, GivesUpperCaseDigestsOfTheWholeData) {
  const Digest cases[] = {
      {"", "D41D8CD98F00B204E9800998ECF8427E"},
      {"a", "0CC175B9C0F1B6A831C399E269772661"},
      {"abc", "900150983CD24FB0D6963F7D28E17F72"},
      {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57EDF4A22BE3C955AC49DA2E2107B67A"},
      {std::string("a\0b", 3), "70350F6027BCE3713F6B76473084309B"},
  };
  for (const Digest& c : cases) EXPECT_EQ(md5_hex(c.data), c.expected) << c.data;
}

struct Signature {
  const char* why;
  std::string app_id;
  std::string query;
  std::string salt;
  std::string key;
  bool query_is_gbk;
  const char* expected;
};

TEST(RequestSignTest, SignsTheUtf8BytesOfIdQuerySaltAndKey) {
  const Signature cases[] = {
      {"published vector", "2015063000000001", "apple", "1435660288", "12345678", true,
       "f89f9594663708c1605f3d736d01d2d4"},
      {"published vector, UTF-8 query", "2015063000000001", "apple", "1435660288", "12345678", false,
       "f89f9594663708c1605f3d736d01d2d4"},
      {"GBK query signed over its UTF-8 form", "2015063000000001", "你好", "1435660288", "12345678",
       true, "8d9386edf4b81a8dc19b74bda6a488ca"},
      {"UTF-8 query hashed as it is", "2015063000000001", u8"你好", "1435660288", "12345678", false,
       "8d9386edf4b81a8dc19b74bda6a488ca"},
      {"empty query", "20200417000123908", "", "1435660288", "Kq7TzW2mRp9LxBv4NcHs", true,
       "4b03bc7f2af66b8ec761c1c0ec709674"},
  };
  for (const Signature& c : cases) {
    EXPECT_EQ(request_sign(c.app_id, c.query, c.salt, c.key, c.query_is_gbk), c.expected) << c.why;
  }
}

TEST(RequestSignTest, DependsOnTheSaltAndNeverHasUpperCase) {
  const std::string first = request_sign("2015063000000001", "apple", "1435660288", "12345678", true);
  const std::string other = request_sign("2015063000000001", "apple", "1435660289", "12345678", true);
  EXPECT_NE(first, other);
  for (const std::string& sign : {first, other}) {
    ASSERT_EQ(sign.size(), 32u);
    EXPECT_EQ(sign.find_first_not_of("0123456789abcdef"), std::string::npos) << sign;
  }
}

struct Range {
  int min;
  int max;
  long long low;   // expected bounds of every result
  long long high;
};

TEST(RandomInRangeTest, StaysWithinTheBounds) {
  const Range cases[] = {
      {0, 9, 0, 9},
      {7, 7, 7, 7},
      {-5, -1, -5, -1},
      {1, 0, 1, INT_MAX},            // max 0 stands for 2147483647
      {0, 0, 0, INT_MAX},
      {9, 0, 9, INT_MAX},
      {10, 1, 1, 10},                // bounds the wrong way round
      {INT_MIN, INT_MAX, INT_MIN, INT_MAX},
      {INT_MAX - 2, INT_MAX, INT_MAX - 2, INT_MAX},
  };
  for (const Range& c : cases) {
    for (int i = 0; i < 2000; ++i) {
      const long long value = random_in_range(c.min, c.max);
      ASSERT_GE(value, c.low) << c.min << ".." << c.max;
      ASSERT_LE(value, c.high) << c.min << ".." << c.max;
    }
  }
}

TEST(RandomInRangeTest, ReachesEveryValueOfASmallRange) {
  std::set<int> seen;
  for (int i = 0; i < 5000 && seen.size() < 10; ++i) seen.insert(random_in_range(0, 9));
  EXPECT_EQ(seen.size(), 10u);
}

TEST(RandomDigitsTest, GivesExactlyTheCountOfDecimalDigits) {
  std::set<std::string> salts;
  for (int i = 0; i < 200; ++i) {
    const std::string salt = random_digits(10);
    ASSERT_EQ(salt.size(), 10u) << salt;
    EXPECT_EQ(salt.find_first_not_of("0123456789"), std::string::npos) << salt;
    salts.insert(salt);
  }
  // Back-to-back counter readings are nearly evenly spaced, so digit
  // patterns recur (about 140 to 170 distinct salts of 200 in a tight loop);
  // a salt drawn once and reused would give one.
  EXPECT_GT(salts.size(), 50u);
  EXPECT_EQ(random_digits(0), "");
  EXPECT_EQ(random_digits(1).size(), 1u);
}

}  // namespace
