// The report request keeps the platform's XML HTTP request object and its
// calls (create, open of "Get", send, responseText) and the object's own
// decoding of the answer. The object is opened asynchronously and waited for
// with the program's deadlines (20 s to connect, 30 s of silence, 60 s for
// the whole answer); at a deadline it is aborted, the documented way to bound
// the object. The wait dispatches only the messages of the thread's windows
// that belong to the system's components (urlmon's notification window), so
// the program's windows do not react meanwhile, as during the location GET.
//
// The object reaches the network through a transport of this program where
// the platform lets it: while a request runs, a temporary namespace handler
// for "http" (IInternetSession::RegisterNameSpace) answers the object's
// binding with HttpGetUrl, which bounds connecting, silence, the whole
// answer, header lines, body and redirects as the location GET is bounded,
// and leaves nothing in the download cache. It is a complete http protocol to
// the object: status and headers through IHttpNegotiate::OnResponse and
// IWinInetHttpInfo::QueryInfo, the MIME type through ReportProgress, and a
// redirect to https handed back to urlmon (INET_E_REDIRECTING), whose own
// https protocol follows it; the program does no TLS. Where the registration
// is refused, or the object does not use the handler, the platform's own
// transport carries the request, bounded by the same wait and asked not to
// answer from WinINet's cache.
//
// Under Wine 8 the platform's object keeps its binding's callback only once
// the binding is complete, so abort does not reach a running binding, and the
// callback keeps a plain pointer to the object: released after abort, the
// object is called back after its end when the binding goes on (the next
// request's wait delivers it) and the process crashes. An aborted object is
// therefore kept until its binding has called back for the last time (it then
// reads READYSTATE_COMPLETE) or until the process ends; on Windows abort ends
// the binding and keeping the object a little longer costs nothing.
#include <windows.h>
// after windows.h, which they need
#include <msxml2.h>
#include <oleauto.h>
#include <urlmon.h>
#include <wininet.h>  // the HTTP_QUERY_ numbers only; nothing of WinINet is called
#include <wrl/client.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "base/CodePage.h"
#include "base/SystemFunction.h"
#include "base/SystemMessage.h"
#include "base/UniqueResource.h"
#include "weather/ReportTransport.h"
#include "weather/RuntimeClass.h"
#include "weather/XmlHttpRequest.h"

namespace weather {

using base::ModuleMessage;
using base::SystemFunction;
using base::SystemMessage;
using base::UniqueHandle;
using base::WithoutTrailingStops;
using net::ParseDecimal;
namespace {

using Microsoft::WRL::ComPtr;
using UniqueBstr = UniqueHandle<BSTR, ::SysFreeString>;
using UniqueTaskText = UniqueHandle<LPWSTR, ::CoTaskMemFree>;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// XMLHTTPRequest and IXMLHTTPRequest of the platform's XML services.
constexpr CLSID kXmlHttpRequestClass = {
    0xED8C108E, 0x4349, 0x11D2, {0x91, 0xA4, 0x00, 0xC0, 0x4F, 0x79, 0x69, 0xE8}};
constexpr IID kXmlHttpRequestInterface = {
    0xED8C108D, 0x4349, 0x11D2, {0x91, 0xA4, 0x00, 0xC0, 0x4F, 0x79, 0x69, 0xE8}};
constexpr DWORD kInprocOrLocalServer = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;
// The name under which the transport is registered for "http".
constexpr CLSID kTransportClass = {
    0x5AC9C953, 0xBDF0, 0x41D7, {0x8E, 0x6D, 0x12, 0xE4, 0x66, 0x4C, 0x8F, 0xD6}};
constexpr long kReadyStateComplete = 4;
constexpr long kReadyStateInteractive = 3;

// wchar_t and char16_t are both UTF-16 code units on Windows.
std::string Gbk(const wchar_t* text, size_t length) {
  return base::Utf16ToGbk(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

std::wstring Wide(std::string_view gbk) {
  const std::u16string text = base::GbkToUtf16(gbk);
  return std::wstring(text.begin(), text.end());
}

UniqueBstr Bstr(std::wstring_view text) {
  return UniqueBstr(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

// The system's text for a code, else urlmon's own (the INET_E codes of
// URL monikers have their texts there); empty when neither has one.
std::string DescribedResult(HRESULT result) {
  std::string message = SystemMessage(static_cast<DWORD>(result));
  if (message.empty()) message = ModuleMessage(L"urlmon.dll", static_cast<DWORD>(result));
  return message;
}

std::string HresultMessage(HRESULT result) {
  std::string message = DescribedResult(result);
  if (!message.empty()) return message;
  char fallback[32];
  std::snprintf(fallback, sizeof fallback, "OLE error %.8lx", static_cast<unsigned long>(result));
  return fallback;
}

// The description the object left with its failure, else the system's or
// urlmon's text for the code, else the transport's socket text (as the
// location request shows it), else the code.
[[noreturn]] void ThrowRequestError(HRESULT result, const std::string& socketText) {
  ComPtr<IErrorInfo> info;
  if (::GetErrorInfo(0, info.GetAddressOf()) == S_OK && info) {
    UniqueBstr description;
    if (SUCCEEDED(info->GetDescription(description.put())) && description) {
      std::string text =
          WithoutTrailingStops(Gbk(description.get(), ::SysStringLen(description.get())));
      if (!text.empty()) throw std::runtime_error(text);
    }
  }
  const std::string described = DescribedResult(result);
  if (!described.empty()) throw std::runtime_error(described);
  if (!socketText.empty()) throw std::runtime_error(socketText);
  throw std::runtime_error(HresultMessage(result));
}

VARIANT OmittedArgument() {
  VARIANT omitted;
  ::VariantInit(&omitted);
  omitted.vt = VT_ERROR;
  omitted.scode = DISP_E_PARAMNOTFOUND;
  return omitted;
}

// The failure the platform's own http protocol reports in the same case, so
// that the object describes it as it would have.
HRESULT PlatformResultOf(int socketError) {
  switch (socketError) {
    case 10050:  // network down
    case 10051:  // network unreachable
    case 10061:  // refused
    case 10064:  // host down
    case 10065:  // no route
    case 11001:  // the host names that cannot be resolved
    case 11002:
    case 11003:
    case 11004:
      return INET_E_RESOURCE_NOT_FOUND;
    default:
      return INET_E_DOWNLOAD_FAILURE;
  }
}

// What the transport did with the request: shared by the request and the
// transports of its registration, which urlmon may keep longer.
struct TransportOutcome {
  // It ended the request with a failure (the run ends at once).
  bool failed = false;
  HRESULT result = S_OK;
  // The text to show instead of the object's (a limit, an answer that breaks
  // the rules of HTTP).
  std::string failure;
  // The network's failure that the object is left to describe.
  std::string socketText;
};

// The value of the header field name in head (status line and header lines,
// each ended by CR LF); nothing when the answer has none.
std::optional<std::string> HeaderValue(std::string_view head, std::string_view name) {
  size_t start = head.find("\r\n");
  while (start != std::string_view::npos && start + 2 < head.size()) {
    start += 2;
    const size_t end = head.find("\r\n", start);
    const std::string_view line = head.substr(start, end - start);
    const size_t colon = line.find(':');
    if (colon == name.size() &&
        std::equal(name.begin(), name.end(), line.begin(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) ==
                 std::tolower(static_cast<unsigned char>(b));
        })) {
      std::string_view value = line.substr(colon + 1);
      while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
        value.remove_prefix(1);
      }
      while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) {
        value.remove_suffix(1);
      }
      return std::string(value);
    }
    start = end;
  }
  return std::nullopt;
}

// The parts of an answer that IWinInetHttpInfo::QueryInfo gives, as
// HttpQueryInfoA gives them: text, or a number with HTTP_QUERY_FLAG_NUMBER.
std::optional<std::string> QueriedText(const HttpAnswer& answer, DWORD attribute) {
  const std::string_view head = answer.head;
  const std::string_view statusLine = head.substr(0, head.find("\r\n"));
  switch (attribute) {
    case HTTP_QUERY_STATUS_CODE:
      return std::to_string(answer.status);
    case HTTP_QUERY_STATUS_TEXT: {
      // The words after the code: the second blank ends the code.
      const size_t code = statusLine.find(' ');
      const size_t text = code == std::string_view::npos ? code : statusLine.find(' ', code + 1);
      return text == std::string_view::npos ? std::string()
                                            : std::string(statusLine.substr(text + 1));
    }
    case HTTP_QUERY_VERSION:
      return std::string(statusLine.substr(0, statusLine.find(' ')));
    case HTTP_QUERY_RAW_HEADERS_CRLF:
      return answer.head;
    case HTTP_QUERY_RAW_HEADERS: {
      // Each line ended by a zero, and one more zero at the end.
      std::string lines;
      for (size_t start = 0; start < head.size();) {
        const size_t end = head.find("\r\n", start);
        if (end == start || end == std::string_view::npos) break;
        lines.append(head.substr(start, end - start)).push_back('\0');
        start = end + 2;
      }
      lines.push_back('\0');
      return lines;
    }
    case HTTP_QUERY_CONTENT_TYPE:
      return HeaderValue(head, "Content-Type");
    case HTTP_QUERY_CONTENT_LENGTH:
      return HeaderValue(head, "Content-Length");
    case HTTP_QUERY_LOCATION:
      return HeaderValue(head, "Location");
    default:
      return std::nullopt;
  }
}

// One binding of the request object: the whole exchange runs inside Start,
// bounded by the limits; the binding then reads the body that was kept.
class HttpTransport final
    : public RuntimeClass<ChainInterfaces<IInternetProtocol, IInternetProtocolRoot>,
                          ChainInterfaces<IWinInetHttpInfo, IWinInetInfo>> {
 public:
  HttpTransport(const HttpLimits& limits, std::shared_ptr<TransportOutcome> outcome)
      : limits_(limits), outcome_(std::move(outcome)) {}

  STDMETHODIMP Start(LPCWSTR url, IInternetProtocolSink* sink, IInternetBindInfo*, DWORD,
                     HANDLE_PTR) noexcept override {
    if (url == nullptr || sink == nullptr) return E_INVALIDARG;
    try {
      const ComPtr<IHttpNegotiate> negotiate = Negotiator(*sink);
      answer_ = HttpGetUrl(Gbk(url, std::wcslen(url)), limits_, ExtraHeaders(negotiate, url));
      if (!answer_.elsewhere.empty()) {
        // The system's https protocol follows it: urlmon starts it on the
        // address given with INET_E_REDIRECTING.
        const std::wstring address = Wide(answer_.elsewhere);
        sink->ReportProgress(BINDSTATUS_REDIRECTING, address.c_str());
        sink->ReportResult(INET_E_REDIRECTING, static_cast<DWORD>(answer_.status), address.c_str());
        return S_OK;
      }
      if (negotiate) {
        UniqueTaskText more;
        negotiate->OnResponse(static_cast<DWORD>(answer_.status), Wide(answer_.head).c_str(),
                              nullptr, more.put());
      }
      if (const std::optional<std::string> type = HeaderValue(answer_.head, "Content-Type")) {
        const std::string mime = type->substr(0, type->find(';'));
        const std::wstring wideMime = Wide(mime.substr(0, mime.find_last_not_of(' ') + 1));
        if (!wideMime.empty()) {
          sink->ReportProgress(BINDSTATUS_MIMETYPEAVAILABLE, wideMime.c_str());
        }
      }
      const auto size = static_cast<ULONG>(answer_.body.size());
      sink->ReportData(
          BSCF_FIRSTDATANOTIFICATION | BSCF_LASTDATANOTIFICATION | BSCF_DATAFULLYAVAILABLE, size,
          size);
      sink->ReportResult(S_OK, static_cast<DWORD>(answer_.status), nullptr);
    } catch (const SocketError& error) {
      // Connecting too long is a limit of the program's; other network
      // failures are the object's to describe.
      if (error.Code() == kSocketTimedOut) outcome_->failure = error.what();
      Fail(*sink, PlatformResultOf(error.Code()), static_cast<DWORD>(error.Code()), error.what());
    } catch (const std::exception& error) {
      outcome_->failure = error.what();
      Fail(*sink, E_ABORT, 0, {});
    }
    return S_OK;
  }
  STDMETHODIMP Continue(PROTOCOLDATA*) noexcept override { return S_OK; }
  STDMETHODIMP Abort(HRESULT, DWORD) noexcept override { return S_OK; }
  STDMETHODIMP Terminate(DWORD) noexcept override { return S_OK; }
  STDMETHODIMP Suspend() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Resume() noexcept override { return E_NOTIMPL; }

  STDMETHODIMP Read(void* buffer, ULONG size, ULONG* read) noexcept override {
    const size_t count = std::min<size_t>(size, answer_.body.size() - delivered_);
    if (count > 0) std::memcpy(buffer, answer_.body.data() + delivered_, count);
    delivered_ += count;
    if (read != nullptr) *read = static_cast<ULONG>(count);
    return count > 0 ? S_OK : S_FALSE;
  }
  STDMETHODIMP Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) noexcept override { return E_FAIL; }
  STDMETHODIMP LockRequest(DWORD) noexcept override { return S_OK; }
  STDMETHODIMP UnlockRequest() noexcept override { return S_OK; }

  // IWinInetInfo: there is no WinINet handle to give.
  STDMETHODIMP QueryOption(DWORD, LPVOID, DWORD*) noexcept override { return E_NOTIMPL; }

  // IWinInetHttpInfo: what the system's http protocol answers, from the
  // answer's head, in the manner of HttpQueryInfoA: a zero-ended text, or a
  // DWORD with HTTP_QUERY_FLAG_NUMBER; when the buffer is too small, the size
  // it needs (with the zero) and ERROR_INSUFFICIENT_BUFFER.
  STDMETHODIMP QueryInfo(DWORD option, LPVOID buffer, DWORD* size, DWORD*,
                         DWORD*) noexcept override {
    if (size == nullptr) return E_POINTER;
    if (answer_.head.empty()) return HRESULT_FROM_WIN32(ERROR_HTTP_HEADER_NOT_FOUND);
    try {
      const std::optional<std::string> text = QueriedText(answer_, option & HTTP_QUERY_HEADER_MASK);
      if (!text) return HRESULT_FROM_WIN32(ERROR_HTTP_HEADER_NOT_FOUND);
      if (option & HTTP_QUERY_FLAG_NUMBER) {
        const std::optional<std::uint64_t> number = ParseDecimal(*text);
        if (!number || *number > MAXDWORD) return HRESULT_FROM_WIN32(ERROR_HTTP_INVALID_HEADER);
        if (buffer == nullptr || *size < sizeof(DWORD)) {
          *size = sizeof(DWORD);
          return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        }
        const auto value = static_cast<DWORD>(*number);
        std::memcpy(buffer, &value, sizeof value);
        *size = sizeof value;
        return S_OK;
      }
      const auto needed = static_cast<DWORD>(text->size() + 1);
      if (buffer == nullptr || *size < needed) {
        *size = needed;
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
      }
      std::memcpy(buffer, text->c_str(), needed);
      *size = needed - 1;
      return S_OK;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

 private:
  void Fail(IInternetProtocolSink& sink, HRESULT result, DWORD code, std::string socketText) {
    outcome_->failed = true;
    outcome_->result = result;
    outcome_->socketText = std::move(socketText);
    sink.ReportResult(result, code, nullptr);
  }

  // The object's side of the HTTP exchange, when it has one.
  static ComPtr<IHttpNegotiate> Negotiator(IInternetProtocolSink& sink) {
    ComPtr<IServiceProvider> services;
    ComPtr<IHttpNegotiate> negotiate;
    if (SUCCEEDED(sink.QueryInterface(IID_PPV_ARGS(services.GetAddressOf())))) {
      services->QueryService(IID_IHttpNegotiate, IID_PPV_ARGS(negotiate.GetAddressOf()));
    }
    return negotiate;
  }

  // The header lines the object asks for, each ended by CR LF.
  static std::string ExtraHeaders(const ComPtr<IHttpNegotiate>& negotiate, LPCWSTR url) {
    UniqueTaskText headers;
    if (!negotiate || FAILED(negotiate->BeginningTransaction(url, L"", 0, headers.put())) ||
        !headers) {
      return {};
    }
    std::string lines = Gbk(headers.get(), std::wcslen(headers.get()));
    if (!lines.empty() && !lines.ends_with("\r\n")) lines += "\r\n";
    return lines;
  }

  HttpLimits limits_;
  std::shared_ptr<TransportOutcome> outcome_;
  HttpAnswer answer_;
  size_t delivered_ = 0;
};

// Makes one transport per binding. urlmon may keep the factory after the
// registration ends; it then lives on with what its transports need.
class HttpTransportFactory final : public RuntimeClass<IClassFactory> {
 public:
  HttpTransportFactory(const HttpLimits& limits, std::shared_ptr<TransportOutcome> outcome)
      : limits_(limits), outcome_(std::move(outcome)) {}

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) noexcept override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    try {
      return Make<HttpTransport>(limits_, outcome_)->QueryInterface(iid, object);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }
  STDMETHODIMP LockServer(BOOL) noexcept override { return S_OK; }

 private:
  HttpLimits limits_;
  std::shared_ptr<TransportOutcome> outcome_;
};

// While it lives, the process's URL monikers fetch http addresses through the
// factory's transports, if urlmon accepted the registration.
class HttpNamespace {
 public:
  HttpNamespace(ComPtr<IClassFactory> factory, ReportRoute route) : factory_(std::move(factory)) {
    using GetSession = HRESULT(WINAPI*)(DWORD, IInternetSession**, DWORD);
    static const auto getSession =
        SystemFunction<GetSession>(L"urlmon.dll", "CoInternetGetSession");
    if (getSession == nullptr || FAILED(getSession(0, session_.GetAddressOf(), 0))) return;
    // Refused by urlmon itself: a registration without a factory.
    IClassFactory* const registered =
        route == ReportRoute::kRegistrationRefused ? nullptr : factory_.Get();
    registered_ =
        SUCCEEDED(session_->RegisterNameSpace(registered, kTransportClass, L"http", 0, nullptr, 0));
    // Passed over: the system's own http protocol registered after ours, as
    // any other component of the process may do; the last one registered is
    // the one urlmon uses.
    if (registered_ && route == ReportRoute::kOwnTransportPassedOver &&
        SUCCEEDED(::CoGetClassObject(CLSID_HttpProtocol, CLSCTX_INPROC_SERVER, nullptr,
                                     IID_PPV_ARGS(platform_.GetAddressOf()))) &&
        FAILED(session_->RegisterNameSpace(platform_.Get(), CLSID_HttpProtocol, L"http", 0, nullptr,
                                           0))) {
      platform_.Reset();
    }
  }
  HttpNamespace(const HttpNamespace&) = delete;
  HttpNamespace& operator=(const HttpNamespace&) = delete;
  ~HttpNamespace() {
    if (platform_) session_->UnregisterNameSpace(platform_.Get(), L"http");
    if (registered_) session_->UnregisterNameSpace(factory_.Get(), L"http");
  }

 private:
  ComPtr<IClassFactory> factory_;
  ComPtr<IInternetSession> session_;
  bool registered_ = false;
  ComPtr<IClassFactory> platform_;
};

// The windows of this thread that the system's components made (urlmon's
// notification window, COM's apartment window): top-level and message-only.
// The program's own windows are of classes registered by its module.
std::vector<HWND> ComponentWindows() {
  struct Found {
    HMODULE program = ::GetModuleHandleW(nullptr);
    DWORD thread = ::GetCurrentThreadId();
    std::vector<HWND> windows;
    void Consider(HWND window) {
      if (::GetWindowThreadProcessId(window, nullptr) == thread &&
          reinterpret_cast<HMODULE>(::GetClassLongPtrW(window, GCLP_HMODULE)) != program) {
        windows.push_back(window);
      }
    }
  } found;
  ::EnumThreadWindows(
      found.thread,
      [](HWND window, LPARAM context) -> BOOL {
        reinterpret_cast<Found*>(context)->Consider(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  for (HWND window = ::FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window != nullptr;
       window = ::FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
    found.Consider(window);
  }
  return found.windows;
}

// Delivers what is waiting for the system's components on this thread.
void DispatchComponentMessages() {
  for (HWND window : ComponentWindows()) {
    MSG message;
    for (int i = 0; i < 1000 && ::PeekMessageW(&message, window, 0, 0, PM_REMOVE); ++i) {
      ::DispatchMessageW(&message);
    }
  }
}

long ReadyState(IXMLHTTPRequest& request) {
  long state = 0;
  return SUCCEEDED(request.get_readyState(&state)) ? state : 0;
}

// Request objects aborted at a deadline, kept until their binding has called
// back for the last time (see the top of this file). At the end of the process
// the rest is left to the system: the platform's libraries may be gone by then.
class AbortedRequests {
 public:
  static void Keep(ComPtr<IXMLHTTPRequest> request) {
    static AbortedRequests kept;
    std::erase_if(kept.requests_, [](const ComPtr<IXMLHTTPRequest>& aborted) {
      return ReadyState(*aborted.Get()) == kReadyStateComplete;
    });
    kept.requests_.push_back(std::move(request));
  }
  ~AbortedRequests() {
    for (ComPtr<IXMLHTTPRequest>& request : requests_) static_cast<void>(request.Detach());
  }

 private:
  std::vector<ComPtr<IXMLHTTPRequest>> requests_;
};

ComPtr<IXMLHTTPRequest> CreateRequestObject() {
  ComPtr<IUnknown> unknown;
  HRESULT result =
      ::CoCreateInstance(kXmlHttpRequestClass, nullptr, kInprocOrLocalServer, IID_IUnknown,
                         reinterpret_cast<void**>(unknown.GetAddressOf()));
  if (FAILED(result)) throw std::runtime_error(HresultMessage(result));
  ComPtr<IXMLHTTPRequest> request;
  result = unknown->QueryInterface(kXmlHttpRequestInterface,
                                   reinterpret_cast<void**>(request.GetAddressOf()));
  if (FAILED(result)) throw std::runtime_error(HresultMessage(result));
  return request;
}

class XmlHttpReportRequest final : public ReportRequest {
 public:
  XmlHttpReportRequest(const HttpLimits& limits, ReportRoute route)
      : limits_(limits), route_(route), request_(CreateRequestObject()) {}

  std::string Fetch(const std::string& url) override {
    if (!request_) request_ = CreateRequestObject();
    ::SetErrorInfo(0, nullptr);
    const auto outcome = std::make_shared<TransportOutcome>();
    const HttpNamespace transport(Make<HttpTransportFactory>(limits_, outcome), route_);
    const auto check = [&outcome](HRESULT result) {
      if (SUCCEEDED(result)) return;
      if (!outcome->failure.empty()) throw std::runtime_error(outcome->failure);
      ThrowRequestError(result, outcome->socketText);
    };

    const UniqueBstr method(::SysAllocString(L"Get"));
    const UniqueBstr address = Bstr(Wide(url));
    VARIANT asynchronous;
    ::VariantInit(&asynchronous);
    asynchronous.vt = VT_BOOL;
    asynchronous.boolVal = VARIANT_TRUE;
    const auto start = Clock::now();
    check(request_->open(method.get(), address.get(), asynchronous, OmittedArgument(),
                         OmittedArgument()));
    // The platform's own transport must ask the network every time: a report
    // from WinINet's cache is yesterday's. The program's transport has no cache.
    check(request_->setRequestHeader(Bstr(L"Cache-Control").get(), Bstr(L"no-cache").get()));
    check(request_->setRequestHeader(Bstr(L"If-Modified-Since").get(),
                                     Bstr(L"Thu, 01 Jan 1970 00:00:00 GMT").get()));
    check(request_->send(OmittedArgument()));
    Wait(start, *outcome);
    if (outcome->failed) check(outcome->result);
    long status = 0;
    check(request_->get_status(&status));
    // Windows' object reports a failure of WinINet on an asynchronous request
    // as a status in WinINet's error range (12029: cannot connect): a failed
    // request, not a server's answer.
    if (status > INTERNET_ERROR_BASE && status < INTERNET_ERROR_BASE + 1000) {
      std::string text = ModuleMessage(L"wininet.dll", static_cast<DWORD>(status));
      if (text.empty()) text = HresultMessage(HRESULT_FROM_WIN32(static_cast<DWORD>(status)));
      throw std::runtime_error(text);
    }
    UniqueBstr text;
    check(request_->get_responseText(text.put()));
    return text ? Gbk(text.get(), ::SysStringLen(text.get())) : std::string();
  }

 private:
  // Until the object has the whole answer or the transport failed; at a
  // deadline the object is aborted and the run fails with the limit's text.
  // Before the answer begins (READYSTATE_INTERACTIVE) connecting and silence
  // are bounded together, after it only the whole answer is: the object shows
  // no finer progress.
  void Wait(Clock::time_point start, const TransportOutcome& outcome) {
    const auto whole = start + limits_.totalTimeout;
    const auto beginning = std::min(whole, start + limits_.connectTimeout + limits_.idleTimeout);
    for (;;) {
      DispatchComponentMessages();
      const long state = ReadyState(*request_.Get());
      if (state == kReadyStateComplete || outcome.failed) return;
      const bool begun = state >= kReadyStateInteractive;
      const auto deadline = begun ? whole : beginning;
      const auto now = Clock::now();
      if (now >= deadline) {
        request_->abort();
        AbortedRequests::Keep(std::move(request_));
        const auto bound = begun ? limits_.totalTimeout
                                 : std::chrono::ceil<milliseconds>(deadline - start);
        throw std::runtime_error(FailureText(
            net::HttpFailure(begun ? net::HttpError::kTotalTimeout : net::HttpError::kNotBegun,
                             static_cast<std::uint64_t>(bound.count()))));
      }
      const auto left = std::chrono::ceil<milliseconds>(deadline - now);
      ::MsgWaitForMultipleObjectsEx(
          0, nullptr, static_cast<DWORD>(std::min<milliseconds>(left, milliseconds(50)).count()),
          QS_POSTMESSAGE | QS_SENDMESSAGE | QS_TIMER, 0);
    }
  }

  HttpLimits limits_;
  ReportRoute route_;
  ComPtr<IXMLHTTPRequest> request_;
};

}  // namespace

std::unique_ptr<ReportRequest> CreateXmlHttpReportRequest(const HttpLimits& limits,
                                                          ReportRoute route) {
  return std::make_unique<XmlHttpReportRequest>(limits, route);
}

ComPtr<IClassFactory> MakeHttpTransportFactory(const HttpLimits& limits) {
  return Make<HttpTransportFactory>(limits, std::make_shared<TransportOutcome>());
}

std::string FetchReportText(const std::string& url, const HttpLimits& limits) {
  return CreateXmlHttpReportRequest(limits)->Fetch(url);
}

}  // namespace weather
