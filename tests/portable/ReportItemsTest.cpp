// Reading report members and composing the display items.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "json/Json.h"
#include "weather/ReportItems.h"

namespace weather {
namespace {

// A parsed "weatherinfo" object, kept alive for the test.
class Member {
 public:
  explicit Member(std::string_view text) : document_(json::ParseJsonText(text)) {
    if (!document_) throw std::runtime_error("test report does not parse");
  }
  operator const json::JsonNode&() const { return json::RootOf(*document_); }

 private:
  json::JsonDocumentPtr document_;
};

LocalClock FixedClock(int year, int month, int day) {
  return [=] { return LocalDate{year, month, day}; };
}

template <typename Error>
std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.what();
  }
  return "<no error>";
}

// --- the three reads ---------------------------------------------------------

constexpr const char* kKinds =
    R"({"s":"abc","gbk":")"
    "\xC7\xE7" /* 晴 */ R"(","n":23,"f":-5.50,"big":1e20,"t":true,"F":false,)"
    R"("z":null,"l":[1,2],"o":{"a":1},"e":""})";

struct ReadCase {
  const char* name;
  std::string keyText;
  bool isString;  // string text gives the key text instead of an error
};

class ReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadTest, KeyText) {
  const Member member(kKinds);
  EXPECT_EQ(KeyText(member, GetParam().name), GetParam().keyText);
}

TEST_P(ReadTest, StringText) {
  const Member member(kKinds);
  if (GetParam().isString) {
    EXPECT_EQ(StringText(member, GetParam().name), GetParam().keyText);
  } else {
    EXPECT_EQ(MessageOf<json::InvalidTypecast>([&] { StringText(member, GetParam().name); }),
              "Invalid class typecast");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ReadTest,
    ::testing::Values(ReadCase{"s", "abc", true}, ReadCase{"gbk", "\xC7\xE7" /* 晴 */, true},
                      ReadCase{"e", "", true}, ReadCase{"n", "23", false},
                      ReadCase{"f", "-5.5", false}, ReadCase{"big", "1E20", false},
                      ReadCase{"t", "True", false}, ReadCase{"F", "False", false},
                      ReadCase{"z", "", false}, ReadCase{"l", "", false}, ReadCase{"o", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadTest, MissingMemberReadsAsEmptyText) {
  const Member member(kKinds);
  EXPECT_EQ(KeyText(member, "city"), "");
  EXPECT_EQ(StringText(member, "date_y"), "");
  // Names are exact: no case folding.
  EXPECT_EQ(KeyText(member, "S"), "");
}

TEST(ReadTest, MissingIconMemberIsAnErrorNamingIt) {
  const Member member(R"({"img1":1})");
  EXPECT_EQ(MessageOf<IconNumberError>([&] { IconNumber(member, "img3"); }),
            "Member \"img3\" is missing");
}

struct IconCase {
  const char* label;
  std::string json;  // the value of "img1"
  int number;
};

class IconNumberTest : public ::testing::TestWithParam<IconCase> {};

TEST_P(IconNumberTest, Converts) {
  const Member member(R"({"img1":)" + GetParam().json + "}");
  EXPECT_EQ(IconNumber(member, "img1"), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(
    Values, IconNumberTest,
    ::testing::Values(
        IconCase{"Whole", "7", 7}, IconCase{"HalfUpToEven", "7.5", 8},
        IconCase{"HalfDownToEven", "6.5", 6}, IconCase{"BelowHalf", "6.49", 6},
        IconCase{"AboveHalf", "6.51", 7}, IconCase{"HalfOfZero", "0.5", 0},
        IconCase{"HalfOfOne", "1.5", 2}, IconCase{"NegativeHalfToEven", "-0.5", 0},
        IconCase{"NegativeOneAndHalf", "-1.5", -2}, IconCase{"NegativeTwoAndHalf", "-2.5", -2},
        IconCase{"Negative", "-7.6", -8}, IconCase{"Exponent", "1.2e1", 12},
        IconCase{"Max", "2147483647", 2147483647}, IconCase{"Min", "-2147483648", INT32_MIN},
        IconCase{"MaxPlusFraction", "2147483647.4", 2147483647},
        IconCase{"MinHalfToEven", "-2147483648.5", INT32_MIN}, IconCase{"True", "true", -1},
        IconCase{"False", "false", 0}, IconCase{"Text", R"("7")", 7},
        IconCase{"TextLeadingZeros", R"("07")", 7}, IconCase{"TextPlus", R"("+7")", 7},
        IconCase{"TextNegative", R"("-12")", -12}, IconCase{"TextBlanks", R"(" 7 ")", 7},
        IconCase{"TextMax", R"("2147483647")", 2147483647},
        IconCase{"TextMin", R"("-2147483648")", INT32_MIN},
        IconCase{"TextDollarHex", R"("$1F")", 31}, IconCase{"TextZeroXHex", R"("0x10")", 16},
        IconCase{"TextHexAllBits", R"("$FFFFFFFF")", -1}),
    [](const auto& info) { return std::string(info.param.label); });

struct IconErrorCase {
  const char* label;
  std::string json;
  std::string message;
};

class IconNumberErrorTest : public ::testing::TestWithParam<IconErrorCase> {};

TEST_P(IconNumberErrorTest, Fails) {
  const Member member(R"({"img1":)" + GetParam().json + "}");
  EXPECT_EQ(MessageOf<IconNumberError>([&] { IconNumber(member, "img1"); }), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Values, IconNumberErrorTest,
    ::testing::Values(
        IconErrorCase{"Null", "null", "Invalid icon number in \"img1\""},
        IconErrorCase{"List", "[7]", "Invalid icon number in \"img1\""},
        IconErrorCase{"Object", R"({"a":7})", "Invalid icon number in \"img1\""},
        IconErrorCase{"AboveMax", "2147483648", "Icon number in \"img1\" is out of range"},
        IconErrorCase{"RoundsAboveMax", "2147483647.5", "Icon number in \"img1\" is out of range"},
        IconErrorCase{"BelowMin", "-2147483649", "Icon number in \"img1\" is out of range"},
        IconErrorCase{"Huge", "1e300", "Icon number in \"img1\" is out of range"},
        IconErrorCase{"Letters", R"("abc")", "'abc' is not a valid integer value"},
        IconErrorCase{"Empty", R"("")", "'' is not a valid integer value"},
        IconErrorCase{"Blanks", R"("  ")", "'  ' is not a valid integer value"},
        IconErrorCase{"SignOnly", R"("-")", "'-' is not a valid integer value"},
        IconErrorCase{"Fraction", R"("7.5")", "'7.5' is not a valid integer value"},
        IconErrorCase{"TrailingLetter", R"("7x")", "'7x' is not a valid integer value"},
        IconErrorCase{"InnerBlank", R"("1 2")", "'1 2' is not a valid integer value"},
        IconErrorCase{"TextAboveMax", R"("2147483648")",
                      "'2147483648' is not a valid integer value"},
        IconErrorCase{"TextBelowMin", R"("-2147483649")",
                      "'-2147483649' is not a valid integer value"},
        IconErrorCase{"TextFarAboveMax", R"("99999999999999999999")",
                      "'99999999999999999999' is not a valid integer value"},
        IconErrorCase{"HexTooLong", R"("$100000000")", "'$100000000' is not a valid integer value"},
        IconErrorCase{"HexEmpty", R"("0x")", "'0x' is not a valid integer value"},
        IconErrorCase{"HexBadDigit", R"("$1G")", "'$1G' is not a valid integer value"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(IconNumberErrorTest, IsARuntimeError) {
  const Member member(R"({"img1":null})");
  EXPECT_THROW(IconNumber(member, "img1"), std::runtime_error);
}

// --- dates -------------------------------------------------------------------

struct DateCase {
  LocalDate today;
  int n;
  std::string text;
};

class DayDateTextTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(DayDateTextTest, AddsWholeDaysToTheClock) {
  const Member member(R"({"date_y":"ignored"})");
  const LocalDate& today = GetParam().today;
  EXPECT_EQ(DayDateText(member, GetParam().n, FixedClock(today.year, today.month, today.day)),
            GetParam().text);
}

// "YYYY年MM月DD日 "
std::string DateText(const char* year, const char* month, const char* day) {
  return std::string(year) + "\xC4\xEA" /* 年 */ + month + "\xD4\xC2" /* 月 */ + day +
         "\xC8\xD5" /* 日 */ + " ";
}

INSTANTIATE_TEST_SUITE_P(
    Calendar, DayDateTextTest,
    ::testing::Values(DateCase{{2026, 12, 7}, 2, DateText("2026", "12", "08")},
                      DateCase{{2026, 12, 7}, 3, DateText("2026", "12", "09")},
                      DateCase{{2026, 12, 7}, 5, DateText("2026", "12", "11")},
                      DateCase{{2026, 12, 31}, 2, DateText("2027", "01", "01")},
                      DateCase{{2026, 12, 30}, 5, DateText("2027", "01", "03")},
                      DateCase{{2026, 4, 30}, 2, DateText("2026", "05", "01")},
                      DateCase{{2027, 2, 28}, 2, DateText("2027", "03", "01")},
                      DateCase{{2028, 2, 28}, 2, DateText("2028", "02", "29")},
                      DateCase{{2028, 2, 28}, 3, DateText("2028", "03", "01")},
                      DateCase{{2100, 2, 28}, 2, DateText("2100", "03", "01")},
                      DateCase{{2000, 2, 28}, 2, DateText("2000", "02", "29")},
                      DateCase{{999, 1, 1}, 2, DateText("0999", "01", "02")}),
    [](const testing::TestParamInfo<DateCase>& info) {
      const LocalDate& today = info.param.today;
      return "Day" + std::to_string(info.param.n) + "From" +
             std::to_string(today.year * 10000 + today.month * 100 + today.day);
    });

TEST(DayDateTextTest, DayOneIsTheReportDate) {
  const Member member(
      "{\"date_y\":\"2026\xC4\xEA"
      "12\xD4\xC2"
      "07\xC8\xD5\"}" /* 年 月 日 */);
  int reads = 0;
  const LocalClock clock = [&] {
    ++reads;
    return LocalDate{2000, 1, 1};
  };
  EXPECT_EQ(DayDateText(member, 1, clock),
            "2026\xC4\xEA"
            "12\xD4\xC2"
            "07\xC8\xD5");
  EXPECT_EQ(reads, 0);
}

TEST(DayDateTextTest, ClockIsReadForEachDate) {
  const Member member(R"({"date_y":"x"})");
  int reads = 0;
  // The day changes between two reads, as it may at midnight.
  const LocalClock clock = [&] {
    ++reads;
    return reads == 1 ? LocalDate{2026, 12, 7} : LocalDate{2026, 12, 8};
  };
  EXPECT_EQ(DayDateText(member, 2, clock), DateText("2026", "12", "08"));
  EXPECT_EQ(DayDateText(member, 3, clock), DateText("2026", "12", "10"));
  EXPECT_EQ(reads, 2);
}

TEST(DayDateTextTest, ReportDateMustBeAString) {
  for (const char* value : {"20261207", "null", "true", "[]", "{}"}) {
    const Member member(std::string(R"({"date_y":)") + value + "}");
    EXPECT_EQ(
        MessageOf<json::InvalidTypecast>([&] { DayDateText(member, 1, FixedClock(2026, 12, 7)); }),
        "Invalid class typecast")
        << value;
  }
}

TEST(DayDateTextTest, FormatPadsFields) {
  EXPECT_EQ(FormatDayDate({2026, 1, 2}), DateText("2026", "01", "02"));
  EXPECT_EQ(FormatDayDate({2026, 10, 31}), DateText("2026", "10", "31"));
}

TEST(SystemClockTest, GivesAPlausibleDate) {
  const LocalDate today = SystemClock()();
  EXPECT_GE(today.year, 2024);
  EXPECT_GE(today.month, 1);
  EXPECT_LE(today.month, 12);
  EXPECT_GE(today.day, 1);
  EXPECT_LE(today.day, 31);
}

// --- per-day items -------------------------------------------------------------

constexpr const char* kDays =
    "{\"img_title1\":\"\xC7\xE7\",\"img_title2\":\"\xB6\xE0\xD4\xC6\"," /* 晴 多云 */
    R"("img_title3":"","img_title4":"",)"
    R"("img_title5":"a","img_title6":7,"img_title7":null,"img_title8":"b",)"
    R"("fx1":"F1","fx2":"F2","fx3":"F3","fx4":"F4","fx5":"F5",)"
    R"("wind1":"W1","wind2":"W2","wind3":"W3","wind4":"W4","wind5":"W5",)"
    R"("img1":0,"img2":1,"img3":2,"img4":"3","img5":99,"img6":100,"img7":7.5,"img8":12,)"
    R"("img9":true,"img10":false})";

struct DayCase {
  int n;
  std::string sky;
  std::string wind;
  std::string dayIcon;
  std::string nightIcon;
};

class DayItemsTest : public ::testing::TestWithParam<DayCase> {};

TEST_P(DayItemsTest, SkyText) {
  EXPECT_EQ(DaySkyText(Member(kDays), GetParam().n), GetParam().sky);
}
TEST_P(DayItemsTest, WindText) {
  EXPECT_EQ(DayWindText(Member(kDays), GetParam().n), GetParam().wind);
}
TEST_P(DayItemsTest, DayIcon) {
  EXPECT_EQ(DayIconFile(Member(kDays), GetParam().n), GetParam().dayIcon);
}
TEST_P(DayItemsTest, NightIcon) {
  EXPECT_EQ(NightIconFile(Member(kDays), GetParam().n), GetParam().nightIcon);
}

INSTANTIATE_TEST_SUITE_P(
    Days, DayItemsTest,
    ::testing::Values(DayCase{1, "\xC7\xE7 \xB6\xE0\xD4\xC6" /* 晴 多云 */, "F1",
                              "image_Index\\d00.bmp", "image_Index\\n01.bmp"},
                      DayCase{2, " ", "F2", "image_Index\\d02.bmp", "image_Index\\n03.bmp"},
                      DayCase{3, "a 7", "W3", "image_Index\\d01.bmp", "image_Index\\n00.bmp"},
                      DayCase{4, " b", "W4", "image_Index\\d08.bmp", "image_Index\\n12.bmp"},
                      DayCase{5, " ", "W5", "image_Index\\d-1.bmp", "image_Index\\n00.bmp"}),
    [](const auto& info) { return "Day" + std::to_string(info.param.n); });

TEST(DayItemsTest, MissingTitlesStillGiveTheBlank) {
  const Member member("{}");
  EXPECT_EQ(DaySkyText(member, 1), " ");
  EXPECT_EQ(DayWindText(member, 3), "");
}

TEST(DayItemsTest, DayOutsideOneToFiveIsRejected) {
  const Member member(kDays);
  for (const int n : {0, 6, -1}) {
    EXPECT_THROW(DaySkyText(member, n), std::out_of_range) << n;
    EXPECT_THROW(DayWindText(member, n), std::out_of_range) << n;
    EXPECT_THROW(DayIconFile(member, n), std::out_of_range) << n;
    EXPECT_THROW(NightIconFile(member, n), std::out_of_range) << n;
    EXPECT_THROW(DayDateText(member, n, FixedClock(2026, 1, 1)), std::out_of_range) << n;
  }
}

TEST(DayItemsTest, IconErrorNamesTheMember) {
  const Member member(R"({"img1":1,"img2":null})");
  EXPECT_EQ(DayIconFile(member, 1), "image_Index\\d01.bmp");
  EXPECT_EQ(MessageOf<IconNumberError>([&] { NightIconFile(member, 1); }),
            "Invalid icon number in \"img2\"");
  EXPECT_EQ(MessageOf<IconNumberError>([&] { DayIconFile(member, 2); }),
            "Member \"img3\" is missing");
}

// --- index texts -----------------------------------------------------------------

constexpr const char* kIndexes =
    R"({"index":"A","index_d":"a","index48":"B","index48_d":"b","index_uv":3,)"
    R"("index48_uv":"U","index_cl":"C","index_co":"O","index_ls":"L","index_tr":"T"})";

struct IndexCase {
  const char* label;
  std::string (*item)(const json::JsonNode&);
  std::string text;
};

class IndexTextTest : public ::testing::TestWithParam<IndexCase> {};

TEST_P(IndexTextTest, Composes) { EXPECT_EQ(GetParam().item(Member(kIndexes)), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    Items, IndexTextTest,
    ::testing::Values(
        IndexCase{
            "Clothing24", &ClothingText24,
            "\xB4\xA9\xD2\xC2\xD6\xB8\xCA\xFD(24\xD0\xA1\xCA\xB1)\xA3\xBA" /* 穿衣指数(24小时)： */
            "A\ra"},
        IndexCase{
            "Clothing48", &ClothingText48,
            "\xB4\xA9\xD2\xC2\xD6\xB8\xCA\xFD(48\xD0\xA1\xCA\xB1)\xA3\xBA" /* 穿衣指数(48小时)： */
            "B\rb"},
        IndexCase{
            "Uv24", &UvText24,
            "\xD7\xCF\xCD\xE2\xCF\xDF\xD6\xB8\xCA\xFD(24\xD0\xA1\xCA\xB1)" /* 紫外线指数(24小时) */
            " \r3"},
        // 紫外线指数(48小时)：
        IndexCase{"Uv48", &UvText48,
                  "\xD7\xCF\xCD\xE2\xCF\xDF\xD6\xB8\xCA\xFD(48\xD0\xA1\xCA\xB1)\xA3\xBA\rU"},
        IndexCase{"Exercise", &ExerciseText,
                  "\xB3\xBF\xC1\xB7\xD6\xB8\xCA\xFD\xA3\xBA" /* 晨练指数： */ "\rC"},
        IndexCase{"Comfort", &ComfortText,
                  "\xCA\xE6\xCA\xCA\xB6\xC8\xD6\xB8\xCA\xFD\xA3\xBA" /* 舒适度指数： */ "\rO"},
        IndexCase{"Drying", &DryingText,
                  "\xC1\xC0\xC9\xB9\xD6\xB8\xCA\xFD\xA3\xBA" /* 晾晒指数： */ "\rL"},
        IndexCase{"Travel", &TravelText,
                  "\xC2\xC3\xD3\xCE\xD6\xB8\xCA\xFD\xA3\xBA" /* 旅游指数： */ "\rT"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(IndexTextTest, NoLineFeedAnywhere) {
  const Member member(kIndexes);
  for (const auto item : {&ClothingText24, &ClothingText48, &UvText24, &UvText48, &ExerciseText,
                          &ComfortText, &DryingText, &TravelText}) {
    const std::string text = item(member);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 1);
  }
}

TEST(IndexTextTest, EmptyMembersLeaveTheCaptions) {
  const Member member(R"({"index":null,"index_d":[],"index_uv":{}})");
  EXPECT_EQ(
      ClothingText24(member),
      "\xB4\xA9\xD2\xC2\xD6\xB8\xCA\xFD(24\xD0\xA1\xCA\xB1)\xA3\xBA" /* 穿衣指数(24小时)： */ "\r");
  EXPECT_EQ(
      UvText24(member),
      "\xD7\xCF\xCD\xE2\xCF\xDF\xD6\xB8\xCA\xFD(24\xD0\xA1\xCA\xB1) \r" /* 紫外线指数(24小时) */);
}

}  // namespace
}  // namespace weather
