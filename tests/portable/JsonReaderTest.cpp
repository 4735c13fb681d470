// The JSON reader's accepted language, lookups and value texts.
#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "base/CodePage.h"
#include "json/Json.h"

namespace {

// A case prints as its name, so that test listings (and the test names ctest
// derives from them) stay short instead of dumping the case's bytes.
template <typename Case>
requires requires(const Case& testCase) { testCase.name; }
void PrintTo(const Case& testCase, std::ostream* out) { *out << testCase.name; }

using json::JsonKind;

std::optional<JsonKind> RootKind(std::string_view text) {
  const json::JsonDocumentPtr document = json::ParseJsonText(text);
  if (!document) return std::nullopt;
  return json::NodeKind(json::RootOf(*document));
}

// Value text of the root, or nullopt when there is no tree.
std::optional<std::string> RootText(std::string_view text) {
  const json::JsonDocumentPtr document = json::ParseJsonText(text);
  if (!document) return std::nullopt;
  return json::ValueText(json::RootOf(*document));
}

std::string Repeat(const std::string& part, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += part;
  return text;
}

std::string Nested(int depth, const char* open, const std::string& inner, const char* close) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += open;
  text += inner;
  for (int i = 0; i < depth; ++i) text += close;
  return text;
}

// ---------------------------------------------------------------------------
// Which texts give a tree, and of which kind.

struct ParseCase {
  const char* name;
  std::string text;
  std::optional<JsonKind> kind;  // nullopt: no tree
};

class JsonParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(JsonParseTest, GivesTreeOfKindOrNone) {
  EXPECT_EQ(RootKind(GetParam().text), GetParam().kind);
}

const std::optional<JsonKind> kNone;

INSTANTIATE_TEST_SUITE_P(
    Json, JsonParseTest,
    testing::Values(
        // Whole-document rules.
        ParseCase{"Empty", "", kNone}, ParseCase{"OnlyByteOrderMark", "\xEF\xBB\xBF", kNone},
        ParseCase{"ByteOrderMarkThenObject", "\xEF\xBB\xBF{}", json::jsObject},
        ParseCase{"ByteOrderMarkThenBlanks", "\xEF\xBB\xBF  \r\n", kNone},
        ParseCase{"PartOfByteOrderMark", "\xEF\xBB{}", kNone},
        ParseCase{"TwoByteOrderMarks", "\xEF\xBB\xBF\xEF\xBB\xBF{}", kNone},
        ParseCase{"ByteOrderMarkAfterBlank", " \xEF\xBB\xBF{}", kNone},
        ParseCase{"OnlyBlanksAndLineEnds", " \t\r\n  \n", kNone},
        ParseCase{"AllControlBytesAreBlanks", std::string("\x00\x01\x08\x1F\x20{}", 7),
                  json::jsObject},
        ParseCase{"ByteAfterBlankRangeIsNot", "\x7F{}", kNone},
        ParseCase{"TrailingBytesIgnored", "{\"weatherinfo\":{}}<html>garbage", json::jsObject},
        ParseCase{"SecondValueIgnored", "[1] [2", json::jsList},
        ParseCase{"UnclosedObject", "{\"a\":1", kNone},
        // Bare roots of every kind.
        ParseCase{"BareNumber", "23", json::jsNumber},
        ParseCase{"BareString", "\"x\"", json::jsString},
        ParseCase{"BareTrue", "true", json::jsBoolean},
        ParseCase{"BareFalse", "false", json::jsBoolean},
        ParseCase{"BareNull", "null", json::jsNull}, ParseCase{"BareList", "[]", json::jsList},
        // Literals: exact bytes, case-sensitive, nothing required after them.
        ParseCase{"TrueFollowedByLetters", "truex", json::jsBoolean},
        ParseCase{"NullFollowedByDigit", "null1", json::jsNull},
        ParseCase{"ShortTrue", "tru", kNone}, ParseCase{"ShortFalse", "fals", kNone},
        ParseCase{"CapitalTrue", "True", kNone}, ParseCase{"CapitalNull", "NULL", kNone},
        ParseCase{"NaN", "NaN", kNone}, ParseCase{"Infinity", "Infinity", kNone},
        ParseCase{"SingleQuotes", "'a'", kNone},
        // Numbers.
        ParseCase{"PlusSign", "+1", json::jsNumber}, ParseCase{"LoneMinus", "-", kNone},
        ParseCase{"LonePlus", "+", kNone}, ParseCase{"TwoSigns", "+-1", kNone},
        ParseCase{"PointWithoutDigits", "1.", kNone}, ParseCase{"PointFirst", ".5", kNone},
        ParseCase{"ExponentWithoutDigits", "1e", kNone},
        ParseCase{"ExponentSignWithoutDigits", "1E+", kNone},
        ParseCase{"PointThenExponent", "1.e5", kNone},
        ParseCase{"HexIsZeroThenIgnored", "0x10", json::jsNumber},
        ParseCase{"Overflow", "1e309", kNone}, ParseCase{"NegativeOverflow", "-1.8e308", kNone},
        ParseCase{"OverflowInList", "[1, 1e400]", kNone},
        ParseCase{"LongOverflow", "1" + std::string(400, '0'), kNone},
        ParseCase{"Underflow", "1e-400", json::jsNumber},
        // Strings.
        ParseCase{"UnclosedString", "\"abc", kNone}, ParseCase{"BackslashAtEnd", "\"abc\\", kNone},
        ParseCase{"EscapedQuoteLeavesOpen", "\"\\\"", kNone},
        ParseCase{"BadUnicodeEscape", "\"\\uZZZZ\"", kNone},
        ParseCase{"BadUnicodeEscapeDeepInside", "{\"a\":[1,{\"b\":\"\\u12G4\"}]}", kNone},
        ParseCase{"BadUnicodeEscapeInName", "{\"\\uXYZW\":1}", kNone},
        ParseCase{"UnicodeEscapeWithoutDigits", "\"\\u\"", kNone},
        ParseCase{"UnicodeEscapeSignedDigits", "\"\\u+123\"", kNone},
        // Arrays.
        ParseCase{"ArrayOpenOnly", "[", kNone}, ParseCase{"ArrayUnclosed", "[1", kNone},
        ParseCase{"ArrayUnclosedAfterComma", "[1,", kNone},
        ParseCase{"ArrayLeadingComma", "[,1]", kNone},
        ParseCase{"ArrayDoubleComma", "[1,,2]", kNone}, ParseCase{"ArrayOnlyComma", "[,]", kNone},
        ParseCase{"ArrayBadElement", "[1, x]", kNone}, ParseCase{"ArrayColon", "[1:2]", kNone},
        ParseCase{"ArrayWrongClose", "[1}", kNone},
        // Objects.
        ParseCase{"ObjectUnquotedName", "{a:1}", kNone},
        ParseCase{"ObjectNumberName", "{1:2}", kNone},
        ParseCase{"ObjectMissingColon", "{\"a\" 1}", kNone},
        ParseCase{"ObjectMissingValue", "{\"a\":}", kNone},
        ParseCase{"ObjectNameOnly", "{\"a\"}", kNone},
        ParseCase{"ObjectLeadingComma", "{,\"a\":1}", kNone},
        ParseCase{"ObjectDoubleComma", "{\"a\":1,,\"b\":2}", kNone},
        ParseCase{"ObjectWrongClose", "{\"a\":1]", kNone},
        ParseCase{"ObjectFailsUpToRoot", "[{\"a\":[{\"b\":nul}]}]", kNone}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JsonKinds, AreNumberedAsCallersCompareThem) {
  EXPECT_EQ(json::jsBase, 0);
  EXPECT_EQ(json::jsNumber, 1);
  EXPECT_EQ(json::jsString, 2);
  EXPECT_EQ(json::jsBoolean, 3);
  EXPECT_EQ(json::jsNull, 4);
  EXPECT_EQ(json::jsList, 5);
  EXPECT_EQ(json::jsObject, 6);
}

// ---------------------------------------------------------------------------
// Value texts of scalars, through the parser.

struct TextCase {
  const char* name;
  std::string text;
  std::string expected;
};

class JsonValueTextTest : public testing::TestWithParam<TextCase> {};

TEST_P(JsonValueTextTest, GivesTheText) {
  EXPECT_EQ(RootText(GetParam().text), std::optional<std::string>(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Json, JsonValueTextTest,
    testing::Values(
        TextCase{"True", "true", "True"}, TextCase{"False", "false", "False"},
        TextCase{"Null", "null", ""}, TextCase{"List", "[1,2]", ""},
        TextCase{"Object", "{\"a\":\"b\"}", ""},
        // Numbers: shortest general form, at most 15 significant digits.
        TextCase{"Integer", "23", "23"}, TextCase{"NegativeWithTrailingZero", "-5.50", "-5.5"},
        TextCase{"LargeIsScientific", "1e20", "1E20"},
        TextCase{"SmallIsScientific", "0.000001", "1E-6"},
        TextCase{"SmallestPlain", "0.00001", "0.00001"}, TextCase{"PlusSign", "+1", "1"},
        TextCase{"LeadingZeros", "01.50", "1.5"}, TextCase{"LeadingZerosInteger", "007", "7"},
        TextCase{"Zero", "0", "0"}, TextCase{"NegativeZero", "-0", "0"},
        TextCase{"NegativeZeroFraction", "-0.0", "0"}, TextCase{"Fraction", "0.1", "0.1"},
        TextCase{"FifteenDigitsPlain", "123456789012345", "123456789012345"},
        TextCase{"SixteenDigitsScientific", "1234567890123456", "1.23456789012346E15"},
        TextCase{"FifteenIntegerDigitsWithFraction", "100000000000000.7", "100000000000001"},
        TextCase{"RoundsUpToNextPower", "999999999999999.9", "1E15"},
        TextCase{"RoundsUpToPlain", "0.0000099999999999999999", "0.00001"},
        TextCase{"OneThird", "0.33333333333333333", "0.333333333333333"},
        TextCase{"TwoThirds", "0.66666666666666666", "0.666666666666667"},
        TextCase{"SeventeenDigits", "-65.613616999999977", "-65.613617"},
        TextCase{"ExponentForms", "1.5E+3", "1500"}, TextCase{"NegativeExponent", "2e-3", "0.002"},
        TextCase{"MantissaAndExponent", "-1.25e-7", "-1.25E-7"},
        TextCase{"Huge", "1.7976931348623157e308", "1.79769313486232E308"},
        TextCase{"Denormal", "5e-324", "4.94065645841247E-324"},
        TextCase{"UnderflowIsZero", "1e-400", "0"},
        TextCase{"NegativeUnderflowIsZero", "-1e-400", "0"},
        TextCase{"LongUnderflow", "0." + std::string(400, '0') + "1", "0"},
        TextCase{"ZeroWithHugeExponent", "0e999999999999", "0"},
        TextCase{"ManyDigits", "123456789012345678901234567890", "1.23456789012346E29"},
        TextCase{"LongFractionalZeros", "1." + std::string(500, '0'), "1"},
        // Strings: escapes, then GBK content back as GBK.
        TextCase{"PlainString", "\"abc\"", "abc"}, TextCase{"EmptyString", "\"\"", ""},
        TextCase{"Chinese", "\"\xB3\xC7\xCA\xD0\"", "\xB3\xC7\xCA\xD0"},  // 城市
        TextCase{"UnknownEscapeDropped", "\"\\q\"", ""},
        TextCase{"UnknownEscapesAmongText", "\"a\\qb\\xc\\0d\"", "abcd"},
        TextCase{"EscapedRawByteDropped", "\"a\\\x01z\"", "az"},
        TextCase{"UnicodeEscapeAscii", "\"\\u004B\"", "K"},
        TextCase{"UnicodeEscapeLowerHex", "\"\\u004b\\u006A\"", "Kj"},
        TextCase{"UnicodeEscapeChinese", "\"\\u4E2D\"", "\xD6\xD0"},
        TextCase{"UnicodeEscapeEuro", "\"\\u20AC\"", "\x80"},
        TextCase{"UnicodeEscapeLacking", "\"\\u00A9\"", "?"},
        TextCase{"UnicodeEscapeNul", "\"a\\u0000b\"", std::string("a\0b", 3)},
        TextCase{"SurrogatePairIsOneCharacter", "\"\\uD83D\\uDE00\"", "?"},
        TextCase{"LoneHighSurrogate", "\"\\uD83Dabc\"", "?abc"},
        TextCase{"HighSurrogateThenAscii", "\"\\uD83D\\u0041\"", "?A"},
        TextCase{"LoneLowSurrogate", "\"\\uDE00x\"", "?x"},
        TextCase{"TwoHighSurrogates", "\"\\uD83D\\uD83D\\uDE00\"", "??"},
        TextCase{"ShortUnicodeEscapeAtEnd", "\"\\u4B\"", "K"},
        TextCase{"ThreeDigitEscapeAtEnd", "\"x\\u041\"", "xA"},
        TextCase{"FiveHexDigits", "\"\\u00411\"", "A1"},
        TextCase{"StandardEscapes", "\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"", "\"\\/\b\f\n\r\t"},
        TextCase{"Apostrophe", "\"it\\'s\"", "it's"},
        TextCase{"RawControlBytes", std::string("\"a\x01\x1F\t\n\0b\"", 9),
                 std::string("a\x01\x1F\t\n\0b", 7)},
        TextCase{"EscapeMakesLeadByteMeetLetter", "\"\xD6\\u0041\"", "\xD6\x41"},
        // Bytes are scanned one by one: a trail byte 5C escapes the next byte.
        TextCase{"TrailByteBackslash", "\"\x90\\\"\"", "?"},
        TextCase{"LoneLeadByteInString", "\"a\x81\"", "a?"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JsonNumbers, KeepTheFullDouble) {
  const auto document =
      json::ParseJsonText("[0.1, -65.613616999999977, 9007199254740993, -1e-400]");
  ASSERT_TRUE(document);
  const json::JsonNode& list = json::RootOf(*document);
  EXPECT_EQ(json::NumberValue(*json::ElementAt(list, 0)), 0.1);
  EXPECT_EQ(json::NumberValue(*json::ElementAt(list, 1)), -65.613616999999977);
  EXPECT_EQ(json::NumberValue(*json::ElementAt(list, 2)), 9007199254740992.0);
  EXPECT_EQ(json::NumberValue(*json::ElementAt(list, 3)), 0.0);
  EXPECT_TRUE(std::signbit(json::NumberValue(*json::ElementAt(list, 3))));
}

TEST(JsonNumbers, RoundHalfwayCasesToEven) {
  const auto document = json::ParseJsonText(
      "[9007199254740993, 9007199254740995, 4503599627370497.5, 4503599627370498.5, "
      "1.7976931348623158e308, 2.2250738585072011e-308, 123456789012345678e-20]");
  ASSERT_TRUE(document);
  const json::JsonNode& list = json::RootOf(*document);
  EXPECT_EQ(json::NumberValue(*json::ElementAt(list, 0)), 9007199254740992.0);
  EXPECT_EQ(json::NumberValue(*json::ElementAt(list, 1)), 9007199254740996.0);
  EXPECT_EQ(json::NumberValue(*json::ElementAt(list, 2)), 4503599627370498.0);
  EXPECT_EQ(json::NumberValue(*json::ElementAt(list, 3)), 4503599627370498.0);
  EXPECT_EQ(json::NumberValue(*json::ElementAt(list, 4)), 1.7976931348623157e308);
  EXPECT_EQ(json::NumberValue(*json::ElementAt(list, 5)), 2.2250738585072011e-308);
  EXPECT_EQ(json::NumberValue(*json::ElementAt(list, 6)), 123456789012345678e-20);
}

// Numbers of every length and scale, against the library's own conversion.
TEST(JsonNumbers, AgreeWithTheGeneralConversion) {
  std::mt19937_64 random(936);
  std::vector<std::string> numbers;
  std::string text = "[";
  for (int i = 0; i < 100000; ++i) {
    const int digitCount = 1 + static_cast<int>(random() % 21);
    std::string digits;
    for (int d = 0; d < digitCount; ++d) digits.push_back(static_cast<char>('0' + random() % 10));
    const std::size_t point = random() % (digits.size() + 1);
    std::string number = random() % 2 ? "-" : "";
    number += point == 0 ? "0" : digits.substr(0, point);
    if (point < digits.size()) number += "." + digits.substr(point);
    if (random() % 2) number += "e" + std::to_string(static_cast<int>(random() % 121) - 50);
    numbers.push_back(number);
    text += number + ",";
  }
  text += "]";
  const auto document = json::ParseJsonText(text);
  ASSERT_TRUE(document);
  const json::JsonNode& list = json::RootOf(*document);
  ASSERT_EQ(json::ElementCount(list), numbers.size());
  int failures = 0;
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    double expected = 0;
    std::from_chars(numbers[i].data(), numbers[i].data() + numbers[i].size(), expected);
    const double parsed = json::NumberValue(*json::ElementAt(list, i));
    if (parsed != expected && ++failures <= 10) ADD_FAILURE() << numbers[i];
  }
  EXPECT_EQ(failures, 0);
}

TEST(JsonNumbers, IgnoreTheLocaleDecimalSeparator) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  bool switched = false;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "German_Germany.1252", "German"}) {
    if (std::setlocale(LC_ALL, name) != nullptr) {
      switched = true;
      break;
    }
  }
  const std::optional<std::string> text = RootText("-1.25");
  const auto document = json::ParseJsonText("1.5");
  std::setlocale(LC_ALL, saved.c_str());
  if (!switched) GTEST_SKIP() << "no locale with a decimal comma here";
  EXPECT_EQ(text, std::optional<std::string>("-1.25"));
  ASSERT_TRUE(document);
  EXPECT_EQ(json::NumberValue(json::RootOf(*document)), 1.5);
}

TEST(JsonStrings, AreHeldAsUtf16) {
  const auto document = json::ParseJsonText("[\"\xD6\xD0\xCE\xC4\", \"a\\u00e0\", \"\"]");
  ASSERT_TRUE(document);
  const json::JsonNode& list = json::RootOf(*document);
  EXPECT_EQ(json::StringValue(*json::ElementAt(list, 0)), u"\u4E2D\u6587");
  EXPECT_EQ(json::StringValue(*json::ElementAt(list, 1)), u"a\u00E0");
  EXPECT_EQ(json::StringValue(*json::ElementAt(list, 2)), u"");
}

TEST(JsonStrings, StringTextNeedsAString) {
  const auto document = json::ParseJsonText(
      "{\"s\":\"\xB1\xB1\xBE\xA9\",\"n\":1,\"t\":true,\"z\":null,\"l\":[],\"o\":{}}");
  ASSERT_TRUE(document);
  const json::JsonNode& root = json::RootOf(*document);
  EXPECT_EQ(json::StringText(*json::FindMember(root, "s")), "\xB1\xB1\xBE\xA9");  // 北京
  for (const char* name : {"n", "t", "z", "l", "o"}) {
    try {
      json::StringText(*json::FindMember(root, name));
      ADD_FAILURE() << name << " gave a text";
    } catch (const json::InvalidTypecast& error) {
      EXPECT_STREQ(error.what(), "Invalid class typecast");
    }
  }
  EXPECT_THROW(json::StringText(root), std::runtime_error);
}

// ---------------------------------------------------------------------------
// Arrays.

struct ListCase {
  const char* name;
  std::string text;
  std::vector<std::string> elements;  // value texts
};

class JsonListTest : public testing::TestWithParam<ListCase> {};

TEST_P(JsonListTest, HasTheElements) {
  const auto document = json::ParseJsonText(GetParam().text);
  ASSERT_TRUE(document);
  const json::JsonNode& list = json::RootOf(*document);
  ASSERT_EQ(json::NodeKind(list), json::jsList);
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < json::ElementCount(list); ++i) {
    texts.push_back(json::ValueText(*json::ElementAt(list, i)));
  }
  EXPECT_EQ(texts, GetParam().elements);
}

INSTANTIATE_TEST_SUITE_P(
    Json, JsonListTest,
    testing::Values(ListCase{"Empty", "[]", {}}, ListCase{"EmptyWithBlanks", "[ \n ]", {}},
                    ListCase{"TrailingComma", "[1,]", {"1"}},
                    ListCase{"TrailingCommaAndBlanks", "[1 , ]", {"1"}},
                    ListCase{"NoComma", "[1 2]", {"1", "2"}},
                    ListCase{
                        "Mixed", "[1, \"a\" true,null ,[],{}]", {"1", "a", "True", "", "", ""}},
                    ListCase{"LiteralsTouching", "[truefalse null]", {"True", "False", ""}},
                    ListCase{"StringsTouching", "[\"a\"\"b\"]", {"a", "b"}},
                    ListCase{"SignSeparates", "[1-2+3]", {"1", "-2", "3"}},
                    ListCase{"ControlBytesAsBlanks", "[1\x01\x02\x32]", {"1", "2"}},
                    ListCase{"Nested", "[[1],[2,[3]]]", {"", ""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JsonLists, KeepNestedElements) {
  const auto document = json::ParseJsonText("[[1],[2,[3,4]]]");
  ASSERT_TRUE(document);
  const json::JsonNode& root = json::RootOf(*document);
  const json::JsonNode* inner = json::ElementAt(*json::ElementAt(root, 1), 1);
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(json::ElementCount(*inner), 2u);
  EXPECT_EQ(json::ValueText(*json::ElementAt(*inner, 1)), "4");
  EXPECT_EQ(json::ElementAt(*inner, 2), nullptr);
}

TEST(JsonLists, LargeListKeepsOrder) {
  std::string text = "[";
  for (int i = 0; i < 100000; ++i) text += std::to_string(i) + ",";
  text += "]";
  const auto document = json::ParseJsonText(text);
  ASSERT_TRUE(document);
  const json::JsonNode& list = json::RootOf(*document);
  ASSERT_EQ(json::ElementCount(list), 100000u);
  for (int i : {0, 1, 4095, 65536, 99999}) {
    EXPECT_EQ(json::NumberValue(*json::ElementAt(list, i)), i);
  }
}

// ---------------------------------------------------------------------------
// Objects and member lookup.

struct LookupCase {
  const char* name;
  std::string text;
  std::string member;
  std::optional<std::string> expected;  // value text, nullopt: no member
};

class JsonLookupTest : public testing::TestWithParam<LookupCase> {};

TEST_P(JsonLookupTest, FindsTheFirstMemberOfThatName) {
  const auto document = json::ParseJsonText(GetParam().text);
  ASSERT_TRUE(document);
  const json::JsonNode* member = json::FindMember(json::RootOf(*document), GetParam().member);
  std::optional<std::string> text;
  if (member != nullptr) text = json::ValueText(*member);
  EXPECT_EQ(text, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Json, JsonLookupTest,
    testing::Values(
        LookupCase{"EmptyObject", "{}", "a", std::nullopt},
        LookupCase{"EmptyName", "{\"\":5}", "", "5"},
        LookupCase{"EmptyNameAbsent", "{\"a\":5}", "", std::nullopt},
        LookupCase{"Duplicate", "{\"a\":1,\"a\":2}", "a", "1"},
        LookupCase{"CaseSensitive", "{\"A\":1}", "a", std::nullopt},
        LookupCase{"NoTrimming", "{\"a \":1}", "a", std::nullopt},
        LookupCase{"PrefixIsNotAMatch", "{\"abc\":1}", "ab", std::nullopt},
        LookupCase{"LongerIsNotAMatch", "{\"ab\":1}", "abc", std::nullopt},
        LookupCase{"NoCommas", "{\"a\":1 \"b\":2}", "b", "2"},
        LookupCase{"TrailingComma", "{\"a\":1,}", "a", "1"},
        LookupCase{"BlanksEverywhere", "{ \"a\" \n: 1 , \"b\"\t:2 }", "b", "2"},
        LookupCase{"ChineseName", "{\"\xB3\xC7\xCA\xD0\":\"x\"}", "\xB3\xC7\xCA\xD0", "x"},
        LookupCase{"EscapedName", "{\"a\\u0062\":1}", "ab", "1"},
        LookupCase{"EscapedChineseName", "{\"\\u57CE\\u5E02\":1}", "\xB3\xC7\xCA\xD0", "1"},
        LookupCase{"NameWithNul", std::string("{\"a\0b\":1}", 9), std::string("a\0b", 3), "1"},
        LookupCase{"LongName", "{\"" + std::string(300, 'n') + "\":7}", std::string(300, 'n'), "7"},
        LookupCase{"DuplicateAfterOthers", "{\"b\":0,\"a\":1,\"c\":3,\"a\":2}", "a", "1"},
        LookupCase{"NestedObject", "{\"weatherinfo\":{\"city\":\"x\"}}", "weatherinfo", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JsonObjects, NoObjectHasNoMembers) {
  const auto document = json::ParseJsonText("[{\"a\":1}]");
  ASSERT_TRUE(document);
  EXPECT_EQ(json::FindMember(json::RootOf(*document), "a"), nullptr);
  EXPECT_EQ(json::MemberNameAt(json::RootOf(*document), 0), u"");
}

TEST(JsonObjects, ManyMembersKeepDocumentOrderAndFirstDuplicate) {
  // Enough members, in a scrambled order with duplicates, to leave the small-object path.
  std::string text = "{";
  std::vector<std::string> names;
  for (int i = 0; i < 300; ++i) {
    const int key = (i * 37) % 101;
    names.push_back("k" + std::to_string(key));
    text += "\"" + names.back() + "\":" + std::to_string(i) + ",";
  }
  text += "}";
  const auto document = json::ParseJsonText(text);
  ASSERT_TRUE(document);
  const json::JsonNode& object = json::RootOf(*document);
  ASSERT_EQ(json::ElementCount(object), 300u);
  for (int i = 0; i < 300; ++i) {
    EXPECT_EQ(json::MemberNameAt(object, i), base::GbkToUtf16(names[i]));
    EXPECT_EQ(json::NumberValue(*json::ElementAt(object, i)), i);
  }
  for (int key = 0; key < 101; ++key) {
    const json::JsonNode* member = json::FindMember(object, "k" + std::to_string(key));
    ASSERT_NE(member, nullptr) << key;
    int first = 0;
    while ((first * 37) % 101 != key) ++first;
    EXPECT_EQ(json::NumberValue(*member), first) << key;
  }
  EXPECT_EQ(json::FindMember(object, "k101"), nullptr);
  EXPECT_EQ(json::FindMember(object, "k"), nullptr);
}

TEST(JsonObjects, NamesThatDifferOnlyAtTheirStartAreTold) {
  // Same length and same last three characters: 40 such names, then 3 whose
  // first characters (U+4E2D, U+5E2D, U+6E2D) share their low bytes; each
  // given twice, in a scrambled order.
  std::vector<std::string> names;
  for (const char first : std::string("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcd")) {
    names.push_back(first + std::string("xyz"));
  }
  for (const char* name : {"\xD6\xD0"
                           "ab",
                           "\xCF\xAF"
                           "ab",
                           "\xCE\xBC"
                           "ab"}) {
    names.push_back(name);
  }
  std::string text = "{";
  std::vector<int> firstValue(names.size(), -1);
  for (int i = 0; i < 2 * static_cast<int>(names.size()); ++i) {
    const int which = (i * 17) % static_cast<int>(names.size());
    if (firstValue[which] < 0) firstValue[which] = i;
    text += "\"" + names[which] + "\":" + std::to_string(i) + ",";
  }
  text += "}";
  const auto document = json::ParseJsonText(text);
  ASSERT_TRUE(document);
  const json::JsonNode& object = json::RootOf(*document);
  for (std::size_t i = 0; i < names.size(); ++i) {
    const json::JsonNode* member = json::FindMember(object, names[i]);
    ASSERT_NE(member, nullptr) << names[i];
    EXPECT_EQ(json::NumberValue(*member), firstValue[i]) << names[i];
  }
  for (const char* absent : {"xyz", "[xyz", "Axy", "Axyzz",
                             "\x81\x4D"
                             "ab"}) {
    EXPECT_EQ(json::FindMember(object, absent), nullptr) << absent;
  }
}

TEST(JsonObjects, NodesOfADocumentAreStable) {
  const auto document = json::ParseJsonText("{\"weatherinfo\":{\"city\":\"\xB1\xB1\xBE\xA9\"}}");
  ASSERT_TRUE(document);
  const json::JsonNode* info = json::FindMember(json::RootOf(*document), "weatherinfo");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(json::NodeKind(*info), json::jsObject);
  const json::JsonNode* city = json::FindMember(*info, "city");
  ASSERT_NE(city, nullptr);
  EXPECT_EQ(json::FindMember(*info, "city"), city);
  EXPECT_EQ(json::ValueText(*city), "\xB1\xB1\xBE\xA9");
}

// ---------------------------------------------------------------------------
// Nesting depth.

struct DepthCase {
  const char* name;
  std::string text;
  bool parses;
};

class JsonDepthTest : public testing::TestWithParam<DepthCase> {};

TEST_P(JsonDepthTest, StopsBeyondTheLimit) {
  EXPECT_EQ(json::ParseJsonText(GetParam().text) != nullptr, GetParam().parses);
}

INSTANTIATE_TEST_SUITE_P(
    Json, JsonDepthTest,
    testing::Values(
        DepthCase{"ListsAtLimit", Nested(json::kMaxDepth, "[", "1", "]"), true},
        DepthCase{"ListsBeyondLimit", Nested(json::kMaxDepth + 1, "[", "1", "]"), false},
        DepthCase{"ObjectsAtLimit", Nested(json::kMaxDepth, "{\"a\":", "1", "}"), true},
        DepthCase{"ObjectsBeyondLimit", Nested(json::kMaxDepth + 1, "{\"a\":", "1", "}"), false},
        DepthCase{"MixedAtLimit", Nested(json::kMaxDepth / 2, "[{\"a\":", "1", "}]"), true},
        DepthCase{"MixedBeyondLimit", Nested(json::kMaxDepth / 2, "[{\"a\":", "[]", "}]"), false},
        DepthCase{"EmptyContainersCount", Nested(json::kMaxDepth - 1, "[", "{}", "]"), true},
        DepthCase{"EmptyContainerBeyondLimit", Nested(json::kMaxDepth, "[", "{}", "]"), false},
        DepthCase{"VeryDeepUnclosed", std::string(1000000, '['), false},
        DepthCase{"VeryDeepClosed", Nested(200000, "[", "", "]"), false},
        DepthCase{"ManyShallowSiblings", Nested(1, "[", Repeat("[[]],", 3000), "]"), true}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Robustness: every cut of a real document parses or not, never more.

TEST(JsonRobustness, EveryPrefixOfAReportIsSafe) {
  // 北京, 2026年, -5℃~3℃
  const std::string report =
      "\xEF\xBB\xBF{\"weatherinfo\":{\"city\":\"\xB1\xB1\xBE\xA9\",\"date_y\":\"2026\xC4\xEA\","
      "\"temp1\":\"-5\xA1\xE6~3\xA1\xE6\",\"img1\":7.5,\"img2\":\"99\",\"fl\":[1,2e3,-0.5],"
      "\"esc\":\"\\u4E2D\\n\\q\\uD83D\\uDE00\",\"t\":true,\"f\":false,\"z\":null}}";
  ASSERT_TRUE(json::ParseJsonText(report));
  for (std::size_t size = 0; size < report.size(); ++size) {
    const auto document = json::ParseJsonText(std::string_view(report).substr(0, size));
    if (document) {
      // Only a bare prefix that ends in a complete value can give a tree; ours is an object.
      ADD_FAILURE() << "prefix of " << size << " bytes gave a tree";
    }
  }
}

}  // namespace
