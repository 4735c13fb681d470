#include <windows.h>
// after windows.h, which they need
#include <msxml2.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <cstdio>
#include <stdexcept>

#include "weather/UniqueResource.h"
#include "weather/XmlHttpRequest.h"

namespace weather {
namespace {

// XMLHTTPRequest and IXMLHTTPRequest of the platform's XML services.
constexpr CLSID kXmlHttpRequestClass = {
    0xED8C108E, 0x4349, 0x11D2, {0x91, 0xA4, 0x00, 0xC0, 0x4F, 0x79, 0x69, 0xE8}};
constexpr IID kXmlHttpRequestInterface = {
    0xED8C108D, 0x4349, 0x11D2, {0x91, 0xA4, 0x00, 0xC0, 0x4F, 0x79, 0x69, 0xE8}};
constexpr DWORD kInprocOrLocalServer = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;

constexpr UINT kGbk = 936;

void FreeBstr(BSTR text) { ::SysFreeString(text); }
using UniqueBstr = UniqueHandle<BSTR, FreeBstr>;

std::wstring ToUtf16(const std::string& text) {
  if (text.empty()) return {};
  const int length =
      ::MultiByteToWideChar(kGbk, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(kGbk, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

// Characters GBK lacks become its default character.
std::string ToGbk(const wchar_t* text, size_t length) {
  if (length == 0) return {};
  const int size =
      ::WideCharToMultiByte(kGbk, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string gbk(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(kGbk, 0, text, static_cast<int>(length), gbk.data(), size, nullptr,
                        nullptr);
  return gbk;
}

std::string TrimDescription(std::string text) {
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

std::string HresultMessage(HRESULT result) {
  wchar_t buffer[1024];
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
      nullptr, static_cast<DWORD>(result), 0, buffer, static_cast<DWORD>(std::size(buffer)),
      nullptr);
  std::string message = TrimDescription(ToGbk(buffer, length));
  if (!message.empty()) return message;
  char fallback[32];
  std::snprintf(fallback, sizeof fallback, "OLE error %.8lx", static_cast<unsigned long>(result));
  return fallback;
}

// The description the object left with its failure, else the system's text.
[[noreturn]] void ThrowRequestError(HRESULT result) {
  Microsoft::WRL::ComPtr<IErrorInfo> info;
  if (::GetErrorInfo(0, info.GetAddressOf()) == S_OK && info) {
    UniqueBstr description;
    if (SUCCEEDED(info->GetDescription(description.put())) && description) {
      std::string text =
          TrimDescription(ToGbk(description.get(), ::SysStringLen(description.get())));
      if (!text.empty()) throw std::runtime_error(text);
    }
  }
  throw std::runtime_error(HresultMessage(result));
}

void Check(HRESULT result) {
  if (FAILED(result)) ThrowRequestError(result);
}

VARIANT OmittedArgument() {
  VARIANT omitted;
  ::VariantInit(&omitted);
  omitted.vt = VT_ERROR;
  omitted.scode = DISP_E_PARAMNOTFOUND;
  return omitted;
}

class XmlHttpReportRequest final : public ReportRequest {
 public:
  XmlHttpReportRequest() {
    Microsoft::WRL::ComPtr<IUnknown> unknown;
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
    UniqueBstr method(::SysAllocString(L"Get"));
    UniqueBstr address(::SysAllocString(ToUtf16(url).c_str()));
    VARIANT synchronous;
    ::VariantInit(&synchronous);
    synchronous.vt = VT_BOOL;
    synchronous.boolVal = VARIANT_FALSE;
    Check(request_->open(method.get(), address.get(), synchronous, OmittedArgument(),
                         OmittedArgument()));
    Check(request_->send(OmittedArgument()));
    UniqueBstr text;
    Check(request_->get_responseText(text.put()));
    return ToGbk(text.get(), text ? ::SysStringLen(text.get()) : 0);
  }

 private:
  Microsoft::WRL::ComPtr<IXMLHTTPRequest> request_;
};

}  // namespace

std::unique_ptr<ReportRequest> CreateXmlHttpReportRequest() {
  return std::make_unique<XmlHttpReportRequest>();
}

std::string FetchReportText(const std::string& url) {
  return CreateXmlHttpReportRequest()->Fetch(url);
}

}  // namespace weather
