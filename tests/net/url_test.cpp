// Tests of URL splitting and relocation resolution.
#include "net/url.h"

#include <gtest/gtest.h>

#include <ostream>

#include "param_name.h"

namespace lf {
namespace {

struct UrlCase {
  const char* url;
  const char* scheme;
  const char* user;
  const char* password;
  const char* host;
  const char* port;
  const char* path;
};
void PrintTo(const UrlCase& c, std::ostream* os) { *os << c.url; }

class UrlParse : public testing::TestWithParam<UrlCase> {};

TEST_P(UrlParse, SplitsIntoParts) {
  const UrlCase& c = GetParam();
  TUrlParts p = ParseURL(c.url);
  EXPECT_EQ(p.scheme, c.scheme);
  EXPECT_EQ(p.user, c.user);
  EXPECT_EQ(p.password, c.password);
  EXPECT_EQ(p.host, c.host);
  EXPECT_EQ(p.port, c.port);
  EXPECT_EQ(p.path, c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Url, UrlParse,
    testing::Values(
        UrlCase{"http://h/d.json", "http", "", "", "h", "80", "/d.json"},
        UrlCase{"HTTP://Host:8080/a/b?x=1&y=2", "http", "", "", "Host", "8080", "/a/b?x=1&y=2"},
        UrlCase{"http://u:pw@h:81/p", "http", "u", "pw", "h", "81", "/p"},
        UrlCase{"http://u@h", "http", "u", "", "h", "80", "/"},
        UrlCase{"http://h?q=1", "http", "", "", "h", "80", "/?q=1"},
        UrlCase{"h:90/x", "http", "", "", "h", "90", "/x"},
        UrlCase{"127.0.0.1", "http", "", "", "127.0.0.1", "80", "/"},
        UrlCase{"/only/path", "http", "", "", "", "80", "/only/path"},
        UrlCase{"http:/p", "http", "", "", "", "80", "/p"},
        UrlCase{"https://h/s", "https", "", "", "h", "443", "/s"},
        UrlCase{"HTTPS://h:80/s", "https", "", "", "h", "80", "/s"},
        UrlCase{"ftp://h/f", "ftp", "", "", "h", "80", "/f"},
        UrlCase{"http://[::1]:8000/v6", "http", "", "", "::1", "8000", "/v6"},
        UrlCase{"h/p?u=http://x/y", "http", "", "", "h", "80", "/p?u=http://x/y"},
        UrlCase{"", "http", "", "", "", "80", "/"}),
    [](const ::testing::TestParamInfo<UrlParse::ParamType>& info) { return lf::test::ParamName(info.param.url); });

struct LocationCase {
  const char* current;
  const char* location;
  const char* resolved;
};
void PrintTo(const LocationCase& c, std::ostream* os) { *os << c.location << " from " << c.current; }

class UrlRelocation : public testing::TestWithParam<LocationCase> {};

TEST_P(UrlRelocation, ResolvesAgainstCurrentAddress) {
  const LocationCase& c = GetParam();
  EXPECT_EQ(ResolveLocation(ParseURL(c.current), c.location), c.resolved);
}

INSTANTIATE_TEST_SUITE_P(
    Url, UrlRelocation,
    testing::Values(
        LocationCase{"http://h/a/b", "HTTP://other:81/x", "HTTP://other:81/x"},
        LocationCase{"http://h/a/b", "https://s/x", "https://s/x"},
        LocationCase{"http://h:8080/a/b?q=1", "/root?z", "http://h:8080/root?z"},
        LocationCase{"http://h/a/b?q=/x", "c.json", "http://h/a/c.json"},
        LocationCase{"http://h/a/", "c", "http://h/a/c"},
        LocationCase{"http://h", "c", "http://h/c"},
        LocationCase{"http://u:p@h:81/a/b", "c", "http://u:p@h:81/a/c"},
        LocationCase{"http://h/a/b", "//g:82/z", "http://g:82/z"},
        LocationCase{"https://h/a/b", "c", "https://h/a/c"},
        LocationCase{"https://h:80/a/b", "/c", "https://h:80/c"},
        LocationCase{"https://h/a/b", "//g/z", "https://g/z"}),
    [](const ::testing::TestParamInfo<UrlRelocation::ParamType>& info) {
      return lf::test::ParamName(std::string(info.param.current) + " to " + info.param.location);
    });

}  // namespace
}  // namespace lf
