#include "win/CityComboBox.h"

#include "weather/CityTable.h"
#include "win/Text.h"

namespace win {

TComboBox::TComboBox(ControlHost& parent, const win::Bounds& design, int itemHeight,
                     const FontSpec& font)
    : itemHeight_(itemHeight) {
  // The window height includes the dropped-down list.
  extraDesignHeight_ = 16 * itemHeight;
  Create(parent, L"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, design, font);
  ::SendMessageW(Handle(), CB_SETITEMHEIGHT, 0, Scale(itemHeight_, parent.Dpi()));
}

void TComboBox::OnCommand(WORD notification) {
  // Copied: the handler may replace the window's controls, this one with them.
  if (notification == CBN_SELCHANGE && onChange) std::function<void()>{onChange}();
}

void TComboBox::Rescale() {
  WindowedControl::Rescale();
  ::SendMessageW(Handle(), CB_SETITEMHEIGHT, 0, Scale(itemHeight_, Parent().Dpi()));
}

void TComboBox::LoadCityCodes() {
  const std::string_view table = weather::EmbeddedCityTable();
  ::SendMessageW(Handle(), CB_RESETCONTENT, 0, 0);
  cityCodes_.Load(table);
  const std::vector<std::string>& names = cityCodes_.Names();
  // Room for every item at once, rather than growing item by item.
  std::size_t bytes = 0;
  for (const std::string& name : names) bytes += (name.size() + 1) * sizeof(wchar_t);
  ::SendMessageW(Handle(), CB_INITSTORAGE, names.size(), bytes);
  ::SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
  for (const std::string& name : names) AddItem(name);
  ::SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
  SetItemIndex(0);
}

std::string TComboBox::CityCodeAt(int index) const { return cityCodes_.CityCodeAt(index); }

void TComboBox::AddItem(std::string_view text) {
  ::SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

int TComboBox::ItemCount() const {
  return static_cast<int>(::SendMessageW(Handle(), CB_GETCOUNT, 0, 0));
}

std::string TComboBox::ItemText(int index) const {
  const LRESULT length = ::SendMessageW(Handle(), CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  ::SendMessageW(Handle(), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return Narrow(text);
}

int TComboBox::FindExact(std::string_view name) const {
  const LRESULT found = ::SendMessageW(Handle(), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(Widen(name).c_str()));
  return found == CB_ERR ? -1 : static_cast<int>(found);
}

int TComboBox::ItemIndex() const {
  return static_cast<int>(::SendMessageW(Handle(), CB_GETCURSEL, 0, 0));
}

void TComboBox::SetItemIndex(int index) {
  ::SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

}  // namespace win
