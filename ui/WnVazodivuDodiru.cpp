#include "ui/WnVazodivuDodiru.h"

#include <array>

#include "app/Application.h"
#include "app/AutoRun.h"
#include "app/Services.h"
#include "ui/Layout.h"
#include "ui/ReportDisplay.h"
#include "ui/Texts.h"
#include "ui/WnVozevezoVudi.h"
#include "weather/Location.h"

namespace ui {
namespace {

using Form = TFmVazodivuDodiru;
using Row = LayoutRow<Form>;

const FontSpec kWindowFont{L"\u5B8B\u4F53" /* 宋体 */, 13, WindowTextColor(), GB2312_CHARSET};
const FontSpec kCityFont{L"\u6C49\u4EEA\u884C\u6977\u7E41" /* 汉仪行楷繁 */, 32, kBlue,
                         GB2312_CHARSET};
const FontSpec kWeatherFont{L"\u96B6\u4E66" /* 隶书 */, 19, kRed, GB2312_CHARSET};
const FontSpec kLinkFont{L"MS Sans Serif", 11, kBlue, DEFAULT_CHARSET, true};

// clang-format off
const Row kLayout[] = {
  // control               left top  w    h   text                   font           flags
  {&Form::LblTemp2,        123, 159, 56,  13, kTextDayLabel,         nullptr,       kSeeThrough},
  {&Form::LblWind2,        123, 174, 56,  13, kTextDayLabel,         nullptr,       kSeeThrough},
  {&Form::Label1,          24,  131, 26,  13, kTextTomorrow,         nullptr,       kCentered | kSeeThrough},
  {&Form::Imgravevuri2,    30,  155, 42,  30, nullptr,               nullptr,       kTransparent,
   &Form::Imgravevuri2Click},
  {&Form::Imgweathern2,    71,  155, 42,  30, nullptr,               nullptr,       kTransparent,
   &Form::Imgweathern2Click},
  {&Form::LblCityName,     24,  53,  64,  32, kTextCity,             &kCityFont,    kSeeThrough},
  {&Form::Imgravevuri,     30,  90,  42,  30, nullptr,               nullptr,       kStretch | kTransparent,
   nullptr, &Form::ImgravevuriMouseDown, L"PLACEHOLDER"},
  {&Form::Lblweather,      123, 58,  40,  19, kTextWeather,          &kWeatherFont, kSeeThrough},
  {&Form::LblTemp,         123, 82,  40,  19, kTextTemperature,      &kWeatherFont, kSeeThrough},
  {&Form::LblWind,         123, 106, 80,  19, kTextWindForce,        &kWeatherFont, kSeeThrough},
  {&Form::Imgweathern,     71,  90,  42,  30, nullptr,               nullptr,       kStretch | kTransparent,
   &Form::ImgweathernClick, nullptr, L"PLACEHOLDER"},
  {&Form::Label7,          16,  197, 130, 13, kTextPublisher,        nullptr,       kNone},
  {&Form::Label8,          16,  213, 39,  13, kTextBlog,             nullptr,       kNone},
  {&Form::Label9,          16,  229, 39,  13, kTextMicroblog,        nullptr,       kNone},
  {&Form::Label10,         16,  245, 84,  13, kTextContact,          nullptr,       kNone},
  {&Form::Label11,         56,  213, 187, 13, kTextFirstWebAddress,  &kLinkFont,    kHandCursor,
   nullptr, nullptr, nullptr, RGB(0, 0, 255), &Form::Label11Click},
  {&Form::Label12,         56,  229, 159, 13, kTextSecondWebAddress, &kLinkFont,    kHandCursor,
   nullptr, nullptr, nullptr, RGB(0, 0, 255), &Form::Label11Click},
  {&Form::Lblweather2,     123, 141, 56,  13, kTextDayLabel,         nullptr,       kSeeThrough},
  {&Form::Label6,          32,  17,  52,  13, kTextOtherCities,      nullptr,       kHidden},
  {&Form::Lbldate,         32,  40,  26,  13, kTextDate,             nullptr,       kSeeThrough},
  {&Form::Lbldate_y,       144, 40,  39,  13, kTextLunarYear,        nullptr,       kSeeThrough},
  {&Form::Lblweek,         241, 40,  26,  13, kTextWeek,             nullptr,       kSeeThrough},
  // Child windows, in tab order.
  {&Form::ComboBox1,       88,  12,  113, 21, kTextDesignCity,       nullptr,       kHidden,
   &Form::ComboBox1Change},
  {&Form::BtnAutoRun,      200, 11,  105, 20, app::kAutoRunDesignCaption, nullptr,  kHidden,
   &Form::BtnAutoRunClick},
};
// clang-format on

class CompactReportView final : public weather::ReportView {
 public:
  explicit CompactReportView(Form& form) : form_(form) {}
  std::string SelectedCityCode() override {
    return form_.ComboBox1->CityCodeAt(form_.ComboBox1->ItemIndex());
  }
  void Display(const json::JsonNode& weatherinfo) override { form_.DisplayReport(weatherinfo); }

 private:
  Form& form_;
};

}  // namespace

TFmVazodivuDodiru::TFmVazodivuDodiru(HWND owner) {
  // WS_POPUP: no caption, border or system menu. WS_CLIPSIBLINGS: keeps clear
  // of sibling windows. WS_EX_TOPMOST: stays above ordinary windows.
  // WS_EX_TOOLWINDOW: no taskbar button.
  CreateWindowHandle(L"TFmVazodivuDodiru", WS_EX_TOPMOST | WS_EX_TOOLWINDOW,
                     WS_POPUP | WS_CLIPSIBLINGS, kDesignLeft, kDesignTop, kClientWidth,
                     kClientHeight, owner);
  ApplyLayout<Form>(*this, *this, kWindowFont, kLayout, windows_);
  onClick = [this] { app::RunHandler([this] { FormCreate(); }); };
  app::RunHandler([this] { FormCreate(); });
}

void TFmVazodivuDodiru::FormCreate() {
  // Each step runs only when every step before it succeeded.
  const std::string page = weather::FetchLocationPage(app::CurrentServices().location);
  const std::string locationText = weather::CutLocationText(page);
  ComboBox1->LoadCityCodes();
  ComboBox1->SetItemIndex(ComboBox1->FindExact(weather::LocatedCityName(locationText)));
  RunReport();

  SetColor(kKeyColor);
  ::SetWindowLongPtrW(Handle(), GWL_EXSTYLE,
                      ::GetWindowLongPtrW(Handle(), GWL_EXSTYLE) | WS_EX_LAYERED);
  ::SetLayeredWindowAttributes(Handle(), kKeyColor, 0, LWA_COLORKEY);

  RECT window;
  ::GetWindowRect(Handle(), &window);
  ::SetWindowPos(Handle(), nullptr, ::GetSystemMetrics(SM_CXSCREEN) - (window.right - window.left),
                 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  app::Application::Current().SetToolWindowStyle();
  RefreshAutoRunCaption();
}

void TFmVazodivuDodiru::RunReport() {
  CompactReportView view(*this);
  weather::RunReport(
      [] { return app::CurrentServices().createReportRequest(); }, view,
      [](std::string_view cityCode) { return app::CurrentServices().reportUrl(cityCode); });
}

void TFmVazodivuDodiru::DisplayReport(const json::JsonNode& weatherinfo) {
  ShowHeader({*LblCityName, *Lbldate, *Lbldate_y, *Lblweek}, weatherinfo);
  ShowDay({*Imgravevuri, *Imgweathern, *LblTemp, *Lblweather, *LblWind}, weatherinfo, 1);
  ShowDay({*Imgravevuri2, *Imgweathern2, *LblTemp2, *Lblweather2, *LblWind2}, weatherinfo, 2);
}

void TFmVazodivuDodiru::RefreshAutoRunCaption() {
  autoRunFlag_ = app::AutoRunValueExists(app::kAutoRunValueName);
  BtnAutoRun->SetCaption(app::AutoRunCaption(autoRunFlag_));
}

void TFmVazodivuDodiru::ImgravevuriMouseDown() {
  // Dragged as if by a title bar, whichever button is down.
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
  TFmVozevezoVudi full(app::Application::Current().Handle());
  app::ShowModal(full);
}

void TFmVazodivuDodiru::ComboBox1Change() { RunReport(); }

void TFmVazodivuDodiru::BtnAutoRunClick() {
  app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), !autoRunFlag_);
  RefreshAutoRunCaption();
}

void TFmVazodivuDodiru::Label11Click(const Label& sender) {
  app::CurrentServices().shellOpen(sender.Text());
}

LRESULT TFmVazodivuDodiru::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ControlHost::HandleMessage(message, wParam, lParam);
}

void TFmVazodivuDodiru::OnDestroyed() {
  app::Application& application = app::Application::Current();
  if (application.MainWindow() == this) application.MainWindowDestroyed();
}

}  // namespace ui
