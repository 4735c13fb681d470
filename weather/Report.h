// One report run: the city's report fetched, parsed, its "weatherinfo" shown.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "json/Json.h"

namespace weather {

// "http://" + host + "/data/" + cityCode + ".html"; the code is not checked.
std::string MakeReportUrl(std::string_view cityCode);
std::string MakeReportUrl(std::string_view host, std::string_view cityCode);

// The parsed report and its "weatherinfo" object; the pointer lives as long
// as the document.
struct ReportMember {
  json::JsonDocumentPtr document;
  const json::JsonNode* weatherinfo = nullptr;

  explicit operator bool() const noexcept { return weatherinfo != nullptr; }
};

// Quietly gives no member for text that is not JSON, has no "weatherinfo" or
// whose "weatherinfo" is no object; a root other than an object throws
// json::InvalidTypecast.
ReportMember FindReportMember(std::string_view reportText);

// The transport of one run; released when the run ends, also by an error.
class ReportRequest {
 public:
  virtual ~ReportRequest() = default;
  // The whole answer as GBK text, whatever the HTTP status; throws when the
  // request itself fails.
  virtual std::string Fetch(const std::string& url) = 0;
};

// What a window does during a run.
class ReportView {
 public:
  virtual ~ReportView() = default;
  // The selected entry's code, empty when nothing is selected; may throw.
  virtual std::string SelectedCityCode() = 0;
  // The raw answer, before it is parsed (the full window shows it).
  virtual void ShowReportText(const std::string& text) { static_cast<void>(text); }
  // Once the answer is parsed, whatever it holds (the full window empties a memo).
  virtual void ReportParsed() {}
  // Fills the window from the report member; only called for an object.
  virtual void Display(const json::JsonNode& weatherinfo) = 0;
};

using ReportRequestFactory = std::function<std::unique_ptr<ReportRequest>()>;

// The report URL for a city code; the built-in service unless told otherwise.
using ReportUrlMaker = std::function<std::string(std::string_view cityCode)>;

// One report run into a view. The request is created before anything else so
// that a platform without the request service fails before the window is
// asked for its city.
void RunReport(const ReportRequestFactory& createRequest, ReportView& view,
               const ReportUrlMaker& makeUrl = {});

}  // namespace weather
