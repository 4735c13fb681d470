// The location page's HTTP GET: the answer parser on its own, and the whole
// exchange against scripted servers on real loopback sockets.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>

#include "net/HttpClient.h"
#include "net/Socket.h"
#include "support/ScriptedServer.h"
#include "weather/FailureText.h"
#include "weather/Location.h"
#include "weather/ReportTransport.h"

namespace weather {
namespace {

using namespace std::chrono_literals;
using namespace net;
using testsupport::ScriptedServer;
using testsupport::ServerScript;
using Clock = std::chrono::steady_clock;

struct AnswerCase {
  const char* name;
  std::string answer;  // followed by the server closing the connection
  bool givesPage;
  std::string pageOrError;
};

AnswerCase Page(const char* name, std::string answer, std::string page) {
  return {name, std::move(answer), true, std::move(page)};
}
AnswerCase Fails(const char* name, std::string answer, std::string error) {
  return {name, std::move(answer), false, std::move(error)};
}

const std::string kGbkBody = std::string("\xB2\xE9\xD1\xAF\r\n\x00\xFF<b>", 11);

const AnswerCase kAnswers[] = {
    // Bodies by Content-Length.
    Page("ContentLength", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", "hello"),
    Page("ContentLengthIgnoresExtraBytes", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nhello",
         "hel"),
    Page("ContentLengthShortBody", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhello", "hello"),
    Page("ContentLengthZero", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\njunk", ""),
    Page("ContentLengthBeatsChunked",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 3\r\n\r\nabcdef", "abc"),
    Page("FirstContentLengthCounts",
         "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 4\r\n\r\nabcdef", "ab"),
    Page("HeaderNamesAnyCase", "HTTP/1.1 200 OK\r\ncontent-LENGTH:   2  \r\n\r\nokay", "ok"),
    Page("RawBytesKept",
         "HTTP/1.1 200 OK\r\nContent-Length: 11\r\nContent-Type: text/html; charset=gbk\r\n\r\n" +
             kGbkBody,
         kGbkBody),
    Page("OtherSuccessStatus", "HTTP/1.1 203 Non-Authoritative Information\r\n\r\nbody", "body"),
    Page("BareLineFeeds", "HTTP/1.1 200 OK\nContent-Length: 2\n\nok", "ok"),
    Page("HttpOneZero", "HTTP/1.0 200 OK\r\n\r\nold", "old"),
    Page("StatusWordsSeparatedByBlanks", "HTTP/1.1  200  OK\r\nContent-Length: 1\r\n\r\nx", "x"),
    Page("NoReasonPhrase", "HTTP/1.1 200\r\nContent-Length: 1\r\n\r\nx", "x"),
    Page("NoContent", "HTTP/1.1 204 No Content\r\nContent-Length: 4\r\n\r\njunk", ""),
    // Chunked bodies.
    Page("Chunked",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n6\r\n world\r\n0\r\n"
         "\r\n",
         "hello world"),
    Page("ChunkedWithTrailer",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n0\r\nX-T: 1\r\n\r\n",
         "ab"),
    Page("ChunkSizeUpToFirstBlank",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nA ext=1\r\n0123456789\r\n00\r\n\r\n",
         "0123456789"),
    Page(
        "ChunkSizeWithExtensionIsNoNumber",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n3;x=y\r\ncde\r\n0\r\n\r\n",
        "ab"),
    Page("ChunkSizeNotANumberEndsBody",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\nzz\r\nmore\r\n",
         "hello"),
    Page("ChunkSizeNegative",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n-5\r\nhello\r\n0\r\n\r\n", ""),
    Page("ChunkSizeWithPrefix",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n0x5\r\nhello\r\n0\r\n\r\n", ""),
    Page("ChunkSizeWithSign",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n+5\r\nhello\r\n0\r\n\r\n", ""),
    Page("ChunkSizeOverflows",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10000000000000005\r\nhello\r\n0\r\n"
         "\r\n",
         ""),
    Page("ChunkSizeLeadingBlank",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n 5\r\nhello\r\n0\r\n\r\n", ""),
    Page("ChunkedCutShort", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n9\r\nhel", "hel"),
    Page("ChunkedAmongOtherCodings",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n2\r\nab\r\n0\r\n\r\n", "ab"),
    Page("ChunkedIsCaseSensitive",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n2\r\nab\r\n0\r\n\r\n",
         "2\r\nab\r\n0\r\n\r\n"),
    // Bodies up to the close.
    Page("UntilClose", "HTTP/1.1 200 OK\r\nServer: x\r\n\r\nbody\r\nbytes", "body\r\nbytes"),
    Page("UntilCloseEmpty", "HTTP/1.1 200 OK\r\n\r\n", ""),
    Page("ContentLengthNegativeIsNoNumber", "HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\nabcdefgh",
         "abcdefgh"),
    Page("ContentLengthSignIsNoNumber", "HTTP/1.1 200 OK\r\nContent-Length: +2\r\n\r\nabcd",
         "abcd"),
    Page("ContentLengthPrefixIsNoNumber", "HTTP/1.1 200 OK\r\nContent-Length: 0x2\r\n\r\nabcd",
         "abcd"),
    Page("ContentLengthOverflowIsNoNumber",
         "HTTP/1.1 200 OK\r\nContent-Length: 18446744073709551616\r\n\r\nabcd", "abcd"),
    Page("ContentLengthNoNumberWithChunked",
         "HTTP/1.1 200 OK\r\nContent-Length: x\r\nTransfer-Encoding: chunked\r\n\r\n1\r\na\r\n0\r\n"
         "\r\n",
         "a"),
    Page("ContentLengthHuge", "HTTP/1.1 200 OK\r\nContent-Length: 18446744073709551615\r\n\r\nabcd",
         "abcd"),
    // Interim answers.
    Page("ContinueSkipped",
         "HTTP/1.1 100 Continue\r\nX-A: b\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
         "ok"),
    Page("TwoContinuesSkipped",
         "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n"
         "Content-Length: 2\r\n\r\nok",
         "ok"),
    Fails("OtherInterimFails",
          "HTTP/1.1 102 Processing\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
          "HTTP/1.1 102 Processing"),
    Fails("SwitchingProtocolsFails", "HTTP/1.1 101 Switching Protocols\r\n\r\n",
          "HTTP/1.1 101 Switching Protocols"),
    // Failing statuses give the status line, without its line end.
    Fails("NotFound", "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found",
          "HTTP/1.1 404 Not Found"),
    Fails("ServerErrorUntilClose", "HTTP/1.1 500 Internal Server Error\r\n\r\nsorry",
          "HTTP/1.1 500 Internal Server Error"),
    Fails("ServerErrorChunked",
          "HTTP/1.1 503 Busy\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n",
          "HTTP/1.1 503 Busy"),
    Fails("Unauthorized", "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic\r\n\r\n",
          "HTTP/1.1 401 Unauthorized"),
    Fails("ProxyAuthentication", "HTTP/1.1 407 Proxy Authentication Required\r\n\r\n",
          "HTTP/1.1 407 Proxy Authentication Required"),
    Fails("MovedPermanently",
          "HTTP/1.1 301 Moved Permanently\r\nLocation: http://elsewhere/\r\nContent-Length: 0\r\n"
          "\r\n",
          "HTTP/1.1 301 Moved Permanently"),
    Fails("Found", "HTTP/1.1 302 Found\r\nLocation: /x\r\n\r\n", "HTTP/1.1 302 Found"),
    Fails("RedirectWithoutLocation", "HTTP/1.1 307 Temporary Redirect\r\n\r\n",
          "HTTP/1.1 307 Temporary Redirect"),
    Fails("NotModified", "HTTP/1.1 304 Not Modified\r\n\r\n", "HTTP/1.1 304 Not Modified"),
    Fails("SuccessWithLocation",
          "HTTP/1.1 200 OK\r\nlocation: http://elsewhere/\r\nContent-Length: 2\r\n\r\nok",
          "HTTP/1.1 200 OK"),
    Fails("StatusNotANumber", "HTTP/1.1 abc OK\r\n\r\nbody", "HTTP/1.1 abc OK"),
    Fails("StatusWithSign", "HTTP/1.1 +200 OK\r\nContent-Length: 1\r\n\r\nx", "HTTP/1.1 +200 OK"),
    Fails("StatusGluedToReason", "HTTP/1.1 200OK\r\nContent-Length: 1\r\n\r\nx", "HTTP/1.1 200OK"),
    Fails("NoStatusWord", "garbage\r\n\r\n", "garbage"),
    Fails("EmptyStatusLine", "\r\n\r\nx", "The server's answer has no status line."),
    Fails("BlankLineBeforeStatusLine", "\r\nHTTP/1.1 200 OK\r\n\r\nx",
          "The server's answer has no status line."),
    Fails("HugeStatus", "HTTP/1.1 99999999999999999999200 OK\r\n\r\n",
          "HTTP/1.1 99999999999999999999200 OK"),
    // Early closes.
    Fails("ClosedBeforeAnything", "", "Connection Closed Gracefully."),
    Fails("ClosedInStatusLine", "HTTP/1.1 200 O", "Connection Closed Gracefully."),
    Fails("ClosedInHeaders", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n", "Undefined situation"),
    Fails("ClosedInHeaderLine", "HTTP/1.1 200 OK\r\nContent-Len", "Undefined situation"),
    Fails("ClosedInHeadersOfRedirect", "HTTP/1.1 206 Partial\r\nLocation: /x\r\n",
          "Undefined situation"),
    Fails("ClosedInHeadersOfFailure", "HTTP/1.1 404 Not Found\r\nServer: x\r\n",
          "HTTP/1.1 404 Not Found"),
    Fails("ClosedInHeadersOfContinue", "HTTP/1.1 100 Continue\r\nX: y\r\n",
          "Connection Closed Gracefully."),
    Fails("ClosedAfterContinue", "HTTP/1.1 100 Continue\r\n\r\n", "Connection Closed Gracefully."),
};

void PrintTo(const AnswerCase& answer, std::ostream* os) { *os << answer.name; }

std::string CaseName(const testing::TestParamInfo<AnswerCase>& info) { return info.param.name; }

// --- The parser alone -------------------------------------------------------

// The parser's outcome as the location request words it.
std::string PageOf(const HttpResponseParser& parser, HttpError error, const HttpLimits& limits) {
  if (error == HttpError::kNone && parser.Failing()) {
    throw std::runtime_error(
        FailureText(HttpFailure(HttpError::kFailingStatus, 0, parser.StatusLine())));
  }
  if (error != HttpError::kNone) {
    throw std::runtime_error(FailureText(HttpFailure(error, BoundOf(error, limits))));
  }
  return parser.Page();
}

std::string ParseWhole(const std::string& answer, const HttpLimits& limits = {}) {
  HttpResponseParser parser(limits);
  HttpError error = parser.Feed(answer);
  if (error == HttpError::kNone && !parser.Done()) error = parser.FeedEnd();
  return PageOf(parser, error, limits);
}

std::string ParseByteByByte(const std::string& answer, const HttpLimits& limits = {}) {
  HttpResponseParser parser(limits);
  HttpError error = HttpError::kNone;
  for (const char c : answer) {
    error = parser.Feed(std::string_view(&c, 1));
    if (error != HttpError::kNone) break;
  }
  if (error == HttpError::kNone && !parser.Done()) error = parser.FeedEnd();
  return PageOf(parser, error, limits);
}

template <typename Run>
void ExpectOutcome(const AnswerCase& answer, Run run) {
  if (answer.givesPage) {
    EXPECT_EQ(run(), answer.pageOrError);
    return;
  }
  try {
    const std::string page = run();
    ADD_FAILURE() << "gave a page instead of an error: " << page;
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()), answer.pageOrError);
  }
}

class AnswerParsing : public testing::TestWithParam<AnswerCase> {};

TEST_P(AnswerParsing, Whole) {
  ExpectOutcome(GetParam(), [] { return ParseWhole(GetParam().answer); });
}

TEST_P(AnswerParsing, OneByteAtATime) {
  ExpectOutcome(GetParam(), [] { return ParseByteByByte(GetParam().answer); });
}

INSTANTIATE_TEST_SUITE_P(Answers, AnswerParsing, testing::ValuesIn(kAnswers), CaseName);

// --- The whole exchange over loopback ---------------------------------------

HttpEndpoint Loopback(int port) { return {"127.0.0.1", port}; }

class AnswerOverSocket : public testing::TestWithParam<AnswerCase> {};

TEST_P(AnswerOverSocket, Whole) {
  ScriptedServer server({GetParam().answer});
  ExpectOutcome(GetParam(), [&] { return FetchLocationPage(Loopback(server.Port())); });
}

TEST_P(AnswerOverSocket, OneByteAtATime) {
  ServerScript script{GetParam().answer};
  script.oneByteAtATime = true;
  ScriptedServer server(script);
  ExpectOutcome(GetParam(), [&] { return FetchLocationPage(Loopback(server.Port())); });
}

INSTANTIATE_TEST_SUITE_P(Answers, AnswerOverSocket, testing::ValuesIn(kAnswers), CaseName);

// --- Small pure helpers -----------------------------------------------------

TEST(HttpNumbers, StatusCodeIsSecondWord) {
  EXPECT_EQ(StatusCodeOf("HTTP/1.1 200 OK"), 200);
  EXPECT_EQ(StatusCodeOf("  HTTP/1.1   404"), 404);
  EXPECT_EQ(StatusCodeOf("HTTP/1.1"), std::nullopt);
  EXPECT_EQ(StatusCodeOf(""), std::nullopt);
  EXPECT_EQ(StatusCodeOf("HTTP/1.1 -1 X"), std::nullopt);
  EXPECT_EQ(StatusCodeOf("HTTP/1.1\t200 OK"), std::nullopt);
}

TEST(HttpNumbers, PlainDigitsOnly) {
  EXPECT_EQ(ParseDecimal("0"), 0u);
  EXPECT_EQ(ParseDecimal("0042"), 42u);
  EXPECT_EQ(ParseDecimal("18446744073709551615"), UINT64_MAX);
  EXPECT_EQ(ParseDecimal("18446744073709551616"), std::nullopt);
  EXPECT_EQ(ParseDecimal("99999999999999999999"), std::nullopt);
  EXPECT_EQ(ParseDecimal(""), std::nullopt);
  EXPECT_EQ(ParseDecimal("-1"), std::nullopt);
  EXPECT_EQ(ParseDecimal("+1"), std::nullopt);
  EXPECT_EQ(ParseDecimal(" 1"), std::nullopt);
  EXPECT_EQ(ParseDecimal("1a"), std::nullopt);
  EXPECT_EQ(ParseHex("ff"), 255u);
  EXPECT_EQ(ParseHex("FfFf"), 65535u);
  EXPECT_EQ(ParseHex("ffffffffffffffff"), UINT64_MAX);
  EXPECT_EQ(ParseHex("10000000000000000"), std::nullopt);
  EXPECT_EQ(ParseHex("0x1"), std::nullopt);
  EXPECT_EQ(ParseHex("g"), std::nullopt);
  EXPECT_EQ(ParseHex(""), std::nullopt);
}

TEST(HttpRequest, ExactBytes) {
  EXPECT_EQ(MakeHttpGetRequest("ip.example.cn"),
            "GET / HTTP/1.1\r\n"
            "Content-Type: text/html\r\n"
            "Host: ip.example.cn\r\n"
            "Accept: text/html, */*\r\n"
            "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
            "\r\n");
}

// --- Caps against hostile answers -------------------------------------------

struct CapCase {
  const char* name;
  HttpLimits limits;
  std::string answer;
  bool givesPage;
  std::string pageOrError;
};

HttpLimits WithPageCap(std::size_t bytes) {
  HttpLimits limits;
  limits.maxPageBytes = bytes;
  return limits;
}
HttpLimits WithLineCap(std::size_t bytes) {
  HttpLimits limits;
  limits.maxLineBytes = bytes;
  return limits;
}
HttpLimits WithHeaderCap(std::size_t lines) {
  HttpLimits limits;
  limits.maxHeaderLines = lines;
  return limits;
}
HttpLimits WithInterimCap(int answers) {
  HttpLimits limits;
  limits.maxInterimAnswers = answers;
  return limits;
}

const std::string kOk = "HTTP/1.1 200 OK\r\n";

const CapCase kCaps[] = {
    {"PageAtCap", WithPageCap(10), kOk + "\r\n" + std::string(10, 'a'), true, std::string(10, 'a')},
    {"PageOverCapUntilClose", WithPageCap(10), kOk + "\r\n" + std::string(11, 'a'), false,
     "The page is larger than 10 bytes."},
    {"PageOverCapByLength", WithPageCap(10),
     kOk + "Content-Length: 1000000000000\r\n\r\n" + std::string(11, 'a'), false,
     "The page is larger than 10 bytes."},
    {"PageOverCapChunked", WithPageCap(10),
     kOk + "Transfer-Encoding: chunked\r\n\r\n6\r\naaaaaa\r\n6\r\naaaaaa\r\n0\r\n\r\n", false,
     "The page is larger than 10 bytes."},
    {"HugeLengthShortBody", WithPageCap(10), kOk + "Content-Length: 999999999999\r\n\r\nabc", true,
     "abc"},
    {"FailingBodyNotCapped", WithPageCap(10),
     "HTTP/1.1 404 Not Found\r\n\r\n" + std::string(100, 'a'), false, "HTTP/1.1 404 Not Found"},
    {"LineAtCap", WithLineCap(17), kOk + "Content-Length: 1\r\n\r\nx", true, "x"},
    {"StatusLineOverCap", WithLineCap(14), kOk + "\r\nx", false,
     "The answer has a line longer than 14 bytes."},
    {"StatusLineWithoutEnd", WithLineCap(64), "HTTP/1.1 200 OK" + std::string(1000, 'x'), false,
     "The answer has a line longer than 64 bytes."},
    {"HeaderLineOverCap", WithLineCap(32), kOk + "X-Long: " + std::string(25, 'x') + "\r\n\r\n",
     false, "The answer has a line longer than 32 bytes."},
    {"ChunkSizeLineOverCap", WithLineCap(32),
     kOk + "Transfer-Encoding: chunked\r\n\r\n1" + std::string(40, ' ') + "\r\na\r\n0\r\n\r\n",
     false, "The answer has a line longer than 32 bytes."},
    {"HeadersAtCap", WithHeaderCap(3), kOk + "A: 1\r\nB: 2\r\nContent-Length: 1\r\n\r\nx", true,
     "x"},
    {"HeadersOverCap", WithHeaderCap(3), kOk + "A: 1\r\nB: 2\r\nC: 3\r\nContent-Length: 1\r\n\r\nx",
     false, "The answer has more than 3 header lines."},
    {"InterimAtCap", WithInterimCap(2),
     "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 100 Continue\r\n\r\n" + kOk + "\r\nx", true, "x"},
    {"InterimOverCap", WithInterimCap(2),
     "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 100 Continue\r\n\r\n" +
         kOk + "\r\nx",
     false, "The server sent more than 2 interim answers."},
};

void PrintTo(const CapCase& cap, std::ostream* os) { *os << cap.name; }

class Caps : public testing::TestWithParam<CapCase> {};

TEST_P(Caps, Parser) {
  const CapCase& c = GetParam();
  ExpectOutcome({c.name, c.answer, c.givesPage, c.pageOrError},
                [&] { return ParseByteByByte(c.answer, c.limits); });
}

TEST_P(Caps, OverSocket) {
  const CapCase& c = GetParam();
  ScriptedServer server({c.answer});
  ExpectOutcome({c.name, c.answer, c.givesPage, c.pageOrError},
                [&] { return FetchLocationPage(Loopback(server.Port()), c.limits); });
}

INSTANTIATE_TEST_SUITE_P(Limits, Caps, testing::ValuesIn(kCaps),
                         [](const testing::TestParamInfo<CapCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(HttpCaps, EndlessLineIsRefusedEarly) {
  HttpLimits limits;
  limits.maxLineBytes = 100;
  HttpResponseParser parser(limits);
  const std::string chunk(10, 'x');
  std::size_t fed = 0;
  HttpError error = HttpError::kNone;
  while (fed < 10000 && error == HttpError::kNone) {
    error = parser.Feed(chunk);
    fed += chunk.size();
  }
  EXPECT_EQ(error, HttpError::kLineTooLong);
  // Every later call gives the error again, without reading on.
  EXPECT_EQ(parser.Feed(chunk), HttpError::kLineTooLong);
  EXPECT_EQ(parser.FeedEnd(), HttpError::kLineTooLong);
  EXPECT_FALSE(parser.Done());
  EXPECT_LE(fed, 110u);
}

TEST(HttpCaps, DefaultsAreBounded) {
  const HttpLimits limits;
  EXPECT_GE(limits.maxPageBytes, 1u << 20);
  EXPECT_LE(limits.maxPageBytes, 16u << 20);
  EXPECT_LE(limits.maxLineBytes, 65536u);
  EXPECT_LE(limits.maxHeaderLines, 1000u);
  EXPECT_LE(limits.maxInterimAnswers, 100);
  EXPECT_LE(limits.idleTimeout, 60s);
  EXPECT_LE(limits.totalTimeout, 120s);
  EXPECT_EQ(limits.failingBodyTimeout, 2s);
}

// --- The request as the server sees it ---------------------------------------

std::string ExpectedRequest(const std::string& host) {
  return "GET / HTTP/1.1\r\nContent-Type: text/html\r\nHost: " + host +
         "\r\nAccept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
         "\r\n";
}

TEST(Request, ServerReceivesExactBytes) {
  ScriptedServer server({"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"});
  EXPECT_EQ(FetchLocationPage(Loopback(server.Port())), "ok");
  EXPECT_EQ(server.Request(), ExpectedRequest("127.0.0.1"));
}

TEST(Request, HostHeaderIsNameWithoutPort) {
  ScriptedServer server({"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"});
  EXPECT_EQ(FetchLocationPage({"localhost", server.Port()}), "ok");
  EXPECT_EQ(server.Request(), ExpectedRequest("localhost"));
}

TEST(Request, ConnectionReleasedRightAfterTheAnswer) {
  ServerScript script{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"};
  script.end = ServerScript::End::kHoldOpen;
  ScriptedServer server(script);
  EXPECT_EQ(FetchLocationPage(Loopback(server.Port())), "ok");
  const auto before = Clock::now();
  server.Request();
  EXPECT_TRUE(server.ClientClosed());
  EXPECT_LT(Clock::now() - before, 5s);
}

TEST(Request, EachLookupUsesItsOwnConnection) {
  for (int i = 0; i < 3; ++i) {
    ScriptedServer server({"HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\n" + std::to_string(i)});
    EXPECT_EQ(FetchLocationPage(Loopback(server.Port())), std::to_string(i));
    EXPECT_EQ(server.Request(), ExpectedRequest("127.0.0.1"));
  }
}

// --- Socket failures ----------------------------------------------------------

std::string ErrorOf(const HttpEndpoint& endpoint, const HttpLimits& limits = {}) {
  try {
    FetchLocationPage(endpoint, limits);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "(no error)";
}

TEST(SocketFailures, ConnectionRefused) {
  EXPECT_EQ(ErrorOf(Loopback(testsupport::ClosedPort())),
            "Socket Error # 10061\r\nConnection refused.");
}

TEST(SocketFailures, HostNotFound) {
  EXPECT_EQ(ErrorOf({"no-such-host.invalid", 80}), "Socket Error # 11001\r\nHost not found.");
  EXPECT_EQ(ErrorOf({"", 80}), "Socket Error # 11001\r\nHost not found.");
}

// A reset is no end of the answer: not before the status line, not in the
// header lines, not in a body delimited by its length or by the close.
TEST(SocketFailures, ResetAnywhereIsAnError) {
  for (const char* answer :
       {"", "HTTP/1.1 200 OK\r\nContent-Le", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npart",
        "HTTP/1.1 200 OK\r\n\r\npart"}) {
    SCOPED_TRACE(answer);
    ServerScript script{answer};
    script.end = ServerScript::End::kReset;
    ScriptedServer server(script);
    EXPECT_EQ(ErrorOf(Loopback(server.Port())),
              "Socket Error # 10054\r\nConnection reset by peer.");
  }
}

TEST(SocketFailures, ResetWhileDroppingFailingBody) {
  ServerScript script{"HTTP/1.1 404 Not Found\r\nContent-Length: 100\r\n\r\npart"};
  script.end = ServerScript::End::kReset;
  ScriptedServer server(script);
  EXPECT_EQ(ErrorOf(Loopback(server.Port())), "HTTP/1.1 404 Not Found");
}

TEST(SocketFailures, DescriptionsOfOtherNumbers) {
  EXPECT_EQ(SocketErrorText(10060), "Socket Error # 10060\r\nConnection timed out.");
  EXPECT_EQ(SocketErrorText(10065), "Socket Error # 10065\r\nNo route to host.");
  EXPECT_EQ(SocketErrorText(10051), "Socket Error # 10051\r\nNetwork is unreachable.");
}

// --- Time limits ----------------------------------------------------------------

HttpLimits ShortLimits() {
  HttpLimits limits;
  limits.connectTimeout = 2s;
  limits.idleTimeout = 2s;
  limits.totalTimeout = 8s;
  limits.failingBodyTimeout = 2s;
  return limits;
}

// Elapsed time of a failing lookup, with its error text.
std::pair<std::string, Clock::duration> TimedError(const HttpEndpoint& endpoint,
                                                   const HttpLimits& limits) {
  const auto start = Clock::now();
  std::string error = ErrorOf(endpoint, limits);
  return {error, Clock::now() - start};
}

TEST(TimeLimits, ConnectTimesOut) {
  testsupport::UnansweredPort port;
  HttpLimits limits = ShortLimits();
  limits.connectTimeout = 300ms;
  const auto [error, elapsed] = TimedError(Loopback(port.Port()), limits);
  EXPECT_EQ(error, "Socket Error # 10060\r\nConnection timed out.");
  EXPECT_GE(elapsed, 250ms);
  EXPECT_LT(elapsed, 2s);
}

TEST(TimeLimits, SilenceBeforeStatusLine) {
  ServerScript script{""};
  script.end = ServerScript::End::kHoldOpen;
  ScriptedServer server(script);
  HttpLimits limits = ShortLimits();
  limits.idleTimeout = 300ms;
  const auto [error, elapsed] = TimedError(Loopback(server.Port()), limits);
  EXPECT_EQ(error, "Read timed out: the server sent nothing for 300 ms.");
  EXPECT_GE(elapsed, 250ms);
  EXPECT_LT(elapsed, 2s);
}

TEST(TimeLimits, SilenceInBody) {
  ServerScript script{"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhel"};
  script.end = ServerScript::End::kHoldOpen;
  ScriptedServer server(script);
  HttpLimits limits = ShortLimits();
  limits.idleTimeout = 1s;
  const auto [error, elapsed] = TimedError(Loopback(server.Port()), limits);
  EXPECT_EQ(error, "Read timed out: the server sent nothing for 1 second.");
  EXPECT_GE(elapsed, 900ms);
  EXPECT_LT(elapsed, 3s);
}

TEST(TimeLimits, TrickleHitsTheWholeExchangeLimit) {
  ServerScript script{"HTTP/1.1 200 OK\r\n\r\n" + std::string(200, 'a')};
  script.oneByteAtATime = true;
  script.pauseBetweenBytes = 20ms;
  script.end = ServerScript::End::kHoldOpen;
  ScriptedServer server(script);
  HttpLimits limits = ShortLimits();
  limits.idleTimeout = 1s;
  limits.totalTimeout = 500ms;
  const auto [error, elapsed] = TimedError(Loopback(server.Port()), limits);
  EXPECT_EQ(error, "Read timed out: the answer was not complete after 500 ms.");
  EXPECT_GE(elapsed, 450ms);
  EXPECT_LT(elapsed, 3s);  // generous: a loaded machine must not fail it
}

TEST(TimeLimits, FailingBodyDroppedAfterItsLimit) {
  ServerScript script{"HTTP/1.1 404 Not Found\r\nContent-Length: 100\r\n\r\npart"};
  script.end = ServerScript::End::kHoldOpen;
  ScriptedServer server(script);
  HttpLimits limits = ShortLimits();
  limits.idleTimeout = 5s;
  limits.failingBodyTimeout = 300ms;
  const auto [error, elapsed] = TimedError(Loopback(server.Port()), limits);
  EXPECT_EQ(error, "HTTP/1.1 404 Not Found");
  EXPECT_GE(elapsed, 250ms);
  EXPECT_LT(elapsed, 2s);
  server.Request();
  EXPECT_TRUE(server.ClientClosed());
}

// A server that keeps the socket full must not outrun the limits: they are
// checked before every receive, not only when one comes back empty.
TEST(TimeLimits, EndlessFastFailingBodyIsDroppedOnTime) {
  ServerScript script{"HTTP/1.1 404 Not Found\r\n\r\n"};
  script.endlessPiece = std::string(65536, 'a');
  ScriptedServer server(script);
  HttpLimits limits = ShortLimits();
  limits.failingBodyTimeout = 500ms;
  const auto [error, elapsed] = TimedError(Loopback(server.Port()), limits);
  EXPECT_EQ(error, "HTTP/1.1 404 Not Found");
  EXPECT_GE(elapsed, 450ms);
  EXPECT_LT(elapsed, 1500ms);
}

TEST(TimeLimits, EndlessFastFailingBodyStopsAtTheWholeExchangeLimit) {
  ServerScript script{"HTTP/1.1 404 Not Found\r\n\r\n"};
  script.endlessPiece = std::string(65536, 'a');
  ScriptedServer server(script);
  HttpLimits limits = ShortLimits();
  limits.failingBodyTimeout = 10s;
  limits.totalTimeout = 500ms;
  const auto [error, elapsed] = TimedError(Loopback(server.Port()), limits);
  EXPECT_EQ(error, "HTTP/1.1 404 Not Found");
  EXPECT_GE(elapsed, 450ms);
  EXPECT_LT(elapsed, 1500ms);
}

TEST(TimeLimits, CompleteFailingBodyNeedsNoWait) {
  ServerScript script{"HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\npart"};
  script.end = ServerScript::End::kHoldOpen;
  ScriptedServer server(script);
  const auto [error, elapsed] = TimedError(Loopback(server.Port()), ShortLimits());
  EXPECT_EQ(error, "HTTP/1.1 404 Not Found");
  EXPECT_LT(elapsed, 1500ms);  // well under the 2 s the body could have taken
}

TEST(TimeLimits, CompletePageNeedsNoClose) {
  ServerScript script{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n"};
  script.end = ServerScript::End::kHoldOpen;
  ScriptedServer server(script);
  const auto start = Clock::now();
  EXPECT_EQ(FetchLocationPage(Loopback(server.Port()), ShortLimits()), "ok");
  EXPECT_LT(Clock::now() - start, 1500ms);  // no wait for the 2 s silence limit
}

// --- The report's GET of an address: every status's body, redirects followed -----

struct UrlCase {
  const char* url;
  std::optional<HttpUrl> parts{};
};

const UrlCase kUrls[] = {
    {.url = "http://127.0.0.1:8080/data/1.html",
     .parts = HttpUrl{.host = "127.0.0.1",
                      .port = 8080,
                      .authority = "127.0.0.1:8080",
                      .target = "/data/1.html"}},
    {.url = "HTTP://Example.com",
     .parts = HttpUrl{.host = "Example.com", .authority = "Example.com", .target = "/"}},
    {.url = "http://h?x", .parts = HttpUrl{.host = "h", .authority = "h", .target = "/?x"}},
    {.url = "http://[::1]:81/p?q#f",
     .parts = HttpUrl{.host = "::1", .port = 81, .authority = "[::1]:81", .target = "/p?q"}},
    {.url = "http://user@h/p", .parts = HttpUrl{.host = "h", .authority = "h", .target = "/p"}},
    {.url = "https://h/"},
    {.url = "ftp://h/"},
    {.url = "http://"},
    {.url = "http://:80/"},
    {.url = "http://h:0/"},
    {.url = "http://h:65536/"},
    {.url = "http://h:x/"},
    {.url = "http://[::1/"},
    {.url = "http://h/a b"},
    {.url = "http://h/a\r\nX-Injected: 1"},
};

TEST(UrlGet, AddressesSplitIntoTheirParts) {
  for (const UrlCase& c : kUrls) {
    SCOPED_TRACE(c.url);
    const std::optional<HttpUrl> parts = ParseHttpUrl(c.url);
    ASSERT_EQ(parts.has_value(), c.parts.has_value());
    if (!parts) continue;
    EXPECT_EQ(parts->host, c.parts->host);
    EXPECT_EQ(parts->port, c.parts->port);
    EXPECT_EQ(parts->authority, c.parts->authority);
    EXPECT_EQ(parts->target, c.parts->target);
  }
}

TEST(UrlGet, LocationsResolveAgainstTheAddress) {
  const HttpUrl base = *ParseHttpUrl("http://h:81/data/a.html?q=1");
  const struct {
    const char* location;
    const char* resolved;
  } cases[] = {
      {.location = "http://other/x", .resolved = "http://other/x"},
      {.location = "HTTPS://secure/x", .resolved = "HTTPS://secure/x"},
      {.location = "//other:82/y", .resolved = "http://other:82/y"},
      {.location = "/root", .resolved = "http://h:81/root"},
      {.location = " /trimmed ", .resolved = "http://h:81/trimmed"},
      {.location = "b.html", .resolved = "http://h:81/data/b.html"},
      {.location = "?r=2", .resolved = "http://h:81/data/a.html?r=2"},
      {.location = "", .resolved = "http://h:81/data/a.html?q=1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ResolveLocation(base, c.location), c.resolved) << c.location;
  }
}

std::string At(int port, const std::string& path) {
  return "http://127.0.0.1:" + std::to_string(port) + path;
}

std::string UrlGetError(const std::string& url, const HttpLimits& limits = {}) {
  try {
    HttpGetUrl(url, limits);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "(no error)";
}

TEST(UrlGet, AnyStatusGivesItsBody) {
  ScriptedServer server({"HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone"});
  const HttpAnswer answer = HttpGetUrl(At(server.Port(), "/data/1.html?x=1#top"), {}, "X-A: 1\r\n");
  EXPECT_EQ(answer.status, 404);
  EXPECT_EQ(answer.body, "gone");
  EXPECT_EQ(answer.head, "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\n");
  EXPECT_EQ(server.Request(),
            "GET /data/1.html?x=1 HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) +
                "\r\nAccept: */*\r\nX-A: 1\r\nConnection: close\r\n\r\n");
}

// The report request skips every interim answer, as the platform's request
// object does; the location GET only 100 (its cases above).
TEST(UrlGet, EveryInterimAnswerIsSkipped) {
  ScriptedServer server(
      {"HTTP/1.1 103 Early Hints\r\nLink: </a.css>; rel=preload\r\n\r\n"
       "HTTP/1.1 102 Processing\r\n\r\nHTTP/1.1 100 Continue\r\n\r\n"
       "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}"});
  const HttpAnswer answer = HttpGetUrl(At(server.Port(), "/data/1.html"));
  EXPECT_EQ(answer.status, 200);
  EXPECT_EQ(answer.body, "{}");
}

TEST(UrlGet, InterimAnswersOnlyEndInAnError) {
  ScriptedServer server({"HTTP/1.1 103 Early Hints\r\n\r\n"});
  EXPECT_EQ(UrlGetError(At(server.Port(), "/")), "Connection Closed Gracefully.");
}

TEST(UrlGet, RedirectsAreFollowed) {
  ScriptedServer target({"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"});
  ScriptedServer redirect(
      {"HTTP/1.1 302 Found\r\nLocation: " + At(target.Port(), "/next") + "\r\n\r\n"});
  EXPECT_EQ(HttpGetUrl(At(redirect.Port(), "/")).body, "ok");
  EXPECT_EQ(target.Request().rfind("GET /next HTTP/1.1\r\n", 0), 0u) << target.Request();
}

TEST(UrlGet, RedirectLoopEndsAtItsLimit) {
  ServerScript script{"HTTP/1.1 302 Found\r\nLocation: /again\r\nContent-Length: 0\r\n\r\n"};
  script.everyConnection = true;
  ScriptedServer server(script);
  HttpLimits limits;
  limits.maxRedirects = 3;
  EXPECT_EQ(UrlGetError(At(server.Port(), "/"), limits),
            "The server redirected more than 3 times.");
  EXPECT_EQ(server.Connections(), 4);
}

TEST(UrlGet, RedirectToAnotherSchemeIsAnError) {
  ScriptedServer server({"HTTP/1.1 301 Moved\r\nLocation: ftp://files/x\r\n\r\n"});
  EXPECT_EQ(UrlGetError(At(server.Port(), "/")), "The address ftp://files/x is no http address.");
}

// The GET does no TLS: a redirect to https ends it with the address, for the
// caller to hand on.
TEST(UrlGet, RedirectToHttpsIsHandedBack) {
  for (const char* location : {"https://secure/x", "HTTPS://secure/x"}) {
    SCOPED_TRACE(location);
    ScriptedServer server({"HTTP/1.1 301 Moved\r\nLocation: " + std::string(location) +
                           "\r\nContent-Length: 5\r\n\r\nmoved"});
    const HttpAnswer answer = HttpGetUrl(At(server.Port(), "/"));
    EXPECT_EQ(answer.elsewhere, location);
    EXPECT_EQ(answer.status, 301);
    EXPECT_EQ(server.Connections(), 1);
  }
}

// --- Lookup end to end ------------------------------------------------------------

TEST(LocationLookup, PageFetchedAndCut) {
  const std::string marker = "\xB2\xE9\xD1\xAF\xBD\xE1\xB9\xFB";  // 查询结果
  const std::string location =
      "\xD4\xC6\xC4\xCF\xCA\xA1 \xC0\xA5\xC3\xF7\xCA\xD0 \xB5\xE7\xD0\xC5";  // 云南省 昆明市 电信
  const std::string body =
      "<html><p><span>" + marker + "1.2.3.4&nbsp;-&nbsp;" + location + "</span></p></html>";
  ServerScript script{
      "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=gb2312\r\n"
      "Content-Length: " +
      std::to_string(body.size()) + "\r\n\r\n" + body};
  script.oneByteAtATime = true;
  ScriptedServer server(script);
  const std::string text = CutLocationText(FetchLocationPage(Loopback(server.Port())));
  EXPECT_EQ(text, location);
  EXPECT_EQ(LocatedCityName(text), "\xC0\xA5\xC3\xF7");  // 昆明
}

}  // namespace
}  // namespace weather
