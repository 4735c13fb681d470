// A window's design as data: one row per control, applied in order when the
// window is created, before its start sequence runs. Later rows paint over
// earlier ones; child windows (combo box, button) lie above all of them.
// Rows are written with designated initializers, naming only what they set.
#pragma once

#include <windows.h>

#include <span>
#include <type_traits>
#include <variant>

#include "win/CityComboBox.h"
#include "win/Controls.h"
#include "win/Failure.h"

namespace win {

inline constexpr int kComboItemHeight = 13;

// How a control looks and behaves beyond its place and text.
enum class Look : unsigned {
  kPlain = 0,
  kHidden = 1u << 0,
  kSeeThrough = 1u << 1,   // label paints no background
  kCentered = 1u << 2,     // label text centred
  kFixedSize = 1u << 3,    // label keeps its designed size
  kTransparent = 1u << 4,  // picture leaves out its bottom-left pixel's colour
  kStretch = 1u << 5,      // picture takes the size of its bitmap
  kHandCursor = 1u << 6,
};

constexpr Look operator|(Look a, Look b) {
  return static_cast<Look>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool Has(Look set, Look flag) {
  return (static_cast<unsigned>(set) & static_cast<unsigned>(flag)) != 0;
}

template <typename Form>
struct LayoutRow {
  using Target = std::variant<Label * Form::*, Picture * Form::*, Shape * Form::*,
                              TComboBox * Form::*, Button * Form::*>;
  using Handler = void (Form::*)();
  using MouseHandler = void (Form::*)(MouseButton button);
  using SenderHandler = void (Form::*)(const Label& sender);

  Target control;
  Bounds at;
  const char* text = nullptr;      // GBK design text (a combo box's design item)
  const FontSpec* font = nullptr;  // null: the window font
  Look look = Look::kPlain;
  Handler onClick = nullptr;             // a combo box's change, a button's click
  MouseHandler onMouseDown = nullptr;    // any mouse button
  SenderHandler onLabelClick = nullptr;  // one handler shared by several labels
  const wchar_t* bitmap = nullptr;       // design picture from the resources
  COLORREF penColor = kBlue;             // a frame's outline
};

// Builds the controls of a layout into a host and binds them to the form's
// members and handlers; every handler runs through the failure barrier.
// The host owns them all; tab order follows the row order.
template <typename Form>
void ApplyLayout(Form& form, ControlHost& host, const FontSpec& windowFont,
                 std::span<const LayoutRow<Form>> rows) {
  for (const LayoutRow<Form>& row : rows) {
    const FontSpec& font = row.font ? *row.font : windowFont;
    const bool visible = !Has(row.look, Look::kHidden);
    const Bounds& at = row.at;
    auto bind = [&form](typename LayoutRow<Form>::Handler handler) -> std::function<void()> {
      if (!handler) return {};
      return [&form, handler] { form.RunHandler([&] { (form.*handler)(); }); };
    };
    std::visit(
        [&](auto member) {
          using Pointer = std::remove_reference_t<decltype(form.*member)>;
          using Control = std::remove_pointer_t<Pointer>;
          if constexpr (std::is_same_v<Control, Label>) {
            const LabelStyle style{
                .autoSize = !Has(row.look, Look::kFixedSize),
                .transparent = Has(row.look, Look::kSeeThrough),
                .align = Has(row.look, Look::kCentered) ? TextAlign::kCenter : TextAlign::kLeft,
            };
            Label& label = host.AddGraphic<Label>(font, style);
            label.SetBounds(at.left, at.top, at.width, at.height);
            label.SetText(row.text ? row.text : "");
            label.SetVisible(visible);
            label.onClick = bind(row.onClick);
            if (row.onLabelClick) {
              label.onClick = [&form, &label, handler = row.onLabelClick] {
                form.RunHandler([&] { (form.*handler)(label); });
              };
            }
            if (Has(row.look, Look::kHandCursor)) label.cursor = ::LoadCursorW(nullptr, IDC_HAND);
            form.*member = &label;
          } else if constexpr (std::is_same_v<Control, Picture>) {
            Picture& picture = host.AddGraphic<Picture>(Has(row.look, Look::kStretch)
                                                            ? PictureSizing::kAutoSizeStretch
                                                            : PictureSizing::kFixed,
                                                        Has(row.look, Look::kTransparent));
            picture.SetBounds(at.left, at.top, at.width, at.height);
            if (row.bitmap) picture.LoadFromResource(row.bitmap);
            picture.SetVisible(visible);
            picture.onClick = bind(row.onClick);
            if (row.onMouseDown) {
              picture.onMouseDown = [&form, handler = row.onMouseDown](MouseButton button) {
                form.RunHandler([&] { (form.*handler)(button); });
              };
            }
            form.*member = &picture;
          } else if constexpr (std::is_same_v<Control, Shape>) {
            Shape& shape = host.AddGraphic<Shape>(row.penColor);
            shape.SetBounds(at.left, at.top, at.width, at.height);
            shape.SetVisible(visible);
            form.*member = &shape;
          } else if constexpr (std::is_same_v<Control, TComboBox>) {
            TComboBox& combo = host.AddWindowed<TComboBox>(at, kComboItemHeight, font);
            if (row.text) combo.AddItem(row.text);
            combo.SetVisible(visible);
            combo.onChange = bind(row.onClick);
            form.*member = &combo;
          } else {
            Button& button = host.AddWindowed<Button>(at, row.text ? row.text : "", font);
            button.SetVisible(visible);
            button.onClick = bind(row.onClick);
            form.*member = &button;
          }
        },
        row.control);
  }
}

}  // namespace win
