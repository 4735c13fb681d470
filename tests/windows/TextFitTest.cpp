// Every text the web service can write into a member the windows show, put
// through the windows' own report runs and measured in the control's own font
// against the frame it stands in: its cell of the day table or the index
// block, or the next control or the window's edge beside it (at 96 dpi, and
// again at 144 and 192). The reports come from the service's own tables
// (service/tools/report-texts.js, run at build time): every wind, force,
// picture words pair, advice sentence and index word, the longest dates and
// city names, of the synthetic and of the live source.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/Services.h"
#include "json/Json.h"
#include "ui/WnVazodivuDodiru.h"
#include "ui/WnVozevezoVudi.h"
#include "weather/Report.h"
#include "win/Dpi.h"
#include "win/Handles.h"
#include "win/Text.h"
#include "windows/support/ErrorReports.h"
#include "windows/support/WindowDriver.h"
#include "windows/support/WindowTest.h"

namespace {

using testsupport::RecordedErrorReports;
using ui::TFmVazodivuDodiru;
using ui::TFmVozevezoVudi;

// One line of the file: {"source": ..., "weatherinfo": {...}}, ASCII.
struct SourceReport {
  std::string source;
  std::string text;
};

std::vector<SourceReport> ReadReports() {
  std::ifstream file(std::string("Z:") + WEATHER_REPORT_TEXTS);
  std::vector<SourceReport> reports;
  for (std::string line; std::getline(file, line);) {
    const json::JsonDocumentPtr document = json::ParseJsonText(line);
    const json::JsonNode* source =
        document ? json::FindMember(json::RootOf(*document), "source") : nullptr;
    if (source) reports.push_back({json::ValueText(*source), line});
  }
  return reports;
}

// The report run's transport, answering the text it is given.
class Answer : public weather::ReportRequest {
 public:
  explicit Answer(const std::string& text) : text_(text) {}
  std::string Fetch(const std::string&) override { return text_; }

 private:
  const std::string& text_;
};

std::string Utf8(const std::string& gbk) {
  const std::wstring wide = win::Widen(gbk);
  std::string text(wide.size() * 3, '\0');
  const int size =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(),
                            static_cast<int>(text.size()), nullptr, nullptr);
  text.resize(static_cast<size_t>(std::max(size, 0)));
  return text;
}

// A label and the frame its text must keep inside (device pixels in the
// label's host), in at most `lines` lines; `cell` is the drawn frame, if any.
struct Fit {
  std::string control;
  const win::Label* label;
  RECT frame;
  int lines;
  const win::Shape* cell = nullptr;
};

// Inside the frame's pen (one pixel at 96 dpi, wider above).
RECT Inside(const win::Shape& shape) {
  const int pen = win::LineWidth(shape.Host().Dpi());
  RECT inner = shape.Bounds();
  ::InflateRect(&inner, -pen, -pen);
  return inner;
}

// From the label's top left corner up to a right edge, as low as need be.
RECT UpTo(const win::Label& label, LONG right) {
  return RECT{label.Bounds().left, label.Bounds().top, right, LONG_MAX};
}

RECT Above(RECT frame, const win::Label& below) {
  frame.bottom = below.Bounds().top;
  return frame;
}

struct Extent {
  RECT rect;
  int lines;
};

// Where the label's text stands, as DrawText lays it out for the label.
Extent TextExtent(const win::Label& label) {
  win::FontSet& fonts = label.Host().Fonts();
  const HDC dc = fonts.MeasuringDc();
  win::SelectObjectScope font(dc, fonts.Get(label.Font()));
  const UINT flags = DT_NOPREFIX | DT_EXPANDTABS | DT_CALCRECT;
  RECT line{0, 0, 0, 0};
  ::DrawTextW(dc, L" ", 1, &line, flags);
  const std::wstring text = win::Widen(label.Text());
  RECT area{0, 0, 0, 0};
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, flags);
  const RECT& bounds = label.Bounds();
  const LONG width = area.right;
  const LONG left = label.Style().align == win::TextAlign::kCenter
                        ? bounds.left + (bounds.right - bounds.left - width) / 2
                        : bounds.left;
  return {RECT{left, bounds.top, left + width, bounds.top + area.bottom},
          line.bottom > 0 ? static_cast<int>(area.bottom / line.bottom) : 0};
}

bool Within(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

std::vector<Fit> FullWindowFits(const TFmVozevezoVudi& w) {
  RECT panel;
  ::GetClientRect(w.Panel1->Handle(), &panel);
  // Inside the panel's border of 4 and its bevel.
  const LONG edge = panel.right - 5;
  std::vector<Fit> fits = {
      {"Lblchuanyi1", w.Lblchuanyi1, Above(Inside(*w.Shape36), *w.Lblchuanyi2), 2, w.Shape36},
      {"Lblchuanyi2", w.Lblchuanyi2, Inside(*w.Shape36), 2, w.Shape36},
      {"Lbluv1", w.Lbluv1, Above(Inside(*w.Shape37), *w.Lbluv2), 2, w.Shape37},
      {"Lbluv2", w.Lbluv2, Inside(*w.Shape37), 2, w.Shape37},
      {"Lblcl", w.Lblcl, Inside(*w.Shape38), 2, w.Shape38},
      {"Lblc0", w.Lblc0, Inside(*w.Shape39), 2, w.Shape39},
      {"Lblls0", w.Lblls0, Inside(*w.Shape40), 2, w.Shape40},
      {"Lbltr0", w.Lbltr0, Inside(*w.Shape41), 2, w.Shape41},
      {"LblCityName", w.LblCityName, UpTo(*w.LblCityName, w.Lblweather->Bounds().left), 1},
      {"Lbldate", w.Lbldate, UpTo(*w.Lbldate, edge), 1},
      {"Lbldate_y", w.Lbldate_y, UpTo(*w.Lbldate_y, w.Lblweek->Bounds().left), 1},
      {"Lblweek", w.Lblweek, UpTo(*w.Lblweek, edge), 1},
      {"Lblweather", w.Lblweather, UpTo(*w.Lblweather, w.Lbldate->Bounds().left), 1},
      {"LblTemp", w.LblTemp, UpTo(*w.LblTemp, w.Lbldate_y->Bounds().left), 1},
      {"LblWind", w.LblWind, UpTo(*w.LblWind, edge), 1},
  };
  // The day table: label, cell, by row and day.
  using Column = TFmVozevezoVudi::DayColumn;
  const struct {
    const char* row;
    win::Label* Column::*label;
    std::array<const win::Shape*, 5> cells;
  } rows[] = {
      {"LblDate", &Column::date, {w.Shape2, w.Shape3, w.Shape5, w.Shape8, w.Shape10}},
      {"Lblweather", &Column::sky, {w.Shape13, w.Shape14, w.Shape15, w.Shape16, w.Shape17}},
      {"LblTemp", &Column::temperature, {w.Shape22, w.Shape21, w.Shape20, w.Shape19, w.Shape18}},
      {"LblWind", &Column::wind, {w.Shape28, w.Shape27, w.Shape26, w.Shape25, w.Shape24}},
      {"Lblfl", &Column::force, {w.Shape34, w.Shape33, w.Shape32, w.Shape31, w.Shape30}},
  };
  for (const auto& row : rows) {
    for (size_t day = 0; day < 5; ++day) {
      fits.push_back({row.row + std::to_string(day + 1),
                      w.Day(static_cast<int>(day) + 1).*row.label, Inside(*row.cells[day]), 1,
                      row.cells[day]});
    }
  }
  return fits;
}

std::vector<Fit> CompactWindowFits(const TFmVazodivuDodiru& w) {
  RECT client;
  ::GetClientRect(w.Handle(), &client);
  // Not the city: its name is the city table's own, and 15 of its 447 names
  // (4 and 5 characters) reach past the weather lines at this size.
  return {
      {"compact Lbldate", w.Lbldate, UpTo(*w.Lbldate, w.Lbldate_y->Bounds().left), 1},
      {"compact Lbldate_y", w.Lbldate_y, UpTo(*w.Lbldate_y, w.Lblweek->Bounds().left), 1},
      {"compact Lblweek", w.Lblweek, UpTo(*w.Lblweek, client.right), 1},
      {"compact Lblweather", w.Lblweather, UpTo(*w.Lblweather, client.right), 1},
      {"compact LblTemp", w.LblTemp, UpTo(*w.LblTemp, client.right), 1},
      {"compact LblWind", w.LblWind, UpTo(*w.LblWind, client.right), 1},
      {"compact Lblweather2", w.Lblweather2, UpTo(*w.Lblweather2, client.right), 1},
      {"compact LblTemp2", w.LblTemp2, UpTo(*w.LblTemp2, client.right), 1},
      {"compact LblWind2", w.LblWind2, UpTo(*w.LblWind2, client.right), 1},
  };
}

class TextFitTest : public testsupport::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    reports_ = ReadReports();
    ASSERT_GT(reports_.size(), 100u) << "no report texts at " << WEATHER_REPORT_TEXTS;
    owner_ = application_->Handle();
    full_ = std::make_unique<TFmVozevezoVudi>(services_, owner_);
    compact_ = std::make_unique<TFmVazodivuDodiru>(services_, owner_);
    ASSERT_TRUE(RecordedErrorReports().empty()) << RecordedErrorReports().front().text;
    services_.createReportRequest = [this] { return std::make_unique<Answer>(answer_); };
    fits_ = FullWindowFits(*full_);
    for (Fit& fit : CompactWindowFits(*compact_)) fits_.push_back(fit);
  }
  void TearDown() override {
    compact_.reset();
    full_.reset();
    WindowTest::TearDown();
  }

  // Both windows show one report, as after a change of city.
  void Show(const SourceReport& report) {
    answer_ = report.text;
    full_->RunReport();
    compact_->RunReport();
  }

  std::vector<SourceReport> reports_;
  HWND owner_ = nullptr;
  std::string answer_;
  std::unique_ptr<TFmVozevezoVudi> full_;
  std::unique_ptr<TFmVazodivuDodiru> compact_;
  std::vector<Fit> fits_;
};

TEST_F(TextFitTest, EveryTextEachSourceCanWriteFitsItsFrame) {
  // The widest text seen in each control, for the record.
  struct Widest {
    LONG width = -1;
    LONG room = 0;
    std::string text;
  };
  std::map<std::string, Widest> widest;
  int failures = 0;
  for (const SourceReport& report : reports_) {
    Show(report);
    ASSERT_TRUE(RecordedErrorReports().empty()) << RecordedErrorReports().front().text;
    for (const Fit& fit : fits_) {
      const Extent extent = TextExtent(*fit.label);
      const LONG width = extent.rect.right - extent.rect.left;
      Widest& seen = widest[fit.control];
      if (width > seen.width) {
        // The room: from where the text may start to the frame's right.
        const LONG start = std::max(fit.frame.left, fit.label->Bounds().left);
        seen = {width, fit.frame.right - start, Utf8(fit.label->Text())};
      }
      if (Within(extent.rect, fit.frame) && extent.lines <= fit.lines) continue;
      ADD_FAILURE() << report.source << " " << fit.control << " \"" << Utf8(fit.label->Text())
                    << "\": " << width << " wide, " << extent.lines << " lines at ("
                    << extent.rect.left << "," << extent.rect.top << ")-(" << extent.rect.right
                    << "," << extent.rect.bottom << "); its frame (" << fit.frame.left << ","
                    << fit.frame.top << ")-(" << fit.frame.right << "," << fit.frame.bottom << "), "
                    << fit.lines << " lines";
      ASSERT_LT(++failures, 30) << "and more";
    }
  }
  for (const auto& [control, seen] : widest) {
    std::printf("%-20s widest %3ld of %3ld: %s\n", control.c_str(), seen.width, seen.room,
                seen.text.c_str());
  }
}

// On the screen: with the longest texts of each source no text reaches a
// cell's pen, which stays blue from top to bottom beside every label.
TEST_F(TextFitTest, TheLongestTextsLeaveTheCellFramesWhole) {
  ::ShowWindow(full_->Handle(), SW_SHOWNOACTIVATE);
  ::ShowWindow(compact_->Handle(), SW_SHOWNOACTIVATE);
  for (const std::string source : {"synthetic", "live"}) {
    // The first report of a source holds its longest texts.
    const auto first = std::find_if(reports_.begin(), reports_.end(),
                                    [&](const SourceReport& r) { return r.source == source; });
    ASSERT_NE(first, reports_.end());
    Show(*first);
    ASSERT_TRUE(RecordedErrorReports().empty()) << RecordedErrorReports().front().text;
    ::RedrawWindow(full_->Handle(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    testsupport::PumpMessages();
    const HWND panel = full_->Panel1->Handle();
    const win::WindowDcScope dc(panel);
    for (const Fit& fit : fits_) {
      if (!fit.cell) continue;
      // The pen's inner columns, next to the text.
      const RECT inner = Inside(*fit.cell);
      const RECT& label = fit.label->Bounds();
      for (LONG y = label.top; y < label.bottom; ++y) {
        for (const LONG x : {inner.left - 1, inner.right}) {
          EXPECT_EQ(::GetPixel(dc.Dc(), x, y), win::kBlue)
              << source << " " << fit.control << " \"" << Utf8(fit.label->Text()) << "\" at " << x
              << "," << y;
        }
      }
    }
    // For a person to look at: WEATHER_TEST_HOLD_SECONDS keeps the windows up.
    if (const char* hold = std::getenv("WEATHER_TEST_HOLD_SECONDS")) {
      for (DWORD until = ::GetTickCount() + 1000u * std::strtoul(hold, nullptr, 10);
           ::GetTickCount() < until;) {
        testsupport::PumpMessages();
        ::Sleep(50);
      }
    }
  }
}

}  // namespace
