// What screen readers get of both windows, read through oleacc as a screen
// reader reads it: each window's client object, its children in reading
// order with their roles, names, places and states, their default actions,
// and the name changes that a change of city announces.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h, which it needs
#include <oleacc.h>
#include <wrl/client.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "json/Json.h"
#include "ui/WnVazodivuDodiru.h"
#include "ui/WnVozevezoVudi.h"
#include "weather/ReportItems.h"
#include "win/Accessible.h"
#include "win/Text.h"
#include "windows/support/ErrorReports.h"
#include "windows/support/StandIn.h"
#include "windows/support/WindowDriver.h"
#include "windows/support/WindowTest.h"

namespace {

using Microsoft::WRL::ComPtr;
using testsupport::Gbk;

VARIANT Child(long id) {
  VARIANT child;
  ::VariantInit(&child);
  child.vt = VT_I4;
  child.lVal = id;
  return child;
}

// A text property of a child as GBK; "" for none.
template <typename Getter>
std::string TextOf(IAccessible& object, long id, Getter getter) {
  BSTR text = nullptr;
  (object.*getter)(Child(id), &text);
  std::string result = text ? win::Narrow(std::wstring_view(text, ::SysStringLen(text))) : "";
  ::SysFreeString(text);
  return result;
}

long NumberOf(IAccessible& object, long id,
              HRESULT (STDMETHODCALLTYPE IAccessible::*getter)(VARIANT, VARIANT*)) {
  VARIANT value;
  ::VariantInit(&value);
  EXPECT_EQ((object.*getter)(Child(id), &value), S_OK) << "child " << id;
  return value.vt == VT_I4 ? value.lVal : -1;
}

RECT LocationOf(IAccessible& object, long id) {
  long left = 0, top = 0, width = 0, height = 0;
  EXPECT_EQ(object.accLocation(&left, &top, &width, &height, Child(id)), S_OK);
  return RECT{left, top, left + width, top + height};
}

// A window's client object, as a screen reader asks for it.
ComPtr<IAccessible> ClientObject(HWND window) {
  ComPtr<IAccessible> object;
  const win::OleaccFunctions* oleacc = win::Oleacc();
  EXPECT_NE(oleacc, nullptr);
  if (oleacc) {
    EXPECT_EQ(oleacc->accessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                                 __uuidof(IAccessible),
                                                 reinterpret_cast<void**>(object.GetAddressOf())),
              S_OK);
  }
  return object;
}

// One child as the test expects it: a windowless control with its role and
// name, or a child window.
struct Expected {
  long role;
  std::string name;
  const win::GraphicControl* control = nullptr;
  HWND window = nullptr;
};

std::string DescribeRect(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
         std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

// Walks the children of a host's client object against the expected list:
// role, name, place on the screen and visibility.
void ExpectChildren(HWND host, const std::vector<Expected>& expected) {
  ComPtr<IAccessible> object = ClientObject(host);
  ASSERT_TRUE(object);
  long count = 0;
  ASSERT_EQ(object->get_accChildCount(&count), S_OK);
  ASSERT_EQ(count, static_cast<long>(expected.size()));
  for (long id = 1; id <= count; ++id) {
    const Expected& want = expected[static_cast<size_t>(id - 1)];
    SCOPED_TRACE("child " + std::to_string(id) + " " + win::Narrow(win::Widen(want.name)));
    EXPECT_EQ(NumberOf(*object.Get(), id, &IAccessible::get_accRole), want.role);
    ComPtr<IDispatch> childObject;
    const HRESULT got = object->get_accChild(Child(id), childObject.GetAddressOf());
    RECT area{};
    bool visible = false;
    if (want.window) {
      // A child window answers for itself.
      EXPECT_EQ(got, S_OK);
      EXPECT_TRUE(childObject);
      ::GetWindowRect(want.window, &area);
      visible = ::IsWindowVisible(want.window) != FALSE;
    } else {
      EXPECT_EQ(got, S_FALSE);
      area = want.control->Bounds();
      ::MapWindowPoints(host, nullptr, reinterpret_cast<POINT*>(&area), 2);
      visible = want.control->Visible();
    }
    EXPECT_EQ(TextOf(*object.Get(), id, &IAccessible::get_accName), want.name);
    EXPECT_EQ(DescribeRect(LocationOf(*object.Get(), id)), DescribeRect(area));
    const long state = NumberOf(*object.Get(), id, &IAccessible::get_accState);
    EXPECT_EQ((state & STATE_SYSTEM_INVISIBLE) == 0, visible);
  }
}

class AccessibilityTest : public testsupport::WindowTest {
 protected:
  static json::JsonDocumentPtr Report(const std::string& code) {
    return json::ParseJsonText(testsupport::Utf8BodyAsGbk(
        testsupport::HttpGetRaw(standIn_->Port(), "/data/" + code + ".html")));
  }
  static const json::JsonNode& Member(const json::JsonDocumentPtr& report) {
    return *json::FindMember(json::RootOf(*report), "weatherinfo");
  }
  static std::string Words(const json::JsonNode& member, const char* day, const char* half,
                           int picture) {
    return Gbk(day) + Gbk(half) + ' ' +
           weather::KeyText(member, "img_title" + std::to_string(picture));
  }
};

constexpr long kText = ROLE_SYSTEM_STATICTEXT;
constexpr long kWindow = ROLE_SYSTEM_WINDOW;

TEST_F(AccessibilityTest, CompactWindowReadsInOrderWithTheReportsTexts) {
  ui::TFmVazodivuDodiru w(services_, application_->Handle());
  ::ShowWindow(w.Handle(), SW_SHOWNA);
  ASSERT_TRUE(testsupport::RecordedErrorReports().empty());
  const auto report = Report("101290101");
  const json::JsonNode& m = Member(report);
  using weather::KeyText;
  const std::vector<Expected> expected{
      {kText, Gbk("其它城市"), w.Label6},
      {kWindow, Gbk("其它城市"), nullptr, w.ComboBox1->Handle()},
      {kWindow, "", nullptr, w.BtnAutoRun->Handle()},
      {kText, weather::StringText(m, "date_y"), w.Lbldate},
      {kText, weather::StringText(m, "date"), w.Lbldate_y},
      {kText, KeyText(m, "week"), w.Lblweek},
      {kText, Gbk("昆明"), w.LblCityName},
      {ROLE_SYSTEM_PUSHBUTTON, Gbk("移动窗口"), w.Imgravevuri},
      {ROLE_SYSTEM_PUSHBUTTON, Gbk("设置"), w.Imgweathern},
      {kText, KeyText(m, "weather1"), w.Lblweather},
      {kText, KeyText(m, "temp1"), w.LblTemp},
      {kText, KeyText(m, "wind1"), w.LblWind},
      {kText, Gbk("明天"), w.Label1},
      {ROLE_SYSTEM_PUSHBUTTON, Gbk("关闭"), w.Imgravevuri2},
      {ROLE_SYSTEM_PUSHBUTTON, Gbk("打开完整窗口"), w.Imgweathern2},
      {kText, KeyText(m, "weather2"), w.Lblweather2},
      {kText, KeyText(m, "temp2"), w.LblTemp2},
      {kText, KeyText(m, "wind2"), w.LblWind2},
      {kText, w.Label7->Text(), w.Label7},
      {kText, Gbk("博客："), w.Label8},
      {ROLE_SYSTEM_LINK, w.Label11->Text(), w.Label11},
      {kText, Gbk("微博："), w.Label9},
      {ROLE_SYSTEM_LINK, w.Label12->Text(), w.Label12},
      {kText, w.Label10->Text(), w.Label10},
  };
  ExpectChildren(w.Handle(), expected);

  // The pictures that act keep their weather words as their description.
  ComPtr<IAccessible> object = ClientObject(w.Handle());
  ASSERT_TRUE(object);
  EXPECT_EQ(TextOf(*object.Get(), 8, &IAccessible::get_accDescription),
            Words(m, "今天", "白天", 1));
  EXPECT_EQ(TextOf(*object.Get(), 15, &IAccessible::get_accDescription),
            Words(m, "明天", "夜间", 4));
  EXPECT_EQ(TextOf(*object.Get(), 8, &IAccessible::get_accDefaultAction), Gbk("按下"));
  EXPECT_EQ(TextOf(*object.Get(), 21, &IAccessible::get_accValue), w.Label11->Text());
  // At the window's dpi: tomorrow's day picture keeps 42 x 30 design pixels.
  const RECT close = LocationOf(*object.Get(), 14);
  EXPECT_EQ(close.right - close.left, ::MulDiv(42, w.Dpi(), 96));
  EXPECT_EQ(close.bottom - close.top, ::MulDiv(30, w.Dpi(), 96));
  // A point on a label finds it; the see-through background is the window itself.
  RECT city = w.LblCityName->Bounds();
  ::MapWindowPoints(w.Handle(), nullptr, reinterpret_cast<POINT*>(&city), 2);
  VARIANT hit;
  ::VariantInit(&hit);
  ASSERT_EQ(object->accHitTest(city.left + 2, city.top + 2, &hit), S_OK);
  EXPECT_EQ(hit.vt, VT_I4);
  EXPECT_EQ(hit.lVal, 7);
}

TEST_F(AccessibilityTest, FullWindowReadsTheTopBarThenTheForecastRowByRow) {
  ui::TFmVozevezoVudi w(services_, application_->Handle());
  ::ShowWindow(w.Handle(), SW_SHOWNA);
  ASSERT_TRUE(testsupport::RecordedErrorReports().empty());
  const auto report = Report("101290101");
  const json::JsonNode& m = Member(report);

  ExpectChildren(w.Handle(), {{kWindow, "", nullptr, w.Panel2->Handle()},
                              {kWindow, "", nullptr, w.Panel1->Handle()},
                              {kWindow, "", nullptr, w.cxPageControl1->Handle()}});
  ExpectChildren(w.Panel2->Handle(), {{kText, Gbk("其它城市"), w.Label6},
                                      {kWindow, Gbk("其它城市"), nullptr, w.ComboBox1->Handle()},
                                      {kWindow, "", nullptr, w.Button1->Handle()}});

  using weather::KeyText;
  const char* days[] = {"今天", "明天", "后天", "第四天", "第五天"};
  std::vector<Expected> expected{
      {kText, Gbk("昆明"), w.LblCityName},
      {ROLE_SYSTEM_GRAPHIC, Words(m, "今天", "白天", 1), w.Imgravevuri},
      {ROLE_SYSTEM_GRAPHIC, Words(m, "今天", "夜间", 2), w.Imgweathern},
      {kText, KeyText(m, "weather1"), w.Lblweather},
      {kText, KeyText(m, "temp1"), w.LblTemp},
      {kText, KeyText(m, "wind1"), w.LblWind},
      {kText, weather::StringText(m, "date_y"), w.Lbldate},
      {kText, weather::StringText(m, "date"), w.Lbldate_y},
      {kText, KeyText(m, "week"), w.Lblweek},
  };
  using Column = ui::TFmVozevezoVudi::DayColumn;
  const auto row = [&](const win::Label* heading, win::Label* Column::*cell) {
    expected.push_back({kText, heading->Text(), heading});
    for (int n = 1; n <= 5; ++n) {
      expected.push_back({kText, (w.Day(n).*cell)->Text(), w.Day(n).*cell});
    }
  };
  row(w.Label1, &Column::date);
  for (int n = 0; n < 5; ++n) {
    expected.push_back(
        {ROLE_SYSTEM_GRAPHIC, Words(m, days[n], "白天", 2 * n + 1), w.Day(n + 1).dayPicture});
    expected.push_back(
        {ROLE_SYSTEM_GRAPHIC, Words(m, days[n], "夜间", 2 * n + 2), w.Day(n + 1).nightPicture});
  }
  row(w.Label2, &Column::sky);
  row(w.Label3, &Column::temperature);
  row(w.Label4, &Column::wind);
  row(w.Label5, &Column::force);
  EXPECT_EQ(w.Label4->Text(), Gbk("风向"));
  EXPECT_EQ(w.LblTemp3->Text(), KeyText(m, "temp3"));
  for (const win::Label* index :
       {w.Lblchuanyi1, w.Lblchuanyi2, w.Lbluv1, w.Lbluv2, w.Lblcl, w.Lblc0, w.Lblls0, w.Lbltr0}) {
    expected.push_back({kText, index->Text(), index});
  }
  EXPECT_EQ(w.Lblcl->Text(), weather::ExerciseText(m));
  expected.push_back({kText, w.LblIPAddress->Text(), w.LblIPAddress});
  EXPECT_EQ(w.LblIPAddress->Text().rfind(Gbk("您所在地:"), 0), 0u);
  expected.push_back({kText, w.Label7->Text(), w.Label7});
  expected.push_back({kText, Gbk("博客："), w.Label8});
  expected.push_back({ROLE_SYSTEM_LINK, w.Label11->Text(), w.Label11});
  expected.push_back({kText, Gbk("微博："), w.Label9});
  expected.push_back({ROLE_SYSTEM_LINK, w.Label12->Text(), w.Label12});
  expected.push_back({kText, w.Label10->Text(), w.Label10});
  ExpectChildren(w.Panel1->Handle(), expected);
}

// What a WinEvent hook saw: window, object and child of each event.
struct Event {
  DWORD event;
  HWND window = nullptr;
  LONG object;
  LONG child;
  bool operator==(const Event&) const = default;
};
std::vector<Event> seenEvents;

void CALLBACK RecordEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                          DWORD) {
  seenEvents.push_back({event, window, object, child});
}

TEST_F(AccessibilityTest, DefaultActionsRunTheMouseHandlers) {
  ui::TFmVazodivuDodiru w(services_, application_->Handle());
  ::ShowWindow(w.Handle(), SW_SHOWNA);
  ComPtr<IAccessible> object = ClientObject(w.Handle());
  ASSERT_TRUE(object);
  EXPECT_EQ(object->accDoDefaultAction(Child(7)), DISP_E_MEMBERNOTFOUND);  // a text does nothing

  // The settings picture: the settings row appears, reads as shown, and
  // readers are told.
  seenEvents.clear();
  const HWINEVENTHOOK hook =
      ::SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_SHOW, nullptr, RecordEvent,
                        ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_EQ(object->accDoDefaultAction(Child(9)), S_OK);
  testsupport::PumpMessages();
  ::UnhookWinEvent(hook);
  EXPECT_NE(std::find(seenEvents.begin(), seenEvents.end(),
                      Event{EVENT_OBJECT_SHOW, w.Handle(), OBJID_CLIENT, 1}),
            seenEvents.end());
  EXPECT_TRUE(w.Label6->Visible());
  EXPECT_TRUE(w.ComboBox1->Visible());
  EXPECT_EQ(NumberOf(*object.Get(), 1, &IAccessible::get_accState) & STATE_SYSTEM_INVISIBLE, 0);

  // A link: the shell opens its text.
  std::vector<std::string> opened;
  services_.shellOpen = [&](const std::string& text) { opened.push_back(text); };
  ASSERT_EQ(object->accDoDefaultAction(Child(23)), S_OK);
  testsupport::PumpMessages();
  EXPECT_EQ(opened, std::vector<std::string>{w.Label12->Text()});

  // The full-window picture: the full window opens (its modal loop runs
  // until a timer closes it).
  static bool fullWindowSeen;
  fullWindowSeen = false;
  ::SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR timer, DWORD) {
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM) -> BOOL {
          wchar_t name[32] = {};
          ::GetClassNameW(window, name, 32);
          if (::lstrcmpW(name, L"TFmVozevezoVudi") == 0 && ::IsWindowVisible(window)) {
            fullWindowSeen = true;
            ::PostMessageW(window, WM_CLOSE, 0, 0);
          }
          return TRUE;
        },
        0);
    if (fullWindowSeen) ::KillTimer(nullptr, timer);
  });
  ASSERT_EQ(object->accDoDefaultAction(Child(15)), S_OK);
  testsupport::PumpMessages();
  EXPECT_TRUE(fullWindowSeen);
  EXPECT_TRUE(::IsWindowEnabled(w.Handle()));
  EXPECT_TRUE(testsupport::RecordedErrorReports().empty());
}

// A screen reader lives in another process: its calls reach the window
// through COM's marshalling. A thread of its own apartment gets the same.
struct OtherApartmentReader {
  HWND window = nullptr;
  long count = 0;
  std::string cityName;
  HRESULT action = E_FAIL;

  static DWORD WINAPI Run(void* context) {
    auto& reader = *static_cast<OtherApartmentReader*>(context);
    if (FAILED(::CoInitialize(nullptr))) return 1;
    {
      ComPtr<IAccessible> object = ClientObject(reader.window);
      if (object) {
        object->get_accChildCount(&reader.count);
        reader.cityName = TextOf(*object.Get(), 7, &IAccessible::get_accName);
        reader.action = object->accDoDefaultAction(Child(9));
      }
    }
    ::CoUninitialize();
    return 0;
  }
};

TEST_F(AccessibilityTest, AReaderInAnotherApartmentWalksAndActs) {
  ui::TFmVazodivuDodiru w(services_, application_->Handle());
  ::ShowWindow(w.Handle(), SW_SHOWNA);
  OtherApartmentReader reader;
  reader.window = w.Handle();
  const HANDLE thread = ::CreateThread(nullptr, 0, &OtherApartmentReader::Run, &reader, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  // The window's thread answers the reader's calls while it waits.
  while (::MsgWaitForMultipleObjects(1, &thread, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    testsupport::PumpMessages();
  }
  ::CloseHandle(thread);
  testsupport::PumpMessages();
  EXPECT_EQ(reader.count, 24);
  EXPECT_EQ(reader.cityName, Gbk("昆明"));
  EXPECT_EQ(reader.action, S_OK);
  EXPECT_TRUE(w.Label6->Visible());
}

TEST_F(AccessibilityTest, ACityChangeAnnouncesTheChangedNames) {
  ui::TFmVazodivuDodiru w(services_, application_->Handle());
  ::ShowWindow(w.Handle(), SW_SHOWNA);
  seenEvents.clear();
  const HWINEVENTHOOK hook =
      ::SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_DESCRIPTIONCHANGE, nullptr,
                        RecordEvent, ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);
  w.ComboBox1->SetItemIndex(w.ComboBox1->FindExact(Gbk("北京")));
  ::SendMessageW(w.Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(w.ComboBox1->Handle()));
  testsupport::PumpMessages();
  ::UnhookWinEvent(hook);
  ASSERT_EQ(w.LblCityName->Text(), Gbk("北京"));

  const auto saw = [](DWORD event, HWND window, LONG child) {
    return std::find(seenEvents.begin(), seenEvents.end(),
                     Event{event, window, OBJID_CLIENT, child}) != seenEvents.end();
  };
  EXPECT_TRUE(saw(EVENT_OBJECT_NAMECHANGE, w.Handle(), 7));         // the city
  EXPECT_TRUE(saw(EVENT_OBJECT_NAMECHANGE, w.Handle(), 10));        // today's weather
  EXPECT_TRUE(saw(EVENT_OBJECT_DESCRIPTIONCHANGE, w.Handle(), 8));  // today's day picture
  EXPECT_FALSE(saw(EVENT_OBJECT_NAMECHANGE, w.Handle(), 13));       // 明天 stays
  ComPtr<IAccessible> object = ClientObject(w.Handle());
  ASSERT_TRUE(object);
  EXPECT_EQ(TextOf(*object.Get(), 7, &IAccessible::get_accName), Gbk("北京"));
}

}  // namespace
