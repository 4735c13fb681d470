// The city list on a real COMBOBOX under Wine, filled from the embedded resource.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/Application.h"
#include "weather/CityCodes.h"
#include "weather/CityTable.h"
#include "win/CityComboBox.h"
#include "windows/support/ErrorReports.h"
#include "windows/support/WindowDriver.h"

namespace {

using testsupport::Gbk;

class HostWindow : public win::ControlHost {
 public:
  HostWindow() : ControlHost(testsupport::RecordingErrorReport()) {
    CreateWindowHandle(L"WeatherTestHost", 0, WS_POPUP, 0, 0, 300, 200, nullptr);
  }
};

class CityComboBoxTest : public testing::Test {
 protected:
  void SetUp() override {
    combo_ = &host_.AddWindowed<win::TComboBox>(win::Bounds{10, 10, 145, 21}, 13,
                                                win::FontSpec{L"MS Sans Serif", 11, 0, 0});
    combo_->AddItem(Gbk("昆明=101290101"));
    combo_->onChange = [this] { ++changes_; };
  }
  HostWindow host_;
  win::TComboBox* combo_ = nullptr;  // the host's
  int changes_ = 0;
};

TEST_F(CityComboBoxTest, TheEmbeddedResourceHoldsExactlyTheTableFile) {
  std::ifstream file(WEATHER_SOURCE_DIR "/resources/CityCode.txt", std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  ASSERT_EQ(bytes.size(), 7296u);
  EXPECT_EQ(weather::EmbeddedCityTable(), bytes);
}

TEST_F(CityComboBoxTest, BeforeLoadingTheDesignItemHasNoCode) {
  EXPECT_EQ(combo_->ItemCount(), 1);
  EXPECT_EQ(combo_->ItemIndex(), -1);
  EXPECT_EQ(combo_->CityCodeAt(-1), "");
  try {
    combo_->CityCodeAt(0);
    FAIL() << "no error";
  } catch (const std::exception& error) {
    EXPECT_STREQ(error.what(), "List index out of bounds (0)");
  }
}

TEST_F(CityComboBoxTest, LoadingFillsTheNamesInTableOrderAndSelectsTheFirstQuietly) {
  for (int round = 0; round < 2; ++round) {  // a second load replaces, never appends
    combo_->LoadCityCodes();
    EXPECT_EQ(combo_->ItemCount(), 447);
    EXPECT_EQ(combo_->CityCodes().CityCodes().size(), 447u);
    EXPECT_EQ(combo_->ItemIndex(), 0);
    EXPECT_EQ(combo_->ItemText(0), Gbk("北京"));
    EXPECT_EQ(combo_->CityCodeAt(0), "101010100");
    EXPECT_EQ(combo_->ItemText(446), Gbk("锦州"));
    EXPECT_EQ(combo_->CityCodeAt(446), "101070701");
    EXPECT_EQ(combo_->ItemText(443), Gbk("朝阳"));
  }
  EXPECT_EQ(changes_, 0);
}

TEST_F(CityComboBoxTest, ExactSearchFindsTheFirstMatchOnly) {
  combo_->LoadCityCodes();
  EXPECT_EQ(combo_->FindExact(Gbk("朝阳")), 1);
  EXPECT_EQ(combo_->CityCodeAt(1), "101010300");
  EXPECT_EQ(combo_->FindExact(Gbk("昆明")), 208);
  EXPECT_EQ(combo_->FindExact(Gbk("云南省昆明")), -1);
  EXPECT_EQ(combo_->FindExact(Gbk("昆")), -1);  // exact, not a prefix
  EXPECT_EQ(combo_->FindExact(""), -1);
  combo_->SetItemIndex(combo_->FindExact(Gbk("不存在")));
  EXPECT_EQ(combo_->ItemIndex(), -1);
  EXPECT_EQ(combo_->CityCodeAt(combo_->ItemIndex()), "");
  EXPECT_EQ(changes_, 0);
}

TEST_F(CityComboBoxTest, AUsersStepThroughTheClosedListIsOneChangeEach) {
  combo_->LoadCityCodes();
  ::SendMessageW(combo_->Handle(), WM_KEYDOWN, VK_DOWN, 0);
  ::SendMessageW(combo_->Handle(), WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(changes_, 2);
  EXPECT_EQ(combo_->ItemIndex(), 2);
  EXPECT_EQ(combo_->CityCodeAt(2), "101010400");
}

}  // namespace
