// The full window against the service's live source, which asks a fake
// forecast API on loopback (service/test/fakeUpstream.js) with fixed
// numbers: the window must show what the service makes of them, for 北京
// (the default city of a caller on loopback) and for 广州.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Application.h"
#include "ui/WnVozevezoVudi.h"
#include "windows/support/ErrorReports.h"
#include "windows/support/StandIn.h"
#include "windows/support/WindowDriver.h"
#include "windows/support/WindowTest.h"

namespace {

using testsupport::Gbk;
using ui::TFmVozevezoVudi;

struct Expected {
  const char* city;
  const char* temps[5];
  const char* skies[5];  // img_title(2n - 1), a blank, img_title(2n)
  const char* winds[5];  // fx1, fx2, wind3, wind4, wind5
  const char* forces[5];
  const char* dayPictures[5];
  const char* nightPictures[5];
  const char* weather1;
  const char* wind1;
  const char* clothing;
  const char* uv24;
  const char* uv48;
  const char* exercise;
  const char* comfort;
  const char* drying;
  const char* travel;
};

// What the mapping rules give for the fake's northern and southern numbers.
const Expected kBeijing{
    .city = "北京",
    .temps = {"5℃~-4℃", "3℃~-1℃", "-2℃~-8℃", "6℃~-4℃", "10℃~1℃"},
    .skies = {"阴 多云", "中雨 中到大雨", "中雪 大雪", "晴 晴", "雷阵雨 阵雨"},
    .winds = {"北风", "东风", "南风6-7级", "微风", "南风3-4级"},
    .forces = {"小于3级", "4-5级", "6-7级", "小于3级", "3-4级"},
    .dayPictures = {"02", "08", "15", "00", "04"},
    .nightPictures = {"01", "22", "16", "00", "03"},
    .weather1 = "阴转多云",
    .wind1 = "微风",
    .clothing = "冷",
    .uv24 = "弱",
    .uv48 = "最弱",
    .exercise = "较适宜",
    .comfort = "较不舒适",
    .drying = "不太适宜",
    .travel = "较适宜",
};
const Expected kGuangzhou{
    .city = "广州",
    .temps = {"28℃~20℃", "30℃~24℃", "26℃~22℃", "24℃~18℃", "25℃~21℃"},
    .skies = {"晴 晴", "阵雨 雷阵雨", "暴雨 大暴雨", "雾 阴", "大雨 中雨"},
    .winds = {"东南风", "西南风", "东风7-8级", "北风4-5级", "西风5-6级"},
    .forces = {"3-4级", "小于3级", "7-8级", "4-5级", "5-6级"},
    .dayPictures = {"00", "03", "10", "18", "09"},
    .nightPictures = {"00", "04", "11", "02", "08"},
    .weather1 = "晴",
    .wind1 = "东南风3-4级",
    .clothing = "舒适",
    .uv24 = "强",
    .uv48 = "很强",
    .exercise = "适宜",
    .comfort = "舒适",
    .drying = "适宜",
    .travel = "适宜",
};

class LiveServiceTest : public testsupport::ApplicationTest {
 protected:
  static void SetUpTestSuite() {
    ApplicationTest::SetUpTestSuite();
    upstream_ = std::make_unique<testsupport::StandIn>(std::vector<std::string>{},
                                                       "service/test/fakeUpstream.js");
    service_ = std::make_unique<testsupport::StandIn>(std::vector<std::string>{
        "--source", "live", "--forecast-url",
        "http://127.0.0.1:" + std::to_string(upstream_->Port()), "--default-city", "101010100"});
  }
  static void TearDownTestSuite() {
    service_.reset();
    upstream_.reset();
    ApplicationTest::TearDownTestSuite();
  }
  void SetUp() override {
    ApplicationTest::SetUp();
    service_->UseForServices(services_);
  }

  static void ExpectShows(const TFmVozevezoVudi& full, const Expected& expected) {
    SCOPED_TRACE(expected.city);
    EXPECT_EQ(full.LblCityName->Text(), Gbk(expected.city));
    for (size_t i = 0; i < 5; ++i) {
      SCOPED_TRACE(i + 1);
      const TFmVozevezoVudi::DayColumn column = full.Day(static_cast<int>(i) + 1);
      EXPECT_EQ(column.temperature->Text(), Gbk(expected.temps[i]));
      EXPECT_EQ(column.sky->Text(), Gbk(expected.skies[i]));
      EXPECT_EQ(column.wind->Text(), Gbk(expected.winds[i]));
      EXPECT_EQ(column.force->Text(), Gbk(expected.forces[i]));
      EXPECT_EQ(column.dayPicture->SourcePath(),
                std::string("image_Index\\d") + expected.dayPictures[i] + ".bmp");
      EXPECT_EQ(column.nightPicture->SourcePath(),
                std::string("image_Index\\n") + expected.nightPictures[i] + ".bmp");
    }
    EXPECT_EQ(full.LblTemp->Text(), Gbk(expected.temps[0]));
    EXPECT_EQ(full.Lblweather->Text(), Gbk(expected.weather1));
    EXPECT_EQ(full.LblWind->Text(), Gbk(expected.wind1));
    EXPECT_EQ(full.Lblchuanyi1->Text().rfind(
                  Gbk("穿衣指数(24小时)：") + Gbk(expected.clothing) + "\r", 0),
              0u);
    EXPECT_EQ(full.Lbluv1->Text(), Gbk("紫外线指数(24小时) \r") + Gbk(expected.uv24));
    EXPECT_EQ(full.Lbluv2->Text(), Gbk("紫外线指数(48小时)：\r") + Gbk(expected.uv48));
    EXPECT_EQ(full.Lblcl->Text(), Gbk("晨练指数：\r") + Gbk(expected.exercise));
    EXPECT_EQ(full.Lblc0->Text(), Gbk("舒适度指数：\r") + Gbk(expected.comfort));
    EXPECT_EQ(full.Lblls0->Text(), Gbk("晾晒指数：\r") + Gbk(expected.drying));
    EXPECT_EQ(full.Lbltr0->Text(), Gbk("旅游指数：\r") + Gbk(expected.travel));
  }

  static inline std::unique_ptr<testsupport::StandIn> upstream_;
  static inline std::unique_ptr<testsupport::StandIn> service_;
};

TEST_F(LiveServiceTest, TheFullWindowShowsTheMappedForecastOfTwoCities) {
  TFmVozevezoVudi full(services_, application_->Handle());
  EXPECT_TRUE(testsupport::RecordedErrorReports().empty());
  // A caller on loopback has no public address: the service names its default city.
  EXPECT_EQ(full.ComboBox1->ItemText(full.ComboBox1->ItemIndex()), Gbk("北京"));
  ExpectShows(full, kBeijing);

  full.ComboBox1->SetItemIndex(full.ComboBox1->FindExact(Gbk("广州")));
  ::SendMessageW(full.Panel2->Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(full.ComboBox1->Handle()));
  EXPECT_TRUE(testsupport::RecordedErrorReports().empty());
  ExpectShows(full, kGuangzhou);
}

}  // namespace
