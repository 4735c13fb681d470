// The report request keeps the platform's XML HTTP request object and its
// calls (create, a synchronous open of "Get", send, responseText) and the
// object's own decoding of the answer, but the object reaches the network
// through a transport of this program: while a request runs, a temporary
// namespace handler for "http" (IInternetSession::RegisterNameSpace, urlmon's
// documented way for a process to take over a scheme of its URL monikers for
// a while) answers the object's binding with HttpGetUrl, which bounds
// connecting, silence, the whole answer, header lines, body and redirects as
// the location GET is bounded.
//
// Bounding the platform's own transport does not work; measured under Wine 8
// (msxml3 over urlmon and wininet):
// - Opened asynchronously and waited for with a loop that dispatches only the
//   URL moniker's notification window, a fast endless body never returns
//   control: the one message that delivers data copies it in a loop inside the
//   object that ends only when the socket runs dry (still there after 30 s).
// - abort does not stop a running binding (the object keeps the binding only
//   once it is complete), and wininet reads endless header lines on a worker
//   thread of its own: the process grew by about 40 MB/s and went on growing
//   after abort and release (381 MB after 13 s).
// - A failing asynchronous request stays at readyState 2, so a refused
//   connection looks like silence; every download leaves its body in the
//   download cache.
// On Windows msxml3's XMLHTTP binds through URL monikers too (it is built on
// urlmon and wininet, not on WinHTTP as ServerXMLHTTP is), and URL monikers
// give a scheme to the namespace handler a process registered for it before
// the system's protocol, so the same transport serves there. All its work
// happens on the calling thread inside the binding's Start, before send
// returns: the run stays synchronous, dispatches no message (the windows do
// not react to input, as during the location GET), needs no thread, and
// nothing reaches the download cache.
#include <windows.h>
// after windows.h, which they need
#include <msxml2.h>
#include <oleauto.h>
#include <urlmon.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "base/CodePage.h"
#include "base/SystemFunction.h"
#include "base/SystemMessage.h"
#include "base/UniqueResource.h"
#include "weather/ReportTransport.h"
#include "weather/XmlHttpRequest.h"

namespace weather {

using base::ModuleMessage;
using base::SystemFunction;
using base::SystemMessage;
using base::UniqueHandle;
using base::WithoutTrailingStops;
namespace {

using Microsoft::WRL::ComPtr;
using UniqueBstr = UniqueHandle<BSTR, ::SysFreeString>;
using UniqueTaskText = UniqueHandle<LPWSTR, ::CoTaskMemFree>;

// XMLHTTPRequest and IXMLHTTPRequest of the platform's XML services.
constexpr CLSID kXmlHttpRequestClass = {
    0xED8C108E, 0x4349, 0x11D2, {0x91, 0xA4, 0x00, 0xC0, 0x4F, 0x79, 0x69, 0xE8}};
constexpr IID kXmlHttpRequestInterface = {
    0xED8C108D, 0x4349, 0x11D2, {0x91, 0xA4, 0x00, 0xC0, 0x4F, 0x79, 0x69, 0xE8}};
constexpr DWORD kInprocOrLocalServer = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;
// The name under which the transport is registered for "http".
constexpr CLSID kTransportClass = {
    0x5AC9C953, 0xBDF0, 0x41D7, {0x8E, 0x6D, 0x12, 0xE4, 0x66, 0x4C, 0x8F, 0xD6}};

// wchar_t and char16_t are both UTF-16 code units on Windows.
std::string Gbk(const wchar_t* text, size_t length) {
  return base::Utf16ToGbk(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

std::wstring Wide(std::string_view gbk) {
  const std::u16string text = base::GbkToUtf16(gbk);
  return std::wstring(text.begin(), text.end());
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

// Set by the transport when it ends a request itself (a limit, an answer that
// breaks the rules of HTTP): the text to show instead of the object's.
struct TransportOutcome {
  std::string failure;
  // The network's failure that the object is left to describe.
  std::string socketText;
};

// One binding of the request object: the whole exchange runs inside Start.
class HttpTransport final : public IInternetProtocol {
 public:
  HttpTransport(const HttpLimits& limits, std::shared_ptr<TransportOutcome> outcome)
      : limits_(limits), outcome_(std::move(outcome)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IInternetProtocolRoot || iid == IID_IInternetProtocol) {
      *object = static_cast<IInternetProtocol*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) {
      const std::unique_ptr<HttpTransport> last(this);
    }
    return left;
  }

  HRESULT STDMETHODCALLTYPE Start(LPCWSTR url, IInternetProtocolSink* sink, IInternetBindInfo*,
                                  DWORD, HANDLE_PTR) override {
    if (url == nullptr || sink == nullptr) return E_INVALIDARG;
    try {
      const ComPtr<IHttpNegotiate> negotiate = Negotiator(*sink);
      HttpAnswer answer =
          HttpGetUrl(Gbk(url, std::wcslen(url)), limits_, ExtraHeaders(negotiate, url));
      if (negotiate) {
        UniqueTaskText more;
        negotiate->OnResponse(static_cast<DWORD>(answer.status), Wide(answer.head).c_str(), nullptr,
                              more.put());
      }
      body_ = std::move(answer.body);
      const auto size = static_cast<ULONG>(body_.size());
      sink->ReportData(
          BSCF_FIRSTDATANOTIFICATION | BSCF_LASTDATANOTIFICATION | BSCF_DATAFULLYAVAILABLE, size,
          size);
      sink->ReportResult(S_OK, 0, nullptr);
    } catch (const SocketError& error) {
      // Connecting too long is a limit of the program's; other network
      // failures are the object's to describe.
      if (error.Code() == kSocketTimedOut) outcome_->failure = error.what();
      outcome_->socketText = error.what();
      sink->ReportResult(PlatformResultOf(error.Code()), static_cast<DWORD>(error.Code()), nullptr);
    } catch (const std::exception& error) {
      outcome_->failure = error.what();
      sink->ReportResult(E_ABORT, 0, nullptr);
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Continue(PROTOCOLDATA*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Abort(HRESULT, DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Terminate(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Suspend() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Resume() override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override {
    const size_t count = std::min<size_t>(size, body_.size() - delivered_);
    std::memcpy(buffer, body_.data() + delivered_, count);
    delivered_ += count;
    if (read != nullptr) *read = static_cast<ULONG>(count);
    return count > 0 ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_FAIL; }
  HRESULT STDMETHODCALLTYPE LockRequest(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE UnlockRequest() override { return S_OK; }

 private:
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

  ULONG references_ = 0;
  HttpLimits limits_;
  std::shared_ptr<TransportOutcome> outcome_;
  std::string body_;
  size_t delivered_ = 0;
};

// Makes one transport per binding. Counted like every COM object: urlmon
// may keep it after the registration ends, and it then lives on with what
// its transports need.
class HttpTransportFactory final : public IClassFactory {
 public:
  HttpTransportFactory(const HttpLimits& limits, std::shared_ptr<TransportOutcome> outcome)
      : limits_(limits), outcome_(std::move(outcome)) {}

  static ComPtr<IClassFactory> Make(const HttpLimits& limits,
                                    std::shared_ptr<TransportOutcome> outcome) {
    auto made = std::make_unique<HttpTransportFactory>(limits, std::move(outcome));
    ComPtr<IClassFactory> factory;
    if (SUCCEEDED(made->QueryInterface(IID_PPV_ARGS(factory.GetAddressOf())))) {
      made.release();  // now owned by its references
    }
    return factory;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) {
      const std::unique_ptr<HttpTransportFactory> last(this);
    }
    return left;
  }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    try {
      auto transport = std::make_unique<HttpTransport>(limits_, outcome_);
      const HRESULT result = transport->QueryInterface(iid, object);
      if (SUCCEEDED(result)) transport.release();  // now owned by its references
      return result;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  ULONG references_ = 0;
  HttpLimits limits_;
  std::shared_ptr<TransportOutcome> outcome_;
};

// While it lives, the process's URL monikers fetch http addresses through the
// factory's transports.
class HttpNamespace {
 public:
  explicit HttpNamespace(ComPtr<IClassFactory> factory) : factory_(std::move(factory)) {
    if (!factory_) throw std::runtime_error(HresultMessage(E_OUTOFMEMORY));
    using GetSession = HRESULT(WINAPI*)(DWORD, IInternetSession**, DWORD);
    static const auto getSession =
        SystemFunction<GetSession>(L"urlmon.dll", "CoInternetGetSession");
    HRESULT result = getSession != nullptr ? getSession(0, session_.GetAddressOf(), 0)
                                           : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    if (SUCCEEDED(result)) {
      result = session_->RegisterNameSpace(factory_.Get(), kTransportClass, L"http", 0, nullptr, 0);
    }
    if (FAILED(result)) throw std::runtime_error(HresultMessage(result));
  }
  HttpNamespace(const HttpNamespace&) = delete;
  HttpNamespace& operator=(const HttpNamespace&) = delete;
  ~HttpNamespace() { session_->UnregisterNameSpace(factory_.Get(), L"http"); }

 private:
  ComPtr<IClassFactory> factory_;
  ComPtr<IInternetSession> session_;
};

class XmlHttpReportRequest final : public ReportRequest {
 public:
  explicit XmlHttpReportRequest(const HttpLimits& limits) : limits_(limits) {
    ComPtr<IUnknown> unknown;
    HRESULT result =
        ::CoCreateInstance(kXmlHttpRequestClass, nullptr, kInprocOrLocalServer, IID_IUnknown,
                           reinterpret_cast<void**>(unknown.GetAddressOf()));
    if (FAILED(result)) throw std::runtime_error(HresultMessage(result));
    result = unknown->QueryInterface(kXmlHttpRequestInterface,
                                     reinterpret_cast<void**>(request_.GetAddressOf()));
    if (FAILED(result)) throw std::runtime_error(HresultMessage(result));
  }

  std::string Fetch(const std::string& url) override {
    ::SetErrorInfo(0, nullptr);
    const auto outcome = std::make_shared<TransportOutcome>();
    const HttpNamespace transport(HttpTransportFactory::Make(limits_, outcome));
    const auto check = [&outcome](HRESULT result) {
      if (SUCCEEDED(result)) return;
      if (!outcome->failure.empty()) throw std::runtime_error(outcome->failure);
      ThrowRequestError(result, outcome->socketText);
    };

    const UniqueBstr method(::SysAllocString(L"Get"));
    const std::wstring wideUrl = Wide(url);
    const UniqueBstr address(
        ::SysAllocStringLen(wideUrl.data(), static_cast<UINT>(wideUrl.size())));
    VARIANT synchronous;
    ::VariantInit(&synchronous);
    synchronous.vt = VT_BOOL;
    synchronous.boolVal = VARIANT_FALSE;
    check(request_->open(method.get(), address.get(), synchronous, OmittedArgument(),
                         OmittedArgument()));
    check(request_->send(OmittedArgument()));
    UniqueBstr text;
    check(request_->get_responseText(text.put()));
    return text ? Gbk(text.get(), ::SysStringLen(text.get())) : std::string();
  }

 private:
  HttpLimits limits_;
  ComPtr<IXMLHTTPRequest> request_;
};

}  // namespace

std::unique_ptr<ReportRequest> CreateXmlHttpReportRequest(const HttpLimits& limits) {
  return std::make_unique<XmlHttpReportRequest>(limits);
}

std::string FetchReportText(const std::string& url, const HttpLimits& limits) {
  return CreateXmlHttpReportRequest(limits)->Fetch(url);
}

}  // namespace weather
