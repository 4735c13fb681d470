// GBK <-> UTF-16: these run in both builds, so both must give these answers.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "base/CodePage.h"

namespace {

// A case prints as its name, so that test listings (and the test names ctest
// derives from them) stay short instead of dumping the case's bytes.
template <typename Case>
requires requires(const Case& testCase) { testCase.name; }
void PrintTo(const Case& testCase, std::ostream* out) { *out << testCase.name; }

using base::GbkToUtf16;
using base::Utf16ToGbk;

struct DecodeCase {
  const char* name;
  std::string gbk;
  std::u16string expected;
};

class GbkDecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(GbkDecodeTest, GivesTheWindowsCharacters) {
  EXPECT_EQ(GbkToUtf16(GetParam().gbk), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    CodePage, GbkDecodeTest,
    testing::Values(
        DecodeCase{"Empty", "", u""}, DecodeCase{"Ascii", "abc 123", u"abc 123"},
        DecodeCase{"ControlBytesAndNul", std::string("\x00\x01\x1f\x7f", 4),
                   std::u16string(u"\x0000\x0001\x001f\x007f", 4)},
        // 中文
        DecodeCase{"Chinese", "\xD6\xD0\xCE\xC4", u"\u4E2D\u6587"},
        // Long ASCII runs with one double-byte character in the middle (fast path edges).
        DecodeCase{"AsciiRunsAroundChinese",
                   "0123456789\xD6\xD0"
                   "abcdefghijklmnopq",
                   u"0123456789\u4E2Dabcdefghijklmnopq"},
        DecodeCase{"SeventhByteIsLead", "abcdefg\xD6\xD0", u"abcdefg\u4E2D"},
        DecodeCase{"EuroSign", "\x80", u"\u20AC"}, DecodeCase{"ByteFF", "\xFF", u"\uF8F5"},
        DecodeCase{"FirstCode", "\x81\x40", u"\u4E02"},
        DecodeCase{"TrailByte80", "\x81\x80", u"\u4E90"},
        DecodeCase{"TrailByteFE", "\x81\xFE", u"\u4FA2"},
        DecodeCase{"IdeographicSpace", "\xA1\xA1", u"\u3000"},
        DecodeCase{"MiddleDot", "\xA1\xA4", u"\u00B7"}, DecodeCase{"EmDash", "\xA1\xAA", u"\u2014"},
        DecodeCase{"HorizontalBar", "\xA8\x44", u"\u2015"},
        DecodeCase{"FullwidthYen", "\xA3\xA4", u"\uFFE5"},
        DecodeCase{"GbkExtension", "\xD6\x41", u"\u8AE5"},
        // User-defined and empty areas: private-use characters, as on Windows.
        DecodeCase{"UserArea1First", "\xAA\xA1", u"\uE000"},
        DecodeCase{"UserArea1Last", "\xAF\xFE", u"\uE233"},
        DecodeCase{"UserArea2First", "\xF8\xA1", u"\uE234"},
        DecodeCase{"UserArea2Last", "\xFE\xFE", u"\uE4C5"},
        DecodeCase{"UserArea3First", "\xA1\x40", u"\uE4C6"},
        DecodeCase{"UserArea3SkipsTrail7F", "\xA1\x80", std::u16string(1, char16_t(0xE4C6 + 63))},
        DecodeCase{"UserArea3Last", "\xA7\xA0", u"\uE765"},
        DecodeCase{"EuroSlotA2E3", "\xA2\xE3", u"\uE76C"},
        DecodeCase{"EmptySlotA6D9", "\xA6\xD9", u"\uE78D"},
        DecodeCase{"EmptySlotD7FA", "\xD7\xFA", u"\uE810"},
        DecodeCase{"EmptySlotFE50", "\xFE\x50", u"\uE815"},
        DecodeCase{"EmptySlotFE80", "\xFE\x80", u"\uE844"},
        DecodeCase{"EmptySlotFEA0", "\xFE\xA0", u"\uE864"},
        // Broken sequences.
        DecodeCase{"LeadAtEnd", "a\x81", u"a?"},
        DecodeCase{"LeadBeforeNul", std::string("\x81\x00\x41", 3), std::u16string(u"?\0A", 3)},
        DecodeCase{"LeadBeforeSpace", "\x81 A", u"?A"},
        DecodeCase{"LeadBeforeQuote", "\x81\"A", u"?A"},
        DecodeCase{"LeadBeforeDigit", "\x81\x30\x41", u"?A"},
        DecodeCase{"LeadBefore7F", "\x81\x7F\x41", u"?A"},
        DecodeCase{"LeadBeforeFF", "\x81\xFF\x41", u"?A"},
        DecodeCase{"LeadBeforeLead", "\x81\x81\x40", u"\u4E96@"},
        DecodeCase{"EuroIsNoLead", "\x80\x40", u"\u20AC@"},
        DecodeCase{"FFIsNoLead", "\xFF\x40", u"\uF8F5@"}),
    [](const auto& info) { return std::string(info.param.name); });

struct EncodeCase {
  const char* name;
  std::u16string text;
  std::string expected;
};

class GbkEncodeTest : public testing::TestWithParam<EncodeCase> {};

TEST_P(GbkEncodeTest, GivesGbkOrTheDefaultCharacter) {
  EXPECT_EQ(Utf16ToGbk(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    CodePage, GbkEncodeTest,
    testing::Values(
        EncodeCase{"Empty", u"", ""},
        EncodeCase{"AsciiWithNul", std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
        EncodeCase{"Chinese", u"\u4E2D\u6587", "\xD6\xD0\xCE\xC4"},
        EncodeCase{"EuroSign", u"\u20AC", "\x80"}, EncodeCase{"PrivateF8F5", u"\uF8F5", "\xFF"},
        EncodeCase{"PrivateE000", u"\uE000", "\xAA\xA1"},
        EncodeCase{"PrivateE864", u"\uE864", "\xFE\xA0"},
        EncodeCase{"LatinWithAccent", u"\u00E0", "\xA8\xA4"},
        EncodeCase{"HorizontalBar", u"\u2015", "\xA8\x44"},
        // No best-fit substitutes: a character GBK lacks is '?'.
        EncodeCase{"CopyrightSign", u"\u00A9", "?"}, EncodeCase{"FeminineOrdinal", u"\u00AA", "?"},
        EncodeCase{"SuperscriptTwo", u"\u00B2", "?"},
        EncodeCase{"CompatibilityIdeograph", u"\uF900", "?"},
        EncodeCase{"C1Control", u"\u0080", "?"}, EncodeCase{"NonCharacter", u"\uFFFF", "?"},
        EncodeCase{"LoneHighSurrogate", std::u16string(1, char16_t(0xD800)), "?"},
        EncodeCase{"LoneLowSurrogate", std::u16string(1, char16_t(0xDC00)), "?"},
        EncodeCase{"SurrogatePairPerUnit", u"\U0001F600", "??"},
        EncodeCase{"Mixed", u"a\u4E2D\u00A9b", "a\xD6\xD0?b"}),
    [](const auto& info) { return std::string(info.param.name); });

// Every two-byte code in one order, as the platform gave it.
std::uint32_t DoubleByteTableHash() {
  std::uint32_t hash = 2166136261u;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      const std::u16string text = GbkToUtf16(std::string_view(bytes, 2));
      EXPECT_EQ(text.size(), 1u) << std::hex << lead << trail;
      hash = (hash ^ (text.empty() ? 0u : text[0])) * 16777619u;
    }
  }
  return hash;
}

TEST(CodePageTable, EqualsTheWindowsTable) {
  // Hash of the code page 936 table that MultiByteToWideChar gives.
  EXPECT_EQ(DoubleByteTableHash(), 0x1fe1fcebu);
}

TEST(CodePageTable, EveryTwoByteCodeRoundTrips) {
  int failures = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
      if (Utf16ToGbk(GbkToUtf16(bytes)) != bytes && ++failures < 10) {
        ADD_FAILURE() << "code " << std::hex << lead << trail;
      }
    }
  }
  EXPECT_EQ(failures, 0);
}

TEST(CodePageTable, EncodesOnlyWhatDecodesBack) {
  int failures = 0;
  for (char32_t unit = 0x80; unit <= 0xFFFF; ++unit) {
    const std::u16string text(1, static_cast<char16_t>(unit));
    const std::string gbk = Utf16ToGbk(text);
    if (gbk != "?" && GbkToUtf16(gbk) != text && ++failures < 10) {
      ADD_FAILURE() << "unit " << std::hex << static_cast<unsigned>(unit);
    }
  }
  EXPECT_EQ(failures, 0);
}

TEST(CodePageAppend, AppendsAfterExistingText) {
  std::u16string wide = u"x";
  base::AppendGbkToUtf16("\xD6\xD0y", wide);
  EXPECT_EQ(wide, u"x\u4E2Dy");
  std::string narrow = "x";
  base::AppendUtf16ToGbk(u"\u4E2Dy", narrow);
  EXPECT_EQ(narrow, "x\xD6\xD0y");
}

TEST(CodePageAppend, NeverGrowsTheUnitCount) {
  std::string bytes;
  for (int i = 0; i < 4096; ++i) bytes.push_back(static_cast<char>((i * 7919) >> 3));
  EXPECT_LE(GbkToUtf16(bytes).size(), bytes.size());
}

}  // namespace
