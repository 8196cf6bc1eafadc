#include "net/cookies.h"

#include <gtest/gtest.h>

namespace {

struct MergeCase {
  const char* old_cookies;
  const char* new_cookies;
  const char* merged;
};

TEST(Cookies, MergeCookies) {
  const MergeCase cases[] = {
      {"a=1; b=2", "b=3; c=4", "b=3; c=4; a=1"},
      {"sid=x; u=1", "sid=deleted", "u=1"},
      {"a=1;", "", "a=1"},
      {"a=1;", "b=2;", "b=2; a=1"},
      {"", "", ""},
      {"SID=1", "sid=2", "sid=2; SID=1"},
      {"", "a=1; a=1", "a=1"},
      {"", "a=1; a=2", "a=1; a=2"},
      {"a=1; a=2", "", "a=1"},
      {"", "a=DELETED", "a=DELETED"},
      {"x=1", "a=deleted; b=2", "b=2; x=1"},
      {"  a=1 \xA1\xA1", " b=2 ", "b=2; a=1"},
      {"flag; a=1", "flag", "flag; a=1"},
      {" a =1", "a=2", "a=2"},
      {"\xD6\xD0=1; x=2", "\xD6\xD0=3", "\xD6\xD0=3; x=2"},
  };
  for (const MergeCase& c : cases) {
    SCOPED_TRACE(std::string(c.old_cookies) + " | " + c.new_cookies);
    std::string cookies = c.old_cookies;
    std::string new_cookies = c.new_cookies;
    EXPECT_EQ(net::merge_cookies(cookies, new_cookies), c.merged);
    EXPECT_EQ(cookies, c.merged);
  }
}

TEST(Cookies, MergeTidiesTheNewCookiesInPlace) {
  const MergeCase cases[] = {
      {"", "  a=1;  ", "a=1; "},
      {"", "a=1", "a=1"},
      {"", " a=1 ", "a=1"},
      {"", "", ""},
  };
  for (const MergeCase& c : cases) {
    SCOPED_TRACE(c.new_cookies);
    std::string cookies = c.old_cookies;
    std::string new_cookies = c.new_cookies;
    net::merge_cookies(cookies, new_cookies);
    EXPECT_EQ(new_cookies, c.merged);
  }
}

TEST(Cookies, CookieName) {
  const struct {
    const char* item;
    const char* name;
  } cases[] = {
      {"a=1", "a"}, {" a = 1", "a"}, {"flag", "flag"}, {"", ""}, {"=v", ""},
      {"a=b=c", "a"}, {"\xA1\xA1name\xA1\xA1=v", "name"}, {"Sid=1", "Sid"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item);
    EXPECT_EQ(net::cookie_name(c.item), c.name);
  }
}

TEST(Cookies, RemoveDuplicates) {
  const struct {
    const char* text;
    const char* separator;
    const char* expected;
  } cases[] = {
      {"", "; ", ""},
      {"a", "; ", "a"},
      {"a; b; a; c; b", "; ", "a; b; c"},
      {"a=1; A=1", "; ", "a=1; A=1"},
      {"x,y,x,", ",", "x,y"},
      {"a; ; b; ", "; ", "a; ; b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(net::remove_duplicates(c.text, c.separator), c.expected);
  }
}

}  // namespace
