// The root that holds a window's controls and dispatches to them (the
// virtual-control split of SumatraPDF's wingui): it owns every control of
// both kinds, paints the windowless ones through one off-screen buffer in
// its order (a later one over an earlier one), routes the mouse to the
// topmost one under the pointer, holds the capture while a button is down,
// sets the cursor, and hands each child window's commands and notifications
// to the control that wraps it. Child windows lie above everything
// windowless.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "win/Fonts.h"
#include "win/GraphicControls.h"
#include "win/Handles.h"
#include "win/Window.h"

namespace win {

// Moves a top-level window with the pointer while a button other than the
// left one is held, from the point of the message being handled (its button
// down); ends when that button goes up, when the capture is taken away, or
// on Escape, which puts the window back. The system's move by the caption
// (WM_SYSCOMMAND, SC_MOVE) serves the left button only: its loop ends on a
// left button up, so after a drag with the right button the window would
// follow the pointer until the next left click, and swallow it.
void FollowPointerWhileHeld(HWND window, MouseButton button);

class WindowedControl;

// What an element is to a screen reader.
enum class Role { kText, kGraphic, kButton, kLink };

// One element of a host in reading order: a windowless control of the host
// (a button's or a link's default action is its click, or for a control that
// acts on a press, its mouse-down), or a child window, which answers for
// itself and is named here.
struct ReadingItem {
  GraphicControl* control = nullptr;
  Role role = Role::kText;
  // GBK. Null: a label's text, a picture's words; a button says what it does
  // and keeps its picture's words as its description.
  const char* name = nullptr;
  HWND window = nullptr;
};

class Panel;
enum class Bevel { kNone, kLowered };

class ControlHost : public Window {
 public:
  ~ControlHost() override;

  COLORREF Color() const noexcept { return color_; }
  void SetColor(COLORREF color);
  // A brush of the colour, made once per colour.
  HBRUSH BackgroundBrush();
  FontSet& Fonts() noexcept { return *fonts_; }
  int Dpi() const noexcept { return fonts_->Dpi(); }

  // A new windowless control, above the ones before it.
  template <typename Control, typename... Args>
  Control& AddGraphic(Args&&... args) {
    auto control = std::make_unique<Control>(*this, std::forward<Args>(args)...);
    Control& result = *control;
    graphics_.push_back(std::move(control));
    return result;
  }
  const std::vector<std::unique_ptr<GraphicControl>>& Graphics() const noexcept {
    return graphics_;
  }
  // A new child window of a system class (win/WindowedControls.h), after the
  // ones before it in tab order.
  template <typename Control, typename... Args>
  Control& AddWindowed(Args&&... args) {
    auto control = std::make_unique<Control>(*this, std::forward<Args>(args)...);
    Control& result = *control;
    windowed_.push_back(std::move(control));
    return result;
  }
  // A new child panel in device pixels; it follows this host's dpi.
  Panel& AddPanel(int left, int top, int width, int height, Bevel innerBevel, int borderWidth);

  // The topmost visible windowless control at a client point, or null.
  GraphicControl* ControlAt(POINT point) const;

  void InvalidateArea(const RECT& area);

  // What screen readers read of the host, in order (win/Accessible.h).
  void SetReadingOrder(std::vector<ReadingItem> items);
  const std::vector<ReadingItem>& ReadingOrder() const noexcept { return readingOrder_; }
  // A control's name or visibility changed: screen readers are told.
  void NameChanged(const GraphicControl& control);
  void VisibilityChanged(const GraphicControl& control);
  // The default action of the item at an index runs once the caller has
  // returned (a screen reader is not kept waiting while it runs, say, a
  // modal window).
  void PostDefaultAction(size_t index);

  // A click on the host at a point no control covers.
  std::function<void()> onClick;

 protected:
  // A top-level host owns its fonts (drawn with the given edges); a panel
  // shares its window's, and its failure sink.
  explicit ControlHost(FailureSink failures, FontSet* sharedFonts = nullptr,
                       TextEdges edges = TextEdges::kDesktop);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Draws what lies under the windowless controls (background, bevels).
  virtual void PaintBackground(HDC dc, const RECT& client);
  // Shows every control and panel at the dpi of the shared fonts (set them
  // first), then lays the client area out again.
  void ApplyDpi();

  // For top-level hosts: takes the window's dpi and shows the controls at it.
  void SetDpi(int dpi);

  // The client area took a new size (not when minimized), or its controls a
  // new dpi: the place for a layout that follows the window.
  virtual void OnResize(int width, int height);
  // After a move to a monitor of another dpi (the controls already follow
  // it): takes the system's suggested place and size.
  virtual void OnDpiChanged(const RECT& suggested);

 private:
  void Paint();
  void MouseDown(POINT point, MouseButton button);
  void MouseUp(POINT point);
  void RunDefaultAction(size_t index);
  // The control's child id in the reading order; 0 when it is not read.
  long ChildId(const GraphicControl& control) const;
  // Gives the child windows in the reading order their names.
  void NameChildWindows();
  // The wrapper of a child window of this host, or null.
  WindowedControl* WindowedFor(HWND child) const;

  FontSet ownFonts_;
  FontSet* fonts_;
  COLORREF color_;
  UniqueBrush backgroundBrush_;
  std::vector<std::unique_ptr<GraphicControl>> graphics_;
  std::vector<std::unique_ptr<WindowedControl>> windowed_;
  std::vector<std::unique_ptr<Panel>> panels_;
  std::vector<ReadingItem> readingOrder_;
  bool childWindowsNamed_ = false;
  GraphicControl* pressed_ = nullptr;
  bool backgroundPressed_ = false;
};

// A child window that hosts controls of its own, placed in device pixels.
class Panel : public ControlHost {
 public:
  Panel(ControlHost& parent, int left, int top, int width, int height, Bevel innerBevel,
        int borderWidth);
  // A panel inside a child window of a system class (a tab control's page).
  Panel(HWND parent, FontSet& fonts, const FailureSink& failures, int left, int top, int width,
        int height, Bevel innerBevel, int borderWidth);

  // Its parent's dpi changed (the shared fonts already follow it).
  void FollowDpi() { ApplyDpi(); }

 protected:
  void PaintBackground(HDC dc, const RECT& client) override;

 private:
  Bevel innerBevel_;
  int borderWidth_;
};

}  // namespace win
