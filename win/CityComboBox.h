// The city list of both windows: a drop-down list of the table's names, with
// the whole table lines kept beside it (item i is line i).
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "weather/CityCodes.h"
#include "win/WindowedControls.h"

namespace win {

class TComboBox : public WindowedControl {
 public:
  // Design bounds and item height at 96 dpi.
  TComboBox(ControlHost& parent, const win::Bounds& design, int itemHeight, const FontSpec& font);
  void Rescale() override;
  void OnCommand(WORD notification) override;

  // Replaces the items by the names of the embedded city table and selects
  // the first one, without a change event.
  void LoadCityCodes();
  // The code of the item at a position; empty below 0.
  std::string CityCodeAt(int index) const;
  const weather::CityCodeList& CityCodes() const noexcept { return cityCodes_; }

  void AddItem(std::string_view text);
  int ItemCount() const;
  std::string ItemText(int index) const;
  // The first item equal to the name (letter case ignored), or -1.
  int FindExact(std::string_view name) const;
  int ItemIndex() const;
  // Selection by program: raises no change event.
  void SetItemIndex(int index);

  // The user picked another item.
  std::function<void()> onChange;

 private:
  int itemHeight_;
  weather::CityCodeList cityCodes_;
};

}  // namespace win
