// The compact window: a borderless, always-on-top panel in the top right
// corner whose background is see-through, so only the city, dates, two days'
// weather texts and four pictures float on the desktop.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/CityComboBox.h"
#include "ui/Controls.h"
#include "weather/Report.h"

namespace ui {

class TFmVazodivuDodiru : public ControlHost {
 public:
  // Designed place and client size.
  static constexpr int kDesignLeft = 417;
  static constexpr int kDesignTop = 139;
  static constexpr int kClientWidth = 320;
  static constexpr int kClientHeight = 270;
  // The colour value 25: red 25, green 0, blue 0.
  static constexpr COLORREF kKeyColor = RGB(25, 0, 0);

  // Creates the window and runs its start sequence (the window is not shown).
  explicit TFmVazodivuDodiru(HWND owner);

  // Controls, under their layout names.
  Label* LblTemp2 = nullptr;
  Label* LblWind2 = nullptr;
  Label* Label1 = nullptr;
  Picture* Imgravevuri2 = nullptr;
  Picture* Imgweathern2 = nullptr;
  Label* LblCityName = nullptr;
  Picture* Imgravevuri = nullptr;
  Label* Lblweather = nullptr;
  Label* LblTemp = nullptr;
  Label* LblWind = nullptr;
  Picture* Imgweathern = nullptr;
  Label* Label7 = nullptr;
  Label* Label8 = nullptr;
  Label* Label9 = nullptr;
  Label* Label10 = nullptr;
  Label* Label11 = nullptr;
  Label* Label12 = nullptr;
  Label* Lblweather2 = nullptr;
  Label* Label6 = nullptr;
  Label* Lbldate = nullptr;
  Label* Lbldate_y = nullptr;
  Label* Lblweek = nullptr;
  TComboBox* ComboBox1 = nullptr;
  Button* BtnAutoRun = nullptr;

  bool AutoRunFlag() const noexcept { return autoRunFlag_; }

  // Event handlers.
  void FormCreate();
  void ImgravevuriMouseDown();
  void ImgweathernClick();
  void Imgravevuri2Click();
  void Imgweathern2Click();
  void ComboBox1Change();
  void BtnAutoRunClick();
  void Label11Click(const Label& sender);

  // The autorun caption from the registry.
  void RefreshAutoRunCaption();
  // One fetch-and-display for the selected city.
  void RunReport();
  // The display step: the report's fields into the controls, in order.
  void DisplayReport(const json::JsonNode& weatherinfo);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDestroyed() override;

 private:
  std::vector<std::unique_ptr<WindowedControl>> windows_;
  bool autoRunFlag_ = false;
};

}  // namespace ui
