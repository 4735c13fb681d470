// The controls that are real child windows of system classes: buttons,
// memos and tab controls (the city combo box is win/CityComboBox.h). Each is
// made by its host (ControlHost::AddWindowed), which owns it and hands it the
// commands and notifications its window sends.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "win/ControlHost.h"
#include "win/Fonts.h"
#include "win/Handles.h"

namespace win {

// Wraps a child window of a system class.
class WindowedControl {
 public:
  WindowedControl() = default;
  WindowedControl(const WindowedControl&) = delete;
  WindowedControl& operator=(const WindowedControl&) = delete;
  virtual ~WindowedControl() = default;

  HWND Handle() const noexcept { return hwnd_.get(); }
  bool Visible() const;
  void SetVisible(bool visible);
  RECT Bounds() const;  // device pixels, relative to the parent's client area
  std::string Text() const;
  // The parent's dpi changed: place, size and font again.
  virtual void Rescale();
  // What the window sent its parent: a WM_COMMAND notification code, a WM_NOTIFY header.
  virtual void OnCommand(WORD notification);
  virtual LRESULT OnNotify(const NMHDR& header);

 protected:
  void Create(ControlHost& parent, const wchar_t* className, DWORD style, const win::Bounds& design,
              const FontSpec& font, std::string_view text = {});
  ControlHost& Parent() const noexcept { return *parent_; }
  const win::Bounds& DesignBounds() const noexcept { return design_; }
  // The window's height beyond its design bounds (a combo box's list), at 96 dpi.
  int extraDesignHeight_ = 0;

 private:
  ControlHost* parent_ = nullptr;
  win::Bounds design_;
  FontSpec font_{};
  UniqueChildWindow hwnd_;
};

class Button : public WindowedControl {
 public:
  Button(ControlHost& parent, const win::Bounds& design, std::string_view caption,
         const FontSpec& font);
  void SetCaption(std::string_view caption);
  void OnCommand(WORD notification) override;
  std::function<void()> onClick;
};

// Multi-line, editable, wrapping, no scroll bars.
class Memo : public WindowedControl {
 public:
  Memo(ControlHost& parent, const win::Bounds& design, std::string_view text, const FontSpec& font);
  // Lines split at CR, LF or CR LF; throws "Text exceeds memo capacity" when
  // the edit control refuses the text.
  void SetText(std::string_view text);
  void Clear();
};

// A tab strip over a stack of pages; the selected tab's page is the one shown.
class TabControl : public WindowedControl {
 public:
  TabControl(ControlHost& parent, const win::Bounds& design, int tabHeight, const FontSpec& font);
  // A new page under a new tab, filling the area below the strip.
  Panel& AddPage(std::string_view caption);
  int PageCount() const noexcept { return static_cast<int>(pages_.size()); }
  Panel& Page(int index) const { return *pages_.at(static_cast<size_t>(index)); }
  int PageIndex() const;
  void SetPageIndex(int index);
  std::string TabCaption(int index) const;
  // Moves the control and its pages (device pixels).
  void SetBounds(int left, int top, int width, int height);
  void Rescale() override;
  LRESULT OnNotify(const NMHDR& header) override;

 private:
  void ShowSelectedPage();
  RECT PageArea() const;

  FontSet& fonts_;
  int tabHeight_;  // at 96 dpi
  std::vector<std::unique_ptr<Panel>> pages_;
};

}  // namespace win
