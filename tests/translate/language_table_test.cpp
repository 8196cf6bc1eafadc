#include <gtest/gtest.h>

#include "translate/language_table.h"

namespace {

TEST(LanguageTableTest, MapsListPositionsToServiceCodes) {
  const std::pair<int, const char*> cases[] = {
      {0, "auto"}, {1, "zh"},   {2, "en"},   {5, "jp"},  {6, "kor"}, {22, "cs"},
      {23, "rom"}, {27, "cht"}, {28, "vie"}, {-1, ""},   {29, ""},   {1000, ""},
  };
  for (const auto& [index, code] : cases) {
    EXPECT_EQ(translate::language_code(index), code) << "index " << index;
  }
}

TEST(LanguageTableTest, EveryEntryHasADistinctCodeAndALabel) {
  for (int i = 0; i < translate::kLanguageCount; ++i) {
    EXPECT_FALSE(translate::language_code(i).empty()) << i;
    EXPECT_FALSE(translate::source_language_label(i).empty()) << i;
    for (int j = 0; j < i; ++j) {
      EXPECT_NE(translate::language_code(i), translate::language_code(j)) << i << " " << j;
    }
  }
}

TEST(LanguageTableTest, TheListsDifferOnlyInTheLabelOfEntryZero) {
  EXPECT_EQ(translate::source_language_label(0), "自动选择");
  EXPECT_EQ(translate::target_language_label(0), "自动选择(不可选择)");
  for (int i = 1; i < translate::kLanguageCount; ++i) {
    EXPECT_EQ(translate::source_language_label(i), translate::target_language_label(i)) << i;
  }
  EXPECT_EQ(translate::source_language_label(1), "中文");
  EXPECT_EQ(translate::source_language_label(28), "越南语");
  EXPECT_EQ(translate::language_code(translate::kTargetFallbackIndex), "zh");
}

}  // namespace
