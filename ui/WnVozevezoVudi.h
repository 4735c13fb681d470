// The full window: the five-day table, the living indexes, today's block, the
// location line and the city list, with a button back to a compact window.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/CityComboBox.h"
#include "ui/Controls.h"
#include "weather/Report.h"

namespace ui {

class TFmVozevezoVudi : public ControlHost {
 public:
  // Designed place and client size.
  static constexpr int kDesignLeft = 417;
  static constexpr int kDesignTop = 139;
  static constexpr int kClientWidth = 636;
  static constexpr int kClientHeight = 597;
  static constexpr int kTopBarHeight = 27;
  static constexpr int kTabStripHeight = 24;

  // Creates the window and runs its start sequence (the window is not shown).
  explicit TFmVozevezoVudi(HWND owner);
  ~TFmVozevezoVudi() override;

  // Containers, bottom to top.
  Panel* Panel2 = nullptr;
  TabControl* cxPageControl1 = nullptr;
  Panel* cxTabSheet1 = nullptr;
  Panel* cxTabSheet2 = nullptr;
  Memo* Memo1 = nullptr;
  Memo* Memo2 = nullptr;
  Panel* Panel1 = nullptr;

  // The top bar.
  Label* Label6 = nullptr;
  TComboBox* ComboBox1 = nullptr;
  Button* Button1 = nullptr;

  // The day table's frames.
  Shape* Shape1 = nullptr;
  Shape* Shape2 = nullptr;
  Shape* Shape3 = nullptr;
  Shape* Shape4 = nullptr;
  Shape* Shape5 = nullptr;
  Shape* Shape6 = nullptr;
  Shape* Shape7 = nullptr;
  Shape* Shape8 = nullptr;
  Shape* Shape9 = nullptr;
  Shape* Shape10 = nullptr;
  Shape* Shape11 = nullptr;
  Shape* Shape12 = nullptr;
  Shape* Shape13 = nullptr;
  Shape* Shape14 = nullptr;
  Shape* Shape15 = nullptr;
  Shape* Shape16 = nullptr;
  Shape* Shape17 = nullptr;
  Shape* Shape18 = nullptr;
  Shape* Shape19 = nullptr;
  Shape* Shape20 = nullptr;
  Shape* Shape21 = nullptr;
  Shape* Shape22 = nullptr;
  Shape* Shape23 = nullptr;
  Shape* Shape24 = nullptr;
  Shape* Shape25 = nullptr;
  Shape* Shape26 = nullptr;
  Shape* Shape27 = nullptr;
  Shape* Shape28 = nullptr;
  Shape* Shape29 = nullptr;
  Shape* Shape30 = nullptr;
  Shape* Shape31 = nullptr;
  Shape* Shape32 = nullptr;
  Shape* Shape33 = nullptr;
  Shape* Shape34 = nullptr;
  Shape* Shape35 = nullptr;
  // The index block's frames.
  Shape* Shape36 = nullptr;
  Shape* Shape37 = nullptr;
  Shape* Shape38 = nullptr;
  Shape* Shape39 = nullptr;
  Shape* Shape40 = nullptr;
  Shape* Shape41 = nullptr;
  Shape* Shape42 = nullptr;

  // Row headings.
  Label* Label1 = nullptr;
  Label* Label2 = nullptr;
  Label* Label3 = nullptr;
  Label* Label4 = nullptr;
  Label* Label5 = nullptr;

  // Day columns 1 to 5.
  Label* LblDate1 = nullptr;
  Label* LblDate2 = nullptr;
  Label* LblDate3 = nullptr;
  Label* LblDate4 = nullptr;
  Label* LblDate5 = nullptr;
  Label* Lblweather1 = nullptr;
  Label* Lblweather2 = nullptr;
  Label* Lblweather3 = nullptr;
  Label* Lblweather4 = nullptr;
  Label* Lblweather5 = nullptr;
  Label* LblTemp1 = nullptr;
  Label* LblTemp2 = nullptr;
  Label* LblTemp3 = nullptr;
  Label* LblTemp4 = nullptr;
  Label* LblTemp5 = nullptr;
  Label* LblWind1 = nullptr;
  Label* LblWind2 = nullptr;
  Label* LblWind3 = nullptr;
  Label* LblWind4 = nullptr;
  Label* LblWind5 = nullptr;
  Label* Lblfl1 = nullptr;
  Label* Lblfl2 = nullptr;
  Label* Lblfl3 = nullptr;
  Label* Lblfl4 = nullptr;
  Label* Lblfl5 = nullptr;
  Picture* Imgravevuri1 = nullptr;
  Picture* Imgravevuri2 = nullptr;
  Picture* Imgravevuri3 = nullptr;
  Picture* Imgravevuri4 = nullptr;
  Picture* Imgravevuri5 = nullptr;
  Picture* Imgweathern1 = nullptr;
  Picture* Imgweathern2 = nullptr;
  Picture* Imgweathern3 = nullptr;
  Picture* Imgweathern4 = nullptr;
  Picture* Imgweathern5 = nullptr;

  // The index block.
  Picture* Image5 = nullptr;
  Picture* Image6 = nullptr;
  Picture* Image7 = nullptr;
  Picture* Image8 = nullptr;
  Picture* Image9 = nullptr;
  Picture* Image10 = nullptr;
  Label* Lblchuanyi1 = nullptr;
  Label* Lblchuanyi2 = nullptr;
  Label* Lbluv1 = nullptr;
  Label* Lbluv2 = nullptr;
  Label* Lblcl = nullptr;
  Label* Lblc0 = nullptr;
  Label* Lblls0 = nullptr;
  Label* Lbltr0 = nullptr;

  // Today's block.
  Label* LblCityName = nullptr;
  Picture* Imgravevuri = nullptr;
  Picture* Imgweathern = nullptr;
  Label* Lblweather = nullptr;
  Label* LblTemp = nullptr;
  Label* LblWind = nullptr;
  Label* Lbldate = nullptr;
  Label* Lbldate_y = nullptr;
  Label* Lblweek = nullptr;

  // The location line and the publisher lines.
  Label* LblIPAddress = nullptr;
  Label* Label7 = nullptr;
  Label* Label8 = nullptr;
  Label* Label9 = nullptr;
  Label* Label10 = nullptr;
  Label* Label11 = nullptr;
  Label* Label12 = nullptr;

  // Event handlers.
  void FormCreate();
  void ComboBox1Change();
  void Button1Click();
  void Label11Click(const Label& sender);

  // One fetch-and-display for the selected city.
  void RunReport();
  // The display step: the report's fields into the controls, in order.
  void DisplayReport(const json::JsonNode& weatherinfo);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // Docked: the top bar follows the width, the rest fills what is below it.
  void ArrangeChildren(int width, int height);

  // Declared so that child windows go before the panels that hold them.
  std::unique_ptr<Panel> panel2_;
  std::unique_ptr<TabControl> pageControl_;
  std::unique_ptr<Panel> panel1_;
  std::unique_ptr<Memo> memo1_;
  std::unique_ptr<Memo> memo2_;
  std::vector<std::unique_ptr<WindowedControl>> windows_;
};

}  // namespace ui
