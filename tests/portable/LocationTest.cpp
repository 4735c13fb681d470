// Cutting the location text and the city name out of the location page.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "weather/Location.h"

namespace weather {
namespace {

const std::string kMarker = "\xB2\xE9\xD1\xAF\xBD\xE1\xB9\xFB";       // 查询结果
const std::string kYunnanProvince = "\xD4\xC6\xC4\xCF\xCA\xA1";       // 云南省
const std::string kKunmingCity = "\xC0\xA5\xC3\xF7\xCA\xD0";          // 昆明市
const std::string kKunming = "\xC0\xA5\xC3\xF7";                      // 昆明
const std::string kTelecom = "\xB5\xE7\xD0\xC5";                      // 电信
const std::string kGuangxi = "\xB9\xE3\xCE\xF7";                      // 广西
const std::string kNanning = "\xC4\xCF\xC4\xFE";                      // 南宁
const std::string kBeijingCity = "\xB1\xB1\xBE\xA9\xCA\xD0";          // 北京市
const std::string kHaidian = "\xBA\xA3\xB5\xED";                      // 海淀
const std::string kCity = "\xCA\xD0";                                 // 市
const std::string kIdeographicSpace = "\xA1\xA1";                     //  (full width)
const std::string kLinePrefix = "\xC4\xFA\xCB\xF9\xD4\xDA\xB5\xD8:";  // 您所在地:

const std::string kKunmingLocation = kYunnanProvince + " " + kKunmingCity + " " + kTelecom;
const std::string kKunmingPiece = "1.2.3.4&nbsp;-&nbsp;" + kKunmingLocation;

struct CutCase {
  const char* name;
  std::string page;
  std::string locationText;
};

void PrintTo(const CutCase& cut, std::ostream* os) { *os << cut.name; }

class CutLocationTextTest : public testing::TestWithParam<CutCase> {};

TEST_P(CutLocationTextTest, GivesTheLocationText) {
  EXPECT_EQ(CutLocationText(GetParam().page), GetParam().locationText);
}

std::string Filler(std::size_t count, char c = 'x') { return std::string(count, c); }

INSTANTIATE_TEST_SUITE_P(
    Pages, CutLocationTextTest,
    testing::Values(
        CutCase{"EmptyPage", "", ""},
        CutCase{"NoMarker", "<html><span>1.2.3.4 - " + kKunmingLocation + "</span></html>", ""},
        CutCase{"NoMarkerLongPage", Filler(300) + "-abc</span>" + Filler(300), ""},
        CutCase{"OnePiece", "<td><span>" + kMarker + kKunmingPiece + "</span></td>",
                kKunmingLocation},
        CutCase{"MarkerLaterInPage", Filler(1000) + kMarker + "-abc</span>" + Filler(1000), "abc"},
        CutCase{"WithoutDashKeepsMarker", kMarker + " abc </span>", kMarker + " abc"},
        CutCase{"TwoPiecesCutInFirst", kMarker + "1.2.3.4-A</span></td><td>" + kMarker + "B</span>",
                "A\r\n" + kMarker + "B"},
        CutCase{"DashOnlyInSecondPiece", kMarker + "A</span>" + kMarker + "x-B</span>", "B"},
        CutCase{"SpanEndBeforeNextMarker", kMarker + "x</span>junk</span>" + kMarker + "y</span>",
                kMarker + "x\r\n\r\n" + kMarker + "y"},
        // The first pass leaves "/span>" in front; the stray end right after
        // the first piece only adds a line break.
        CutCase{"SpanEndRightAfterSpanEnd", kMarker + "-a</span></span>" + kMarker + "b</span>",
                "a\r\n\r\n" + kMarker + "b"},
        CutCase{"NbspRemovedEverywhere", kMarker + "&nbsp;-&nbsp;a&nbsp;&nbsp;b&nbsp;</span>",
                "ab"},
        CutCase{"NbspJointNotRescanned", kMarker + "-a&nb&nbsp;sp;b</span>", "a&nbsp;b"},
        CutCase{"NbspIsCaseSensitive", kMarker + "-a&NBSP;b</span>", "a&NBSP;b"},
        CutCase{"DashInsideNbspFreeText", kMarker + "1-2-3</span>", "2-3"},
        CutCase{"TrimsControlBytesAndBlanks",
                kMarker + "-" + std::string("\x00\x01\x1f \t", 5) + "a b" +
                    std::string(" \x7f\x20\x00", 4) + "</span>",
                "a b \x7f"},
        CutCase{"HighBytesNotTrimmed",
                kMarker + "-" + kIdeographicSpace + "a" + kIdeographicSpace + "</span>",
                kIdeographicSpace + "a" + kIdeographicSpace},
        CutCase{"MarkerWithoutSpanEnd", kMarker + "-abc", ""},
        CutCase{"SecondMarkerWithoutSpanEnd", kMarker + "-a</span>" + kMarker + "b", "a"},
        CutCase{"MarkerNearPageEnd", Filler(100) + kMarker + "-abc</sp", ""},
        // 254 bytes from the marker: a "</span>" that ends on the last byte counts.
        CutCase{"SpanEndEndsAtWindowEnd", kMarker + "-" + Filler(254 - 8 - 1 - 7, 'a') + "</span>",
                Filler(254 - 8 - 1 - 7, 'a')},
        CutCase{"SpanEndStraddlesWindowEnd",
                kMarker + "-" + Filler(254 - 8 - 1 - 6, 'a') + "</span>", ""},
        CutCase{"SecondPieceStraddlesWindowEnd",
                kMarker + "-a</span>" + Filler(200, ' ') + kMarker + "b" + Filler(30) + "</span>",
                "a"},
        CutCase{"SecondPieceInsideWindow",
                kMarker + "-a</span>" + Filler(200, ' ') + kMarker + "b</span>",
                "a\r\n" + kMarker + "b"}),
    [](const testing::TestParamInfo<CutCase>& info) { return std::string(info.param.name); });

TEST(CutLocationText, SecondPieceLostWhenMarkerStraddlesWindowEnd) {
  // Marker bytes 250..257: half of it lies outside the window.
  const std::string page = kMarker + "-a</span>" + Filler(254 - 8 - 9 - 4) + kMarker + "b</span>";
  ASSERT_EQ(page.find(kMarker, 1), 250u);
  EXPECT_EQ(CutLocationText(page), "a");
}

TEST(CutLocationText, PieceIsCutAtWindowEnd) {
  // The bytes behind the window never reach the text, even with a later "</span>".
  const std::string page = kMarker + "-" + Filler(300, 'a') + "</span>";
  EXPECT_EQ(CutLocationText(page), "");
}

struct CityCase {
  const char* name;
  std::string locationText;
  std::string cityName;
};

void PrintTo(const CityCase& city, std::ostream* os) { *os << city.name; }

class LocatedCityNameTest : public testing::TestWithParam<CityCase> {};

TEST_P(LocatedCityNameTest, GivesTheCityName) {
  EXPECT_EQ(LocatedCityName(GetParam().locationText), GetParam().cityName);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LocatedCityNameTest,
    testing::Values(CityCase{"Empty", "", ""}, CityCase{"Kunming", kKunmingLocation, kKunming},
                    CityCase{"NoBlanks", kYunnanProvince + kKunmingCity + kTelecom,
                             kYunnanProvince + kKunming},
                    CityCase{"NoCityAfterBlank", kGuangxi + " " + kNanning, kNanning},
                    // The "市" before the blank is not looked at.
                    CityCase{"CityOnlyBeforeBlank", kBeijingCity + " " + kHaidian, kHaidian},
                    CityCase{"CityRightAfterBlank", kGuangxi + " " + kCity + "x", ""},
                    CityCase{"OnlyFirstBlankCounts", "a b c", "b c"},
                    CityCase{"TrailingBlank", "abc ", ""},
                    CityCase{"NoBlankNoCity", kNanning, kNanning},
                    CityCase{"TwoLines", "A\r\n" + kMarker + " " + kKunmingCity, kKunming}),
    [](const testing::TestParamInfo<CityCase>& info) { return std::string(info.param.name); });

TEST(LocationLine, PrefixesTheLocationText) {
  EXPECT_EQ(LocationLine(""), kLinePrefix);
  EXPECT_EQ(LocationLine(kKunmingLocation), kLinePrefix + kKunmingLocation);
  EXPECT_EQ(LocationLine("A\r\nB"), kLinePrefix + "A\r\nB");
}

TEST(LocationLookup, KunmingPageEndToEnd) {
  const std::string page =
      "<html><body><p>" + kMarker + kKunmingPiece + "</span></p>" + Filler(5000) + "</body></html>";
  const std::string text = CutLocationText(page);
  EXPECT_EQ(text, kKunmingLocation);
  EXPECT_EQ(LocationLine(text),
            kLinePrefix + kYunnanProvince + " " + kKunmingCity + " " + kTelecom);
  EXPECT_EQ(LocatedCityName(text), kKunming);
}

TEST(LocationLookup, PageWithoutMarkerGivesBarePrefix) {
  const std::string text = CutLocationText("<html>nothing to see</span></html>");
  EXPECT_EQ(text, "");
  EXPECT_EQ(LocationLine(text), kLinePrefix);
  EXPECT_EQ(LocatedCityName(text), "");
}

TEST(LocationLookup, EndpointFromBuildSettings) {
  const HttpEndpoint endpoint = LocationEndpoint();
  EXPECT_FALSE(endpoint.host.empty());
  EXPECT_EQ(endpoint.host.find(':'), std::string::npos);
  EXPECT_GT(endpoint.port, 0);
  EXPECT_LT(endpoint.port, 65536);
}

}  // namespace
}  // namespace weather
