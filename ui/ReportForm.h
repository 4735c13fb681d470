// What the two windows share: the city list and its selected code, the
// header and today's block, the publisher lines with their links, the fonts,
// and the wiring of a report run (the window is the run's view).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/Services.h"
#include "json/Json.h"
#include "ui/Texts.h"
#include "weather/Report.h"
#include "win/CityComboBox.h"
#include "win/Controls.h"
#include "win/Layout.h"

namespace ui {

extern const win::FontSpec kCityFont;  // the large city name
extern const win::FontSpec kLinkFont;  // the two web addresses
// The weather lines of today's block, in the window's colour.
win::FontSpec WeatherFont(COLORREF color);

class ReportForm : public win::ControlHost, protected weather::ReportView {
 public:
  // Both windows' designed place, at 96 dpi.
  static constexpr int kDesignLeft = 417;
  static constexpr int kDesignTop = 139;

  // The services are kept by reference: they outlive every window.
  ReportForm(const app::Services& services, win::TextEdges edges)
      : ControlHost(services.report, nullptr, edges), services_(services) {}

  // The city list.
  win::TComboBox* ComboBox1 = nullptr;
  // The header.
  win::Label* LblCityName = nullptr;
  win::Label* Lbldate = nullptr;    // shows "date_y"
  win::Label* Lbldate_y = nullptr;  // shows "date"
  win::Label* Lblweek = nullptr;
  // Today's block.
  win::Picture* Imgravevuri = nullptr;
  win::Picture* Imgweathern = nullptr;
  win::Label* Lblweather = nullptr;
  win::Label* LblTemp = nullptr;
  win::Label* LblWind = nullptr;
  // The publisher lines.
  win::Label* Label7 = nullptr;
  win::Label* Label8 = nullptr;
  win::Label* Label9 = nullptr;
  win::Label* Label10 = nullptr;
  win::Label* Label11 = nullptr;
  win::Label* Label12 = nullptr;

  // Both link labels: the clicked label's text goes to the shell.
  void Label11Click(const win::Label& sender);

  // One fetch-and-display for the selected city.
  void RunReport();

  // The start sequence; each step runs only when every step before it succeeded.
  virtual void FormCreate() = 0;

 protected:
  // Creates the window at its design place, its client area the design
  // size, both scaled to the dpi of its monitor (the window is not shown).
  // Throws the system's message when the window cannot be made.
  void CreateForm(const wchar_t* className, DWORD exStyle, DWORD style, const win::Bounds& design,
                  HWND owner);
  // Runs the start sequence once the controls are built; a click on the
  // form where no control lies runs it again. A failing step is reported.
  void Start();

  const app::Services& Services() const noexcept { return services_; }
  // The window that owns this one (the application window), for the windows it opens.
  HWND Owner() const noexcept { return owner_; }

  // The location page fetched and cut to its location text; throws with the
  // text to show when the page cannot be fetched.
  std::string LookUpLocation() const;
  // The city list filled and the located city selected (none when absent),
  // without a change event.
  void ListCitiesAndSelect(const std::string& locationText);

  // The header: the city, then the dates (read twice: the first reads show
  // only when a string read fails) and the week day.
  void ShowHeader(const json::JsonNode& weatherinfo);
  // Day n's pictures and its "temp", "weather" and "wind" members.
  static void ShowDay(const json::JsonNode& weatherinfo, int n, win::Picture& dayPicture,
                      win::Picture& nightPicture, win::Label& temperature, win::Label& weather,
                      win::Label& wind);
  // Day n's day or night picture loaded, with its words for screen readers:
  // the day and half, then the report's words for it ("今天白天 多云").
  static void ShowPicture(const json::JsonNode& weatherinfo, int n, bool night,
                          win::Picture& picture);

  // The publisher lines as screen readers read them: each link after its heading.
  std::vector<win::ReadingItem> PublisherReadingOrder();

 private:
  std::string SelectedCityCode() override;

  const app::Services& services_;
  HWND owner_ = nullptr;
};

// The publisher lines, the same in both windows from a top edge down.
template <typename Form>
constexpr std::array<win::LayoutRow<Form>, 6> PublisherRows(int top) {
  using win::Look;
  // clang-format off
  return {{
      {.control = &Form::Label7, .at = {16, top, 130, 13}, .text = kTextPublisher},
      {.control = &Form::Label8, .at = {16, top + 16, 39, 13}, .text = kTextBlog},
      {.control = &Form::Label9, .at = {16, top + 32, 39, 13}, .text = kTextMicroblog},
      {.control = &Form::Label10, .at = {16, top + 48, 84, 13}, .text = kTextContact},
      {.control = &Form::Label11, .at = {56, top + 16, 187, 13}, .text = kTextFirstWebAddress, .font = &kLinkFont, .look = Look::kHandCursor, .onLabelClick = &Form::Label11Click},
      {.control = &Form::Label12, .at = {56, top + 32, 159, 13}, .text = kTextSecondWebAddress, .font = &kLinkFont, .look = Look::kHandCursor, .onLabelClick = &Form::Label11Click},
  }};
  // clang-format on
}

}  // namespace ui
