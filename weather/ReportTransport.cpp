#include "weather/ReportTransport.h"

#include <stdexcept>

#include "weather/FailureText.h"

namespace weather {

HttpAnswer HttpGetUrl(std::string_view url, const HttpLimits& limits,
                      std::string_view extraHeaders) {
  try {
    return net::GetUrl(url, limits, extraHeaders);
  } catch (const net::HttpFailure& failure) {
    throw std::runtime_error(FailureText(failure));
  } catch (const net::SocketError& error) {
    throw SocketError(error.Code());
  }
}

}  // namespace weather
