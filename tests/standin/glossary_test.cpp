#include "standin/glossary.h"

#include "standin/free_translation.h"

#include <gtest/gtest.h>

namespace {

standin::Glossary shipped_glossary() {
  standin::Glossary glossary;
  std::string error;
  EXPECT_TRUE(glossary.load_file(STANDIN_GLOSSARY_FILE, error)) << error;
  return glossary;
}

struct LineCase {
  std::string line;
  const char* from;
  const char* to;
  std::string expected;
};

void expect_translations(const standin::Glossary& glossary, const std::vector<LineCase>& cases) {
  for (const LineCase& c : cases) {
    EXPECT_EQ(glossary.translate_line(c.line, c.from, c.to), c.expected)
        << c.line << " (" << c.from << " -> " << c.to << ")";
  }
}

TEST(GlossaryTest, MatchesWithoutRegardToCaseAndSurroundingSpaces) {
  const std::vector<LineCase> cases = {
      {"File", "en", "zh", u8"文件"},
      {"FILE", "en", "zh", u8"文件"},
      {"select all", "en", "zh", u8"全选"},
      {"  Save As  ", "en", "zh", u8"另存为"},
      {u8"\u3000Cancel", "en", "zh", u8"取消"},
      {"Are you sure?", "en", "zh", u8"你确定吗？"},
      {"File not found", "en", "zh", u8"找不到文件"},
      {"User name", "en", "zh", u8"用户名"},
  };
  expect_translations(shipped_glossary(), cases);
}

TEST(GlossaryTest, KeepsTrailingPunctuation) {
  const std::vector<LineCase> cases = {
      {"Save As...", "en", "zh", u8"另存为..."},
      {"Open…", "en", "zh", u8"打开…"},
      {"Name:", "en", "zh", u8"名称:"},
      {"Name :", "en", "zh", u8"名称:"},
      {"Password?!", "en", "zh", u8"密码?!"},
      {"File not found.", "en", "zh", u8"找不到文件."},
      {u8"文件名：", "zh", "en", u8"File name："},
      // Punctuation alone, or a stem the table lacks, is left as it is.
      {"...", "en", "zh", "..."},
      {"Frobnicate...", "en", "zh", "Frobnicate..."},
  };
  expect_translations(shipped_glossary(), cases);
}

// As a real service: "&" and a tab are ordinary characters. The client has
// to keep access keys and shortcuts out of what it sends.
TEST(GlossaryTest, AmpersandsAndTabsAreOrdinaryText) {
  const std::vector<LineCase> cases = {
      {"&Open", "en", "zh", u8"&打开"},
      {"&open...", "en", "zh", u8"&打开..."},
      {"E&xit", "en", "zh", "E&xit"},
      {"Save &As...", "en", "zh", "Save &As..."},
      {"&Open...\tCtrl+O", "en", "zh", "&Open...\tCtrl+O"},
      {"Open\tCtrl+O", "en", "zh", "Open\tCtrl+O"},
      {u8"打开(&O)", "zh", "en", "Open(&O)"},
      {u8"另存为(&A)...", "zh", "en", "Save As(&A)..."},
      {u8"&取消", "zh", "en", "&Cancel"},
      {"Cut && Paste", "en", "zh", "Cut && Paste"},
  };
  expect_translations(shipped_glossary(), cases);
}

TEST(GlossaryTest, ReverseDirectionAndUnknownText) {
  const std::vector<LineCase> cases = {
      {u8"打开", "zh", "en", "Open"},
      {u8"退出", "zh", "en", "Exit"},  // the first row holding it wins
      {u8"选择", "zh", "en", "Select"},
      {u8"确定", "zh", "en", "OK"},
      {"Hello world", "en", "zh", "Hello world"},
      {u8"你好", "zh", "en", u8"你好"},
      {"  Hello  ", "en", "zh", "  Hello  "},
      {"", "en", "zh", ""},
      // No column for the language, or the same language: unchanged.
      {"File", "en", "jp", "File"},
      {"File", "en", "en", "File"},
      {u8"文件", "zh", "zh", u8"文件"},
  };
  expect_translations(shipped_glossary(), cases);
}

// What a real service makes of lines it has never seen: known words
// translated, unknown ones kept, whitespace folded, placeholders mangled.
TEST(GlossaryTest, FreeTranslationKeepsUnknownWordsAndManglesPlaceholders) {
  const standin::Glossary glossary = shipped_glossary();
  const std::vector<LineCase> cases = {
      {"Open", "en", "zh", u8"打开"},
      {"&Open", "en", "zh", u8"&打开"},
      {"%d files", "en", "zh", u8"% d 文件"},
      {"QZX0 files", "en", "zh", u8"QZX0 文件"},
      {"Open\tCtrl+O", "en", "zh", u8"打开 Ctrl+O"},
      {"Copying %s to %s", "en", "zh", u8"Copying ٪s to ٪s"},
      {"Save As  Frobnicate", "en", "zh", u8"另存为 Frobnicate"},
      {"Open File Size", "en", "zh", u8"打开文件大小"},
      {"{0} of {name} %1 %-10ls", "en", "zh", u8"{ 0 } of { name } % 1 ٪-10ls"},
      {"100% sure", "en", "zh", "100% sure"},
      {"Open Save", "en", "fra", "Open Save"},
  };
  for (const LineCase& c : cases) {
    EXPECT_EQ(standin::translate_freely(glossary, c.line, c.from, c.to), c.expected) << c.line;
  }
}

TEST(GlossaryTest, ExtraLanguageColumnsAreUsed) {
  standin::Glossary glossary;
  std::string error;
  ASSERT_TRUE(
      glossary.parse("# comment\nen\tzh\tfra\r\nOpen\t打开\tOuvrir\nClose\t关闭\t\n", error))
      << error;
  EXPECT_EQ(glossary.size(), 2u);
  const std::vector<LineCase> cases = {
      {"&Open", "en", "fra", "&Ouvrir"},
      {"Open(&O)", "en", "fra", "Ouvrir(&O)"},
      {u8"打开", "zh", "fra", "Ouvrir"},
      {"Close", "en", "fra", "Close"},  // empty cell: unchanged
  };
  expect_translations(glossary, cases);
}

TEST(GlossaryTest, RejectsMalformedTables) {
  const struct {
    const char* text;
    const char* error_part;
  } cases[] = {
      {"", "no header"},
      {"# only a comment\n", "no header"},
      {"en\n", "two or more"},
      {"en\tzh\nOpen\n", "line 2"},
      {"en\tzh\nOpen\tA\tB\n", "3 columns"},
  };
  for (const auto& c : cases) {
    standin::Glossary glossary;
    std::string error;
    EXPECT_FALSE(glossary.parse(c.text, error)) << c.text;
    EXPECT_NE(error.find(c.error_part), std::string::npos) << error;
  }
}

TEST(GlossaryTest, ShippedTableCoversCommonInterfaceStrings) {
  standin::Glossary glossary = shipped_glossary();
  EXPECT_GE(glossary.size(), 300u);
  const char* const required[] = {
      "File",     "Edit",     "View",          "Open",
      "Save",     "Save As",  "Cancel",        "OK",
      "Apply",    "Help",     "About",         "Options",
      "Settings", "Exit",     "Close",         "Yes",
      "No",       "Retry",    "Browse",        "Next",
      "Back",     "Finish",   "Print",         "Copy",
      "Paste",    "Cut",      "Delete",        "Find",
      "Replace",  "Undo",     "Redo",          "Select All",
      "Name",     "Size",     "Type",          "Date",
      "Language", "Password", "User name",     "Login",
      "Warning",  "Error",    "Are you sure?", "File not found",
  };
  for (const char* text : required) {
    std::string translated = glossary.translate_line(text, "en", "zh");
    EXPECT_NE(translated, text) << text;
    EXPECT_EQ(standin::detect_language(translated), "zh") << text;
  }
}

TEST(DetectLanguageTest, CjkIdeographMeansChinese) {
  const struct {
    std::string text;
    const char* expected;
  } cases[] = {
      {"Open", "en"},        {u8"打开", "zh"},
      {u8"File 文件", "zh"}, {u8"（）：", "en"},  // full-width punctuation alone is not Chinese
      {u8"Ünïcödé", "en"},   {"", "en"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(standin::detect_language(c.text), c.expected) << c.text;
  }
}

}  // namespace
