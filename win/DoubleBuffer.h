// Painting off screen in one piece, so nothing flickers between layers: a
// memory bitmap the size of the client area to draw into, copied to the
// window's DC, over the area being painted, when the scope ends.
#pragma once

#include <windows.h>

#include <algorithm>

#include "win/Handles.h"

namespace win {

class DoubleBuffer {
 public:
  DoubleBuffer(HDC target, const RECT& client, const RECT& area) noexcept
      : target_(target),
        area_(area),
        dc_(::CreateCompatibleDC(target)),
        surface_(::CreateCompatibleBitmap(target, std::max<LONG>(client.right, 1),
                                          std::max<LONG>(client.bottom, 1))),
        selected_(dc_.get(), surface_.get()) {}
  DoubleBuffer(const DoubleBuffer&) = delete;
  DoubleBuffer& operator=(const DoubleBuffer&) = delete;
  ~DoubleBuffer() {
    ::BitBlt(target_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top,
             dc_.get(), area_.left, area_.top, SRCCOPY);
  }

  // Where to draw, in client coordinates.
  HDC Dc() const noexcept { return dc_.get(); }

 private:
  HDC target_;
  RECT area_;
  UniqueMemoryDc dc_;
  UniqueBitmap surface_;
  SelectObjectScope selected_;  // declared last: deselected before the bitmap goes
};

}  // namespace win
