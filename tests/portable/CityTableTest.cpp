// The embedded city code table, checked against the facts the program relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "weather/CityCodes.h"
#include "weather/CityTable.h"

namespace weather {
namespace {

constexpr int kEntries = 447;

CityCodeList LoadedTable() {
  CityCodeList list;
  list.Load(EmbeddedCityTable());
  return list;
}

std::string GroupOf(const std::string& code) { return code.substr(3, 2); }

std::uint64_t Fnv1a(std::string_view bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

TEST(CityTableTest, BytesAreTheTable) {
  const std::string_view table = EmbeddedCityTable();
  EXPECT_EQ(table.size(), 7296u);
  // Any changed byte, order or line break shows here.
  EXPECT_EQ(Fnv1a(table), 0x6f31a1ec7f682c0aULL);
  std::size_t pairs = 0;
  for (std::size_t at = table.find("\r\n"); at != std::string_view::npos;
       at = table.find("\r\n", at + 2)) {
    ++pairs;
  }
  EXPECT_EQ(pairs, 446u);
  EXPECT_EQ(std::count(table.begin(), table.end(), '\r'), 446);
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 446);
  EXPECT_NE(table.back(), '\n');
  EXPECT_FALSE(table.starts_with("\xEF\xBB\xBF"));
  EXPECT_EQ(table.find(' '), std::string_view::npos);
}

TEST(CityTableTest, LoadsAllLinesWithOneEqualsEach) {
  const CityCodeList list = LoadedTable();
  ASSERT_EQ(list.Count(), kEntries);
  ASSERT_EQ(list.Names().size(), static_cast<std::size_t>(kEntries));
  for (const std::string& line : list.CityCodes()) {
    EXPECT_EQ(std::count(line.begin(), line.end(), '='), 1) << line;
  }
}

TEST(CityTableTest, CodesAreUniqueNineDigitsFrom101) {
  const CityCodeList list = LoadedTable();
  std::set<std::string> codes;
  int endingIn01 = 0;
  for (int i = 0; i < list.Count(); ++i) {
    const std::string code = list.CityCodeAt(i);
    ASSERT_EQ(code.size(), 9u) << i;
    EXPECT_TRUE(std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; }))
        << code;
    EXPECT_TRUE(code.starts_with("101")) << code;
    EXPECT_TRUE(codes.insert(code).second) << "duplicate " << code;
    if (code.ends_with("01")) ++endingIn01;
  }
  EXPECT_EQ(endingIn01, 335);
}

// Group number, entry count, in table order.
const std::vector<std::pair<std::string, int>> kGroups = {
    {"01", 22}, {"03", 13}, {"02", 12}, {"09", 11}, {"18", 18}, {"22", 17}, {"21", 11}, {"04", 36},
    {"23", 10}, {"16", 14}, {"28", 21}, {"30", 14}, {"26", 9},  {"29", 16}, {"08", 12}, {"24", 11},
    {"20", 17}, {"27", 21}, {"17", 5},  {"15", 8},  {"12", 17}, {"11", 10}, {"10", 11}, {"13", 16},
    {"14", 7},  {"34", 3},  {"31", 21}, {"25", 15}, {"19", 13}, {"05", 13}, {"06", 9},  {"07", 14}};

TEST(CityTableTest, GroupsAreContiguousInTheirOrder) {
  const CityCodeList list = LoadedTable();
  std::vector<std::pair<std::string, int>> groups;
  for (int i = 0; i < list.Count(); ++i) {
    const std::string group = GroupOf(list.CityCodeAt(i));
    if (groups.empty() || groups.back().first != group) {
      groups.emplace_back(group, 0);
    }
    ++groups.back().second;
  }
  EXPECT_EQ(groups, kGroups);
}

TEST(CityTableTest, EachGroupStartsWithItsCapital) {
  const CityCodeList list = LoadedTable();
  int position = 0;
  for (const auto& [group, count] : kGroups) {
    const bool byHundreds = group == "01" || group == "02" || group == "03" || group == "04";
    EXPECT_EQ(list.CityCodeAt(position), "101" + group + (byHundreds ? "0100" : "0101"))
        << "group " << group;
    if (byHundreds) {
      for (int i = position; i < position + count; ++i) {
        EXPECT_TRUE(list.CityCodeAt(i).ends_with("00")) << i;
      }
    }
    position += count;
  }
  EXPECT_EQ(position, kEntries);
}

struct EntryCase {
  int position;
  std::string name;
  std::string code;
};

class CityTableEntryTest : public ::testing::TestWithParam<EntryCase> {};

TEST_P(CityTableEntryTest, NameAndCodeAtPosition) {
  const CityCodeList list = LoadedTable();
  EXPECT_EQ(list.Names().at(GetParam().position), GetParam().name);
  EXPECT_EQ(list.CityCodeAt(GetParam().position), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, CityTableEntryTest,
    ::testing::Values(
        EntryCase{0, "\xB1\xB1\xBE\xA9" /* 北京 */, "101010100"},
        EntryCase{1, "\xB3\xAF\xD1\xF4" /* 朝阳 */, "101010300"},
        EntryCase{17, "\xC3\xDC\xD4\xC6\xC9\xCF\xB5\xE9\xD7\xD3" /* 密云上甸子 */, "101011900"},
        EntryCase{208, "\xC0\xA5\xC3\xF7" /* 昆明 */, "101290101"},
        EntryCase{228, "\xB0\xA2\xC0\xAD\xC9\xC6\xD7\xF3\xC6\xEC" /* 阿拉善左旗 */, "101081201"},
        EntryCase{443, "\xB3\xAF\xD1\xF4" /* 朝阳 */, "101071201"},
        EntryCase{446, "\xBD\xF5\xD6\xDD" /* 锦州 */, "101070701"}),
    [](const auto& info) { return "At" + std::to_string(info.param.position); });

TEST(CityTableTest, TheFirstChaoyangIsBeijings) {
  const CityCodeList list = LoadedTable();
  const auto& names = list.Names();
  const auto first = std::find(names.begin(), names.end(), "\xB3\xAF\xD1\xF4" /* 朝阳 */);
  ASSERT_NE(first, names.end());
  EXPECT_EQ(first - names.begin(), 1);
  EXPECT_EQ(list.CityCodeAt(1), "101010300");
}

TEST(CityTableTest, NamesUniqueExceptChaoyang) {
  const CityCodeList list = LoadedTable();
  std::map<std::string, std::vector<int>> positions;
  for (int i = 0; i < list.Count(); ++i) positions[list.Names()[i]].push_back(i);
  EXPECT_EQ(positions.size(), static_cast<std::size_t>(kEntries - 1));
  for (const auto& [name, where] : positions) {
    if (name == "\xB3\xAF\xD1\xF4" /* 朝阳 */) {
      EXPECT_EQ(where, (std::vector<int>{1, 443}));
    } else {
      EXPECT_EQ(where.size(), 1u) << name;
    }
  }
}

TEST(CityTableTest, NameLengthsInCharacters) {
  const CityCodeList list = LoadedTable();
  std::map<std::size_t, int> byLength;
  for (const std::string& name : list.Names()) {
    // Every name is double-byte GBK characters only.
    ASSERT_EQ(name.size() % 2, 0u) << name;
    for (std::size_t i = 0; i < name.size(); i += 2) {
      const auto lead = static_cast<unsigned char>(name[i]);
      EXPECT_TRUE(lead >= 0x81 && lead <= 0xFE) << name;
    }
    ++byLength[name.size() / 2];
  }
  EXPECT_EQ(byLength, (std::map<std::size_t, int>{{2, 391}, {3, 41}, {4, 13}, {5, 2}}));
}

TEST(CityTableTest, LoadingTwiceKeepsTheCount) {
  CityCodeList list;
  list.Load(EmbeddedCityTable());
  list.Load(EmbeddedCityTable());
  EXPECT_EQ(list.Count(), kEntries);
  EXPECT_EQ(list.Names().size(), static_cast<std::size_t>(kEntries));
}

TEST(CityTableTest, IndexBoundsAfterLoading) {
  const CityCodeList list = LoadedTable();
  EXPECT_EQ(list.CityCodeAt(-1), "");
  try {
    list.CityCodeAt(kEntries);
    FAIL() << "no error";
  } catch (const ListIndexError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (447)");
  }
}

}  // namespace
}  // namespace weather
