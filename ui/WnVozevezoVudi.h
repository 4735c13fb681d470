// The full window: the five-day table, the living indexes, today's block, the
// location line and the city list, with a button back to a compact window.
#pragma once

#include <string>
#include <vector>

#include "ui/ReportForm.h"

namespace ui {

class TFmVozevezoVudi : public ReportForm {
 public:
  // Designed client size (the place is ReportForm's).
  static constexpr int kClientWidth = 636;
  static constexpr int kClientHeight = 597;
  static constexpr int kTopBarHeight = 27;
  static constexpr int kTabStripHeight = 24;

  // Creates the window and runs its start sequence (the window is not shown).
  // Throws the system's message when the window or a control cannot be made.
  TFmVozevezoVudi(const app::Services& services, HWND owner);

  // The controls of one column of the day table, by forecast day.
  struct DayColumn {
    win::Label* date;
    win::Picture* dayPicture;
    win::Picture* nightPicture;
    win::Label* sky;
    win::Label* temperature;
    win::Label* wind;
    win::Label* force;
  };
  // Day n, 1 to 5.
  DayColumn Day(int n) const;

  // Containers, bottom to top.
  win::Panel* Panel2 = nullptr;
  win::TabControl* cxPageControl1 = nullptr;
  win::Panel* cxTabSheet1 = nullptr;
  win::Panel* cxTabSheet2 = nullptr;
  win::Memo* Memo1 = nullptr;
  win::Memo* Memo2 = nullptr;
  win::Panel* Panel1 = nullptr;

  // The top bar.
  win::Label* Label6 = nullptr;
  win::Button* Button1 = nullptr;

  // The day table's frames.
  win::Shape* Shape1 = nullptr;
  win::Shape* Shape2 = nullptr;
  win::Shape* Shape3 = nullptr;
  win::Shape* Shape4 = nullptr;
  win::Shape* Shape5 = nullptr;
  win::Shape* Shape6 = nullptr;
  win::Shape* Shape7 = nullptr;
  win::Shape* Shape8 = nullptr;
  win::Shape* Shape9 = nullptr;
  win::Shape* Shape10 = nullptr;
  win::Shape* Shape11 = nullptr;
  win::Shape* Shape12 = nullptr;
  win::Shape* Shape13 = nullptr;
  win::Shape* Shape14 = nullptr;
  win::Shape* Shape15 = nullptr;
  win::Shape* Shape16 = nullptr;
  win::Shape* Shape17 = nullptr;
  win::Shape* Shape18 = nullptr;
  win::Shape* Shape19 = nullptr;
  win::Shape* Shape20 = nullptr;
  win::Shape* Shape21 = nullptr;
  win::Shape* Shape22 = nullptr;
  win::Shape* Shape23 = nullptr;
  win::Shape* Shape24 = nullptr;
  win::Shape* Shape25 = nullptr;
  win::Shape* Shape26 = nullptr;
  win::Shape* Shape27 = nullptr;
  win::Shape* Shape28 = nullptr;
  win::Shape* Shape29 = nullptr;
  win::Shape* Shape30 = nullptr;
  win::Shape* Shape31 = nullptr;
  win::Shape* Shape32 = nullptr;
  win::Shape* Shape33 = nullptr;
  win::Shape* Shape34 = nullptr;
  win::Shape* Shape35 = nullptr;
  // The index block's frames.
  win::Shape* Shape36 = nullptr;
  win::Shape* Shape37 = nullptr;
  win::Shape* Shape38 = nullptr;
  win::Shape* Shape39 = nullptr;
  win::Shape* Shape40 = nullptr;
  win::Shape* Shape41 = nullptr;
  win::Shape* Shape42 = nullptr;

  // Row headings.
  win::Label* Label1 = nullptr;
  win::Label* Label2 = nullptr;
  win::Label* Label3 = nullptr;
  win::Label* Label4 = nullptr;
  win::Label* Label5 = nullptr;

  // Day columns 1 to 5.
  win::Label* LblDate1 = nullptr;
  win::Label* LblDate2 = nullptr;
  win::Label* LblDate3 = nullptr;
  win::Label* LblDate4 = nullptr;
  win::Label* LblDate5 = nullptr;
  win::Label* Lblweather1 = nullptr;
  win::Label* Lblweather2 = nullptr;
  win::Label* Lblweather3 = nullptr;
  win::Label* Lblweather4 = nullptr;
  win::Label* Lblweather5 = nullptr;
  win::Label* LblTemp1 = nullptr;
  win::Label* LblTemp2 = nullptr;
  win::Label* LblTemp3 = nullptr;
  win::Label* LblTemp4 = nullptr;
  win::Label* LblTemp5 = nullptr;
  win::Label* LblWind1 = nullptr;
  win::Label* LblWind2 = nullptr;
  win::Label* LblWind3 = nullptr;
  win::Label* LblWind4 = nullptr;
  win::Label* LblWind5 = nullptr;
  win::Label* Lblfl1 = nullptr;
  win::Label* Lblfl2 = nullptr;
  win::Label* Lblfl3 = nullptr;
  win::Label* Lblfl4 = nullptr;
  win::Label* Lblfl5 = nullptr;
  win::Picture* Imgravevuri1 = nullptr;
  win::Picture* Imgravevuri2 = nullptr;
  win::Picture* Imgravevuri3 = nullptr;
  win::Picture* Imgravevuri4 = nullptr;
  win::Picture* Imgravevuri5 = nullptr;
  win::Picture* Imgweathern1 = nullptr;
  win::Picture* Imgweathern2 = nullptr;
  win::Picture* Imgweathern3 = nullptr;
  win::Picture* Imgweathern4 = nullptr;
  win::Picture* Imgweathern5 = nullptr;

  // The index block.
  win::Picture* Image5 = nullptr;
  win::Picture* Image6 = nullptr;
  win::Picture* Image7 = nullptr;
  win::Picture* Image8 = nullptr;
  win::Picture* Image9 = nullptr;
  win::Picture* Image10 = nullptr;
  win::Label* Lblchuanyi1 = nullptr;
  win::Label* Lblchuanyi2 = nullptr;
  win::Label* Lbluv1 = nullptr;
  win::Label* Lbluv2 = nullptr;
  win::Label* Lblcl = nullptr;
  win::Label* Lblc0 = nullptr;
  win::Label* Lblls0 = nullptr;
  win::Label* Lbltr0 = nullptr;

  // The location line (the header, today's block and the publisher lines
  // are ReportForm's).
  win::Label* LblIPAddress = nullptr;

  // Event handlers.
  void FormCreate() override;
  void ComboBox1Change();
  void Button1Click();

 protected:
  // Docked: the top bar follows the width, the rest fills what is below it.
  void OnResize(int width, int height) override;

 private:
  // The raw answer goes to Memo2 before it is parsed; Memo1 is emptied after.
  void ShowReportText(const std::string& text) override;
  void ReportParsed() override;
  // The display step: the report's fields into the controls, in order.
  void Display(const json::JsonNode& weatherinfo) override;

  // What screen readers read, in order, in each host.
  void SetReadingOrders();
};

}  // namespace ui
