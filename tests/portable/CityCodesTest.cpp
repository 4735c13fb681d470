// The city list model: line splitting, names, codes and the name search.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "weather/CityCodes.h"

namespace weather {
namespace {

struct SplitCase {
  const char* label;
  std::string text;
  std::vector<std::string> lines;
};

class SplitLinesTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitLinesTest, SplitsLikeTheList) {
  EXPECT_EQ(SplitLines(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Breaks, SplitLinesTest,
    ::testing::Values(SplitCase{"Empty", "", {}}, SplitCase{"OneLineNoBreak", "a=1", {"a=1"}},
                      SplitCase{"CrLf", "a=1\r\nb=2", {"a=1", "b=2"}},
                      SplitCase{"TrailingCrLfAddsNoLine", "a=1\r\nb=2\r\n", {"a=1", "b=2"}},
                      SplitCase{"LoneCr", "a\rb", {"a", "b"}},
                      SplitCase{"LoneLf", "a\nb", {"a", "b"}},
                      SplitCase{"LfCrIsTwoBreaks", "a\n\rb", {"a", "", "b"}},
                      SplitCase{"BlankLinesKept", "a\r\n\r\nb", {"a", "", "b"}},
                      SplitCase{"OnlyBreak", "\r\n", {""}},
                      SplitCase{"CrCrLf", "a\r\r\nb", {"a", "", "b"}}),
    [](const auto& info) { return std::string(info.param.label); });

struct LineCase {
  const char* label;
  std::string line;
  std::string name;
  std::string code;
};

class CityLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(CityLineTest, NameBeforeFirstEqualsCodeAfter) {
  CityCodeList list;
  list.Load(GetParam().line);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Names().at(0), GetParam().name);
  EXPECT_EQ(list.CityCodeAt(0), GetParam().code);
  EXPECT_EQ(list.CityCodes().at(0), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(Lines, CityLineTest,
                         ::testing::Values(LineCase{"Plain",
                                                    "\xC0\xA5\xC3\xF7=101290101" /* 昆明= */,
                                                    "\xC0\xA5\xC3\xF7", "101290101"},
                                           LineCase{"NoEquals", "abc", "", ""},
                                           LineCase{"EmptyName", "=123", "", "123"},
                                           LineCase{"EmptyCode", "abc=", "abc", ""},
                                           LineCase{"SecondEqualsStaysInCode", "a=b=c", "a", "b=c"},
                                           LineCase{"BlanksKept", " a = 1 ", " a ", " 1 "}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(CityCodeListTest, StartsEmptyAndFailsForIndexZero) {
  CityCodeList list;
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.CityCodeAt(-1), "");
  try {
    list.CityCodeAt(0);
    FAIL() << "no error";
  } catch (const ListIndexError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (0)");
  }
}

TEST(CityCodeListTest, NegativeIndexGivesEmptyCode) {
  CityCodeList list;
  list.Load("a=1\r\nb=2");
  EXPECT_EQ(list.CityCodeAt(-1), "");
  EXPECT_EQ(list.CityCodeAt(-100), "");
  EXPECT_EQ(list.CityCodeAt(1), "2");
  EXPECT_THROW(list.CityCodeAt(2), ListIndexError);
  EXPECT_THROW(list.CityCodeAt(2), std::runtime_error);
}

TEST(CityCodeListTest, LoadReplacesBothLists) {
  CityCodeList list;
  list.Load("a=1\r\nb=2\r\nc=3");
  list.Load("d=4");
  EXPECT_EQ(list.CityCodes(), std::vector<std::string>{"d=4"});
  EXPECT_EQ(list.Names(), std::vector<std::string>{"d"});
  list.Load("");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(list.Names().empty());
}

}  // namespace
}  // namespace weather
