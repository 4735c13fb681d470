// The compact window: a borderless, always-on-top panel in the top right
// corner whose background is see-through, so only the city, dates, two days'
// weather texts and four pictures float on the desktop.
#pragma once

#include <vector>

#include "ui/ReportForm.h"

namespace ui {

class TFmVazodivuDodiru : public ReportForm {
 public:
  // Designed client size (the place is ReportForm's).
  static constexpr int kClientWidth = 320;
  static constexpr int kClientHeight = 270;
  // The colour value 25: red 25, green 0, blue 0.
  static constexpr COLORREF kKeyColor = RGB(25, 0, 0);

  // Creates the window and runs its start sequence (the window is not shown).
  // Throws the system's message when the window or a control cannot be made.
  TFmVazodivuDodiru(const app::Services& services, HWND owner);

  // Controls of this window only, under their layout names (the shared ones
  // are ReportForm's).
  win::Label* LblTemp2 = nullptr;
  win::Label* LblWind2 = nullptr;
  win::Label* Label1 = nullptr;
  win::Picture* Imgravevuri2 = nullptr;
  win::Picture* Imgweathern2 = nullptr;
  win::Label* Lblweather2 = nullptr;
  win::Label* Label6 = nullptr;
  win::Button* BtnAutoRun = nullptr;

  bool AutoRunFlag() const noexcept { return autoRunFlag_; }

  // Event handlers.
  void FormCreate() override;
  void ImgravevuriMouseDown(win::MouseButton button);
  void ImgweathernClick();
  void Imgravevuri2Click();
  void Imgweathern2Click();
  void ComboBox1Change();
  void BtnAutoRunClick();

  // The autorun caption from the registry.
  void RefreshAutoRunCaption();

 protected:
  void OnDpiChanged(const RECT& suggested) override;

 private:
  // What screen readers read, in order.
  std::vector<win::ReadingItem> ReadingOrder();
  // The display step: the report's fields into the controls, in order.
  void Display(const json::JsonNode& weatherinfo) override;

  bool autoRunFlag_ = false;
};

}  // namespace ui
