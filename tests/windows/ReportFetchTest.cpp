// The weather report request through the platform's XML HTTP request object,
// against the local stand-in and hostile scripted servers under Wine, and the
// pictures it names.
#include <gtest/gtest.h>
#include <objbase.h>
#include <psapi.h>
#include <shlobj.h>
#include <urlmon.h>
#include <wininet.h>
#include <wrl/client.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <ostream>
#include <set>
#include <string_view>
#include <thread>
#include <vector>

#include "app/Application.h"
#include "app/Services.h"
#include "base/SystemMessage.h"
#include "json/Json.h"
#include "support/ScriptedServer.h"
#include "ui/WnVozevezoVudi.h"
#include "weather/FailureText.h"
#include "weather/IconFiles.h"
#include "weather/Report.h"
#include "weather/ReportItems.h"
#include "weather/RuntimeClass.h"
#include "weather/XmlHttpRequest.h"
#include "win/Bitmap.h"
#include "win/Text.h"
#include "windows/support/ErrorReports.h"
#include "windows/support/StandIn.h"
#include "windows/support/WindowDriver.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Gbk;
using testsupport::ScriptedServer;
using testsupport::ServerScript;
using Clock = std::chrono::steady_clock;

// Every file in the platform's download cache, with its size.
std::set<std::wstring> CacheFiles() {
  wchar_t root[MAX_PATH];
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_INTERNET_CACHE, nullptr, 0, root))) return {};
  std::set<std::wstring> files;
  std::vector<std::wstring> folders{root};
  while (!folders.empty()) {
    const std::wstring folder = folders.back();
    folders.pop_back();
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        folders.push_back(folder + L"\\" + name);
      } else if (name != L"index.dat") {  // the cache's own index, always there
        files.insert(folder + L"\\" + name + L" " + std::to_wstring(found.nFileSizeLow));
      }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }
  return files;
}

size_t PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakWorkingSetSize;
}

std::string HostOf(const ScriptedServer& server) {
  return "127.0.0.1:" + std::to_string(server.Port());
}

// Limits a test can wait for.
net::HttpLimits ShortLimits() {
  net::HttpLimits limits;
  limits.connectTimeout = 500ms;
  limits.idleTimeout = 500ms;
  limits.totalTimeout = 1500ms;
  limits.maxPageBytes = 1 << 20;
  limits.maxRedirects = 5;
  return limits;
}

class ReportFetchTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::CoInitialize(nullptr);
    standIn_ = std::make_unique<testsupport::StandIn>();
  }
  static void TearDownTestSuite() {
    standIn_.reset();
    ::CoUninitialize();
  }
  static std::string Url(const std::string& code) {
    return weather::MakeReportUrl(standIn_->HostAndPort(), code);
  }
  static inline std::unique_ptr<testsupport::StandIn> standIn_;
};

// Records what a report run hands to its window.
class RecordingView : public weather::ReportView {
 public:
  explicit RecordingView(std::string code) : code_(std::move(code)) {}
  std::string SelectedCityCode() override { return code_; }
  void ShowReportText(const std::string& text) override { shown = text; }
  void ReportParsed() override { parsed = true; }
  void Display(const json::JsonNode& weatherinfo) override {
    city = weather::KeyText(weatherinfo, "city");
    dayIcon = weather::DayIconFile(weatherinfo, 1);
  }
  std::string shown, city, dayIcon;
  bool parsed = false;

 private:
  std::string code_;
};

using weather::ReportRoute;

void RunInto(RecordingView& view, const std::string& host, const net::HttpLimits& limits = {},
             ReportRoute route = ReportRoute::kOwnTransport) {
  weather::RunReport(
      [&limits, route] { return weather::CreateXmlHttpReportRequest(limits, route); }, view,
      [&host](std::string_view code) { return weather::MakeReportUrl(host, code); });
}

std::string ErrorOfRun(RecordingView& view, const std::string& host,
                       const net::HttpLimits& limits = {},
                       ReportRoute route = ReportRoute::kOwnTransport) {
  try {
    RunInto(view, host, limits, route);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "(no error)";
}

TEST_F(ReportFetchTest, FetchesAReportAndFindsItsMember) {
  const std::set<std::wstring> cache = CacheFiles();
  const std::string text = weather::FetchReportText(Url("101290101"));
  EXPECT_EQ(CacheFiles(), cache);  // the program keeps no caches
  // The service answers in UTF-8; the program keeps GBK.
  EXPECT_NE(text.find(Gbk("\"昆明\"")), std::string::npos) << text.substr(0, 200);
  const weather::ReportMember report = weather::FindReportMember(text);
  ASSERT_TRUE(report);
  EXPECT_EQ(weather::KeyText(*report.weatherinfo, "city"), Gbk("昆明"));
  EXPECT_FALSE(weather::KeyText(*report.weatherinfo, "index_d").empty());

  RecordingView view("101010100");
  RunInto(view, standIn_->HostAndPort());
  EXPECT_EQ(view.city, Gbk("北京"));
  EXPECT_TRUE(view.parsed);
  EXPECT_EQ(view.shown.front(), '{');
}

TEST_F(ReportFetchTest, NoSelectionAsksForTheEmptyCodeAndGetsTheErrorPageQuietly) {
  EXPECT_EQ(Url(""), "http://" + standIn_->HostAndPort() + "/data/.html");
  RecordingView view("");
  RunInto(view, standIn_->HostAndPort());
  // The status is not examined: the 404 page is report text like any other.
  EXPECT_NE(view.shown.find("404"), std::string::npos) << view.shown;
  EXPECT_TRUE(view.parsed);
  EXPECT_TRUE(view.city.empty());
}

TEST_F(ReportFetchTest, ReportsWithoutAUsableMemberEndQuietly) {
  for (const char* code : {"000000001", "000000002", "999999999"}) {
    SCOPED_TRACE(code);
    RecordingView view(code);
    EXPECT_NO_THROW(RunInto(view, standIn_->HostAndPort()));
    EXPECT_FALSE(view.shown.empty());
    EXPECT_TRUE(view.parsed);
    EXPECT_TRUE(view.city.empty());
  }
}

TEST_F(ReportFetchTest, AListAtTheRootIsATypecastErrorAfterTheTextWasShown) {
  RecordingView view("000000003");
  EXPECT_THROW(RunInto(view, standIn_->HostAndPort()), json::InvalidTypecast);
  EXPECT_EQ(view.shown.substr(0, 1), "[");
  EXPECT_FALSE(view.parsed);
}

TEST_F(ReportFetchTest, NoServerListeningFailsWithThePlatformsDescriptionAndChangesNothing) {
  RecordingView view("101290101");
  const std::string host = "127.0.0.1:" + std::to_string(testsupport::UnusedLoopbackPort());
  const std::string text = ErrorOfRun(view, host);
  std::printf("no server: %s\n", text.c_str());
  // The object's failure for a server it cannot reach, in words: the system's
  // text for it, else urlmon's own, else the transport's socket text as the
  // location request shows it; never the bare code.
  constexpr unsigned long kNotFound = 0x800C0005;  // INET_E_RESOURCE_NOT_FOUND
  std::string described = base::SystemMessage(kNotFound);
  if (described.empty()) described = base::ModuleMessage(L"urlmon.dll", kNotFound);
  if (described.empty()) described = weather::SocketErrorText(10061);
  EXPECT_EQ(text, described);
  EXPECT_EQ(text.find("OLE error"), std::string::npos);
  EXPECT_TRUE(view.shown.empty());
  EXPECT_FALSE(view.parsed);
}

TEST_F(ReportFetchTest, ARedirectIsFollowed) {
  ScriptedServer server(
      {"HTTP/1.1 302 Found\r\nLocation: " + Url("101290101") + "\r\nContent-Length: 0\r\n\r\n"});
  RecordingView view("101010100");
  RunInto(view, HostOf(server));
  EXPECT_EQ(view.city, Gbk("昆明"));
  EXPECT_EQ(server.Request().rfind("GET /data/101010100.html HTTP/1.1\r\n", 0), 0u);
}

// Every interim answer before the final one is skipped, as the platform's
// own request object skips them: the report behind an early hint shows.
TEST_F(ReportFetchTest, InterimAnswersBeforeTheReportAreSkipped) {
  const std::string report = testsupport::HttpGetRaw(standIn_->Port(), "/data/101290101.html");
  ASSERT_EQ(report.rfind("HTTP/1.1 200", 0), 0u);
  ScriptedServer server(
      {"HTTP/1.1 103 Early Hints\r\nLink: </a.css>; rel=preload\r\n\r\n"
       "HTTP/1.1 102 Processing\r\n\r\n" +
       report});
  RecordingView view("101290101");
  RunInto(view, HostOf(server));
  EXPECT_EQ(view.city, Gbk("昆明"));
}

// --- Limits: a hostile server ends the run with the location GET's texts ----

struct HostileCase {
  const char* name;
  ServerScript script;
  const char* error;
  std::chrono::milliseconds atLeast;
  std::chrono::milliseconds below;
};

const std::string kFillerHeader = "X-Filler: " + std::string(50, 'b') + "\r\n";

const HostileCase kHostile[] = {
    {.name = "Silent",
     .script = {.answer = "", .end = ServerScript::End::kHoldOpen},
     .error = "Read timed out: the server sent nothing for 500 ms.",
     .atLeast = 450ms,
     .below = 1500ms},
    {.name = "DrippingHeaders",
     .script = {.answer = "HTTP/1.1 200 OK\r\nX-Drip: ",
                .endlessPiece = "a",
                .pauseBetweenPieces = 100ms},
     .error = "Read timed out: the answer was not complete after 1500 ms.",
     .atLeast = 1400ms,
     .below = 3000ms},
    {.name = "DrippingBody",
     .script = {.answer = "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n",
                .endlessPiece = "a",
                .pauseBetweenPieces = 100ms},
     .error = "Read timed out: the answer was not complete after 1500 ms.",
     .atLeast = 1400ms,
     .below = 3000ms},
    {.name = "EndlessBody",
     .script = {.answer = "HTTP/1.1 200 OK\r\n\r\n", .endlessPiece = std::string(65536, 'a')},
     .error = "The page is larger than 1048576 bytes.",
     .atLeast = 0ms,
     .below = 1500ms},
    {.name = "EndlessHeaders",
     .script = {.answer = "HTTP/1.1 200 OK\r\n", .endlessPiece = kFillerHeader},
     .error = "The answer has more than 100 header lines.",
     .atLeast = 0ms,
     .below = 1500ms},
    {.name = "RedirectLoop",
     .script = {.answer = "HTTP/1.1 302 Found\r\nLocation: /data/again.html\r\n"
                          "Content-Length: 0\r\n\r\n",
                .everyConnection = true},
     .error = "The server redirected more than 5 times.",
     .atLeast = 0ms,
     .below = 1500ms},
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

class ReportLimits : public testing::TestWithParam<HostileCase> {
 protected:
  static void SetUpTestSuite() { ::CoInitialize(nullptr); }
  static void TearDownTestSuite() { ::CoUninitialize(); }
};

TEST_P(ReportLimits, EndTheRunOnTimeAndLeaveNothingBehind) {
  const HostileCase& c = GetParam();
  ScriptedServer server(c.script);
  const std::set<std::wstring> cache = CacheFiles();
  RecordingView view("101290101");
  const auto start = Clock::now();
  EXPECT_EQ(ErrorOfRun(view, HostOf(server), ShortLimits()), c.error);
  const auto elapsed = Clock::now() - start;
  EXPECT_GE(elapsed, c.atLeast);
  EXPECT_LT(elapsed, c.below);
  EXPECT_TRUE(view.shown.empty());
  EXPECT_FALSE(view.parsed);
  EXPECT_EQ(CacheFiles(), cache);
  EXPECT_LT(PeakWorkingSet(), 100u << 20);
  std::printf("%s: %lld ms, peak working set %zu MB, %zu files in the download cache\n", c.name,
              static_cast<long long>(std::chrono::ceil<std::chrono::milliseconds>(elapsed).count()),
              PeakWorkingSet() >> 20, CacheFiles().size());
}

INSTANTIATE_TEST_SUITE_P(Hostile, ReportLimits, testing::ValuesIn(kHostile),
                         [](const testing::TestParamInfo<HostileCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(ReportConnectLimit, AnUnansweredConnectEndsTheRun) {
  ::CoInitialize(nullptr);
  testsupport::UnansweredPort port;
  RecordingView view("101290101");
  const auto start = Clock::now();
  EXPECT_EQ(ErrorOfRun(view, "127.0.0.1:" + std::to_string(port.Port()), ShortLimits()),
            "Socket Error # 10060\r\nConnection timed out.");
  const auto elapsed = Clock::now() - start;
  EXPECT_GE(elapsed, 450ms);
  EXPECT_LT(elapsed, 1500ms);
  ::CoUninitialize();
}

// --- Every way to the network: the program's transport, and the platform's
// where the registration is refused or the object passes the transport over --

struct RouteCase {
  const char* name;
  ReportRoute route;
  // What a silent server ends with, and before when.
  const char* silentError;
  std::chrono::milliseconds silentBelow;
  // What a server dripping its body ends with: the whole answer's limit, or,
  // where the platform's object shows no progress while a body drips in (as
  // Wine's stays at READYSTATE_LOADED), the limit of the answer's beginning.
  const char* dripError;
  const char* dripErrorWithoutProgress;
};

constexpr const char* kIncomplete = "Read timed out: the answer was not complete after 1500 ms.";
// The platform's object shows no progress before the answer begins:
// connecting and silence are bounded together (500 ms + 500 ms).
constexpr const char* kNotBegun = "Read timed out: no answer began within 1 second.";

const RouteCase kRoutes[] = {
    {.name = "OwnTransport",
     .route = ReportRoute::kOwnTransport,
     .silentError = "Read timed out: the server sent nothing for 500 ms.",
     .silentBelow = 1000ms,
     .dripError = kIncomplete,
     .dripErrorWithoutProgress = kIncomplete},
    {.name = "RegistrationRefused",
     .route = ReportRoute::kRegistrationRefused,
     .silentError = kNotBegun,
     .silentBelow = 1500ms,
     .dripError = kIncomplete,
     .dripErrorWithoutProgress = kNotBegun},
    {.name = "PassedOver",
     .route = ReportRoute::kOwnTransportPassedOver,
     .silentError = kNotBegun,
     .silentBelow = 1500ms,
     .dripError = kIncomplete,
     .dripErrorWithoutProgress = kNotBegun},
};

void PrintTo(const RouteCase& c, std::ostream* os) { *os << c.name; }

class ReportRoutes : public testing::TestWithParam<RouteCase> {
 protected:
  static void SetUpTestSuite() {
    ::CoInitialize(nullptr);
    standIn_ = std::make_unique<testsupport::StandIn>();
  }
  static void TearDownTestSuite() {
    standIn_.reset();
    ::CoUninitialize();
  }
  static inline std::unique_ptr<testsupport::StandIn> standIn_;
};

TEST_P(ReportRoutes, AGoodReportAndARedirectedOneShow) {
  const ReportRoute route = GetParam().route;
  RecordingView view("101010100");
  RunInto(view, standIn_->HostAndPort(), {}, route);
  EXPECT_EQ(view.city, Gbk("北京"));

  ScriptedServer server({"HTTP/1.1 302 Found\r\nLocation: http://" + standIn_->HostAndPort() +
                         "/data/101290101.html\r\nContent-Length: 0\r\n\r\n"});
  RecordingView redirected("101010100");
  RunInto(redirected, HostOf(server), {}, route);
  EXPECT_EQ(redirected.city, Gbk("昆明"));
  const std::string request = server.Request();
  EXPECT_EQ(request.rfind("GET /data/101010100.html HTTP/1.1\r\n", 0), 0u);
  // Every run asks the network, even for an answer that allows caching: the
  // request tells WinINet's cache not to answer it.
  EXPECT_NE(request.find("\r\nCache-Control: no-cache\r\n"), std::string::npos) << request;
  EXPECT_NE(request.find("\r\nIf-Modified-Since: Thu, 01 Jan 1970 00:00:00 GMT\r\n"),
            std::string::npos)
      << request;
  std::string cacheable = testsupport::HttpGetRaw(standIn_->Port(), "/data/101290101.html");
  cacheable.insert(cacheable.find("\r\n") + 2,
                   "Cache-Control: public, max-age=3600\r\n"
                   "Last-Modified: Thu, 01 Jan 2015 00:00:00 GMT\r\n");
  ScriptedServer cached({.answer = cacheable, .everyConnection = true});
  for (int run = 0; run < 2; ++run) {
    RecordingView again("101290101");
    RunInto(again, HostOf(cached), {}, route);
    EXPECT_EQ(again.city, Gbk("昆明"));
  }
  EXPECT_EQ(cached.Connections(), 2);
}

TEST_P(ReportRoutes, SilentAndDrippingServersEndOnTime) {
  const RouteCase& c = GetParam();
  {
    ScriptedServer silent({.answer = "", .end = ServerScript::End::kHoldOpen});
    RecordingView view("101290101");
    const auto start = Clock::now();
    EXPECT_EQ(ErrorOfRun(view, HostOf(silent), ShortLimits(), c.route), c.silentError);
    const auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, 450ms);
    EXPECT_LT(elapsed, c.silentBelow);
    EXPECT_TRUE(view.shown.empty());
    std::printf(
        "%s, silent: %lld ms\n", c.name,
        static_cast<long long>(std::chrono::ceil<std::chrono::milliseconds>(elapsed).count()));
  }
  {
    ScriptedServer dripping({.answer = "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n",
                             .endlessPiece = "a",
                             .pauseBetweenPieces = 100ms});
    RecordingView view("101290101");
    const auto start = Clock::now();
    const std::string error = ErrorOfRun(view, HostOf(dripping), ShortLimits(), c.route);
    const auto elapsed = Clock::now() - start;
    EXPECT_TRUE(error == c.dripError || error == c.dripErrorWithoutProgress) << error;
    EXPECT_GE(elapsed, error == kIncomplete ? 1400ms : 950ms);
    EXPECT_LT(elapsed, 3000ms);
    EXPECT_TRUE(view.shown.empty());
    std::printf(
        "%s, dripping body: %s after %lld ms\n", c.name, error.c_str(),
        static_cast<long long>(std::chrono::ceil<std::chrono::milliseconds>(elapsed).count()));
  }
  // A request after the aborted ones is served as usual.
  RecordingView view("101290101");
  RunInto(view, standIn_->HostAndPort(), {}, c.route);
  EXPECT_EQ(view.city, Gbk("昆明"));
}

// While the run waits, the program's own windows get nothing: a message
// posted to one before the run is still waiting after it.
TEST_P(ReportRoutes, TheProgramsWindowsWaitUntilTheRunEnds) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = ::DefWindowProcW;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"ReportFetchTestWindow";
  ::RegisterClassW(&windowClass);  // already there after the first case
  const HWND window = ::CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10,
                                        nullptr, nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(::PostMessageW(window, WM_APP, 7, 0));
  ScriptedServer silent({.answer = "", .end = ServerScript::End::kHoldOpen});
  RecordingView view("101290101");
  EXPECT_EQ(ErrorOfRun(view, HostOf(silent), ShortLimits(), GetParam().route),
            GetParam().silentError);
  MSG message;
  EXPECT_TRUE(::PeekMessageW(&message, window, WM_APP, WM_APP, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
  ::DestroyWindow(window);
}

INSTANTIATE_TEST_SUITE_P(Ways, ReportRoutes, testing::ValuesIn(kRoutes),
                         [](const testing::TestParamInfo<RouteCase>& info) {
                           return std::string(info.param.name);
                         });

// The program does no TLS: a redirect to https is handed back to urlmon, whose
// own https protocol connects to the new address.
TEST(ReportHttpsRedirect, IsHandedToTheSystemsHttpsProtocol) {
  ::CoInitialize(nullptr);
  {
    ScriptedServer secure({.answer = "", .end = ServerScript::End::kHoldOpen});
    ScriptedServer server({"HTTP/1.1 301 Moved Permanently\r\nLocation: https://127.0.0.1:" +
                           std::to_string(secure.Port()) +
                           "/data/101290101.html\r\nContent-Length: 0\r\n\r\n"});
    RecordingView view("101290101");
    const auto start = Clock::now();
    const std::string error = ErrorOfRun(view, HostOf(server), ShortLimits());
    const auto elapsed = Clock::now() - start;
    std::printf(
        "https redirect: %s after %lld ms\n", error.c_str(),
        static_cast<long long>(std::chrono::ceil<std::chrono::milliseconds>(elapsed).count()));
    EXPECT_NE(error, "(no error)");
    EXPECT_EQ(error.find("no http address"), std::string::npos);
    EXPECT_EQ(secure.Connections(), 1);
    EXPECT_LT(elapsed, 2000ms);
    EXPECT_TRUE(view.shown.empty());
  }
  ::CoUninitialize();
}

// --- The transport as urlmon sees it: a complete http protocol -------------

// Records what a protocol reports to urlmon.
class RecordingSink : public weather::RuntimeClass<IInternetProtocolSink> {
 public:
  STDMETHODIMP Switch(PROTOCOLDATA*) noexcept override { return S_OK; }
  STDMETHODIMP ReportProgress(ULONG status, LPCWSTR text) noexcept override {
    progress.emplace_back(status, text != nullptr ? text : L"");
    return S_OK;
  }
  STDMETHODIMP ReportData(DWORD, ULONG, ULONG size) noexcept override {
    dataSize = size;
    return S_OK;
  }
  STDMETHODIMP ReportResult(HRESULT outcome, DWORD, LPCWSTR text) noexcept override {
    result = outcome;
    resultText = text != nullptr ? text : L"";
    return S_OK;
  }
  bool Reported(ULONG status, const std::wstring& text) const {
    return std::find(progress.begin(), progress.end(), std::pair(status, text)) != progress.end();
  }

  std::vector<std::pair<ULONG, std::wstring>> progress;
  ULONG dataSize = 0;
  HRESULT result = E_PENDING;
  std::wstring resultText;
};

class ReportTransport : public testing::Test {
 protected:
  void SetUp() override { ::CoInitialize(nullptr); }
  void TearDown() override { ::CoUninitialize(); }

  // A transport started on url, as urlmon starts one for a binding.
  Microsoft::WRL::ComPtr<IInternetProtocol> Started(const std::string& url) {
    Microsoft::WRL::ComPtr<IInternetProtocol> protocol;
    EXPECT_HRESULT_SUCCEEDED(weather::MakeHttpTransportFactory(ShortLimits())
                                 ->CreateInstance(nullptr, IID_PPV_ARGS(protocol.GetAddressOf())));
    if (protocol) {
      const std::wstring wide(url.begin(), url.end());
      EXPECT_HRESULT_SUCCEEDED(protocol->Start(wide.c_str(), sink.Get(), nullptr, 0, 0));
    }
    return protocol;
  }

  Microsoft::WRL::ComPtr<RecordingSink> sink = weather::Make<RecordingSink>();
};

TEST_F(ReportTransport, AnswersTheObjectAsTheSystemsHttpProtocolDoes) {
  const std::string head =
      "HTTP/1.1 200 OK\r\nContent-Type: application/json; charset=utf-8\r\n"
      "Content-Length: 2\r\n\r\n";
  ScriptedServer server({head + "{}"});
  const auto protocol = Started("http://" + HostOf(server) + "/data/101290101.html");
  ASSERT_TRUE(protocol);
  EXPECT_EQ(sink->result, S_OK);
  EXPECT_TRUE(sink->Reported(BINDSTATUS_MIMETYPEAVAILABLE, L"application/json"));
  EXPECT_EQ(sink->dataSize, 2u);
  char body[8] = {};
  ULONG read = 0;
  EXPECT_EQ(protocol->Read(body, sizeof body, &read), S_OK);
  EXPECT_EQ(std::string(body, read), "{}");
  EXPECT_EQ(protocol->Read(body, sizeof body, &read), S_FALSE);

  Microsoft::WRL::ComPtr<IWinInetHttpInfo> info;
  ASSERT_HRESULT_SUCCEEDED(protocol.As(&info));
  const struct {
    DWORD option;
    std::string text;
  } texts[] = {
      {HTTP_QUERY_STATUS_CODE, "200"},
      {HTTP_QUERY_STATUS_TEXT, "OK"},
      {HTTP_QUERY_VERSION, "HTTP/1.1"},
      {HTTP_QUERY_CONTENT_TYPE, "application/json; charset=utf-8"},
      {HTTP_QUERY_CONTENT_LENGTH, "2"},
      {HTTP_QUERY_RAW_HEADERS_CRLF, head},
      {HTTP_QUERY_RAW_HEADERS,
       std::string("HTTP/1.1 200 OK\0Content-Type: application/json; charset=utf-8\0"
                   "Content-Length: 2\0\0",
                   81)},
  };
  for (const auto& c : texts) {
    SCOPED_TRACE(c.option);
    // First the size it needs, with the ending zero; then the text.
    DWORD size = 1;
    char small = 0;
    EXPECT_EQ(info->QueryInfo(c.option, &small, &size, nullptr, nullptr),
              HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(size, c.text.size() + 1);
    std::string buffer(size, 'x');
    EXPECT_EQ(info->QueryInfo(c.option, buffer.data(), &size, nullptr, nullptr), S_OK);
    EXPECT_EQ(size, c.text.size());
    EXPECT_EQ(buffer, c.text + '\0');
  }
  for (const auto& [option, number] :
       {std::pair<DWORD, DWORD>{HTTP_QUERY_STATUS_CODE, 200}, {HTTP_QUERY_CONTENT_LENGTH, 2}}) {
    SCOPED_TRACE(option);
    DWORD value = 0, size = 2;
    EXPECT_EQ(info->QueryInfo(option | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr, nullptr),
              HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(size, sizeof(DWORD));
    EXPECT_EQ(info->QueryInfo(option | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(value, number);
  }
  DWORD size = 64;
  char buffer[64];
  EXPECT_EQ(info->QueryInfo(HTTP_QUERY_LOCATION, buffer, &size, nullptr, nullptr),
            HRESULT_FROM_WIN32(ERROR_HTTP_HEADER_NOT_FOUND));
}

// The program does no TLS: the new address goes back to urlmon.
TEST_F(ReportTransport, HandsARedirectToHttpsBackToUrlmon) {
  ScriptedServer server(
      {"HTTP/1.1 301 Moved Permanently\r\nLocation: https://example.invalid/data/x.html\r\n"
       "Content-Length: 0\r\n\r\n"});
  ASSERT_TRUE(Started("http://" + HostOf(server) + "/data/x.html"));
  EXPECT_EQ(sink->result, INET_E_REDIRECTING);
  EXPECT_EQ(sink->resultText, L"https://example.invalid/data/x.html");
  EXPECT_TRUE(sink->Reported(BINDSTATUS_REDIRECTING, L"https://example.invalid/data/x.html"));
  EXPECT_EQ(sink->dataSize, 0u);
}

// The user picks an entry of the full window's list: its change notification.
void UserPicks(ui::TFmVozevezoVudi& full, int index) {
  full.ComboBox1->SetItemIndex(index);
  ::SendMessageW(full.Panel2->Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(full.ComboBox1->Handle()));
}

// What the full window's report run can change: the panel's texts and
// pictures and the two memos.
std::vector<std::string> Shown(const ui::TFmVozevezoVudi& full) {
  std::vector<std::string> shown{full.Memo1->Text(), full.Memo2->Text()};
  for (const auto& control : full.Panel1->Graphics()) {
    if (auto* label = dynamic_cast<const win::Label*>(control.get())) {
      shown.push_back(label->Text());
    } else if (auto* picture = dynamic_cast<const win::Picture*>(control.get())) {
      shown.push_back(picture->SourcePath() + " " +
                      std::to_string(reinterpret_cast<uintptr_t>(picture->Bitmap())));
    }
  }
  return shown;
}

TEST(ReportLimitsInTheWindow, ALimitLeavesTheFullWindowAsItWas) {
  app::Application application(testsupport::RecordingErrorReport());
  app::Services services = testsupport::TestServices();
  testsupport::StandIn standIn;
  standIn.UseForServices(services);
  testsupport::ClearErrorReports();
  {
    ui::TFmVozevezoVudi full(services, application.Handle());
    ASSERT_TRUE(testsupport::RecordedErrorReports().empty());
    ASSERT_FALSE(full.Memo2->Text().empty());
    ::SetWindowTextW(full.Memo1->Handle(), L"kept");
    const std::vector<std::string> before = Shown(full);

    // Whichever way the request goes, a silent and a dripping server end in
    // the error report of a limit.
    for (const RouteCase& c : kRoutes) {
      for (const bool dripping : {false, true}) {
        SCOPED_TRACE(std::string(c.name) + (dripping ? ", dripping" : ", silent"));
        ScriptedServer server(
            dripping ? ServerScript{.answer = "HTTP/1.1 200 OK\r\nContent-Length: 9999\r\n\r\n",
                                    .endlessPiece = "a",
                                    .pauseBetweenPieces = 100ms}
                     : ServerScript{.answer = "", .end = ServerScript::End::kHoldOpen});
        services.createReportRequest = [route = c.route] {
          return weather::CreateXmlHttpReportRequest(ShortLimits(), route);
        };
        services.reportUrl = [host = HostOf(server)](std::string_view code) {
          return weather::MakeReportUrl(host, code);
        };
        UserPicks(full, full.ComboBox1->ItemIndex());
        ASSERT_EQ(testsupport::RecordedErrorReports().size(), 1u);
        const std::string& text = testsupport::RecordedErrorReports().front().text;
        if (dripping) {
          EXPECT_TRUE(text == c.dripError || text == c.dripErrorWithoutProgress) << text;
        } else {
          EXPECT_EQ(text, c.silentError);
        }
        EXPECT_EQ(Shown(full), before);
        testsupport::ClearErrorReports();
      }
    }
  }
  testsupport::ClearErrorReports();
}

TEST_F(ReportFetchTest, AMissingRequestClassIsReportedWithTheSystemsMessage) {
  // Outside a COM apartment the object cannot be created at all.
  std::string message;
  std::thread([&] {
    try {
      weather::CreateXmlHttpReportRequest();
    } catch (const std::runtime_error& error) {
      message = error.what();
    }
  }).join();
  EXPECT_FALSE(message.empty());
}

TEST(PictureFiles, EveryPictureTheServiceNamesLoads) {
  std::vector<int> numbers;
  for (int n = 0; n <= 31; ++n) numbers.push_back(n);
  numbers.push_back(53);
  numbers.push_back(99);  // the same as 1
  for (int number : numbers) {
    for (auto kind : {weather::PictureKind::Day, weather::PictureKind::Night}) {
      const std::string path = weather::IconFilePath(number, kind);
      SCOPED_TRACE(path);
      win::UniqueBitmap bitmap = win::LoadBitmapFile(path);
      ASSERT_TRUE(bitmap);
      BITMAP info{};
      ::GetObjectW(bitmap.get(), sizeof info, &info);
      EXPECT_EQ(info.bmWidth, 42);
      EXPECT_EQ(info.bmHeight, 30);
      EXPECT_EQ(info.bmBitsPixel, 8);
    }
  }
}

TEST(PictureFiles, AFileThatCannotBeOpenedNamesItsFullPathAndTheReason) {
  try {
    win::LoadBitmapFile("image_Index\\d-5.bmp");
    FAIL() << "no error";
  } catch (const std::runtime_error& error) {
    wchar_t directory[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, directory);
    std::wstring full = std::wstring(directory) + L"\\image_Index\\d-5.bmp";
    const std::string expectedStart = "Cannot open file \"" + win::Narrow(full) + "\". ";
    const std::string text = error.what();
    EXPECT_EQ(text.substr(0, expectedStart.size()), expectedStart);
    EXPECT_GT(text.size(), expectedStart.size());  // the system's reason follows
  }
}

TEST(PictureFiles, ContentThatIsNoBitmapIsRejected) {
  const char* path = "not-a-bitmap.bmp";
  for (const std::string& content :
       {std::string("hello"), std::string("BM") + std::string(60, '\0'), std::string()}) {
    std::ofstream(path, std::ios::binary) << content;
    try {
      win::LoadBitmapFile(path);
      ADD_FAILURE() << "accepted " << content.size() << " bytes";
    } catch (const std::runtime_error& error) {
      EXPECT_STREQ(error.what(), "Bitmap image is not valid");
    }
  }
  ::DeleteFileA(path);
}

}  // namespace
