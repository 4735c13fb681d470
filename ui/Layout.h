// A window's design as data: one row per control, applied in order when the
// window is created, before its start sequence runs. Later rows paint over
// earlier ones; child windows (combo box, button) lie above all of them.
#pragma once

#include <windows.h>

#include <memory>
#include <span>
#include <type_traits>
#include <variant>

#include "app/ErrorReport.h"
#include "ui/CityComboBox.h"
#include "ui/Controls.h"

namespace ui {

inline constexpr int kComboItemHeight = 13;

enum LayoutFlags : unsigned {
  kNone = 0,
  kHidden = 1u << 0,
  kSeeThrough = 1u << 1,   // label paints no background
  kCentered = 1u << 2,     // label text centred
  kFixedSize = 1u << 3,    // label keeps its designed size
  kTransparent = 1u << 4,  // picture leaves out its bottom-left pixel's colour
  kStretch = 1u << 5,      // picture takes the size of its bitmap
  kHandCursor = 1u << 6,
};

template <typename Form>
struct LayoutRow {
  using Target = std::variant<Label * Form::*, Picture * Form::*, Shape * Form::*,
                              TComboBox * Form::*, Button * Form::*>;
  using Handler = void (Form::*)();
  using SenderHandler = void (Form::*)(const Label& sender);

  Target control;
  int left, top, width, height;
  const char* text;      // GBK design text (a combo box's design item)
  const FontSpec* font;  // null: the window font
  unsigned flags;
  Handler click = nullptr;  // a combo box's change
  Handler mouseDown = nullptr;
  const wchar_t* bitmap = nullptr;  // design picture from the resources
  COLORREF penColor = RGB(0, 0, 255);
  SenderHandler labelClick = nullptr;  // a click handler shared by several labels
};

// Builds the controls of a layout into a host and binds them to the form's
// members and handlers. Every handler runs through the error report.
// Child windows are owned by `windows`; tab order follows the row order.
template <typename Form>
void ApplyLayout(Form& form, ControlHost& host, const FontSpec& windowFont,
                 std::span<const LayoutRow<Form>> rows,
                 std::vector<std::unique_ptr<WindowedControl>>& windows) {
  for (const LayoutRow<Form>& row : rows) {
    const FontSpec& font = row.font ? *row.font : windowFont;
    const bool visible = (row.flags & kHidden) == 0;
    auto bind = [&form](typename LayoutRow<Form>::Handler handler) -> std::function<void()> {
      if (!handler) return {};
      return [&form, handler] { app::RunHandler([&] { (form.*handler)(); }); };
    };
    std::visit(
        [&](auto member) {
          using Pointer = std::remove_reference_t<decltype(form.*member)>;
          using Control = std::remove_pointer_t<Pointer>;
          if constexpr (std::is_same_v<Control, Label>) {
            LabelStyle style;
            style.autoSize = (row.flags & kFixedSize) == 0;
            style.transparent = (row.flags & kSeeThrough) != 0;
            style.align = (row.flags & kCentered) ? TextAlign::kCenter : TextAlign::kLeft;
            Label& label = host.AddGraphic<Label>(font, style);
            label.SetBounds(row.left, row.top, row.width, row.height);
            label.SetText(row.text ? row.text : "");
            label.SetVisible(visible);
            label.onClick = bind(row.click);
            if (row.labelClick) {
              label.onClick = [&form, &label, handler = row.labelClick] {
                app::RunHandler([&] { (form.*handler)(label); });
              };
            }
            if (row.flags & kHandCursor) label.cursor = ::LoadCursorW(nullptr, IDC_HAND);
            form.*member = &label;
          } else if constexpr (std::is_same_v<Control, Picture>) {
            Picture& picture = host.AddGraphic<Picture>(
                (row.flags & kStretch) ? PictureSizing::kAutoSizeStretch : PictureSizing::kFixed,
                (row.flags & kTransparent) != 0);
            picture.SetBounds(row.left, row.top, row.width, row.height);
            if (row.bitmap) picture.LoadFromResource(row.bitmap);
            picture.SetVisible(visible);
            picture.onClick = bind(row.click);
            picture.onMouseDown = bind(row.mouseDown);
            form.*member = &picture;
          } else if constexpr (std::is_same_v<Control, Shape>) {
            Shape& shape = host.AddGraphic<Shape>(row.penColor);
            shape.SetBounds(row.left, row.top, row.width, row.height);
            shape.SetVisible(visible);
            form.*member = &shape;
          } else if constexpr (std::is_same_v<Control, TComboBox>) {
            auto combo = std::make_unique<TComboBox>(host, row.left, row.top, row.width, row.height,
                                                     kComboItemHeight, host.Fonts().Get(font));
            if (row.text) combo->AddItem(row.text);
            combo->SetVisible(visible);
            combo->onChange = bind(row.click);
            form.*member = combo.get();
            windows.push_back(std::move(combo));
          } else {
            auto button =
                std::make_unique<Button>(host, row.left, row.top, row.width, row.height,
                                         row.text ? row.text : "", host.Fonts().Get(font));
            button->SetVisible(visible);
            button->onClick = bind(row.click);
            form.*member = button.get();
            windows.push_back(std::move(button));
          }
        },
        row.control);
  }
}

}  // namespace ui
