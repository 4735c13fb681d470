// The weather report request through the platform's XML HTTP request object
// (Windows only).
#pragma once

#include <memory>
#include <string>

#include "weather/Report.h"
#include "weather/ReportTransport.h"

namespace weather {

// Creates the COM request object now; throws with the system's message for the
// failure when it cannot be created. Each request is bounded by limits (the
// program uses the defaults: 20 s to connect, 30 s of silence, 60 s for the
// whole answer, 4 MiB of body).
std::unique_ptr<ReportRequest> CreateXmlHttpReportRequest(const HttpLimits& limits = {});

// One synchronous GET of the URL; the answer's text as GBK, whatever the status.
std::string FetchReportText(const std::string& url, const HttpLimits& limits = {});

}  // namespace weather
