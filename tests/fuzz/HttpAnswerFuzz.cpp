// Any bytes as the location server's answer, fed in pieces the fuzzer
// chooses: the parser keeps its bounds, ends after the connection's end, and
// gives the same outcome however the bytes are split.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "net/HttpAnswer.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// The first byte chooses limits small enough for the fuzzer to reach.
net::HttpLimits LimitsFor(std::uint8_t choice) {
  net::HttpLimits limits;
  limits.maxPageBytes = 1 + (choice & 0x0F) * 97;
  limits.maxLineBytes = 8 + ((choice >> 4) & 0x03) * 40;
  limits.maxHeaderLines = 1 + ((choice >> 6) & 0x01) * 7;
  limits.maxInterimAnswers = 1 + ((choice >> 7) & 0x01) * 2;
  return limits;
}

// After an error the page is whatever had arrived: only the rest must agree.
struct Outcome {
  net::HttpError error = net::HttpError::kNone;
  bool failing = false;
  std::string statusLine;
  std::string page;

  bool operator==(const Outcome&) const = default;
};

// Feeds the answer in pieces of the given sizes (the rest in one), then ends it.
Outcome Run(const net::HttpLimits& limits, std::string_view answer,
            const std::vector<std::size_t>& pieces) {
  net::HttpResponseParser parser(limits);
  Outcome outcome;
  for (const std::size_t piece : pieces) {
    const std::string_view bytes = answer.substr(0, piece);
    answer.remove_prefix(bytes.size());
    outcome.error = parser.Feed(bytes);
    Check(parser.Page().size() <= limits.maxPageBytes);
    if (outcome.error != net::HttpError::kNone) break;
  }
  if (outcome.error == net::HttpError::kNone) outcome.error = parser.Feed(answer);
  if (outcome.error == net::HttpError::kNone) outcome.error = parser.FeedEnd();
  // An error stays; without one the answer ended.
  Check(outcome.error == parser.Error());
  Check(outcome.error != net::HttpError::kNone || parser.Done());
  Check(parser.Page().size() <= limits.maxPageBytes);
  // The status line a failing answer shows, as it arrived.
  const std::string& statusLine = parser.StatusLine();
  Check(statusLine.size() <= limits.maxLineBytes);
  Check(statusLine.find('\n') == std::string::npos);
  outcome.failing = parser.Failing();
  outcome.statusLine = statusLine;
  if (outcome.error == net::HttpError::kNone) {
    outcome.page = parser.Page();
    // A page only comes with a 2xx status; a failing answer keeps none.
    if (outcome.failing) {
      Check(outcome.page.empty());
    } else {
      const std::optional<int> status = parser.StatusCode();
      Check(status && *status >= 200 && *status <= 299);
    }
  }
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const net::HttpLimits limits = LimitsFor(data[0]);
  // The second byte seeds the piece sizes; the rest is the answer.
  std::uint32_t seed = data[1];
  const std::string_view answer(reinterpret_cast<const char*>(data + 2), size - 2);

  std::vector<std::size_t> chosen;
  for (std::size_t fed = 0; fed < answer.size();) {
    seed = seed * 1103515245u + 12345u;
    const std::size_t piece = 1 + (seed >> 16) % 23;
    chosen.push_back(piece);
    fed += piece;
  }
  const std::vector<std::size_t> bytewise(answer.size(), 1);

  const Outcome whole = Run(limits, answer, {});
  Check(Run(limits, answer, chosen) == whole);
  Check(Run(limits, answer, bytewise) == whole);
  return 0;
}
