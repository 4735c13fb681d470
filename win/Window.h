// Base of every window of the program: one static window procedure routes each
// message to its instance (the BaseWindow pattern) and, like every bound
// handler, runs it through the failure barrier (win/Failure.h).
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

#include "win/Failure.h"
#include "win/Handles.h"

namespace win {

class Window {
 public:
  // Failures of the window's handlers go to the sink (win/Failure.h).
  explicit Window(FailureSink failures) : failures_(std::move(failures)) {}
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();

  HWND Handle() const noexcept { return hwnd_; }

  // The instance behind a window of ours, or null.
  static Window* FromHandle(HWND hwnd) noexcept;

  // Modal state, driven by ShowModal: a close request ends the loop instead of
  // destroying the window.
  int ModalResult() const noexcept { return modalResult_; }
  void SetModalResult(int result) noexcept { modalResult_ = result; }
  bool InModalLoop() const noexcept { return inModalLoop_; }
  void SetInModalLoop(bool value) noexcept { inModalLoop_ = value; }

  // Close as the user would: a modal window ends its loop, any other is destroyed.
  void Close();

  const FailureSink& Failures() const noexcept { return failures_; }
  // Runs one of the window's event handlers through its failure barrier.
  template <typename Handler>
  void RunHandler(Handler&& handler) noexcept {
    win::RunHandler(failures_, std::forward<Handler>(handler));
  }

  // Runs once the window has been destroyed (WM_NCDESTROY).
  std::function<void()> onDestroyed;

 protected:
  // Registers the class on first use and creates the window; the object must
  // outlive the window (the destructor destroys it). Throws the system's
  // message when either fails.
  void CreateWindowHandle(const wchar_t* className, DWORD exStyle, DWORD style, int left, int top,
                          int width, int height, HWND parent, HMENU id = nullptr,
                          UINT classStyle = 0);

  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                     LPARAM lParam) noexcept;

  HWND hwnd_ = nullptr;
  FailureSink failures_;
  int modalResult_ = 0;
  bool inModalLoop_ = false;
};

}  // namespace win
