#include <windows.h>
// after windows.h, which they need
#include <msxml2.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <cstdio>
#include <stdexcept>
#include <string_view>

#include "json/CodePage.h"
#include "weather/SystemMessage.h"
#include "weather/UniqueResource.h"
#include "weather/XmlHttpRequest.h"

namespace weather {
namespace {

using Microsoft::WRL::ComPtr;
using UniqueBstr = UniqueHandle<BSTR, ::SysFreeString>;

// XMLHTTPRequest and IXMLHTTPRequest of the platform's XML services.
constexpr CLSID kXmlHttpRequestClass = {
    0xED8C108E, 0x4349, 0x11D2, {0x91, 0xA4, 0x00, 0xC0, 0x4F, 0x79, 0x69, 0xE8}};
constexpr IID kXmlHttpRequestInterface = {
    0xED8C108D, 0x4349, 0x11D2, {0x91, 0xA4, 0x00, 0xC0, 0x4F, 0x79, 0x69, 0xE8}};
constexpr DWORD kInprocOrLocalServer = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;

// wchar_t and char16_t are both UTF-16 code units on Windows.
std::string Gbk(const wchar_t* text, size_t length) {
  return json::Utf16ToGbk(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

std::wstring Wide(std::string_view gbk) {
  const std::u16string text = json::GbkToUtf16(gbk);
  return std::wstring(text.begin(), text.end());
}

std::string HresultMessage(HRESULT result) {
  std::string message = SystemMessage(static_cast<DWORD>(result));
  if (!message.empty()) return message;
  char fallback[32];
  std::snprintf(fallback, sizeof fallback, "OLE error %.8lx", static_cast<unsigned long>(result));
  return fallback;
}

// The description the object left with its failure, else the system's text.
[[noreturn]] void ThrowRequestError(HRESULT result) {
  ComPtr<IErrorInfo> info;
  if (::GetErrorInfo(0, info.GetAddressOf()) == S_OK && info) {
    UniqueBstr description;
    if (SUCCEEDED(info->GetDescription(description.put())) && description) {
      std::string text =
          WithoutTrailingStops(Gbk(description.get(), ::SysStringLen(description.get())));
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
    const UniqueBstr method(::SysAllocString(L"Get"));
    const std::wstring wideUrl = Wide(url);
    const UniqueBstr address(
        ::SysAllocStringLen(wideUrl.data(), static_cast<UINT>(wideUrl.size())));
    VARIANT synchronous;
    ::VariantInit(&synchronous);
    synchronous.vt = VT_BOOL;
    synchronous.boolVal = VARIANT_FALSE;
    Check(request_->open(method.get(), address.get(), synchronous, OmittedArgument(),
                         OmittedArgument()));
    Check(request_->send(OmittedArgument()));
    UniqueBstr text;
    Check(request_->get_responseText(text.put()));
    return text ? Gbk(text.get(), ::SysStringLen(text.get())) : std::string();
  }

 private:
  ComPtr<IXMLHTTPRequest> request_;
};

}  // namespace

std::unique_ptr<ReportRequest> CreateXmlHttpReportRequest() {
  return std::make_unique<XmlHttpReportRequest>();
}

std::string FetchReportText(const std::string& url) {
  return CreateXmlHttpReportRequest()->Fetch(url);
}

}  // namespace weather
