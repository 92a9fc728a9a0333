// Tests of https through the HTTP client against a local TLS server that
// serves a self-signed certificate for 127.0.0.1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <ostream>

#include "net/http_cli.h"
#include "net/http_fetch.h"
#include "net/scripted_server.h"
#include "net/socket.h"
#include "net/tls_server.h"

namespace lf {
namespace {

using test::Fetch;
using test::Outcome;
using test::ScriptedServer;
using test::TlsServer;

// Sets SSL_CERT_FILE (or removes it for nullopt) for one test, then puts
// back what was there.
class CertFileScope {
 public:
  explicit CertFileScope(const std::optional<std::string>& value) {
    if (const char* old = std::getenv("SSL_CERT_FILE")) saved_ = old;
    if (value) ::setenv("SSL_CERT_FILE", value->c_str(), 1);
    else ::unsetenv("SSL_CERT_FILE");
  }
  ~CertFileScope() {
    if (saved_) ::setenv("SSL_CERT_FILE", saved_->c_str(), 1);
    else ::unsetenv("SSL_CERT_FILE");
  }

 private:
  std::optional<std::string> saved_;
};

std::string TestCertificate() { return test::TlsTestFile("server.crt").toStdString(); }

struct BodyCase {
  const char* name;
  std::string reply;
  std::string body;
};
void PrintTo(const BodyCase& c, std::ostream* os) { *os << c.name; }

class HttpsBody : public testing::TestWithParam<BodyCase> {};

// Each way a body can end, read from the decrypting socket's own buffer.
TEST_P(HttpsBody, FetchedWithTrustedCertificate) {
  CertFileScope trust(TestCertificate());
  TlsServer server({GetParam().reply});
  ASSERT_TRUE(server.Ready());
  THttpCli cli;
  Outcome o = Fetch(cli, server.Base() + "/d.json?x=1");
  EXPECT_FALSE(o.raised) << o.message;
  EXPECT_EQ(cli.ResponseStatus(), 200);
  EXPECT_EQ(o.body, GetParam().body);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0],
            "GET /d.json?x=1 HTTP/1.0\r\n"
            "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
            "User-Agent: Mozilla/4.0 (compatible; lumenfoldi)\r\n"
            "Host: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n\r\n");
}

std::string Large() {
  std::string s;
  for (int i = 0; s.size() < 700 * 1024; ++i) s += std::to_string(i) + ',';
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    Https, HttpsBody,
    testing::Values(
        BodyCase{"Length", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello", "hello"},
        BodyCase{"Chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nhel\r\n2\r\nlo\r\n0\r\n\r\n",
                 "hello"},
        BodyCase{"UntilCloseLarge", "HTTP/1.0 200 OK\r\n\r\n" + Large(), Large()}),
    [](const testing::TestParamInfo<BodyCase>& info) { return std::string(info.param.name); });

TEST(Https, DefaultPortIsLeftOutOfHostHeader) {
  THttpCli cli;
  std::string header = cli.BuildRequestHeader(ParseURL("https://example.test/x"));
  EXPECT_NE(header.find("\r\nHost: example.test\r\n"), std::string::npos) << header;
  header = cli.BuildRequestHeader(ParseURL("https://example.test:80/x"));
  EXPECT_NE(header.find("\r\nHost: example.test:80\r\n"), std::string::npos) << header;
}

struct TrustCase {
  const char* name;
  std::optional<std::string> certFile;
};
void PrintTo(const TrustCase& c, std::ostream* os) { *os << c.name; }

class HttpsUntrusted : public testing::TestWithParam<TrustCase> {};

// The request never leaves the client when the server's certificate is not
// trusted.
TEST_P(HttpsUntrusted, FailsBeforeSendingTheRequest) {
  CertFileScope trust(GetParam().certFile);
  TlsServer server({"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello"});
  ASSERT_TRUE(server.Ready());
  THttpCli cli;
  Outcome o = Fetch(cli, server.Base() + "/");
  EXPECT_TRUE(o.raised);
  EXPECT_EQ(o.message, "TLS handshake failed: The certificate is self-signed, and untrusted");
  EXPECT_EQ(o.errorCode, 404);
  EXPECT_EQ(o.body, "");
  EXPECT_TRUE(server.Requests().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Https, HttpsUntrusted,
    testing::Values(TrustCase{"SystemStore", std::nullopt},
                    TrustCase{"MissingCertFile", std::string(LF_TEST_DATA_DIR) + "/tls/no-such.crt"}),
    [](const testing::TestParamInfo<TrustCase>& info) { return std::string(info.param.name); });

TEST(Https, AddressTheCertificateDoesNotCoverFails) {
  CertFileScope trust(TestCertificate());
  // Loopback too, but the certificate names only 127.0.0.1, ::1 and localhost.
  TlsServer server({"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello"}, QHostAddress("127.0.0.2"));
  ASSERT_TRUE(server.Ready());
  THttpCli cli;
  Outcome o = Fetch(cli, server.Base() + "/");
  EXPECT_EQ(o.message,
            "TLS handshake failed: The host name did not match any of the valid hosts for this certificate");
  EXPECT_TRUE(server.Requests().empty());
}

// A server that does not speak TLS, and one that never answers the
// handshake, end the request the way other transport failures do.
TEST(Https, ServerWithoutTlsFails) {
  CertFileScope trust(TestCertificate());
  ScriptedServer plain({[](test::ServerConnection& c) { c.Send("HTTP/1.0 200 OK\r\n\r\nplain text"); }});
  THttpCli cli;
  Outcome o = Fetch(cli, "https://127.0.0.1:" + std::to_string(plain.Port()) + "/");
  EXPECT_TRUE(o.raised);
  EXPECT_EQ(o.message.rfind("TLS handshake failed: ", 0), 0u) << o.message;
  EXPECT_GT(o.message.size(), std::string("TLS handshake failed: ").size());
  EXPECT_EQ(o.errorCode, 404);
  EXPECT_EQ(o.body, "");

  ScriptedServer silent({ScriptedServer::Silent()});
  cli.SetTimeout(1);
  o = Fetch(cli, "https://127.0.0.1:" + std::to_string(silent.Port()) + "/");
  EXPECT_EQ(o.message, "Connection timed out");
  EXPECT_EQ(o.errorCode, 404);
}

TEST(Https, ConnectsFromTheLocalAddress) {
  CertFileScope trust(TestCertificate());
  TlsServer server({"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello"});
  THttpCli cli;
  cli.SetLocalAddr("192.0.2.1");
  EXPECT_EQ(Fetch(cli, server.Base() + "/").message, "can't connect: Address not available (Error #10049)");
  cli.SetLocalAddr("127.0.0.1");
  EXPECT_EQ(Fetch(cli, server.Base() + "/").body, "hello");
}

TEST(Https, BodyLimitApplies) {
  CertFileScope trust(TestCertificate());
  TlsServer server({"HTTP/1.0 200 OK\r\n\r\nhello"});
  THttpCli cli;
  cli.SetMaxBodySize(4);
  Outcome o = Fetch(cli, server.Base() + "/");
  EXPECT_EQ(o.message, "Response too large");
  EXPECT_EQ(o.body, "");
}

// http -> https -> http, each on its own connection; only the last body stays.
TEST(Https, RelocatesBetweenHttpAndHttps) {
  CertFileScope trust(TestCertificate());
  ScriptedServer last({ScriptedServer::Reply("HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\ndone")});
  TlsServer secure({"HTTP/1.0 302 Found\r\nLocation: " + last.Base() + "/c\r\nContent-Length: 3\r\n\r\nabc"});
  ScriptedServer first(
      {ScriptedServer::Reply("HTTP/1.0 301 Moved\r\nLocation: " + secure.Base() + "/b\r\n\r\n")});
  THttpCli cli;
  Outcome o = Fetch(cli, first.Base() + "/a");
  EXPECT_FALSE(o.raised) << o.message;
  EXPECT_EQ(o.body, "done");
  EXPECT_EQ(cli.Location(), last.Base() + "/c");
  ASSERT_EQ(secure.Requests().size(), 1u);
  EXPECT_EQ(secure.Requests()[0].substr(0, 21), "GET /b HTTP/1.0\r\nAcce");
  ASSERT_EQ(last.Requests().size(), 1u);
}

}  // namespace
}  // namespace lf
