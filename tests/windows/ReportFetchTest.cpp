// The weather report request through the platform's XML HTTP request object,
// against the local stand-in under Wine, and the pictures it names.
#include <gtest/gtest.h>
#include <objbase.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <thread>

#include "app/Application.h"
#include "json/Json.h"
#include "weather/IconFiles.h"
#include "weather/Report.h"
#include "weather/ReportItems.h"
#include "weather/XmlHttpRequest.h"
#include "win/Bitmap.h"
#include "win/Text.h"
#include "windows/support/StandIn.h"
#include "windows/support/WindowDriver.h"

namespace {

using testsupport::Gbk;

class ReportFetchTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::CoInitialize(nullptr);
    standIn_ = std::make_unique<testsupport::StandIn>();
  }
  static void TearDownTestSuite() {
    standIn_.reset();
    ::CoUninitialize();
  }
  static std::string Url(const std::string& code) {
    return weather::MakeReportUrl(standIn_->HostAndPort(), code);
  }
  static inline std::unique_ptr<testsupport::StandIn> standIn_;
};

// Records what a report run hands to its window.
class RecordingView : public weather::ReportView {
 public:
  explicit RecordingView(std::string code) : code_(std::move(code)) {}
  std::string SelectedCityCode() override { return code_; }
  void ShowReportText(const std::string& text) override { shown = text; }
  void ReportParsed() override { parsed = true; }
  void Display(const json::JsonNode& weatherinfo) override {
    city = weather::KeyText(weatherinfo, "city");
    dayIcon = weather::DayIconFile(weatherinfo, 1);
  }
  std::string shown, city, dayIcon;
  bool parsed = false;

 private:
  std::string code_;
};

void RunInto(RecordingView& view, const std::string& host) {
  weather::RunReport([] { return weather::CreateXmlHttpReportRequest(); }, view,
                     [&host](std::string_view code) { return weather::MakeReportUrl(host, code); });
}

TEST_F(ReportFetchTest, FetchesAReportAndFindsItsMember) {
  const std::string text = weather::FetchReportText(Url("101290101"));
  // The service answers in UTF-8; the program keeps GBK.
  EXPECT_NE(text.find(Gbk("\"昆明\"")), std::string::npos) << text.substr(0, 200);
  const weather::ReportMember report = weather::FindReportMember(text);
  ASSERT_TRUE(report);
  EXPECT_EQ(weather::KeyText(*report.weatherinfo, "city"), Gbk("昆明"));
  EXPECT_FALSE(weather::KeyText(*report.weatherinfo, "index_d").empty());

  RecordingView view("101010100");
  RunInto(view, standIn_->HostAndPort());
  EXPECT_EQ(view.city, Gbk("北京"));
  EXPECT_TRUE(view.parsed);
  EXPECT_EQ(view.shown.front(), '{');
}

TEST_F(ReportFetchTest, NoSelectionAsksForTheEmptyCodeAndGetsTheErrorPageQuietly) {
  EXPECT_EQ(Url(""), "http://" + standIn_->HostAndPort() + "/data/.html");
  RecordingView view("");
  RunInto(view, standIn_->HostAndPort());
  // The status is not examined: the 404 page is report text like any other.
  EXPECT_NE(view.shown.find("404"), std::string::npos) << view.shown;
  EXPECT_TRUE(view.parsed);
  EXPECT_TRUE(view.city.empty());
}

TEST_F(ReportFetchTest, ReportsWithoutAUsableMemberEndQuietly) {
  for (const char* code : {"000000001", "000000002", "999999999"}) {
    SCOPED_TRACE(code);
    RecordingView view(code);
    EXPECT_NO_THROW(RunInto(view, standIn_->HostAndPort()));
    EXPECT_FALSE(view.shown.empty());
    EXPECT_TRUE(view.parsed);
    EXPECT_TRUE(view.city.empty());
  }
}

TEST_F(ReportFetchTest, AListAtTheRootIsATypecastErrorAfterTheTextWasShown) {
  RecordingView view("000000003");
  EXPECT_THROW(RunInto(view, standIn_->HostAndPort()), json::InvalidTypecast);
  EXPECT_EQ(view.shown.substr(0, 1), "[");
  EXPECT_FALSE(view.parsed);
}

TEST_F(ReportFetchTest, NoServerListeningFailsWithThePlatformsDescriptionAndChangesNothing) {
  RecordingView view("101290101");
  const std::string host = "127.0.0.1:" + std::to_string(testsupport::UnusedLoopbackPort());
  try {
    RunInto(view, host);
    FAIL() << "no error";
  } catch (const std::runtime_error& error) {
    const std::string text = error.what();
    EXPECT_FALSE(text.empty());
    std::printf("no server: %s\n", text.c_str());
    // Trailing blanks, line ends and full stops are trimmed from the description.
    EXPECT_NE(text.back(), '.');
    EXPECT_GT(static_cast<unsigned char>(text.back()), ' ');
  }
  EXPECT_TRUE(view.shown.empty());
  EXPECT_FALSE(view.parsed);
}

TEST_F(ReportFetchTest, AMissingRequestClassIsReportedWithTheSystemsMessage) {
  // Outside a COM apartment the object cannot be created at all.
  std::string message;
  std::thread([&] {
    try {
      weather::CreateXmlHttpReportRequest();
    } catch (const std::runtime_error& error) {
      message = error.what();
    }
  }).join();
  EXPECT_FALSE(message.empty());
}

TEST(PictureFiles, EveryPictureTheServiceNamesLoads) {
  std::vector<int> numbers;
  for (int n = 0; n <= 31; ++n) numbers.push_back(n);
  numbers.push_back(53);
  numbers.push_back(99);  // the same as 1
  for (int number : numbers) {
    for (auto kind : {weather::PictureKind::Day, weather::PictureKind::Night}) {
      const std::string path = weather::IconFilePath(number, kind);
      SCOPED_TRACE(path);
      win::UniqueBitmap bitmap = win::LoadBitmapFile(path);
      ASSERT_TRUE(bitmap);
      BITMAP info{};
      ::GetObjectW(bitmap.get(), sizeof info, &info);
      EXPECT_EQ(info.bmWidth, 42);
      EXPECT_EQ(info.bmHeight, 30);
      EXPECT_EQ(info.bmBitsPixel, 8);
    }
  }
}

TEST(PictureFiles, AFileThatCannotBeOpenedNamesItsFullPathAndTheReason) {
  try {
    win::LoadBitmapFile("image_Index\\d-5.bmp");
    FAIL() << "no error";
  } catch (const std::runtime_error& error) {
    wchar_t directory[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, directory);
    std::wstring full = std::wstring(directory) + L"\\image_Index\\d-5.bmp";
    const std::string expectedStart = "Cannot open file \"" + win::Narrow(full) + "\". ";
    const std::string text = error.what();
    EXPECT_EQ(text.substr(0, expectedStart.size()), expectedStart);
    EXPECT_GT(text.size(), expectedStart.size());  // the system's reason follows
  }
}

TEST(PictureFiles, ContentThatIsNoBitmapIsRejected) {
  const char* path = "not-a-bitmap.bmp";
  for (const std::string& content :
       {std::string("hello"), std::string("BM") + std::string(60, '\0'), std::string()}) {
    std::ofstream(path, std::ios::binary) << content;
    try {
      win::LoadBitmapFile(path);
      ADD_FAILURE() << "accepted " << content.size() << " bytes";
    } catch (const std::runtime_error& error) {
      EXPECT_STREQ(error.what(), "Bitmap image is not valid");
    }
  }
  ::DeleteFileA(path);
}

}  // namespace
