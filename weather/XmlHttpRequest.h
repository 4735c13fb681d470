// The weather report request through the platform's XML HTTP request object
// (Windows only).
#pragma once

#include <unknwn.h>
#include <wrl/client.h>

#include <memory>
#include <string>

#include "weather/Report.h"
#include "weather/ReportTransport.h"

namespace weather {

// How the request object reaches the network. The program always asks for its
// own transport; it falls back to the platform's where the platform refuses the
// transport's registration, or does not use it. Tests take those two ways on
// purpose.
enum class ReportRoute {
  kOwnTransport,
  // The registration is refused by urlmon itself, as it may be anywhere.
  kRegistrationRefused,
  // The transport is registered, but the system's own http protocol is
  // registered after it and so is the one used.
  kOwnTransportPassedOver,
};

// Creates the COM request object now; throws with the system's message for the
// failure when it cannot be created. Each request is bounded by limits (the
// program uses the defaults: 20 s to connect, 30 s of silence, 60 s for the
// whole answer, 4 MiB of body), whichever transport carries it.
std::unique_ptr<ReportRequest> CreateXmlHttpReportRequest(
    const HttpLimits& limits = {}, ReportRoute route = ReportRoute::kOwnTransport);

// The program's http transport as a class factory of urlmon protocols
// (IInternetProtocol, IWinInetHttpInfo), as the request registers it.
Microsoft::WRL::ComPtr<IClassFactory> MakeHttpTransportFactory(const HttpLimits& limits = {});

// One synchronous GET of the URL; the answer's text as GBK, whatever the status.
std::string FetchReportText(const std::string& url, const HttpLimits& limits = {});

}  // namespace weather
