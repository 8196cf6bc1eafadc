// Text of an outgoing mail: base64, encoded words and their folding, the
// Date line, the address syntax.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "update/mail_address.h"
#include "update/mail_format.h"

namespace {

using update::MailAddress;

std::string repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

TEST(MailFormatTest, Base64MatchesTheStandardVectors) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},           {"f", "Zg=="},         {"fo", "Zm8="},
      {"foo", "Zm9v"},    {"foob", "Zm9vYg=="},  {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {std::string("\xFF\xFE\x00\x3E\x3F", 5), "//4APj8="},
  };
  for (const auto& [bytes, encoded] : cases) EXPECT_EQ(update::base64_encode(bytes), encoded);
}

// Lines of exactly 76 characters but the last, each ended by CRLF, no empty
// line, and together the plain base64 form.
TEST(MailFormatTest, BodyBase64BreaksLinesAfter76Characters) {
  const struct {
    size_t bytes;
    size_t lines;
  } cases[] = {{0, 1}, {1, 1}, {56, 1}, {57, 1}, {58, 2}, {114, 2}, {115, 3}, {1000, 18}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    std::string bytes;
    for (size_t i = 0; i < c.bytes; ++i) bytes += static_cast<char>(i * 7 + 0x80);
    const std::string body = update::base64_body(bytes);
    ASSERT_GE(body.size(), 2u);
    ASSERT_EQ(body.substr(body.size() - 2), "\r\n");
    std::vector<std::string> lines;
    std::string joined;
    for (size_t pos = 0; pos < body.size();) {
      const size_t end = body.find("\r\n", pos);
      lines.push_back(body.substr(pos, end - pos));
      joined += lines.back();
      pos = end + 2;
    }
    EXPECT_EQ(lines.size(), c.lines);
    for (size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i].size(), 76u);
    EXPECT_LE(lines.back().size(), 76u);
    EXPECT_TRUE(c.bytes == 0 || !lines.back().empty());
    EXPECT_EQ(joined, update::base64_encode(bytes));
  }
}

TEST(MailFormatTest, HeaderTextsBecomeFoldedEncodedWords) {
  const std::string han24 = repeat("汉", 24);           // 48 bytes: 64 base64 characters
  const std::string odd = "a" + repeat("汉", 24);       // 49 bytes: half of it splits a character
  const std::pair<std::string, std::string> cases[] = {
      {"Feedback from a user", "Feedback from a user"},
      {"墨桥·窗口汉化反馈邮件", "=?gb2312?B?xKvHxaGktLC/2rq6u6+3tMCh08q8/g==?="},
      {han24, "=?gb2312?B?urq6urq6urq6urq6urq6urq6urq6urq6?=\r\n"
              " =?gb2312?B?urq6urq6urq6urq6urq6urq6urq6urq6?="},
      {odd, "=?gb2312?B?Ybq6urq6urq6urq6urq6urq6urq6uro=?=\r\n"
            " =?gb2312?B?urq6urq6urq6urq6urq6urq6urq6urq6uro=?="},
      // Line breaks never start a header line of their own.
      {"Hi\r\nBcc: evil@example.org", "Hi Bcc: evil@example.org"},
      {"a\nb\rc\td", "a b c d"},
      {"中\r\n文", "=?gb2312?B?1tAgzsQ=?="},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(update::header_text(text), expected);
}

// Long texts split recursively: every word stays within 62 base64
// characters, holds whole characters, and the words are folded.
TEST(MailFormatTest, LongHeaderTextsSplitIntoShortWords) {
  for (const std::string& text : {repeat("反馈", 50), "x" + repeat("意见", 40) + "yz"}) {
    const std::string encoded = update::header_text(text);
    std::vector<std::string> words;
    for (size_t pos = 0; pos < encoded.size();) {
      size_t end = encoded.find("\r\n ", pos);
      if (end == std::string::npos) end = encoded.size();
      words.push_back(encoded.substr(pos, end - pos));
      pos = end + 3;
    }
    ASSERT_GT(words.size(), 2u);
    std::string recoded;
    for (const std::string& word : words) {
      ASSERT_EQ(word.rfind("=?gb2312?B?", 0), 0u) << word;
      ASSERT_EQ(word.substr(word.size() - 2), "?=");
      EXPECT_LE(word.size() - 13, 62u);
      recoded += word;
    }
    // Every word holds whole characters: re-encoding the pieces between
    // character boundaries gives the same words.
    std::vector<size_t> boundaries;
    for (size_t i = 0; i <= text.size(); i += static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1) {
      boundaries.push_back(i);
    }
    std::string expected;
    size_t pos = 0;
    for (const std::string& word : words) {
      const size_t length = (word.size() - 13) / 4 * 3 - (word[word.size() - 3] == '=') -
                            (word[word.size() - 4] == '=');
      pos += length;
      EXPECT_NE(std::find(boundaries.begin(), boundaries.end(), pos), boundaries.end())
          << "a word ends inside a character";
      expected += "=?gb2312?B?" + update::base64_encode(text.substr(pos - length, length)) + "?=";
    }
    EXPECT_EQ(pos, text.size());
    EXPECT_EQ(recoded, expected);
  }
}

TEST(MailFormatTest, DateLineUsesEnglishNamesAndTheZoneOffset) {
  const struct {
    WORD year, month, day, hour, minute, second;
    long bias;
    const char* expected;
  } cases[] = {
      {2024, 3, 5, 14, 3, 9, -480, "Tue, 05 Mar 2024 14:03:09 +0800"},
      {2024, 3, 5, 14, 3, 9, -330, "Tue, 05 Mar 2024 14:03:09 +0530"},
      {2024, 3, 5, 14, 3, 9, -345, "Tue, 05 Mar 2024 14:03:09 +0545"},
      {2024, 3, 5, 14, 3, 9, 300, "Tue, 05 Mar 2024 14:03:09 -0500"},
      {2024, 3, 5, 14, 3, 9, 210, "Tue, 05 Mar 2024 14:03:09 -0330"},
      {2000, 2, 29, 0, 0, 0, 0, "Tue, 29 Feb 2000 00:00:00 +0000"},
      {1999, 12, 31, 23, 59, 59, -60, "Fri, 31 Dec 1999 23:59:59 +0100"},
      {2023, 1, 1, 9, 5, 0, 480, "Sun, 01 Jan 2023 09:05:00 -0800"},
      {0, 1, 1, 0, 0, 0, 0, "Sat, 01 Jan 0000 00:00:00 +0000"},
      {0, 2, 29, 0, 0, 0, 0, "Tue, 29 Feb 0000 00:00:00 +0000"},
      {0, 1, 0, 0, 0, 0, 0, "Fri, 00 Jan 0000 00:00:00 +0000"},
  };
  for (const auto& c : cases) {
    SYSTEMTIME time{};
    time.wYear = c.year;
    time.wMonth = c.month;
    time.wDay = c.day;
    time.wHour = c.hour;
    time.wMinute = c.minute;
    time.wSecond = c.second;
    EXPECT_EQ(update::mail_date(time, c.bias), c.expected);
  }
}

TEST(MailFormatTest, AddressFormQuotesOrEncodesNames) {
  const struct {
    MailAddress address;
    const char* expected;
  } cases[] = {
      {{"", "a@example.org"}, "a@example.org"},
      {{"Zhang San", "a@example.org"}, "Zhang San <a@example.org>"},
      {{"Wang, Wu \"W\"", "a@example.org"}, "\"Wang, Wu \\\"W\\\"\" <a@example.org>"},
      {{"张三", "a@example.org"}, "=?gb2312?B?1cXI/Q==?= <a@example.org>"},
  };
  for (const auto& c : cases) EXPECT_EQ(update::address_form(c.address), c.expected);
}

TEST(MailAddressTest, AcceptsAPracticalMailboxSyntax) {
  const struct {
    const char* text;
    bool valid;
    const char* name;
    const char* address;
  } cases[] = {
      {"a@example.com", true, "", "a@example.com"},
      {"  first.last+tag@mail.example.co.uk ", true, "", "first.last+tag@mail.example.co.uk"},
      {"o'neil_x-y{z}@a-b.example", true, "", "o'neil_x-y{z}@a-b.example"},
      {"user@localhost", true, "", "user@localhost"},
      {"<a@example.com>", true, "", "a@example.com"},
      {"Zhang San <a@example.com>", true, "Zhang San", "a@example.com"},
      {"\"Wang, Wu <boss>\" <a@example.com>", true, "Wang, Wu <boss>", "a@example.com"},
      {"\"say \\\"hi\\\"\" <a@example.com>", true, "say \"hi\"", "a@example.com"},
      {"张三 < a@example.com >", true, "张三", "a@example.com"},
      {"", false, "", ""},
      {"plain", false, "", ""},
      {"a@", false, "", ""},
      {"@example.com", false, "", ""},
      {"a..b@example.com", false, "", ""},
      {".a@example.com", false, "", ""},
      {"a.@example.com", false, "", ""},
      {"a@-example.com", false, "", ""},
      {"a@example-.com", false, "", ""},
      {"a@example..com", false, "", ""},
      {"a@example.com.", false, "", ""},
      {"a@ex_ample.com", false, "", ""},
      {"a b@example.com", false, "", ""},
      {"a@b@example.com", false, "", ""},
      {"a@[127.0.0.1]", false, "", ""},
      {"a@example.com\r\nRCPT TO:<x@example.com>", false, "", ""},
      {"a@example.com>", false, "", ""},
      {"<a@example.com", false, "", ""},
      {"Name <a@example.com> tail", false, "", ""},
      {"Na\"me <a@example.com>", false, "", ""},
      {"Name\r\nBcc: x@example.com <a@example.com>", false, "", ""},
      // A lead byte in front of a control byte does not hide it.
      {"\xB0\r\xB0\nBcc: x@example.com <a@example.com>", false, "", ""},
      {"\"\xB0\r\xB0\n\" <a@example.com>", false, "", ""},
      {"\xB0\x01 <a@example.com>", false, "", ""},
      {"名字@example.com", false, "", ""},
      {"a@例子.com", false, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    MailAddress parsed;
    EXPECT_EQ(update::parse_mail_address(c.text, &parsed), c.valid);
    if (c.valid) {
      EXPECT_EQ(parsed.name, c.name);
      EXPECT_EQ(parsed.address, c.address);
    }
  }
  // Length limits: 64 characters of local part, 63 per label.
  EXPECT_TRUE(update::is_valid_mailbox(repeat("x", 64) + "@example.com"));
  EXPECT_FALSE(update::is_valid_mailbox(repeat("x", 65) + "@example.com"));
  EXPECT_TRUE(update::is_valid_mailbox("a@" + repeat("y", 63) + ".com"));
  EXPECT_FALSE(update::is_valid_mailbox("a@" + repeat("y", 64) + ".com"));
  EXPECT_FALSE(update::is_valid_mailbox("a@" + repeat("y.", 127) + "com"));
}

TEST(MailAddressTest, SplitsListsAtCommasAndSemicolons) {
  const struct {
    const char* text;
    bool valid;
    std::vector<const char*> addresses;
  } cases[] = {
      {"", true, {}},
      {" ; , ", true, {}},
      {"a@example.com", true, {"a@example.com"}},
      {"a@example.com, b@example.org;c@example.net;", true,
       {"a@example.com", "b@example.org", "c@example.net"}},
      {"\"Wang, Wu\" <w@example.com>; Li Si <l@example.com>", true,
       {"w@example.com", "l@example.com"}},
      {"a@example.com, not-an-address", false, {}},
      {"<a@example.com, b@example.com>", false, {}},
      {"\"unterminated <a@example.com>", false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<MailAddress> parsed;
    ASSERT_EQ(update::parse_mail_address_list(c.text, &parsed), c.valid);
    ASSERT_EQ(parsed.size(), c.addresses.size());
    for (size_t i = 0; i < parsed.size(); ++i) EXPECT_EQ(parsed[i].address, c.addresses[i]);
  }
}

}  // namespace
