// The compact window, driven for real under Wine against the local stand-in.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "app/Application.h"
#include "app/AutoRun.h"
#include "app/Services.h"
#include "json/Json.h"
#include "ui/WnVazodivuDodiru.h"
#include "weather/ReportItems.h"
#include "windows/support/ErrorReports.h"
#include "windows/support/StandIn.h"
#include "windows/support/WindowDriver.h"
#include "windows/support/WindowTest.h"

namespace {

using testsupport::Gbk;
using ui::TFmVazodivuDodiru;

class CompactWindowTest : public testsupport::WindowTest {
 protected:
  // Every later report request asks for this code instead of the selected one.
  void AnswerWithCode(const std::string& code) {
    services_.reportUrl = [host = standIn_->HostAndPort(), code](std::string_view) {
      return weather::MakeReportUrl(host, code);
    };
  }

  // The stand-in's report for a code, parsed, to compare the window with.
  static json::JsonDocumentPtr Report(const std::string& code) {
    const std::string text = testsupport::Utf8BodyAsGbk(
        testsupport::HttpGetRaw(standIn_->Port(), "/data/" + code + ".html"));
    return json::ParseJsonText(text);
  }
  static const json::JsonNode& Member(const json::JsonDocumentPtr& report) {
    return *json::FindMember(json::RootOf(*report), "weatherinfo");
  }

  // The notification the list sends when the user picks an item.
  static void ChangeCity(TFmVazodivuDodiru& window) {
    ::SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(window.ComboBox1->Handle()));
  }
  static void ShowCity(TFmVazodivuDodiru& window, const std::string& name) {
    window.ComboBox1->SetItemIndex(window.ComboBox1->FindExact(name));
    ChangeCity(window);
    ASSERT_EQ(window.LblCityName->Text(), name);
  }

  static std::vector<std::string> ErrorTexts() {
    std::vector<std::string> texts;
    for (const auto& report : testsupport::RecordedErrorReports()) texts.push_back(report.text);
    return texts;
  }
};

TEST_F(CompactWindowTest, StylesAreExactlyThePopupToolWindowOnes) {
  TFmVazodivuDodiru window(services_, application_->Handle());
  const LONG_PTR style = ::GetWindowLongPtrW(window.Handle(), GWL_STYLE);
  EXPECT_EQ(style & ~static_cast<LONG_PTR>(WS_VISIBLE), WS_POPUP | WS_CLIPSIBLINGS);
  const LONG_PTR exStyle = ::GetWindowLongPtrW(window.Handle(), GWL_EXSTYLE);
  // The start sequence adds the layered style for the colour key.
  EXPECT_EQ(exStyle, WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED);
  EXPECT_EQ(::GetWindow(window.Handle(), GW_OWNER), application_->Handle());
  EXPECT_NE(::GetClassLongPtrW(window.Handle(), GCLP_HICON), 0);  // the program's icon
  EXPECT_NE(::GetClassLongPtrW(window.Handle(), GCLP_HICONSM), 0);
}

TEST_F(CompactWindowTest, StartSequenceKeysTheBackgroundAndMovesToTheTopRightCorner) {
  TFmVazodivuDodiru window(services_, application_->Handle());
  EXPECT_TRUE(ErrorTexts().empty());
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(::GetLayeredWindowAttributes(window.Handle(), &key, &alpha, &flags));
  EXPECT_EQ(key, RGB(25, 0, 0));
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY));
  EXPECT_EQ(window.Color(), RGB(25, 0, 0));

  RECT area;
  ::GetWindowRect(window.Handle(), &area);
  EXPECT_EQ(area.left, ::GetSystemMetrics(SM_CXSCREEN) - TFmVazodivuDodiru::kClientWidth);
  EXPECT_EQ(area.top, 0);
  EXPECT_EQ(::GetWindowLongPtrW(application_->Handle(), GWL_EXSTYLE), WS_EX_TOOLWINDOW);
  EXPECT_EQ(window.BtnAutoRun->Text(), app::AutoRunCaption(window.AutoRunFlag()));
}

TEST_F(CompactWindowTest, ShowsTheLocatedCitysReportInEveryControl) {
  TFmVazodivuDodiru window(services_, application_->Handle());
  ASSERT_TRUE(ErrorTexts().empty());
  // The stand-in locates the user in 昆明.
  EXPECT_EQ(window.ComboBox1->ItemCount(), 447);
  EXPECT_EQ(window.ComboBox1->ItemText(window.ComboBox1->ItemIndex()), Gbk("昆明"));

  const auto report = Report("101290101");
  const json::JsonNode& member = Member(report);
  EXPECT_EQ(window.LblCityName->Text(), Gbk("昆明"));
  EXPECT_EQ(window.Lblweek->Text(), weather::KeyText(member, "week"));
  // The top line: "date_y" under the design caption 日期, "date" under 农务年.
  EXPECT_EQ(window.Lbldate->Text(), weather::StringText(member, "date_y"));
  EXPECT_EQ(window.Lbldate_y->Text(), weather::StringText(member, "date"));
  EXPECT_EQ(window.Imgravevuri->SourcePath(), weather::DayIconFile(member, 1));
  EXPECT_EQ(window.Imgweathern->SourcePath(), weather::NightIconFile(member, 1));
  EXPECT_EQ(window.LblTemp->Text(), weather::KeyText(member, "temp1"));
  EXPECT_EQ(window.Lblweather->Text(), weather::KeyText(member, "weather1"));
  EXPECT_EQ(window.LblWind->Text(), weather::KeyText(member, "wind1"));
  EXPECT_EQ(window.Imgravevuri2->SourcePath(), weather::DayIconFile(member, 2));
  EXPECT_EQ(window.Imgweathern2->SourcePath(), weather::NightIconFile(member, 2));
  EXPECT_EQ(window.LblTemp2->Text(), weather::KeyText(member, "temp2"));
  EXPECT_EQ(window.Lblweather2->Text(), weather::KeyText(member, "weather2"));
  EXPECT_EQ(window.LblWind2->Text(), weather::KeyText(member, "wind2"));
  EXPECT_FALSE(window.LblTemp2->Text().empty());

  // Pictures that size themselves take the bitmap's size; the others keep 42 x 30.
  const SIZE day1 = window.Imgravevuri->BitmapSize();
  EXPECT_EQ(window.Imgravevuri->Bounds().right - window.Imgravevuri->Bounds().left, day1.cx);
  EXPECT_EQ(window.Imgravevuri2->Bounds().right - window.Imgravevuri2->Bounds().left, 42);
  EXPECT_EQ(window.Imgravevuri2->Bounds().bottom - window.Imgravevuri2->Bounds().top, 30);
}

TEST_F(CompactWindowTest, ImgweathernTogglesTheSettingsRowTogether) {
  TFmVazodivuDodiru window(services_, application_->Handle());
  EXPECT_FALSE(window.Label6->Visible());
  EXPECT_FALSE(window.ComboBox1->Visible());
  EXPECT_FALSE(window.BtnAutoRun->Visible());

  testsupport::Click(*window.Imgweathern);
  EXPECT_TRUE(window.Label6->Visible());
  EXPECT_TRUE(window.ComboBox1->Visible());
  EXPECT_TRUE(window.BtnAutoRun->Visible());

  testsupport::Click(*window.Imgweathern);
  EXPECT_FALSE(window.Label6->Visible());
  EXPECT_FALSE(window.ComboBox1->Visible());
  EXPECT_FALSE(window.BtnAutoRun->Visible());
}

TEST_F(CompactWindowTest, ChangingTheCityUpdatesEveryControlWithoutMovingTheWindow) {
  TFmVazodivuDodiru window(services_, application_->Handle());
  RECT before;
  ::GetWindowRect(window.Handle(), &before);
  const int beijing = window.ComboBox1->FindExact(Gbk("北京"));
  ASSERT_EQ(beijing, 0);
  window.ComboBox1->SetItemIndex(beijing);
  // The change notification as the list sends it when the user picks an item.
  ::SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(window.ComboBox1->Handle()));

  const auto report = Report("101010100");
  const json::JsonNode& member = Member(report);
  EXPECT_EQ(window.LblCityName->Text(), Gbk("北京"));
  EXPECT_EQ(window.Lbldate->Text(), weather::StringText(member, "date_y"));
  EXPECT_EQ(window.Imgravevuri->SourcePath(), weather::DayIconFile(member, 1));
  EXPECT_EQ(window.Imgweathern2->SourcePath(), weather::NightIconFile(member, 2));
  EXPECT_EQ(window.LblTemp->Text(), weather::KeyText(member, "temp1"));
  EXPECT_EQ(window.LblWind2->Text(), weather::KeyText(member, "wind2"));
  // Picked, not looked up again: the list keeps the user's choice.
  EXPECT_EQ(window.ComboBox1->ItemIndex(), beijing);
  RECT after;
  ::GetWindowRect(window.Handle(), &after);
  EXPECT_TRUE(::EqualRect(&before, &after));
}

TEST_F(CompactWindowTest, DateYThatIsNoStringStopsAfterTheWeekWithTheFirstReadsShowing) {
  TFmVazodivuDodiru window(services_, application_->Handle());
  ShowCity(window, Gbk("北京"));
  const auto beijing = Report("101010100");
  testsupport::ClearErrorReports();

  AnswerWithCode("000000004");  // the 昆明 report with "date_y" the number 20
  ChangeCity(window);

  EXPECT_EQ(ErrorTexts(), std::vector<std::string>{"Invalid class typecast."});
  const auto report = Report("000000004");
  const json::JsonNode& member = Member(report);
  EXPECT_EQ(window.LblCityName->Text(), Gbk("昆明"));
  EXPECT_EQ(window.Lblweek->Text(), weather::KeyText(member, "week"));
  // The first reads, otherwise replaced at once, stay.
  EXPECT_EQ(window.Lbldate->Text(), weather::KeyText(member, "date"));
  EXPECT_EQ(window.Lbldate_y->Text(), "20");
  // Nothing after it changed.
  EXPECT_EQ(window.Imgravevuri->SourcePath(), weather::DayIconFile(Member(beijing), 1));
  EXPECT_EQ(window.LblTemp->Text(), weather::KeyText(Member(beijing), "temp1"));
  EXPECT_EQ(window.LblWind2->Text(), weather::KeyText(Member(beijing), "wind2"));
}

TEST_F(CompactWindowTest, MissingPictureFileStopsAtThatPicture) {
  TFmVazodivuDodiru window(services_, application_->Handle());
  ShowCity(window, Gbk("北京"));
  const auto beijing = Report("101010100");
  testsupport::ClearErrorReports();

  AnswerWithCode("000000005");  // "img3" is "-5": image_Index\d-5.bmp does not exist
  ChangeCity(window);

  const auto texts = ErrorTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].rfind("Cannot open file \"", 0), 0u) << texts[0];
  EXPECT_NE(texts[0].find("image_Index\\d-5.bmp\". "), std::string::npos) << texts[0];
  EXPECT_EQ(texts[0].back(), '.');

  const auto report = Report("000000005");
  const json::JsonNode& member = Member(report);
  // Everything before the picture is new, the picture and all after it old.
  EXPECT_EQ(window.LblCityName->Text(), Gbk("昆明"));
  EXPECT_EQ(window.LblWind->Text(), weather::KeyText(member, "wind1"));
  EXPECT_EQ(window.Imgravevuri2->SourcePath(), weather::DayIconFile(Member(beijing), 2));
  EXPECT_EQ(window.LblTemp2->Text(), weather::KeyText(Member(beijing), "temp2"));
}

TEST_F(CompactWindowTest, QuietEndsChangeNothing) {
  TFmVazodivuDodiru window(services_, application_->Handle());
  const std::string city = window.LblCityName->Text();
  testsupport::ClearErrorReports();
  for (const char* code : {"000000001", "000000002", "999999999"}) {
    SCOPED_TRACE(code);
    AnswerWithCode(code);  // {}, weatherinfo a number, an error page
    window.ComboBox1Change();
    EXPECT_TRUE(ErrorTexts().empty());
    EXPECT_EQ(window.LblCityName->Text(), city);
  }
  AnswerWithCode("000000003");  // a list
  EXPECT_THROW(window.RunReport(), json::InvalidTypecast);
  EXPECT_EQ(window.LblCityName->Text(), city);
}

TEST_F(CompactWindowTest, StartWithoutNetworkLeavesTheOpaqueDesignWindow) {
  testsupport::UseUnreachableServices(services_);
  TFmVazodivuDodiru window(services_, application_->Handle());
  const auto texts = ErrorTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], "Socket Error # 10061\r\nConnection refused.");

  EXPECT_EQ(::GetWindowLongPtrW(window.Handle(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  EXPECT_EQ(window.Color(), win::ButtonFaceColor());
  RECT area;
  ::GetWindowRect(window.Handle(), &area);
  EXPECT_EQ(area.left, TFmVazodivuDodiru::kDesignLeft);
  EXPECT_EQ(area.top, TFmVazodivuDodiru::kDesignTop);
  EXPECT_EQ(window.ComboBox1->ItemCount(), 1);
  EXPECT_EQ(window.ComboBox1->ItemText(0), Gbk("昆明=101290101"));
  EXPECT_EQ(window.ComboBox1->ItemIndex(), -1);
  EXPECT_EQ(window.BtnAutoRun->Text(), Gbk("自动启动"));
  EXPECT_EQ(window.LblCityName->Text(), Gbk("城市"));
  EXPECT_EQ(window.LblTemp2->Text(), "LblDate1");

  // Picking the design item fails: the list holds no codes yet.
  testsupport::ClearErrorReports();
  window.ComboBox1->SetItemIndex(0);
  ::SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(window.ComboBox1->Handle()));
  // Ends in ")", which sorts before ".": no full stop is added.
  EXPECT_EQ(ErrorTexts(), std::vector<std::string>{"List index out of bounds (0)"});

  // With the network back, a click on the opaque background runs it all again.
  standIn_->UseForServices(services_);
  testsupport::ClearErrorReports();
  testsupport::ClickAt(window.Handle(), POINT{300, 260});
  EXPECT_TRUE(ErrorTexts().empty());
  EXPECT_EQ(window.LblCityName->Text(), Gbk("昆明"));
  EXPECT_NE(::GetWindowLongPtrW(window.Handle(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  ::GetWindowRect(window.Handle(), &area);
  EXPECT_EQ(area.top, 0);
  EXPECT_EQ(window.BtnAutoRun->Text(), app::AutoRunCaption(window.AutoRunFlag()));
}

TEST_F(CompactWindowTest, BackgroundClickReplacesTheChosenCityWithTheLocatedOne) {
  testsupport::UseUnreachableServices(services_);
  TFmVazodivuDodiru window(services_, application_->Handle());  // stays opaque
  standIn_->UseForServices(services_);
  testsupport::ClickAt(window.Handle(), POINT{300, 260});
  window.ComboBox1->SetItemIndex(0);
  window.ComboBox1Change();
  EXPECT_EQ(window.LblCityName->Text(), Gbk("北京"));
  // Once see-through the window would pass such clicks on; here it is driven
  // directly, as the handler is bound to the background.
  testsupport::ClickAt(window.Handle(), POINT{300, 260});
  EXPECT_EQ(window.LblCityName->Text(), Gbk("昆明"));
  EXPECT_EQ(window.ComboBox1->ItemText(window.ComboBox1->ItemIndex()), Gbk("昆明"));
}

TEST_F(CompactWindowTest, LinkLabelsOpenTheirOwnText) {
  std::vector<std::string> opened;
  services_.shellOpen = [&](const std::string& text) { opened.push_back(text); };
  TFmVazodivuDodiru window(services_, application_->Handle());
  testsupport::Click(*window.Label11);
  testsupport::Click(*window.Label12);
  testsupport::Click(*window.Label7);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], window.Label11->Text());
  EXPECT_EQ(opened[1], window.Label12->Text());
  EXPECT_EQ(opened[0].rfind("http://", 0), 0u);
}

// Stands in for the system's move loop, which would wait for the mouse.
struct SystemCommandRecorder {
  static inline WNDPROC original = nullptr;
  static inline std::vector<std::pair<WPARAM, LPARAM>> commands;
  static inline bool captured = false;
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SYSCOMMAND) {
      commands.emplace_back(wParam, lParam);
      captured = ::GetCapture() != nullptr;
      return 0;
    }
    return ::CallWindowProcW(original, hwnd, message, wParam, lParam);
  }
};

TEST_F(CompactWindowTest, TheLeftButtonOnTheFirstPictureStartsAMoveByTheCaption) {
  TFmVazodivuDodiru window(services_, application_->Handle());
  SystemCommandRecorder::commands.clear();
  SystemCommandRecorder::original = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
      window.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SystemCommandRecorder::Proc)));
  const RECT& picture = window.Imgravevuri->Bounds();
  const POINT middle{(picture.left + picture.right) / 2, (picture.top + picture.bottom) / 2};
  testsupport::ClickAt(window.Handle(), middle, WM_LBUTTONDOWN, WM_LBUTTONUP);
  ::SetWindowLongPtrW(window.Handle(), GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(SystemCommandRecorder::original));
  const std::vector<std::pair<WPARAM, LPARAM>> expected{{0xF012, 0}};
  EXPECT_EQ(SystemCommandRecorder::commands, expected);
  EXPECT_FALSE(SystemCommandRecorder::captured);  // the capture was released first
  // Nothing else reacted: no start sequence, no settings row.
  EXPECT_FALSE(window.Label6->Visible());
}

// Real input through the system's queue: pointer moves and buttons as a user
// makes them, handled by the window as it handles a user's.
bool SendMouse(DWORD flags, POINT screen = {-1, -1}) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  if (screen.x >= 0) {
    input.mi.dwFlags |= MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input.mi.dx = static_cast<LONG>((screen.x * 65536LL + 32768) / ::GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = static_cast<LONG>((screen.y * 65536LL + 32768) / ::GetSystemMetrics(SM_CYSCREEN));
  }
  return ::SendInput(1, &input, sizeof input) == 1;
}

bool SendKey(WORD key, DWORD flags) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = flags;
  return ::SendInput(1, &input, sizeof input) == 1;
}

RECT WindowRect(HWND window) {
  RECT rect;
  ::GetWindowRect(window, &rect);
  return rect;
}

TEST_F(CompactWindowTest, ADragWithTheRightButtonEndsWithTheButton) {
  TFmVazodivuDodiru window(services_, application_->Handle());
  ::ShowWindow(window.Handle(), SW_SHOW);
  ::SetWindowPos(window.Handle(), HWND_TOPMOST, 600, 300, 0, 0, SWP_NOSIZE);
  testsupport::PumpMessages();
  const RECT start = WindowRect(window.Handle());
  ASSERT_EQ(start.left, 600);
  const RECT& picture = window.Imgravevuri->Bounds();
  POINT grip{(picture.left + picture.right) / 2, (picture.top + picture.bottom) / 2};
  ::ClientToScreen(window.Handle(), &grip);

  // From another thread, paced, as a hand makes it: the window takes the
  // pointer at the button down and moves while the input goes on.
  int sent = 0;
  std::atomic<bool> done = false;
  std::thread hand([grip, &sent, &done] {
    sent += SendMouse(0, grip);
    sent += SendMouse(MOUSEEVENTF_RIGHTDOWN);
    for (int step = 1; step <= 4; ++step) {
      ::Sleep(60);
      sent += SendMouse(0, POINT{grip.x - 50 * step, grip.y + 25 * step});
    }
    ::Sleep(60);
    sent += SendMouse(MOUSEEVENTF_RIGHTUP);
    ::Sleep(60);
    // The button is up: the pointer goes on alone.
    sent += SendMouse(0, POINT{grip.x - 300, grip.y + 200});
    ::Sleep(300);
    // Ends a move that did not end with the button (it then puts the window
    // back), so that a fault fails the test instead of hanging it.
    sent += SendKey(VK_ESCAPE, 0);
    sent += SendKey(VK_ESCAPE, KEYEVENTF_KEYUP);
    done = true;
  });
  while (!done) {
    testsupport::PumpMessages();
    ::Sleep(10);
  }
  hand.join();
  EXPECT_EQ(sent, 10);
  for (int i = 0; i < 10; ++i) {
    testsupport::PumpMessages();
    ::Sleep(20);
  }
  const RECT moved = WindowRect(window.Handle());
  EXPECT_EQ(moved.left, start.left - 200);
  EXPECT_EQ(moved.top, start.top + 100);
  EXPECT_EQ(::GetCapture(), nullptr);

  // The next click is not swallowed: it shows the settings row.
  const RECT& settings = window.Imgweathern->Bounds();
  POINT target{(settings.left + settings.right) / 2, (settings.top + settings.bottom) / 2};
  ::ClientToScreen(window.Handle(), &target);
  ASSERT_TRUE(SendMouse(0, target));
  ASSERT_TRUE(SendMouse(MOUSEEVENTF_LEFTDOWN));
  ASSERT_TRUE(SendMouse(MOUSEEVENTF_LEFTUP));
  for (int i = 0; i < 50 && !window.Label6->Visible(); ++i) {
    testsupport::PumpMessages();
    ::Sleep(20);
  }
  EXPECT_TRUE(window.Label6->Visible());
  EXPECT_EQ(WindowRect(window.Handle()).left, start.left - 200);
  EXPECT_TRUE(testsupport::RecordedErrorReports().empty());
}

TEST_F(CompactWindowTest, ClosingTheMainWindowEndsTheMessageLoop) {
  auto window = std::make_unique<TFmVazodivuDodiru>(services_, application_->Handle());
  application_->SetMainWindow(*window);
  testsupport::Click(*window->Imgravevuri2);
  EXPECT_EQ(window->Handle(), nullptr);
  EXPECT_EQ(application_->MainWindow(), nullptr);
  MSG message;
  EXPECT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace

namespace {

using CompactWindowLocationTest = testsupport::ApplicationTest;

TEST_F(CompactWindowLocationTest, OpensOnTheCityTheLocationPageNames) {
  testsupport::StandIn standIn({"--city", "101280101"});  // 广州
  standIn.UseForServices(services_);
  TFmVazodivuDodiru window(services_, application_->Handle());
  EXPECT_TRUE(testsupport::RecordedErrorReports().empty());
  EXPECT_EQ(window.ComboBox1->ItemText(window.ComboBox1->ItemIndex()), Gbk("广州"));
  EXPECT_EQ(window.LblCityName->Text(), Gbk("广州"));
}

TEST_F(CompactWindowLocationTest, ALocationOutsideTheListSelectsNothingAndAsksForTheEmptyCode) {
  // "云南省昆明市电信" without blanks gives the name 云南省昆明, which no item has.
  testsupport::StandIn standIn({"--location-shape", "noblank"});
  standIn.UseForServices(services_);
  std::vector<std::string> urls;
  services_.reportUrl = [&](std::string_view code) {
    urls.push_back(weather::MakeReportUrl(standIn.HostAndPort(), code));
    return urls.back();
  };
  TFmVazodivuDodiru window(services_, application_->Handle());
  EXPECT_TRUE(testsupport::RecordedErrorReports().empty());
  EXPECT_EQ(window.ComboBox1->ItemIndex(), -1);
  ASSERT_EQ(urls.size(), 1u);
  EXPECT_EQ(urls[0], "http://" + standIn.HostAndPort() + "/data/.html");
  // The error page ends the run quietly; the rest of the start sequence goes on.
  EXPECT_EQ(window.LblCityName->Text(), Gbk("城市"));
  EXPECT_NE(::GetWindowLongPtrW(window.Handle(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
}

TEST_F(CompactWindowLocationTest, AFailingLocationPageStopsTheStartWithItsStatusLine) {
  testsupport::StandIn standIn({"--location-status", "302"});
  standIn.UseForServices(services_);
  TFmVazodivuDodiru window(services_, application_->Handle());
  const auto& reports = testsupport::RecordedErrorReports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].text.rfind("HTTP/1.1 302", 0), 0u) << reports[0].text;
  EXPECT_EQ(window.ComboBox1->ItemCount(), 1);
  EXPECT_EQ(::GetWindowLongPtrW(window.Handle(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
}

}  // namespace
