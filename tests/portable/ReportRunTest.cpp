// One report run: order of its steps, quiet ends, errors and the request's life.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "json/Json.h"
#include "weather/Report.h"
#include "weather/ReportItems.h"

namespace weather {
namespace {

using Events = std::vector<std::string>;

class FakeRequest : public ReportRequest {
 public:
  FakeRequest(Events& events, std::string answer, bool fail)
      : events_(events), answer_(std::move(answer)), fail_(fail) {}
  ~FakeRequest() override { events_.push_back("release"); }

  std::string Fetch(const std::string& url) override {
    events_.push_back("fetch " + url);
    if (fail_) throw std::runtime_error("The server name or address could not be resolved");
    return answer_;
  }

 private:
  Events& events_;
  std::string answer_;
  bool fail_;
};

class FakeView : public ReportView {
 public:
  explicit FakeView(Events& events) : events_(events) {}

  std::string code = "101290101";
  bool codeFails = false;
  bool displayFails = false;

  std::string SelectedCityCode() override {
    events_.push_back("code");
    if (codeFails) throw std::runtime_error("List index out of bounds (0)");
    return code;
  }
  void ShowReportText(const std::string& text) override { events_.push_back("show " + text); }
  void ReportParsed() override { events_.push_back("parsed"); }
  void Display(const json::JsonNode& weatherinfo) override {
    // The member must be readable for the whole display step.
    events_.push_back("display " + KeyText(weatherinfo, "city"));
    if (displayFails) throw std::runtime_error("display failed");
  }

 private:
  Events& events_;
};

struct RunResult {
  Events events;
  std::string error;  // empty when the run ended without one
};

RunResult RunWith(const std::string& answer, bool fetchFails = false,
                  const std::function<void(FakeView&)>& setUp = {}) {
  RunResult run;
  FakeView view(run.events);
  if (setUp) setUp(view);
  const ReportRequestFactory create = [&] {
    run.events.push_back("create");
    return std::make_unique<FakeRequest>(run.events, answer, fetchFails);
  };
  try {
    RunReport(create, view);
  } catch (const std::exception& e) {
    run.error = e.what();
  }
  return run;
}

const std::string kUrl = MakeReportUrl("101290101");

TEST(MakeReportUrlTest, BuildsTheReportPath) {
  EXPECT_EQ(MakeReportUrl("weather.example", "101290101"),
            "http://weather.example/data/101290101.html");
  EXPECT_EQ(MakeReportUrl("127.0.0.1:8080", "101010100"),
            "http://127.0.0.1:8080/data/101010100.html");
  EXPECT_EQ(MakeReportUrl("weather.example", ""), "http://weather.example/data/.html");
}

TEST(MakeReportUrlTest, DefaultHostIsTheBuildSetting) {
  const std::string url = MakeReportUrl("101290101");
  ASSERT_TRUE(url.starts_with("http://"));
  ASSERT_TRUE(url.ends_with("/data/101290101.html"));
  const std::string host =
      url.substr(7, url.size() - 7 - std::string("/data/101290101.html").size());
  EXPECT_FALSE(host.empty());
  EXPECT_EQ(host.find('/'), std::string::npos);
  EXPECT_EQ(MakeReportUrl(host, "101290101"), url);
}

TEST(ReportRunTest, FullRunInOrder) {
  const std::string answer = R"({"weatherinfo":{"city":"Kunming"}})";
  const RunResult run = RunWith(answer);
  EXPECT_EQ(run.error, "");
  EXPECT_EQ(run.events, (Events{"create", "code", "fetch " + kUrl, "show " + answer, "parsed",
                                "display Kunming", "release"}));
}

TEST(ReportRunTest, NothingSelectedAsksForTheEmptyCode) {
  const RunResult run = RunWith("{}", false, [](FakeView& view) { view.code.clear(); });
  ASSERT_GE(run.events.size(), 3u);
  EXPECT_EQ(run.events[2], "fetch " + MakeReportUrl(""));
  EXPECT_TRUE(run.events[2].ends_with("/data/.html"));
}

struct QuietCase {
  const char* label;
  std::string answer;
};

class QuietEndTest : public ::testing::TestWithParam<QuietCase> {};

TEST_P(QuietEndTest, ShowsTextAndEndsWithoutDisplay) {
  const RunResult run = RunWith(GetParam().answer);
  EXPECT_EQ(run.error, "");
  EXPECT_EQ(run.events, (Events{"create", "code", "fetch " + kUrl, "show " + GetParam().answer,
                                "parsed", "release"}));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, QuietEndTest,
    ::testing::Values(QuietCase{"Empty", ""}, QuietCase{"EmptyObject", "{}"},
                      QuietCase{"ErrorPage", "<html><body>404 Not Found</body></html>"},
                      QuietCase{"Blanks", " \r\n"}, QuietCase{"Truncated", R"({"weatherinfo":{)"},
                      QuietCase{"MemberNumber", R"({"weatherinfo":5})"},
                      QuietCase{"MemberList", R"({"weatherinfo":[{"city":"x"}]})"},
                      QuietCase{"MemberString", R"({"weatherinfo":"x"})"},
                      QuietCase{"MemberNull", R"({"weatherinfo":null})"},
                      QuietCase{"MemberTrue", R"({"weatherinfo":true})"},
                      QuietCase{"NameOtherCase", R"({"WeatherInfo":{"city":"x"}})"},
                      QuietCase{"NestedDeeper", R"({"data":{"weatherinfo":{"city":"x"}}})"}),
    [](const auto& info) { return std::string(info.param.label); });

class NonObjectRootTest : public ::testing::TestWithParam<QuietCase> {};

TEST_P(NonObjectRootTest, TypecastErrorAfterTheTextIsShown) {
  const RunResult run = RunWith(GetParam().answer);
  EXPECT_EQ(run.error, "Invalid class typecast");
  EXPECT_EQ(run.events,
            (Events{"create", "code", "fetch " + kUrl, "show " + GetParam().answer, "release"}));
}

INSTANTIATE_TEST_SUITE_P(Roots, NonObjectRootTest,
                         ::testing::Values(QuietCase{"List", R"([{"weatherinfo":{}}])"},
                                           QuietCase{"EmptyList", "[]"}, QuietCase{"Number", "5"},
                                           QuietCase{"String", R"("weatherinfo")"},
                                           QuietCase{"True", "true"}, QuietCase{"Null", "null"}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(ReportRunTest, FirstCompleteValueCounts) {
  const RunResult run = RunWith(R"({"weatherinfo":{"city":"A"}} trailing [garbage)");
  EXPECT_EQ(run.error, "");
  ASSERT_EQ(run.events.size(), 7u);
  EXPECT_EQ(run.events[5], "display A");
}

TEST(ReportRunTest, CityCodeErrorStopsBeforeTheRequest) {
  const RunResult run = RunWith("{}", false, [](FakeView& view) { view.codeFails = true; });
  EXPECT_EQ(run.error, "List index out of bounds (0)");
  EXPECT_EQ(run.events, (Events{"create", "code", "release"}));
}

TEST(ReportRunTest, FetchErrorLeavesTheViewAlone) {
  const RunResult run = RunWith("{}", true);
  EXPECT_EQ(run.error, "The server name or address could not be resolved");
  EXPECT_EQ(run.events, (Events{"create", "code", "fetch " + kUrl, "release"}));
}

TEST(ReportRunTest, DisplayErrorStillReleasesTheRequest) {
  const RunResult run = RunWith(R"({"weatherinfo":{"city":"A"}})", false,
                                [](FakeView& view) { view.displayFails = true; });
  EXPECT_EQ(run.error, "display failed");
  ASSERT_FALSE(run.events.empty());
  EXPECT_EQ(run.events.back(), "release");
  EXPECT_EQ(run.events[run.events.size() - 2], "display A");
}

TEST(ReportRunTest, CreationErrorAsksNothingOfTheView) {
  Events events;
  FakeView view(events);
  const ReportRequestFactory create = []() -> std::unique_ptr<ReportRequest> {
    throw std::runtime_error("Class not registered");
  };
  try {
    RunReport(create, view);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Class not registered");
  }
  EXPECT_TRUE(events.empty());
}

TEST(ReportRunTest, EachRunMakesItsOwnRequest) {
  Events events;
  FakeView view(events);
  int created = 0;
  const ReportRequestFactory create = [&] {
    ++created;
    return std::make_unique<FakeRequest>(events, R"({"weatherinfo":{"city":"A"}})", false);
  };
  RunReport(create, view);
  RunReport(create, view);
  EXPECT_EQ(created, 2);
  // The first request is gone before the second run starts.
  const Events one{"code",
                   "fetch " + kUrl,
                   "show "
                   R"({"weatherinfo":{"city":"A"}})",
                   "parsed",
                   "display A",
                   "release"};
  Events twice = one;
  twice.insert(twice.end(), one.begin(), one.end());
  EXPECT_EQ(events, twice);
}

TEST(FindReportMemberTest, HoldsTheMemberObject) {
  const ReportMember report = FindReportMember(R"({"a":1,"weatherinfo":{"city":"X","temp1":"5"}})");
  ASSERT_TRUE(report);
  EXPECT_EQ(json::NodeKind(*report.weatherinfo), json::jsObject);
  EXPECT_EQ(KeyText(*report.weatherinfo, "temp1"), "5");
}

TEST(FindReportMemberTest, FirstOfDuplicateMembersWins) {
  const ReportMember first = FindReportMember(R"({"weatherinfo":{"city":"A"},"weatherinfo":5})");
  ASSERT_TRUE(first);
  EXPECT_EQ(KeyText(*first.weatherinfo, "city"), "A");
  const ReportMember second = FindReportMember(R"({"weatherinfo":5,"weatherinfo":{"city":"A"}})");
  EXPECT_FALSE(second);
}

TEST(FindReportMemberTest, NoDocumentForNonJson) {
  const ReportMember report = FindReportMember("not json");
  EXPECT_FALSE(report);
  EXPECT_EQ(report.document, nullptr);
}

TEST(FindReportMemberTest, ListRootIsATypecastError) {
  EXPECT_THROW(FindReportMember("[1,2]"), json::InvalidTypecast);
}

}  // namespace
}  // namespace weather
