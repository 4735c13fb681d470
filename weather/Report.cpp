#include "weather/Report.h"

#include <stdexcept>

namespace weather {

std::string MakeReportUrl(std::string_view host, std::string_view cityCode) {
  std::string url = "http://";
  url += host;
  url += "/data/";
  url += cityCode;
  url += ".html";
  return url;
}

std::string MakeReportUrl(std::string_view cityCode) {
  return MakeReportUrl(WEATHER_REPORT_HOST, cityCode);
}

ReportMember FindReportMember(std::string_view reportText) {
  ReportMember result;
  result.document = json::ParseJsonText(reportText);
  if (!result.document) return result;
  const json::JsonNode& root = json::RootOf(*result.document);
  if (json::NodeKind(root) != json::jsObject) throw json::InvalidTypecast();
  const json::JsonNode* member = json::FindMember(root, "weatherinfo");
  if (member != nullptr && json::NodeKind(*member) == json::jsObject) result.weatherinfo = member;
  return result;
}

void RunReport(const ReportRequestFactory& createRequest, ReportView& view,
               const ReportUrlMaker& makeUrl) {
  const std::unique_ptr<ReportRequest> request = createRequest();
  if (!request) throw std::runtime_error("No report request");
  const std::string cityCode = view.SelectedCityCode();
  const std::string url = makeUrl ? makeUrl(cityCode) : MakeReportUrl(cityCode);
  const std::string text = request->Fetch(url);
  view.ShowReportText(text);
  const ReportMember report = FindReportMember(text);
  view.ReportParsed();
  if (report) view.Display(*report.weatherinfo);
}

}  // namespace weather
