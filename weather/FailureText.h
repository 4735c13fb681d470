// The words of a failed exchange, for both requests (the location page and
// the report): net reports what failed and the limit it broke, the user is
// told it here.
#pragma once

#include <string>

#include "net/HttpClient.h"

namespace weather {

std::string FailureText(const net::HttpFailure& failure);

}  // namespace weather
