// Tests of the HTTP client against scripted servers and python's http.server
// on 127.0.0.1.
#include "net/http_cli.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "net/http_fetch.h"
#include "net/scripted_server.h"
#include "net/socket.h"
#include "platform/message_wait.h"

namespace lf {
namespace {

using test::ScriptedServer;
using Step = ScriptedServer::Step;
using test::Fetch;
using test::Outcome;

class HttpCliTest : public testing::Test {
 protected:
  HttpCliTest() { cli.SetName("HttpCli1"); }
  THttpCli cli;
};

const char kOk5[] = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello";

TEST_F(HttpCliTest, SendsExactlyTheControlsRequestHeader) {
  ScriptedServer server({ScriptedServer::Reply(kOk5), ScriptedServer::Reply(kOk5)});
  Fetch(cli, server.Base() + "/d.json?a=1&b=%20");
  // A space typed into the address is sent encoded so the request line stays whole.
  Fetch(cli, "127.0.0.1:" + std::to_string(server.Port()) + "/a b");
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  std::string host = "Host: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n";
  EXPECT_EQ(requests[0],
            "GET /d.json?a=1&b=%20 HTTP/1.0\r\n"
            "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
            "User-Agent: Mozilla/4.0 (compatible; lumenfoldi)\r\n" + host + "\r\n");
  EXPECT_EQ(requests[1].substr(0, requests[1].find("\r\n")), "GET /a%20b HTTP/1.0");
}

TEST_F(HttpCliTest, RequestHeaderOrdersEveryOptionalLine) {
  cli.SetSender("me@x");
  cli.SetReference("http://r/");
  cli.SetConnection("Keep-Alive");
  cli.SetAcceptLanguage("zh-cn");
  cli.SetNoCache(true);
  cli.SetProxyConnection("Keep-Alive");
  cli.SetModifiedSince(34644.5);  // 6 November 1994, noon
  cli.SetCookie("k=v");
  cli.SetContentRangeBegin("10");
  cli.SetRequestVer("1.1");
  EXPECT_EQ(cli.BuildRequestHeader(ParseURL("http://h/p")),
            "GET /p HTTP/1.1\r\n"
            "From: me@x\r\n"
            "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
            "Referer: http://r/\r\n"
            "Connection: Keep-Alive\r\n"
            "Accept-Language: zh-cn\r\n"
            "User-Agent: Mozilla/4.0 (compatible; lumenfoldi)\r\n"
            "Host: h\r\n"
            "Pragma: no-cache\r\n"
            "Proxy-Connection: Keep-Alive\r\n"
            "If-Modified-Since: Sun, 06 Nov 1994 12:00:00 GMT\r\n"
            "Cookie: k=v\r\n"
            "Range: bytes=10-\r\n"
            "\r\n");
  try {
    cli.SetRequestVer("2.0");
    FAIL() << "no error";
  } catch (const EHttpException& e) {
    EXPECT_EQ(e.Message(), "Insupported HTTP version");
  }
  EXPECT_EQ(cli.RequestVer(), "1.1");
}

struct BodyCase {
  const char* name;
  std::string response;
  int status;
  const char* reason;
  std::string body;
};
void PrintTo(const BodyCase& c, std::ostream* os) { *os << c.name; }

class HttpCliBody : public testing::TestWithParam<BodyCase> {};

TEST_P(HttpCliBody, ReceivesBody) {
  const BodyCase& c = GetParam();
  ScriptedServer server({ScriptedServer::Reply(c.response)});
  THttpCli cli;
  Outcome o = Fetch(cli, server.Base() + "/x");
  EXPECT_FALSE(o.raised) << o.message;
  EXPECT_EQ(o.status, c.status);
  EXPECT_EQ(o.reason, c.reason);
  EXPECT_EQ(o.body, c.body);
}

INSTANTIATE_TEST_SUITE_P(
    HttpCli, HttpCliBody,
    testing::Values(
        BodyCase{"ContentLengthStopsAtLength", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello, more",
                 200, "OK", "hello"},
        BodyCase{"ChunkedWithExtensions",
                 "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n3;name=v\r\nabc\r\n2 \r\nde\r\n0\r\n\r\n",
                 200, "OK", "abcde"},
        BodyCase{"UntilCloseKeepsEveryByte",
                 std::string("HTTP/1.0 200 Fine\nContent-Type: text/plain\n\nline1\r\nline2\0x\xff", 59), 200,
                 "Fine", std::string("line1\r\nline2\0x\xff", 15)},
        BodyCase{"BareHtmlPageHasStatusZero", "<html><body>hi</body></html>\r\nmore", 0, "",
                 "<html><body>hi</body></html>\r\nmore"},
        BodyCase{"DoctypePage", "<!DOCTYPE html>\n<p>x</p>", 0, "", "<!DOCTYPE html>\n<p>x</p>"},
        BodyCase{"FirstLineNeitherStatusNorHtml", "SPEAK FRIEND\r\nX: y\r\n\r\nignored", 0, "", ""},
        BodyCase{"NoContentStatusHasNoBody", "HTTP/1.0 204 No Content\r\n\r\nstray", 204, "No Content", ""},
        BodyCase{"StatusWithoutReason", "HTTP/1.0 200\r\nContent-Length: 1\r\n\r\nz", 200, "", "z"},
        BodyCase{"UnauthorizedReturnsNormallyWithBody",
                 "HTTP/1.0 401 Unauthorized\r\nContent-Length: 4\r\n\r\ndeny", 401, "Unauthorized", "deny"}),
    [](const testing::TestParamInfo<BodyCase>& info) { return std::string(info.param.name); });

TEST_F(HttpCliTest, SkipsContinueHeaderOnHttp11) {
  ScriptedServer server({ScriptedServer::Reply(
      "HTTP/1.1 100 Continue\r\nX-Interim: 1\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")});
  cli.SetRequestVer("1.1");
  Outcome o = Fetch(cli, server.Base() + "/");
  EXPECT_FALSE(o.raised);
  EXPECT_EQ(o.status, 200);
  EXPECT_EQ(o.body, "ok");
  EXPECT_EQ(cli.RcvdHeader(), (std::vector<std::string>{"HTTP/1.1 200 OK", "Content-Length: 2"}));
  EXPECT_EQ(server.Requests()[0].substr(0, 16), "GET / HTTP/1.1\r\n");
}

TEST_F(HttpCliTest, FollowsRelocationsKeepingOnlyFinalBody) {
  ScriptedServer other({ScriptedServer::Reply("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nfinal")});
  ScriptedServer server({
      ScriptedServer::Reply("HTTP/1.0 302 Found\r\nLocation: b/next?x=1\r\nContent-Length: 9\r\n\r\nredirect1"),
      ScriptedServer::Reply("HTTP/1.0 301 Moved\r\nLocation: /abs/path\r\n\r\n"),
      ScriptedServer::Reply("HTTP/1.0 307 Temp\r\nLocation: " + other.Base() + "/o\r\n\r\nuntil-close body"),
  });
  TMemoryStream stream("kept:");
  Outcome o = Fetch(cli, server.Base() + "/dir/start", &stream);
  EXPECT_FALSE(o.raised) << o.message;
  EXPECT_EQ(o.status, 200);
  EXPECT_EQ(o.body, "kept:final");
  EXPECT_EQ(cli.LocationChangeCurCount(), 3);
  EXPECT_EQ(cli.Location(), other.Base() + "/o");
  auto r = server.Requests();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[1].substr(0, r[1].find("\r\n")), "GET /dir/b/next?x=1 HTTP/1.0");
  EXPECT_EQ(r[2].substr(0, r[2].find("\r\n")), "GET /abs/path HTTP/1.0");
  ASSERT_EQ(other.Requests().size(), 1u);
  EXPECT_NE(other.Requests()[0].find("Host: 127.0.0.1:" + std::to_string(other.Port()) + "\r\n"),
            std::string::npos);
}

TEST_F(HttpCliTest, RelocatesOnKeptAliveConnection) {
  ScriptedServer server({ScriptedServer::ReplyEach({
      "HTTP/1.1 302 Found\r\nLocation: /two\r\nContent-Length: 3\r\n\r\nabc",
      "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\ntwo",
  })});
  cli.SetRequestVer("1.1");
  Outcome o = Fetch(cli, server.Base() + "/one");
  EXPECT_EQ(o.body, "two");
  EXPECT_EQ(server.Accepted(), 1);
  EXPECT_EQ(server.Requests().size(), 2u);
}

TEST_F(HttpCliTest, FollowsFiveRelocationsAndRefusesTheSixth) {
  std::vector<Step> loop;
  for (int i = 0; i < 6; ++i)
    loop.push_back(ScriptedServer::Reply("HTTP/1.0 302 Found\r\nLocation: /r" + std::to_string(i) + "\r\n\r\n"));
  loop.push_back(ScriptedServer::Reply(kOk5));
  {
    ScriptedServer server(loop);
    Outcome o = Fetch(cli, server.Base() + "/");
    EXPECT_TRUE(o.raised);
    EXPECT_EQ(o.message, "Too many relocations");
    EXPECT_EQ(o.errorCode, 302);
    EXPECT_EQ(server.Requests().size(), 6u);
  }
  loop.erase(loop.begin());
  ScriptedServer server(loop);
  Outcome o = Fetch(cli, server.Base() + "/");
  EXPECT_FALSE(o.raised) << o.message;
  EXPECT_EQ(o.body, "hello");
  EXPECT_EQ(cli.LocationChangeCurCount(), 5);
}

TEST_F(HttpCliTest, LocationIgnoredWithoutFollowRelocation) {
  ScriptedServer server({ScriptedServer::Reply("HTTP/1.0 302 Found\r\nLocation: /x\r\n\r\n")});
  cli.SetFollowRelocation(false);
  Outcome o = Fetch(cli, server.Base() + "/");
  EXPECT_FALSE(o.raised);
  EXPECT_EQ(o.status, 302);
  EXPECT_EQ(server.Requests().size(), 1u);
}

struct FailureCase {
  const char* name;
  std::string response;  // what the server sends after reading the request
  std::string message;
  int status;
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class HttpCliFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(HttpCliFailure, RaisesWithReasonAndStatus) {
  const FailureCase& c = GetParam();
  ScriptedServer server({ScriptedServer::Reply(c.response)});
  THttpCli cli;
  cli.SetMaxBodySize(16);
  TMemoryStream stream;
  Outcome o = Fetch(cli, server.Base() + "/", &stream);
  EXPECT_TRUE(o.raised);
  EXPECT_EQ(o.message, c.message);
  EXPECT_EQ(o.errorCode, c.status);
  EXPECT_EQ(cli.ResponseStatus(), c.status);
  EXPECT_EQ(cli.State(), httpReady);
}

INSTANTIATE_TEST_SUITE_P(
    HttpCli, HttpCliFailure,
    testing::Values(
        FailureCase{"NotFoundCarriesServerReason", "HTTP/1.0 404 Not Found Here\r\n\r\n", "Not Found Here", 404},
        FailureCase{"ServerError", "HTTP/1.1 503 Busy\r\nContent-Length: 2\r\n\r\nno", "Busy", 503},
        FailureCase{"DeclaredBodyTooLarge", "HTTP/1.0 200 OK\r\nContent-Length: 17\r\n\r\n", "Response too large", 404},
        FailureCase{"UntilCloseBodyTooLarge", "HTTP/1.0 200 OK\r\n\r\n" + std::string(17, 'x'),
                    "Response too large", 404},
        FailureCase{"ChunkedBodyTooLarge",
                    "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n8\r\n12345678\r\n9\r\n123456789\r\n0\r\n\r\n",
                    "Response too large", 404},
        FailureCase{"HugeChunkSize", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFFFFFF\r\n",
                    "Response too large", 404},
        FailureCase{"BodyCutShort", "HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\nabc",
                    "Connection closed before the end of the body", 404},
        FailureCase{"ChunkedCutShort", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab",
                    "Connection closed before the end of the body", 404},
        FailureCase{"NothingAnswered", "", "Connection closed without a response", 404},
        FailureCase{"ClosedInsideHeader", "HTTP/1.0 200 OK\r\nContent-Le",
                    "Connection closed before the end of the header", 404},
        FailureCase{"ChunkSizeWithoutDigits",
                    "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\nzz\r\ncd\r\n0\r\n\r\n",
                    "Invalid chunk size", 404},
        FailureCase{"HeaderLineTooLong", "HTTP/1.0 200 OK\r\nX: " + std::string(kMaxHeaderLineLength, 'a'),
                    "Response header too large", 404},
        FailureCase{"HeaderTooLarge", [] {
                      std::string h = "HTTP/1.0 200 OK\r\n";
                      while (h.size() <= kMaxHeaderSize) h += "X-Pad: " + std::string(1000, 'p') + "\r\n";
                      return h + "\r\n";
                    }(),
                    "Response header too large", 404},
        FailureCase{"TooManyInterimResponses", [] {
                      std::string h;
                      for (int i = 0; i <= kMaxInterimResponses; ++i) h += "HTTP/1.1 100 Continue\r\n\r\n";
                      return h + kOk5;
                    }(),
                    "Too many interim responses", 404}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST_F(HttpCliTest, FailedBodyLeavesNothingInStream) {
  ScriptedServer server({ScriptedServer::Reply("HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\nabc")});
  TMemoryStream stream("before");
  Outcome o = Fetch(cli, server.Base() + "/", &stream);
  EXPECT_TRUE(o.raised);
  EXPECT_EQ(o.body, "before");
}

TEST_F(HttpCliTest, ConnectionFailuresEndWith404) {
  struct Case {
    std::string url;
    std::string message;
    int status;
  };
  int closed = test::ClosedPort();
  std::vector<Case> cases = {
      {"http://127.0.0.1:" + std::to_string(closed) + "/", "Connection refused (Error #10061)", 404},
      {"http://no-such-host.invalid/d.json", "can't resolve hostname to IP address", 404},
      {"", "Host name is empty", 404},
      {"http://bad host/", "Invalid host name", 404},
      {"http://" + std::string(kMaxHostNameLength + 1, 'a') + "/", "Host name too long", 404},
      {"http://127.0.0.1:abc/", "can't connect: Invalid port 'abc' (Error #10022)", 404},
      {"http://127.0.0.1:70000/", "can't connect: Invalid port '70000' (Error #10022)", 404},
      {"https://127.0.0.1:" + std::to_string(closed) + "/", "Connection refused (Error #10061)", 404},
      {"ftp://127.0.0.1/", "Protocol \"ftp\" not implemented", 501},
  };
  for (const Case& c : cases) {
    Outcome o = Fetch(cli, c.url);
    EXPECT_TRUE(o.raised) << c.url;
    EXPECT_EQ(o.message, c.message) << c.url;
    EXPECT_EQ(o.errorCode, c.status) << c.url;
    EXPECT_EQ(o.reason, c.message) << c.url;
  }
}

TEST_F(HttpCliTest, ConnectFromUnavailableLocalAddressFails) {
  ScriptedServer server({ScriptedServer::Reply(kOk5)});
  cli.SetLocalAddr("192.0.2.1");
  Outcome o = Fetch(cli, server.Base() + "/");
  EXPECT_EQ(o.message, "can't connect: Address not available (Error #10049)");
  cli.SetLocalAddr("127.0.0.1");
  EXPECT_EQ(Fetch(cli, server.Base() + "/").body, "hello");
}

TEST_F(HttpCliTest, SilentServerTimesOut) {
  ScriptedServer server({ScriptedServer::Silent()});
  cli.SetTimeout(1);
  auto start = std::chrono::steady_clock::now();
  Outcome o = Fetch(cli, server.Base() + "/");
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(o.message, "Connection timed out");
  EXPECT_EQ(o.errorCode, 404);
  EXPECT_GE(seconds, 0.9);
}

TEST_F(HttpCliTest, SlowBodyKeepsResettingTheTimeout) {
  ScriptedServer server({[](test::ServerConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\n");
    for (char ch : std::string("slow")) {
      std::this_thread::sleep_for(std::chrono::milliseconds(600));
      c.Send(std::string(1, ch));
    }
  }});
  cli.SetTimeout(1);
  Outcome o = Fetch(cli, server.Base() + "/");
  EXPECT_FALSE(o.raised) << o.message;
  EXPECT_EQ(o.body, "slow");
}

TEST_F(HttpCliTest, SecondGetWhileWaitingIsRefusedAsBusy) {
  ScriptedServer server({[](test::ServerConnection& c) {
    c.ReadRequest();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    c.Send(kOk5);
  }});
  std::string nestedError;
  TMemoryStream nestedStream;
  QTimer::singleShot(100, [&] {
    EXPECT_EQ(cli.State(), httpWaitingHeader);
    cli.SetURL("http://127.0.0.1:1/other");
    cli.SetReceiveStream(&nestedStream);
    try {
      cli.Get();
    } catch (const EHttpException& e) {
      nestedError = e.Message();
    }
    cli.SetReceiveStream(nullptr);
  });
  TMemoryStream stream;
  Outcome o = Fetch(cli, server.Base() + "/first", &stream);
  EXPECT_EQ(nestedError, "HTTP component HttpCli1 is busy");
  EXPECT_FALSE(o.raised) << o.message;
  EXPECT_EQ(o.body, "hello");
  EXPECT_EQ(nestedStream.Bytes(), "");
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(HttpCliTest, AbortAndTerminationEndTheWait) {
  ScriptedServer server({ScriptedServer::Silent(), ScriptedServer::Silent()});
  QTimer::singleShot(100, [&] { cli.Abort(); });
  Outcome o = Fetch(cli, server.Base() + "/");
  EXPECT_EQ(o.message, "Connection aborted on request");
  EXPECT_EQ(o.errorCode, 404);

  QTimer::singleShot(100, [] { SetApplicationTerminating(true); });
  o = Fetch(cli, server.Base() + "/");
  SetApplicationTerminating(false);
  EXPECT_EQ(o.message, "Connection aborted on request");
}

// python's http.server serving a directory, on a free port of 127.0.0.1.
class PythonServer {
 public:
  explicit PythonServer(const std::string& dir) : port_(test::ClosedPort()) {
    pid_ = fork();
    if (pid_ == 0) {
      int devnull = open("/dev/null", O_WRONLY);
      dup2(devnull, 1);
      dup2(devnull, 2);
      std::string port = std::to_string(port_);
      execlp("python3", "python3", "-m", "http.server", port.c_str(), "--bind", "127.0.0.1",
             "--directory", dir.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~PythonServer() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  int Port() const { return port_; }

 private:
  int port_;
  pid_t pid_;
};

TEST_F(HttpCliTest, DownloadsFileFromPythonHttpServer) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / ("lf_http_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::string content;
  for (int i = 0; i < 300000; ++i) content += static_cast<char>(i * 7 % 251);
  std::ofstream(dir / "data.bin", std::ios::binary) << content;
  PythonServer server(dir.string());
  std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/data.bin";
  Outcome o;
  // The server needs a moment to start listening.
  for (int attempt = 0; attempt < 300; ++attempt) {
    o = Fetch(cli, url);
    if (o.message != "Connection refused (Error #10061)") break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_FALSE(o.raised) << o.message;
  EXPECT_EQ(o.status, 200);
  EXPECT_TRUE(o.body == content) << "body of " << o.body.size() << " bytes differs";
  EXPECT_EQ(cli.ContentLength(), static_cast<int64_t>(content.size()));

  o = Fetch(cli, "http://127.0.0.1:" + std::to_string(server.Port()) + "/missing.json");
  EXPECT_TRUE(o.raised);
  EXPECT_EQ(o.errorCode, 404);
  EXPECT_EQ(o.message, "File not found");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace lf
