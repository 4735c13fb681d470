// The full window against real windows under Wine: its control tree and
// layout, what a report run shows against the local stand-in, where a failing
// run stops, the links, closing, and the modal nesting with compact windows.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "BuildTexts.h"
#include "app/Application.h"
#include "app/ErrorReport.h"
#include "app/Services.h"
#include "ui/WnVazodivuDodiru.h"
#include "ui/WnVozevezoVudi.h"
#include "weather/Location.h"
#include "weather/Report.h"
#include "weather/ReportItems.h"
#include "win/Failure.h"
#include "windows/support/ErrorReports.h"
#include "windows/support/StandIn.h"
#include "windows/support/WindowDriver.h"
#include "windows/support/WindowTest.h"

namespace {

using testsupport::Gbk;
using testsupport::RecordedErrorReports;
using ui::TFmVozevezoVudi;

constexpr char kKunmingCode[] = "101290101";

RECT Rect(int left, int top, int width, int height) {
  return RECT{left, top, left + width, top + height};
}

::testing::AssertionResult SameRect(const RECT& actual, const RECT& expected) {
  if (::EqualRect(&actual, &expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "(" << actual.left << "," << actual.top << " " << actual.right - actual.left << "x"
         << actual.bottom - actual.top << ") instead of (" << expected.left << "," << expected.top
         << " " << expected.right - expected.left << "x" << expected.bottom - expected.top << ")";
}

std::string WithCrLf(const std::string& text) {
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines += "\r\n";
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      lines += text[i];
    }
  }
  return lines;
}

// Every windowless control's text or picture, for comparing before and after.
std::vector<std::string> Snapshot(const win::ControlHost& host) {
  std::vector<std::string> shown;
  for (const auto& control : host.Graphics()) {
    if (auto* label = dynamic_cast<const win::Label*>(control.get())) {
      shown.push_back(label->Text());
    } else if (auto* picture = dynamic_cast<const win::Picture*>(control.get())) {
      shown.push_back("picture " + picture->SourcePath() + " " +
                      std::to_string(reinterpret_cast<uintptr_t>(picture->Bitmap())));
    }
  }
  return shown;
}

int PaintIndex(const win::ControlHost& host, const win::GraphicControl* control) {
  const auto& graphics = host.Graphics();
  for (size_t i = 0; i < graphics.size(); ++i) {
    if (graphics[i].get() == control) return static_cast<int>(i);
  }
  return -1;
}

class FullWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standIn_ = std::make_unique<testsupport::StandIn>();
    standIn_->UseForServices(services_);
    testsupport::ClearErrorReports();
  }
  void TearDown() override { testsupport::ClearErrorReports(); }

  // The stand-in's report text of a city code, as the program reads it.
  std::string ReportText(const std::string& code) {
    reportText_ = testsupport::Utf8BodyAsGbk(
        testsupport::HttpGetRaw(standIn_->Port(), "/data/" + code + ".html"));
    return reportText_;
  }
  weather::ReportMember Report(const std::string& code) {
    return weather::FindReportMember(ReportText(code));
  }

  std::string LocationText() {
    const std::string answer = testsupport::HttpGetRaw(standIn_->Port(), "/");
    const size_t body = answer.find("\r\n\r\n");
    return weather::CutLocationText(answer.substr(body + 4));
  }

  // Every report request goes to this special code of the stand-in.
  void AnswerWith(const std::string& code) {
    services_.reportUrl = [host = standIn_->HostAndPort(), code](std::string_view) {
      return weather::MakeReportUrl(host, code);
    };
  }

  // The user picks an entry: the combo box's own change notification.
  static void UserPicks(TFmVozevezoVudi& full, int index) {
    full.ComboBox1->SetItemIndex(index);
    ::SendMessageW(full.Panel2->Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(full.ComboBox1->Handle()));
  }

  app::Application application_{testsupport::RecordingErrorReport()};
  app::Services services_ = testsupport::TestServices();
  std::unique_ptr<testsupport::StandIn> standIn_;
  std::string reportText_;
};

TEST_F(FullWindowTest, FramedSizableWindowAtItsDesignedPlace) {
  TFmVozevezoVudi full(services_, application_.Handle());
  const LONG_PTR style = ::GetWindowLongPtrW(full.Handle(), GWL_STYLE);
  for (LONG_PTR flag : {WS_CAPTION, WS_THICKFRAME, WS_SYSMENU, WS_MINIMIZEBOX, WS_MAXIMIZEBOX}) {
    EXPECT_EQ(style & flag, flag);
  }
  EXPECT_EQ(style & WS_POPUP, 0);
  EXPECT_EQ(::GetWindow(full.Handle(), GW_OWNER), application_.Handle());
  RECT window;
  ::GetWindowRect(full.Handle(), &window);
  EXPECT_EQ(window.left, 417);
  EXPECT_EQ(window.top, 139);
  RECT client;
  ::GetClientRect(full.Handle(), &client);
  EXPECT_EQ(client.right, 636);
  EXPECT_EQ(client.bottom, 597);
  EXPECT_EQ(full.Color(), ::GetSysColor(COLOR_BTNFACE));
  EXPECT_FALSE(::IsWindowVisible(full.Handle()));
  // The program's icon, in the title bar and the Alt+Tab list.
  EXPECT_NE(::GetClassLongPtrW(full.Handle(), GCLP_HICON), 0);
  EXPECT_NE(::GetClassLongPtrW(full.Handle(), GCLP_HICONSM), 0);
}

TEST_F(FullWindowTest, ControlTreeFromBottomToTop) {
  TFmVozevezoVudi full(services_, application_.Handle());
  // The forecast panel lies on top and covers the tab control entirely.
  const HWND top = ::GetWindow(full.Handle(), GW_CHILD);
  EXPECT_EQ(top, full.Panel1->Handle());
  EXPECT_EQ(::GetWindow(top, GW_HWNDNEXT), full.cxPageControl1->Handle());
  EXPECT_EQ(::GetWindow(full.cxPageControl1->Handle(), GW_HWNDNEXT), full.Panel2->Handle());

  RECT area;
  ::GetWindowRect(full.Panel2->Handle(), &area);
  ::MapWindowPoints(nullptr, full.Handle(), reinterpret_cast<POINT*>(&area), 2);
  EXPECT_TRUE(SameRect(area, Rect(0, 0, 636, 27)));
  ::GetWindowRect(full.Panel1->Handle(), &area);
  ::MapWindowPoints(nullptr, full.Handle(), reinterpret_cast<POINT*>(&area), 2);
  EXPECT_TRUE(SameRect(area, Rect(0, 27, 636, 570)));
  EXPECT_TRUE(SameRect(full.cxPageControl1->Bounds(), Rect(0, 27, 636, 570)));

  // Top bar.
  EXPECT_EQ(&full.Label6->Host(), full.Panel2);
  EXPECT_EQ(full.Label6->Text(), Gbk("其它城市"));
  EXPECT_EQ(full.Label6->Bounds().left, 8);
  EXPECT_EQ(full.Label6->Bounds().top, 9);
  EXPECT_EQ(::GetParent(full.ComboBox1->Handle()), full.Panel2->Handle());
  EXPECT_EQ(full.ComboBox1->Bounds().left, 88);
  EXPECT_EQ(full.ComboBox1->Bounds().top, 4);
  EXPECT_EQ(full.ComboBox1->Bounds().right - full.ComboBox1->Bounds().left, 145);
  EXPECT_EQ(::GetWindowLongPtrW(full.ComboBox1->Handle(), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
  EXPECT_EQ(::GetParent(full.Button1->Handle()), full.Panel2->Handle());
  EXPECT_TRUE(SameRect(full.Button1->Bounds(), Rect(272, 0, 75, 25)));
  EXPECT_EQ(full.Button1->Text(), Gbk("简化版"));

  // Tab control: two pages, the first shown, a memo filling each.
  ASSERT_EQ(full.cxPageControl1->PageCount(), 2);
  EXPECT_EQ(full.cxPageControl1->TabCaption(0), Gbk("格式化"));
  EXPECT_EQ(full.cxPageControl1->TabCaption(1), Gbk("源数据"));
  EXPECT_EQ(full.cxPageControl1->PageIndex(), 0);
  EXPECT_EQ(&full.cxPageControl1->Page(0), full.cxTabSheet1);
  EXPECT_TRUE(::IsWindowVisible(full.cxTabSheet1->Handle()) || !::IsWindowVisible(full.Handle()));
  EXPECT_FALSE(::GetWindowLongPtrW(full.cxTabSheet2->Handle(), GWL_STYLE) & WS_VISIBLE);
  EXPECT_EQ(::GetParent(full.Memo1->Handle()), full.cxTabSheet1->Handle());
  EXPECT_EQ(::GetParent(full.Memo2->Handle()), full.cxTabSheet2->Handle());
  EXPECT_TRUE(SameRect(full.Memo1->Bounds(), Rect(0, 0, 636, 546)));
  EXPECT_TRUE(SameRect(full.Memo2->Bounds(), Rect(0, 0, 636, 546)));
  const LONG_PTR memoStyle = ::GetWindowLongPtrW(full.Memo1->Handle(), GWL_STYLE);
  EXPECT_TRUE(memoStyle & ES_MULTILINE);
  EXPECT_FALSE(memoStyle & (WS_VSCROLL | WS_HSCROLL | ES_AUTOHSCROLL | ES_READONLY));
  ::GetWindowRect(full.cxTabSheet1->Handle(), &area);
  ::MapWindowPoints(nullptr, full.cxPageControl1->Handle(), reinterpret_cast<POINT*>(&area), 2);
  EXPECT_TRUE(SameRect(area, Rect(0, 24, 636, 546)));

  // A click on the second tab: the strip tells the form, which shows that page alone.
  RECT tab{};
  ::SendMessageW(full.cxPageControl1->Handle(), TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&tab));
  testsupport::ClickAt(full.cxPageControl1->Handle(),
                       POINT{(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2});
  EXPECT_EQ(full.cxPageControl1->PageIndex(), 1);
  EXPECT_TRUE(::GetWindowLongPtrW(full.cxTabSheet2->Handle(), GWL_STYLE) & WS_VISIBLE);
  EXPECT_FALSE(::GetWindowLongPtrW(full.cxTabSheet1->Handle(), GWL_STYLE) & WS_VISIBLE);
}

using Form = TFmVozevezoVudi;
template <typename Control>
using Member = Control* Form::*;

TEST_F(FullWindowTest, PanelsFollowTheClientArea) {
  testsupport::UseUnreachableServices(services_);
  Form full(services_, application_.Handle());
  ::SetWindowPos(full.Handle(), nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
  RECT client;
  ::GetClientRect(full.Handle(), &client);
  RECT area;
  ::GetWindowRect(full.Panel2->Handle(), &area);
  ::MapWindowPoints(nullptr, full.Handle(), reinterpret_cast<POINT*>(&area), 2);
  EXPECT_TRUE(SameRect(area, Rect(0, 0, client.right, 27)));
  ::GetWindowRect(full.Panel1->Handle(), &area);
  ::MapWindowPoints(nullptr, full.Handle(), reinterpret_cast<POINT*>(&area), 2);
  EXPECT_TRUE(SameRect(area, Rect(0, 27, client.right, client.bottom - 27)));
  EXPECT_TRUE(
      SameRect(full.cxPageControl1->Bounds(), Rect(0, 27, client.right, client.bottom - 27)));
  EXPECT_TRUE(SameRect(full.Memo2->Bounds(), Rect(0, 0, client.right, client.bottom - 27 - 24)));
  // The controls inside keep their places.
  EXPECT_TRUE(SameRect(full.Shape36->Bounds(), Rect(8, 257, 610, 69)));
}

TEST_F(FullWindowTest, DayTableFramesAndControls) {
  testsupport::UseUnreachableServices(services_);
  Form full(services_, application_.Handle());
  // Rows of the day table: y, height, and the frame of the heading column and days 1 to 5.
  struct TableRow {
    int y, height;
    std::array<Member<win::Shape>, 6> shapes;
  };
  const TableRow rows[] = {
      {78,
       25,
       {nullptr, &Form::Shape2, &Form::Shape3, &Form::Shape5, &Form::Shape8, &Form::Shape10}},
      {102,
       40,
       {nullptr, &Form::Shape7, &Form::Shape4, &Form::Shape6, &Form::Shape9, &Form::Shape11}},
      {141,
       30,
       {&Form::Shape12, &Form::Shape13, &Form::Shape14, &Form::Shape15, &Form::Shape16,
        &Form::Shape17}},
      {170,
       30,
       {&Form::Shape23, &Form::Shape22, &Form::Shape21, &Form::Shape20, &Form::Shape19,
        &Form::Shape18}},
      {199,
       30,
       {&Form::Shape29, &Form::Shape28, &Form::Shape27, &Form::Shape26, &Form::Shape25,
        &Form::Shape24}},
      {228,
       30,
       {&Form::Shape35, &Form::Shape34, &Form::Shape33, &Form::Shape32, &Form::Shape31,
        &Form::Shape30}},
  };
  for (const TableRow& row : rows) {
    for (int column = 0; column < 6; ++column) {
      const Member<win::Shape> member = row.shapes[static_cast<size_t>(column)];
      if (!member) continue;
      const RECT expected = column == 0 ? Rect(8, row.y, 65, row.height)
                                        : Rect(72 + 109 * (column - 1), row.y, 110, row.height);
      EXPECT_TRUE(SameRect((full.*member)->Bounds(), expected))
          << "row " << row.y << " column " << column;
      EXPECT_EQ(&(full.*member)->Host(), full.Panel1);
    }
  }
  EXPECT_TRUE(SameRect(full.Shape1->Bounds(), Rect(8, 78, 65, 64)));
  const std::pair<Member<win::Shape>, RECT> indexFrames[] = {
      {&Form::Shape36, Rect(8, 257, 610, 69)},   {&Form::Shape37, Rect(8, 325, 204, 69)},
      {&Form::Shape38, Rect(211, 325, 204, 69)}, {&Form::Shape39, Rect(414, 325, 204, 69)},
      {&Form::Shape40, Rect(8, 393, 204, 69)},   {&Form::Shape41, Rect(211, 393, 204, 69)},
      {&Form::Shape42, Rect(414, 393, 204, 69)},
  };
  for (const auto& [member, expected] : indexFrames) {
    EXPECT_TRUE(SameRect((full.*member)->Bounds(), expected));
  }

  // Row headings.
  const std::tuple<Member<win::Label>, int, const char*> headings[] = {
      {&Form::Label1, 86, "日期"},  {&Form::Label2, 149, "天气"}, {&Form::Label3, 181, "温度"},
      {&Form::Label4, 208, "风向"}, {&Form::Label5, 237, "风力"},
  };
  for (const auto& [member, y, caption] : headings) {
    EXPECT_EQ((full.*member)->Bounds().left, 16);
    EXPECT_EQ((full.*member)->Bounds().top, y);
    EXPECT_EQ((full.*member)->Text(), Gbk(caption));
  }
  EXPECT_TRUE(full.Label1->Style().transparent);
  EXPECT_EQ(full.Label1->Style().align, win::TextAlign::kCenter);

  // Day columns: fixed, centred, see-through labels and fixed transparent pictures.
  // The labels of a column, top to bottom.
  constexpr std::array<win::Label * Form::DayColumn::*, 5> kColumnLabels{
      &Form::DayColumn::date, &Form::DayColumn::sky, &Form::DayColumn::temperature,
      &Form::DayColumn::wind, &Form::DayColumn::force};
  const int labelRows[] = {86, 149, 181, 208, 237};
  const int dayX[] = {86, 194, 302, 410, 518};
  const int nightX[] = {126, 234, 343, 451, 559};
  for (int n = 0; n < 5; ++n) {
    const Form::DayColumn column = full.Day(n + 1);
    for (int row = 0; row < 5; ++row) {
      const win::Label& label = *(column.*kColumnLabels[row]);
      int y = labelRows[row];
      if (n == 4 && (row == 1 || row == 2)) ++y;  // Lblweather5, LblTemp5
      EXPECT_TRUE(SameRect(label.Bounds(), Rect(72 + 109 * n, y, 110, 13)))
          << "day " << n + 1 << " row " << row;
      EXPECT_EQ(label.Text(), "LblDate1");
      EXPECT_FALSE(label.Style().autoSize);
      EXPECT_TRUE(label.Style().transparent);
      EXPECT_EQ(label.Style().align, win::TextAlign::kCenter);
    }
    const win::Picture& day = *column.dayPicture;
    const win::Picture& night = *column.nightPicture;
    EXPECT_TRUE(SameRect(day.Bounds(), Rect(dayX[n], 110, 42, 30)));
    EXPECT_TRUE(SameRect(night.Bounds(), Rect(nightX[n], 110, 42, 30)));
    EXPECT_EQ(day.Bitmap(), nullptr);
    EXPECT_EQ(night.Bitmap(), nullptr);
  }
}

TEST_F(FullWindowTest, IndexTodayAndPublisherBlocks) {
  testsupport::UseUnreachableServices(services_);
  Form full(services_, application_.Handle());
  const std::pair<Member<win::Picture>, RECT> pictures[] = {
      {&Form::Image5, Rect(10, 258, 64, 67)},     {&Form::Image6, Rect(10, 328, 64, 62)},
      {&Form::Image7, Rect(213, 326, 65, 66)},    {&Form::Image8, Rect(418, 327, 64, 65)},
      {&Form::Image9, Rect(10, 394, 65, 66)},     {&Form::Image10, Rect(213, 393, 64, 68)},
      {&Form::Imgravevuri, Rect(22, 45, 42, 30)}, {&Form::Imgweathern, Rect(63, 45, 42, 30)},
  };
  for (const auto& [member, expected] : pictures) {
    EXPECT_TRUE(SameRect((full.*member)->Bounds(), expected));
    EXPECT_NE((full.*member)->Bitmap(), nullptr);
  }
  const std::tuple<Member<win::Label>, int, int> indexLabels[] = {
      {&Form::Lblchuanyi1, 75, 267}, {&Form::Lblchuanyi2, 75, 294}, {&Form::Lbluv1, 75, 334},
      {&Form::Lbluv2, 75, 366},      {&Form::Lblcl, 284, 334},      {&Form::Lblc0, 491, 334},
      {&Form::Lblls0, 75, 399},      {&Form::Lbltr0, 280, 399},
  };
  for (const auto& [member, x, y] : indexLabels) {
    const win::Label& label = *(full.*member);
    EXPECT_EQ(label.Bounds().left, x);
    EXPECT_EQ(label.Bounds().top, y);
    EXPECT_EQ(label.Text(), "LblDate1");
    EXPECT_TRUE(label.Style().autoSize);
    EXPECT_FALSE(label.Style().transparent);
  }
  const std::tuple<Member<win::Label>, int, int, const char*> todayLabels[] = {
      {&Form::LblCityName, 16, 8, "城市"}, {&Form::Lblweather, 184, 7, "天气"},
      {&Form::LblTemp, 184, 31, "温度"},   {&Form::LblWind, 184, 55, "凤力风向"},
      {&Form::Lbldate, 424, 9, "日期"},    {&Form::Lbldate_y, 424, 33, "农务年"},
      {&Form::Lblweek, 529, 33, "星期"},   {&Form::LblIPAddress, 8, 471, "凤力风向"},
  };
  for (const auto& [member, x, y, caption] : todayLabels) {
    const win::Label& label = *(full.*member);
    EXPECT_EQ(label.Bounds().left, x);
    EXPECT_EQ(label.Bounds().top, y);
    EXPECT_EQ(label.Text(), Gbk(caption));
    EXPECT_TRUE(label.Style().transparent);
  }
  EXPECT_EQ(full.LblCityName->Font().pixelHeight, 32);
  EXPECT_EQ(full.LblCityName->Font().color, win::kBlue);
  EXPECT_EQ(full.Lblweather->Font().pixelHeight, 19);
  EXPECT_EQ(full.LblIPAddress->Font().pixelHeight, 19);
  EXPECT_EQ(full.LblIPAddress->Font().color, win::kBlue);
  EXPECT_EQ(full.Lbldate->Font().pixelHeight, 11);

  const std::tuple<Member<win::Label>, int, int> publisher[] = {
      {&Form::Label7, 16, 496},  {&Form::Label8, 16, 512},  {&Form::Label9, 16, 528},
      {&Form::Label10, 16, 544}, {&Form::Label11, 56, 512}, {&Form::Label12, 56, 528},
  };
  for (const auto& [member, x, y] : publisher) {
    EXPECT_EQ((full.*member)->Bounds().left, x);
    EXPECT_EQ((full.*member)->Bounds().top, y);
  }
  EXPECT_EQ(full.Label8->Text(), Gbk("博客："));
  EXPECT_EQ(full.Label9->Text(), Gbk("微博："));
  // The build settings (UTF-8), as the windows hold them: GBK.
  EXPECT_EQ(full.Label7->Text(), Gbk(WEATHER_UTF8_PUBLISHER_NAME));
  EXPECT_EQ(full.Label10->Text(), Gbk(WEATHER_UTF8_PUBLISHER_CONTACT));
  EXPECT_EQ(full.Label11->Text(), Gbk(WEATHER_UTF8_FIRST_WEB_ADDRESS));
  EXPECT_EQ(full.Label12->Text(), Gbk(WEATHER_UTF8_SECOND_WEB_ADDRESS));
  for (const win::Label* link : {full.Label11, full.Label12}) {
    EXPECT_TRUE(link->Font().underline);
    EXPECT_EQ(link->Font().color, win::kBlue);
    EXPECT_EQ(link->Font().pixelHeight, 11);
    EXPECT_EQ(link->cursor, ::LoadCursorW(nullptr, IDC_HAND));
  }
}

TEST_F(FullWindowTest, PanelPaintsInItsDesignedOrder) {
  testsupport::UseUnreachableServices(services_);
  Form full(services_, application_.Handle());
  const win::ControlHost& panel = *full.Panel1;
  std::vector<std::vector<const win::GraphicControl*>> groups(11);
  const std::vector<win::Shape*> shapes = {
      full.Shape1,  full.Shape2,  full.Shape3,  full.Shape4,  full.Shape5,  full.Shape6,
      full.Shape7,  full.Shape8,  full.Shape9,  full.Shape10, full.Shape11, full.Shape13,
      full.Shape14, full.Shape15, full.Shape16, full.Shape17, full.Shape18, full.Shape19,
      full.Shape20, full.Shape21, full.Shape22, full.Shape24, full.Shape25, full.Shape26,
      full.Shape27, full.Shape28, full.Shape29, full.Shape30, full.Shape31, full.Shape32,
      full.Shape33, full.Shape34, full.Shape35, full.Shape36, full.Shape37, full.Shape38,
      full.Shape39, full.Shape40, full.Shape41};
  groups[0].assign(shapes.begin(), shapes.end());
  for (int n = 1; n <= 5; ++n) {
    const Form::DayColumn column = full.Day(n);
    groups[1].insert(groups[1].end(),
                     {column.date, column.sky, column.temperature, column.wind, column.force});
    groups[4].insert(groups[4].end(), {column.dayPicture, column.nightPicture});
  }
  groups[2] = {full.Lblchuanyi1, full.Lblchuanyi2};
  groups[3] = {full.Label1, full.Label2, full.Label3, full.Label4, full.Label5};
  groups[5] = {full.Image5, full.Image6, full.Image7, full.Image8, full.Image9, full.Image10,
               full.Lbluv1, full.Lbluv2, full.Lblcl,  full.Lblc0,  full.Lblls0, full.Lbltr0};
  groups[6] = {full.LblCityName, full.Lbldate, full.Lbldate_y, full.Lblweek};
  groups[7] = {full.Shape12, full.Shape23, full.Shape42};
  groups[8] = {full.Imgravevuri, full.Lblweather, full.LblTemp, full.LblWind, full.Imgweathern};
  groups[9] = {full.LblIPAddress};
  groups[10] = {full.Label7, full.Label8, full.Label9, full.Label10, full.Label11, full.Label12};
  size_t total = 0;
  int previousLast = -1;
  for (size_t g = 0; g < groups.size(); ++g) {
    int first = INT_MAX;
    int last = -1;
    for (const win::GraphicControl* control : groups[g]) {
      const int index = PaintIndex(panel, control);
      ASSERT_GE(index, 0) << "group " << g;
      first = std::min(first, index);
      last = std::max(last, index);
    }
    EXPECT_GT(first, previousLast) << "group " << g;
    previousLast = last;
    total += groups[g].size();
  }
  EXPECT_EQ(panel.Graphics().size(), total);
  // Within the last groups the order is the designed one.
  EXPECT_LT(PaintIndex(panel, full.Imgravevuri), PaintIndex(panel, full.Lblweather));
  EXPECT_LT(PaintIndex(panel, full.LblWind), PaintIndex(panel, full.Imgweathern));
  EXPECT_LT(PaintIndex(panel, full.LblCityName), PaintIndex(panel, full.Lbldate));
  EXPECT_LT(PaintIndex(panel, full.Lbldate_y), PaintIndex(panel, full.Lblweek));
}

TEST_F(FullWindowTest, WithoutNetworkTheDesignContentsStay) {
  testsupport::UseUnreachableServices(services_);
  Form full(services_, application_.Handle());
  ASSERT_EQ(RecordedErrorReports().size(), 1u);
  EXPECT_EQ(full.ComboBox1->ItemCount(), 1);
  EXPECT_EQ(full.ComboBox1->ItemText(0), Gbk("昆明=101290101"));
  EXPECT_EQ(full.ComboBox1->ItemIndex(), -1);
  EXPECT_EQ(full.Memo1->Text(), "Memo1");
  EXPECT_EQ(full.Memo2->Text(), "Memo1");
  EXPECT_EQ(full.LblIPAddress->Text(), Gbk("凤力风向"));
  EXPECT_EQ(full.LblCityName->Text(), Gbk("城市"));
  EXPECT_EQ(full.Lblchuanyi1->Text(), "LblDate1");
  EXPECT_EQ(full.Imgravevuri1->Bitmap(), nullptr);
  EXPECT_NE(full.Imgravevuri->Bitmap(), nullptr);
  // Choosing the design entry fails at once: there are no city codes yet.
  testsupport::ClearErrorReports();
  standIn_->UseForServices(services_);
  const std::vector<std::string> before = Snapshot(*full.Panel1);
  UserPicks(full, 0);
  EXPECT_EQ(RecordedErrorReports().size(), 1u);
  EXPECT_EQ(Snapshot(*full.Panel1), before);
  EXPECT_EQ(full.Memo2->Text(), "Memo1");
}

TEST_F(FullWindowTest, StartShowsTheLocatedCitysReport) {
  int requests = 0;
  app::Services& services = services_;
  services.createReportRequest = [&requests, create = services.createReportRequest] {
    ++requests;
    return create();
  };
  // The day table's dates count from the services' clock: a leap day lies ahead.
  services.clock = [] { return weather::LocalDate{2000, 2, 27}; };
  Form full(services_, application_.Handle());
  ASSERT_TRUE(RecordedErrorReports().empty()) << RecordedErrorReports().front().text;
  EXPECT_EQ(requests, 1);

  const std::string location = LocationText();
  EXPECT_EQ(full.LblIPAddress->Text(), weather::LocationLine(location));
  EXPECT_EQ(full.LblIPAddress->Text().rfind(Gbk("您所在地:"), 0), 0u);
  EXPECT_EQ(full.ComboBox1->ItemCount(), 447);
  EXPECT_EQ(full.ComboBox1->ItemText(full.ComboBox1->ItemIndex()), Gbk("昆明"));

  const weather::ReportMember report = Report(kKunmingCode);
  ASSERT_TRUE(report);
  const json::JsonNode& info = *report.weatherinfo;
  EXPECT_EQ(full.Memo2->Text(), WithCrLf(reportText_));
  EXPECT_EQ(full.Memo1->Text(), "");

  const char* windKeys[] = {"fx1", "fx2", "wind3", "wind4", "wind5"};
  for (int n = 1; n <= 5; ++n) {
    const size_t i = static_cast<size_t>(n - 1);
    const Form::DayColumn column = full.Day(n);
    EXPECT_EQ(column.date->Text(), weather::DayDateText(info, n, services_.clock)) << n;
    EXPECT_EQ(column.dayPicture->SourcePath(), weather::DayIconFile(info, n)) << n;
    EXPECT_EQ(column.nightPicture->SourcePath(), weather::NightIconFile(info, n)) << n;
    EXPECT_EQ(column.temperature->Text(), weather::KeyText(info, "temp" + std::to_string(n))) << n;
    EXPECT_EQ(column.sky->Text(), weather::KeyText(info, "img_title" + std::to_string(2 * n - 1)) +
                                      " " +
                                      weather::KeyText(info, "img_title" + std::to_string(2 * n)))
        << n;
    EXPECT_EQ(column.wind->Text(), weather::KeyText(info, windKeys[i])) << n;
    EXPECT_EQ(column.force->Text(), weather::KeyText(info, "fl" + std::to_string(n))) << n;
  }
  EXPECT_EQ(full.LblDate1->Text(), weather::StringText(info, "date_y"));
  EXPECT_EQ(full.LblDate3->Text(), weather::FormatDayDate({2000, 2, 29}));
  EXPECT_EQ(full.Lblchuanyi1->Text(), weather::ClothingText24(info));
  EXPECT_EQ(full.Lblchuanyi2->Text(), weather::ClothingText48(info));
  EXPECT_EQ(full.Lbluv1->Text(), weather::UvText24(info));
  EXPECT_EQ(full.Lbluv2->Text(), weather::UvText48(info));
  EXPECT_EQ(full.Lblcl->Text(), weather::ExerciseText(info));
  EXPECT_EQ(full.Lblc0->Text(), weather::ComfortText(info));
  EXPECT_EQ(full.Lblls0->Text(), weather::DryingText(info));
  EXPECT_EQ(full.Lbltr0->Text(), weather::TravelText(info));
  // Two lines each: the label grew to hold them.
  EXPECT_GT(full.Lbluv1->Bounds().bottom - full.Lbluv1->Bounds().top, 13);

  EXPECT_EQ(full.LblCityName->Text(), Gbk("昆明"));
  EXPECT_EQ(full.Lbldate->Text(), weather::KeyText(info, "date_y"));
  EXPECT_EQ(full.Lbldate_y->Text(), weather::KeyText(info, "date"));
  EXPECT_EQ(full.Lblweek->Text(), weather::KeyText(info, "week"));
  EXPECT_EQ(full.Imgravevuri->SourcePath(), weather::DayIconFile(info, 1));
  EXPECT_EQ(full.Imgweathern->SourcePath(), weather::NightIconFile(info, 1));
  EXPECT_EQ(full.LblTemp->Text(), weather::KeyText(info, "temp1"));
  EXPECT_EQ(full.Lblweather->Text(), weather::KeyText(info, "weather1"));
  EXPECT_EQ(full.LblWind->Text(), weather::KeyText(info, "wind1"));
  // Today's pictures take the size of what they show.
  EXPECT_EQ(full.Imgravevuri->Bounds().right - full.Imgravevuri->Bounds().left,
            full.Imgravevuri->BitmapSize().cx);
}

TEST_F(FullWindowTest, EachChangeOfCityIsOneRunAndTheLocationLineStays) {
  Form full(services_, application_.Handle());
  int requests = 0;
  app::Services& services = services_;
  services.createReportRequest = [&requests, create = services.createReportRequest] {
    ++requests;
    return create();
  };
  const std::string locationLine = full.LblIPAddress->Text();
  const int beijing = full.ComboBox1->FindExact(Gbk("北京"));
  ASSERT_GE(beijing, 0);
  UserPicks(full, beijing);
  EXPECT_EQ(requests, 1);
  ASSERT_TRUE(RecordedErrorReports().empty()) << RecordedErrorReports().front().text;
  const weather::ReportMember report = Report(full.ComboBox1->CityCodeAt(beijing));
  EXPECT_EQ(full.LblCityName->Text(), weather::KeyText(*report.weatherinfo, "city"));
  EXPECT_EQ(full.Memo2->Text(), WithCrLf(reportText_));
  EXPECT_EQ(full.LblIPAddress->Text(), locationLine);
  EXPECT_EQ(full.ComboBox1->ItemIndex(), beijing);
}

// Starts from Beijing's report, then answers every request with a special code.
class FullWindowFailureTest : public FullWindowTest {
 protected:
  void SetUp() override {
    FullWindowTest::SetUp();
    full_ = std::make_unique<Form>(services_, application_.Handle());
    UserPicks(*full_, full_->ComboBox1->FindExact(Gbk("北京")));
    ASSERT_TRUE(RecordedErrorReports().empty());
    ASSERT_NE(full_->LblCityName->Text(), Gbk("昆明"));
    ::SetWindowTextW(full_->Memo1->Handle(), L"kept");
    before_ = Snapshot(*full_->Panel1);
  }
  void TearDown() override {
    full_.reset();
    FullWindowTest::TearDown();
  }
  void RunWith(const std::string& code) {
    AnswerWith(code);
    UserPicks(*full_, full_->ComboBox1->ItemIndex());
  }
  std::string OneReport() {
    if (RecordedErrorReports().size() != 1)
      return "<" + std::to_string(RecordedErrorReports().size()) + " reports>";
    return RecordedErrorReports().front().text;
  }

  std::unique_ptr<Form> full_;
  std::vector<std::string> before_;
};

TEST_F(FullWindowFailureTest, DateNotAStringStopsAtTheFirstDate) {
  RunWith("000000004");
  EXPECT_EQ(OneReport(), "Invalid class typecast.");
  EXPECT_EQ(Snapshot(*full_->Panel1), before_);
  Report("000000004");
  EXPECT_EQ(full_->Memo2->Text(), WithCrLf(reportText_));
  EXPECT_EQ(full_->Memo1->Text(), "");
}

TEST_F(FullWindowFailureTest, ListReportIsAnErrorAfterMemo2) {
  RunWith("000000003");
  EXPECT_EQ(OneReport(), "Invalid class typecast.");
  EXPECT_EQ(Snapshot(*full_->Panel1), before_);
  EXPECT_EQ(full_->Memo2->Text(), WithCrLf(ReportText("000000003")));
  EXPECT_EQ(full_->Memo1->Text(), "kept");
}

TEST_F(FullWindowFailureTest, WeatherinfoNotAnObjectEndsQuietly) {
  RunWith("000000002");
  EXPECT_TRUE(RecordedErrorReports().empty());
  EXPECT_EQ(Snapshot(*full_->Panel1), before_);
  Report("000000002");
  EXPECT_EQ(full_->Memo2->Text(), WithCrLf(reportText_));
  EXPECT_EQ(full_->Memo1->Text(), "");
}

TEST_F(FullWindowFailureTest, MissingIconFileStopsAtThatPicture) {
  const std::string beijingDay2 = full_->Imgravevuri2->SourcePath();
  const std::string beijingTemp2 = full_->LblTemp2->Text();
  const std::string beijingCity = full_->LblCityName->Text();
  RunWith("000000005");
  EXPECT_EQ(OneReport().rfind("Cannot open file", 0), 0u) << OneReport();
  const weather::ReportMember report = Report("000000005");
  const json::JsonNode& info = *report.weatherinfo;
  // Day 1 and day 2's date are Kunming's; everything from Imgravevuri2 on is Beijing's.
  EXPECT_EQ(full_->LblTemp1->Text(), weather::KeyText(info, "temp1"));
  EXPECT_EQ(full_->Lblfl1->Text(), weather::KeyText(info, "fl1"));
  EXPECT_EQ(full_->LblDate2->Text(), weather::DayDateText(info, 2, services_.clock));
  EXPECT_EQ(full_->Imgravevuri2->SourcePath(), beijingDay2);
  EXPECT_EQ(full_->LblTemp2->Text(), beijingTemp2);
  EXPECT_EQ(full_->LblCityName->Text(), beijingCity);
  EXPECT_EQ(full_->Memo1->Text(), "");
}

TEST_F(FullWindowFailureTest, DateOfTheHeaderNotAStringKeepsTheFirstReads) {
  const std::string beijingTemp = full_->LblTemp->Text();
  RunWith("000000006");
  EXPECT_EQ(OneReport(), "Invalid class typecast.");
  const weather::ReportMember report = Report("000000006");
  const json::JsonNode& info = *report.weatherinfo;
  EXPECT_EQ(full_->LblCityName->Text(), Gbk("昆明"));
  EXPECT_EQ(full_->Lbldate->Text(), weather::KeyText(info, "date_y"));
  EXPECT_EQ(full_->Lbldate_y->Text(), weather::KeyText(info, "date_y"));
  EXPECT_EQ(full_->Lblweek->Text(), weather::KeyText(info, "week"));
  EXPECT_EQ(full_->LblTemp->Text(), beijingTemp);
}

TEST_F(FullWindowFailureTest, NoServerChangesNothing) {
  const std::string memo2 = full_->Memo2->Text();
  testsupport::UseUnreachableServices(services_);
  UserPicks(*full_, full_->ComboBox1->ItemIndex());
  EXPECT_EQ(RecordedErrorReports().size(), 1u);
  EXPECT_EQ(Snapshot(*full_->Panel1), before_);
  EXPECT_EQ(full_->Memo2->Text(), memo2);
  EXPECT_EQ(full_->Memo1->Text(), "kept");
}

TEST_F(FullWindowTest, LinksOpenTheirOwnTextOthersDoNothing) {
  Form full(services_, application_.Handle());
  std::vector<std::string> opened;
  services_.shellOpen = [&opened](const std::string& text) { opened.push_back(text); };
  testsupport::Click(*full.Label11);
  testsupport::Click(*full.Label12);
  testsupport::Click(*full.Label7);
  testsupport::Click(*full.Label10);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], full.Label11->Text());
  EXPECT_EQ(opened[1], full.Label12->Text());
  EXPECT_TRUE(RecordedErrorReports().empty());
}

// Runs the steps one after the other from a thread timer, inside whatever
// modal loop is running; a step returns false to be tried again.
class Script {
 public:
  explicit Script(std::vector<std::function<bool()>> steps) : steps_(std::move(steps)) {
    current_ = this;
    timer_ = ::SetTimer(nullptr, 0, 100, &Script::Tick);
  }
  ~Script() {
    ::KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool Finished() const { return next_ == steps_.size(); }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    Script* script = current_;
    if (!script || script->busy_ || script->Finished()) return;
    script->busy_ = true;
    if (script->steps_[script->next_]()) ++script->next_;
    if (++script->ticks_ > 600) {
      // Give up: close whatever is on top so the test ends.
      script->next_ = script->steps_.size();
    }
    script->busy_ = false;
  }

  static inline Script* current_ = nullptr;
  std::vector<std::function<bool()>> steps_;
  size_t next_ = 0;
  int ticks_ = 0;
  bool busy_ = false;
  UINT_PTR timer_ = 0;
};

// The visible windows of a class, found from the thread's top-level windows.
template <typename Form>
std::vector<Form*> VisibleWindows(const wchar_t* className) {
  struct Search {
    const wchar_t* className;
    std::vector<Form*> found;
  } search{className, {}};
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND hwnd, LPARAM context) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(context);
        wchar_t name[64] = {};
        ::GetClassNameW(hwnd, name, 64);
        if (std::wstring(name) == s.className && ::IsWindowVisible(hwnd)) {
          if (auto* form = dynamic_cast<Form*>(win::Window::FromHandle(hwnd))) {
            s.found.push_back(form);
          }
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

TEST_F(FullWindowTest, ClosingThroughTheTitleBarEndsTheModalLoop) {
  Form full(services_, application_.Handle());
  Script script({[&] {
    ::PostMessageW(full.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    return true;
  }});
  EXPECT_EQ(app::ShowModal(full), IDCANCEL);
  EXPECT_TRUE(script.Finished());
  EXPECT_TRUE(::IsWindow(full.Handle()));
  EXPECT_FALSE(::IsWindowVisible(full.Handle()));
}

TEST_F(FullWindowTest, WindowsNestModally) {
  ui::TFmVazodivuDodiru main(services_, application_.Handle());
  ::ShowWindow(main.Handle(), SW_SHOWNA);
  ASSERT_TRUE(RecordedErrorReports().empty()) << RecordedErrorReports().front().text;
  Form* full = nullptr;
  HWND fullHandle = nullptr;
  HWND nestedHandle = nullptr;
  bool mainDisabledUnderFull = false;
  bool fullDisabledUnderCompact = false;
  std::string nestedCity;
  bool fullBackAndEnabled = false;
  std::string fullCityAfter;
  Script script({
      [&] {
        const auto fulls = VisibleWindows<Form>(L"TFmVozevezoVudi");
        if (fulls.size() != 1) return false;
        full = fulls.front();
        fullHandle = full->Handle();
        mainDisabledUnderFull = !::IsWindowEnabled(main.Handle());
        // The user picks another city, then asks for the compact window.
        UserPicks(*full, full->ComboBox1->FindExact(Gbk("北京")));
        ::PostMessageW(full->Panel2->Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                       reinterpret_cast<LPARAM>(full->Button1->Handle()));
        return true;
      },
      [&] {
        const auto compacts = VisibleWindows<ui::TFmVazodivuDodiru>(L"TFmVazodivuDodiru");
        if (compacts.size() != 2) return false;
        ui::TFmVazodivuDodiru* nested = compacts[0] == &main ? compacts[1] : compacts[0];
        nestedHandle = nested->Handle();
        nestedCity = nested->ComboBox1->ItemText(nested->ComboBox1->ItemIndex());
        fullDisabledUnderCompact = !::IsWindowEnabled(fullHandle);
        ::PostMessageW(nestedHandle, WM_CLOSE, 0, 0);
        return true;
      },
      [&] {
        if (::IsWindow(nestedHandle)) return false;
        fullBackAndEnabled = ::IsWindowVisible(fullHandle) && ::IsWindowEnabled(fullHandle);
        fullCityAfter = full->LblCityName->Text();
        ::PostMessageW(fullHandle, WM_CLOSE, 0, 0);
        return true;
      },
  });
  main.RunHandler([&] { main.Imgweathern2Click(); });
  EXPECT_TRUE(script.Finished());
  EXPECT_TRUE(mainDisabledUnderFull);
  EXPECT_TRUE(fullDisabledUnderCompact);
  EXPECT_EQ(nestedCity, Gbk("昆明"));
  EXPECT_TRUE(fullBackAndEnabled);
  EXPECT_EQ(fullCityAfter, Gbk("北京"));
  EXPECT_FALSE(::IsWindow(fullHandle));
  EXPECT_TRUE(::IsWindowEnabled(main.Handle()));
  EXPECT_TRUE(RecordedErrorReports().empty());
}

}  // namespace
