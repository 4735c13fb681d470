#include "ui/WnVazodivuDodiru.h"

#include "app/Application.h"
#include "app/AutoRun.h"
#include "ui/Texts.h"
#include "ui/WnVozevezoVudi.h"
#include "win/Layout.h"

namespace ui {
namespace {

using Form = TFmVazodivuDodiru;
using Row = win::LayoutRow<Form>;
using enum win::Look;

const win::FontSpec kWindowFont{L"\u5B8B\u4F53" /* 宋体 */, 13, win::WindowTextColor(),
                                GB2312_CHARSET};
const win::FontSpec kWeatherFont = WeatherFont(win::kRed);

// In painting order: a later row covers an earlier one. The publisher lines
// come between the two halves.
// clang-format off
const Row kLayoutAbovePublisher[] = {
    {.control = &Form::LblTemp2, .at = {123, 159, 56, 13}, .text = kTextDayLabel, .look = kSeeThrough},
    {.control = &Form::LblWind2, .at = {123, 174, 56, 13}, .text = kTextDayLabel, .look = kSeeThrough},
    {.control = &Form::Label1, .at = {24, 131, 26, 13}, .text = kTextTomorrow, .look = kCentered | kSeeThrough},
    {.control = &Form::Imgravevuri2, .at = {30, 155, 42, 30}, .look = kTransparent, .onClick = &Form::Imgravevuri2Click},
    {.control = &Form::Imgweathern2, .at = {71, 155, 42, 30}, .look = kTransparent, .onClick = &Form::Imgweathern2Click},
    {.control = &Form::LblCityName, .at = {24, 53, 64, 32}, .text = kTextCity, .font = &kCityFont, .look = kSeeThrough},
    {.control = &Form::Imgravevuri, .at = {30, 90, 42, 30}, .look = kStretch | kTransparent, .onMouseDown = &Form::ImgravevuriMouseDown, .bitmap = L"PLACEHOLDER"},
    {.control = &Form::Lblweather, .at = {123, 58, 40, 19}, .text = kTextWeather, .font = &kWeatherFont, .look = kSeeThrough},
    {.control = &Form::LblTemp, .at = {123, 82, 40, 19}, .text = kTextTemperature, .font = &kWeatherFont, .look = kSeeThrough},
    {.control = &Form::LblWind, .at = {123, 106, 80, 19}, .text = kTextWindForce, .font = &kWeatherFont, .look = kSeeThrough},
    {.control = &Form::Imgweathern, .at = {71, 90, 42, 30}, .look = kStretch | kTransparent, .onClick = &Form::ImgweathernClick, .bitmap = L"PLACEHOLDER"},
};
// clang-format on

constexpr auto kPublisherLayout = PublisherRows<Form>(197);

// clang-format off
const Row kLayoutBelowPublisher[] = {
    {.control = &Form::Lblweather2, .at = {123, 141, 56, 13}, .text = kTextDayLabel, .look = kSeeThrough},
    {.control = &Form::Label6, .at = {32, 17, 52, 13}, .text = kTextOtherCities, .look = kHidden},
    {.control = &Form::Lbldate, .at = {32, 40, 26, 13}, .text = kTextDate, .look = kSeeThrough},
    {.control = &Form::Lbldate_y, .at = {144, 40, 39, 13}, .text = kTextLunarYear, .look = kSeeThrough},
    {.control = &Form::Lblweek, .at = {241, 40, 26, 13}, .text = kTextWeek, .look = kSeeThrough},
    // Child windows, in tab order.
    {.control = &Form::ComboBox1, .at = {88, 12, 113, 21}, .text = kTextDesignCity, .look = kHidden, .onClick = &Form::ComboBox1Change},
    {.control = &Form::BtnAutoRun, .at = {200, 11, 105, 20}, .text = app::kAutoRunDesignCaption, .look = kHidden, .onClick = &Form::BtnAutoRunClick},
};
// clang-format on

RECT MonitorArea(HMONITOR monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  ::GetMonitorInfoW(monitor, &info);
  return info.rcMonitor;
}

}  // namespace

// Sharp letters: the texts float on the colour key, and a smoothed edge
// would be a blend of the text and the key colour, a dark fringe on the desktop.
TFmVazodivuDodiru::TFmVazodivuDodiru(const app::Services& services, HWND owner)
    : ReportForm(services, win::TextEdges::kSharp) {
  // WS_POPUP: no caption, border or system menu. WS_CLIPSIBLINGS: keeps clear
  // of sibling windows. WS_EX_TOPMOST: stays above ordinary windows.
  // WS_EX_TOOLWINDOW: no taskbar button.
  CreateForm(L"TFmVazodivuDodiru", WS_EX_TOPMOST | WS_EX_TOOLWINDOW, WS_POPUP | WS_CLIPSIBLINGS,
             {kDesignLeft, kDesignTop, kClientWidth, kClientHeight}, owner);
  for (std::span<const Row> rows :
       {std::span<const Row>(kLayoutAbovePublisher), std::span<const Row>(kPublisherLayout),
        std::span<const Row>(kLayoutBelowPublisher)}) {
    win::ApplyLayout<Form>(*this, *this, kWindowFont, rows);
  }
  SetReadingOrder(ReadingOrder());
  Start();
}

std::vector<win::ReadingItem> TFmVazodivuDodiru::ReadingOrder() {
  using win::Role;
  // Top to bottom, left to right; the see-through background is not read.
  std::vector<win::ReadingItem> order{
      // The settings row, while shown.
      {Label6},
      {.name = kTextOtherCities, .window = ComboBox1->Handle()},
      {.window = BtnAutoRun->Handle()},
      {Lbldate},
      {Lbldate_y},
      {Lblweek},
      // Today.
      {LblCityName},
      {Imgravevuri, Role::kButton, kTextMoveWindow},
      {Imgweathern, Role::kButton, kTextSettings},
      {Lblweather},
      {LblTemp},
      {LblWind},
      // Tomorrow.
      {Label1},
      {Imgravevuri2, Role::kButton, kTextClose},
      {Imgweathern2, Role::kButton, kTextOpenFullWindow},
      {Lblweather2},
      {LblTemp2},
      {LblWind2},
  };
  for (const win::ReadingItem& item : PublisherReadingOrder()) order.push_back(item);
  return order;
}

void TFmVazodivuDodiru::FormCreate() {
  ListCitiesAndSelect(LookUpLocation());
  RunReport();

  SetColor(kKeyColor);
  ::SetWindowLongPtrW(Handle(), GWL_EXSTYLE,
                      ::GetWindowLongPtrW(Handle(), GWL_EXSTYLE) | WS_EX_LAYERED);
  ::SetLayeredWindowAttributes(Handle(), kKeyColor, 0, LWA_COLORKEY);

  RECT window;
  ::GetWindowRect(Handle(), &window);
  ::SetWindowPos(Handle(), nullptr, ::GetSystemMetrics(SM_CXSCREEN) - (window.right - window.left),
                 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  app::SetToolWindowStyle(Owner());
  RefreshAutoRunCaption();
}

void TFmVazodivuDodiru::OnDpiChanged(const RECT& suggested) {
  const RECT size = win::ScaledRect({0, 0, kClientWidth, kClientHeight}, Dpi());
  RECT window;
  ::GetWindowRect(Handle(), &window);
  const RECT was = MonitorArea(::MonitorFromRect(&window, MONITOR_DEFAULTTONEAREST));
  POINT place{suggested.left, suggested.top};
  // In the top-right corner it stays in the top-right corner of its monitor.
  if (window.right == was.right && window.top == was.top) {
    const RECT now = MonitorArea(::MonitorFromRect(&suggested, MONITOR_DEFAULTTONEAREST));
    place = {now.right - size.right, now.top};
  }
  ::SetWindowPos(Handle(), nullptr, place.x, place.y, size.right, size.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFmVazodivuDodiru::Display(const json::JsonNode& weatherinfo) {
  ShowHeader(weatherinfo);
  ShowDay(weatherinfo, 1, *Imgravevuri, *Imgweathern, *LblTemp, *Lblweather, *LblWind);
  ShowDay(weatherinfo, 2, *Imgravevuri2, *Imgweathern2, *LblTemp2, *Lblweather2, *LblWind2);
}

void TFmVazodivuDodiru::RefreshAutoRunCaption() {
  autoRunFlag_ = app::AutoRunValueExists(app::kAutoRunValueName);
  BtnAutoRun->SetCaption(app::AutoRunCaption(autoRunFlag_));
}

void TFmVazodivuDodiru::ImgravevuriMouseDown(win::MouseButton button) {
  // Dragged as if by a title bar, with any button; the drag ends with it.
  if (button != win::MouseButton::kLeft) {
    win::FollowPointerWhileHeld(Handle(), button);
    return;
  }
  ::ReleaseCapture();
  ::SendMessageW(Handle(), WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
}

void TFmVazodivuDodiru::ImgweathernClick() {
  const bool visible = !Label6->Visible();
  Label6->SetVisible(visible);
  ComboBox1->SetVisible(visible);
  BtnAutoRun->SetVisible(visible);
}

void TFmVazodivuDodiru::Imgravevuri2Click() { Close(); }

void TFmVazodivuDodiru::Imgweathern2Click() {
  TFmVozevezoVudi full(Services(), Owner());
  app::ShowModal(full);
}

void TFmVazodivuDodiru::ComboBox1Change() { RunReport(); }

void TFmVazodivuDodiru::BtnAutoRunClick() {
  app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), !autoRunFlag_);
  RefreshAutoRunCaption();
}

}  // namespace ui
