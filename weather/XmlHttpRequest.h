// The weather report request through the platform's XML HTTP request object
// (Windows only).
#pragma once

#include <memory>
#include <string>

#include "weather/Report.h"

namespace weather {

// Creates the COM request object now; throws with the system's message for the
// failure when it cannot be created.
std::unique_ptr<ReportRequest> CreateXmlHttpReportRequest();

// One synchronous GET of the URL; the answer's text as GBK, whatever the status.
std::string FetchReportText(const std::string& url);

}  // namespace weather
