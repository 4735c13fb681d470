// Both windows at the display's dpi, under Wine prefixes whose desktops run
// at 96, 144 and 192 dots per inch (WEATHER_WINE_DPI names the one expected):
// every control sits at its design place times dpi / 96, and a move to a
// monitor of another dpi scales everything again.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "app/Application.h"
#include "ui/WnVazodivuDodiru.h"
#include "ui/WnVozevezoVudi.h"
#include "win/Bitmap.h"
#include "win/Dpi.h"
#include "win/Handles.h"
#include "windows/support/WindowTest.h"

namespace {

using ui::TFmVazodivuDodiru;
using ui::TFmVozevezoVudi;

struct Design {
  int left, top, width, height;
};

// Within a pixel of the design times the factor, edge by edge.
::testing::AssertionResult ScaledFrom(const RECT& actual, const Design& design, double factor) {
  const double want[] = {design.left * factor, design.top * factor,
                         (design.left + design.width) * factor,
                         (design.top + design.height) * factor};
  const LONG got[] = {actual.left, actual.top, actual.right, actual.bottom};
  for (int i = 0; i < 4; ++i) {
    if (std::abs(got[i] - want[i]) > 1.0) {
      return ::testing::AssertionFailure()
             << "(" << actual.left << "," << actual.top << ")-(" << actual.right << ","
             << actual.bottom << ") is not (" << want[0] << "," << want[1] << ")-(" << want[2]
             << "," << want[3] << ")";
    }
  }
  return ::testing::AssertionSuccess();
}

RECT Client(HWND window) {
  RECT client;
  ::GetClientRect(window, &client);
  return client;
}

class DpiTest : public testsupport::WindowTest {
 protected:
  // The dpi this prefix's desktop was made with.
  static int ExpectedDpi() {
    const char* dpi = std::getenv("WEATHER_WINE_DPI");
    return dpi ? std::atoi(dpi) : 96;
  }

  static void ExpectControlsAt(const TFmVozevezoVudi& full, double factor) {
    EXPECT_TRUE(ScaledFrom(full.Button1->Bounds(), {272, 0, 75, 25}, factor));
    const RECT combo = full.ComboBox1->Bounds();
    EXPECT_TRUE(
        ScaledFrom({combo.left, combo.top, combo.right, combo.top}, {88, 4, 145, 0}, factor));
    EXPECT_TRUE(ScaledFrom(full.Shape36->Bounds(), {8, 257, 610, 69}, factor));
    EXPECT_TRUE(ScaledFrom(full.LblDate3->Bounds(), {290, 86, 110, 13}, factor));
    EXPECT_TRUE(ScaledFrom(full.Imgweathern5->Bounds(), {559, 110, 42, 30}, factor));
    EXPECT_TRUE(ScaledFrom(full.Image10->Bounds(), {213, 393, 64, 68}, factor));
    const RECT line = full.LblIPAddress->Bounds();
    EXPECT_TRUE(ScaledFrom({line.left, line.top, line.left, line.top}, {8, 471, 0, 0}, factor));
    RECT bar;
    ::GetWindowRect(full.Panel2->Handle(), &bar);
    EXPECT_NEAR(bar.bottom - bar.top, 27 * factor, 1.0);
  }
};

TEST_F(DpiTest, ThePrefixRunsAtTheDpiItWasMadeWith) {
  TFmVozevezoVudi full(services_, application_->Handle());
  EXPECT_EQ(win::DpiOf(full.Handle()), ExpectedDpi());
  EXPECT_EQ(full.Dpi(), ExpectedDpi());
}

TEST_F(DpiTest, TheCompactWindowIsItsDesignTimesTheFactorInTheCorner) {
  TFmVazodivuDodiru compact(services_, application_->Handle());
  const double factor = compact.Dpi() / 96.0;
  EXPECT_TRUE(ScaledFrom(Client(compact.Handle()), {0, 0, 320, 270}, factor));
  EXPECT_TRUE(ScaledFrom(compact.Imgravevuri2->Bounds(), {30, 155, 42, 30}, factor));
  EXPECT_TRUE(ScaledFrom(compact.Imgweathern->Bounds(), {71, 90, 42, 30}, factor));
  const RECT button = compact.BtnAutoRun->Bounds();
  EXPECT_TRUE(ScaledFrom(button, {200, 11, 105, 20}, factor));
  const RECT city = compact.LblCityName->Bounds();
  EXPECT_TRUE(ScaledFrom({city.left, city.top, city.left, city.top}, {24, 53, 0, 0}, factor));
  // The city name's 32-pixel font grows with the factor.
  EXPECT_GE(city.bottom - city.top, 32 * factor - 1);
  RECT window;
  ::GetWindowRect(compact.Handle(), &window);
  EXPECT_EQ(window.right, ::GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(window.top, 0);
}

// The links as the window paints them, off screen on a bitmap compatible with
// the screen: the underline runs under the whole text, and the label is as
// wide as what it shows.
TEST_F(DpiTest, ALinksUnderlineRunsUnderItsWholeText) {
  TFmVazodivuDodiru compact(services_, application_->Handle());
  for (win::Label* link : {compact.Label11, compact.Label12}) {
    SCOPED_TRACE(link->Text());
    const RECT area = link->Bounds();
    const int width = area.right + 8;
    const int height = area.bottom + 4;
    std::vector<DWORD> pixels(static_cast<std::size_t>(width) * height);
    {
      const win::WindowDcScope screen;
      win::UniqueMemoryDc dc(::CreateCompatibleDC(screen.Dc()));
      win::UniqueBitmap surface(::CreateCompatibleBitmap(screen.Dc(), width, height));
      ASSERT_TRUE(dc && surface);
      {
        win::SelectObjectScope selected(dc.get(), surface.get());
        const RECT all{0, 0, width, height};
        ::FillRect(dc.get(), &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        link->Paint(dc.get());
      }
      BITMAPINFO format{};
      format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      format.bmiHeader.biWidth = width;
      format.bmiHeader.biHeight = -height;
      format.bmiHeader.biPlanes = 1;
      format.bmiHeader.biBitCount = 32;
      format.bmiHeader.biCompression = BI_RGB;
      ASSERT_EQ(
          ::GetDIBits(dc.get(), surface.get(), 0, height, pixels.data(), &format, DIB_RGB_COLORS),
          height);
    }

    // Ink: every pixel not white. The underline: the row with the most ink.
    int inkLeft = width, inkRight = -1, lineRow = -1, lineCount = 0;
    for (int y = area.top; y < height; ++y) {
      int count = 0;
      for (int x = 0; x < width; ++x) {
        if ((pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF) == 0xFFFFFF) continue;
        ++count;
        inkLeft = std::min(inkLeft, x);
        inkRight = std::max(inkRight, x);
      }
      if (count > lineCount) lineCount = count, lineRow = y;
    }
    ASSERT_GE(lineRow, 0) << "nothing drawn";
    int lineLeft = width, lineRight = -1;
    for (int x = 0; x < width; ++x) {
      if ((pixels[static_cast<std::size_t>(lineRow) * width + x] & 0xFFFFFF) == 0xFFFFFF) continue;
      lineLeft = std::min(lineLeft, x);
      lineRight = std::max(lineRight, x);
    }
    // Letters may reach a pixel or two past their advance; the underline ends
    // with the last advance.
    const int slack = 2 * compact.Dpi() / 96;
    EXPECT_LE(lineLeft, inkLeft + slack);
    EXPECT_GE(lineRight, inkRight - slack) << "the underline stops short of the text";
    EXPECT_GE(area.right, inkRight - slack) << "the label is narrower than its text";
  }
}

TEST_F(DpiTest, TheFullWindowIsItsDesignTimesTheFactor) {
  TFmVozevezoVudi full(services_, application_->Handle());
  const double factor = full.Dpi() / 96.0;
  // A framed window never grows past the screen (the test command's screen
  // is large enough for 192 dpi).
  RECT outer;
  ::GetWindowRect(full.Handle(), &outer);
  if (outer.bottom - outer.top < ::GetSystemMetrics(SM_CYMAXTRACK)) {
    EXPECT_TRUE(ScaledFrom(Client(full.Handle()), {0, 0, 636, 597}, factor));
  }
  ExpectControlsAt(full, factor);
}

TEST_F(DpiTest, AMoveToAMonitorOfAnotherDpiScalesTheFullWindowAgain) {
  TFmVozevezoVudi full(services_, application_->Handle());
  const int other = full.Dpi() == 96 ? 144 : 96;
  RECT window;
  ::GetWindowRect(full.Handle(), &window);
  const RECT client = win::ScaledRect({0, 0, 636, 597}, other);
  const RECT outer = win::OuterRect(client, ::GetWindowLongW(full.Handle(), GWL_STYLE), 0, other);
  RECT suggested{window.left, window.top, window.left + outer.right - outer.left,
                 window.top + outer.bottom - outer.top};
  ::SendMessageW(full.Handle(), WM_DPICHANGED, MAKEWPARAM(other, other),
                 reinterpret_cast<LPARAM>(&suggested));
  // The window takes the system's suggestion whole (where the screen holds
  // it; a framed window never grows past the screen); its frame is the system's.
  ::GetWindowRect(full.Handle(), &window);
  EXPECT_EQ(window.left, suggested.left);
  EXPECT_EQ(window.top, suggested.top);
  if (suggested.bottom - suggested.top < ::GetSystemMetrics(SM_CYMAXTRACK)) {
    EXPECT_TRUE(::EqualRect(&window, &suggested));
  }
  ExpectControlsAt(full, other / 96.0);
}

TEST_F(DpiTest, TheCompactWindowStaysInTheCornerAfterADpiChange) {
  TFmVazodivuDodiru compact(services_, application_->Handle());
  const int other = compact.Dpi() == 96 ? 144 : 96;
  RECT suggested{100, 100, 100 + 320 * other / 96, 100 + 270 * other / 96};
  ::SendMessageW(compact.Handle(), WM_DPICHANGED, MAKEWPARAM(other, other),
                 reinterpret_cast<LPARAM>(&suggested));
  EXPECT_TRUE(ScaledFrom(Client(compact.Handle()), {0, 0, 320, 270}, other / 96.0));
  EXPECT_TRUE(ScaledFrom(compact.Imgravevuri2->Bounds(), {30, 155, 42, 30}, other / 96.0));
  RECT window;
  ::GetWindowRect(compact.Handle(), &window);
  EXPECT_EQ(window.right, ::GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(window.top, 0);
}

// The scaler of the pictures keeps the see-through colour apart: every pixel
// it makes is the key exactly or an average of opaque pixels only.
TEST(PictureScaling, NeverBlendsTheSeeThroughColourIntoAnEdge) {
  const COLORREF key = RGB(255, 0, 255);
  const COLORREF ink = RGB(40, 120, 200);
  BITMAPINFO format{};
  format.bmiHeader = {sizeof(BITMAPINFOHEADER), 5, -3, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  win::UniqueBitmap source(::CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(source);
  // A checkerboard of ink and key: every target pixel straddles both.
  auto* pixels = static_cast<DWORD*>(bits);
  for (int i = 0; i < 15; ++i) pixels[i] = i % 2 ? 0xFF00FF : 0x2878C8;
  for (const auto& [width, height] : {std::pair{7, 4}, std::pair{8, 5}, std::pair{10, 6}}) {
    win::UniqueBitmap scaled = win::ScaleBitmap(source.get(), width, height, key);
    ASSERT_TRUE(scaled);
    win::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    win::SelectObjectScope selected(dc.get(), scaled.get());
    int inked = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const COLORREF pixel = ::GetPixel(dc.get(), x, y);
        EXPECT_TRUE(pixel == key || pixel == ink) << x << "," << y << ": " << std::hex << pixel;
        inked += pixel == ink;
      }
    }
    EXPECT_GT(inked, 0);
  }
}

}  // namespace
