// Reading a parameter's address outside the control's flow: http(s) through
// the control's client against a scripted server, anything else from disk.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "control/fetch_address.h"
#include "control/lumenfoldi.h"
#include "net/scripted_server.h"
#include "platform/code_page.h"

namespace lf {
namespace {

using test::ScriptedServer;

TEST(FetchAddress, HttpAddressesOfEitherCaseGoThroughTheControlsClient) {
  ScriptedServer server({ScriptedServer::Reply("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\n[{}]\n"),
                         ScriptedServer::Reply("HTTP/1.0 404 Not Found\r\n\r\n")});
  Tlumenfoldi control;
  const std::string upper = "HTTP" + server.Base().substr(4);
  EXPECT_EQ(FetchAddress(control, upper + "/d.json"), std::optional<std::string>("[{}]\n"));
  EXPECT_EQ(FetchAddress(control, server.Base() + "/gone.json"), std::nullopt);
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(server.Requests()[0].substr(0, server.Requests()[0].find("\r\n")), "GET /d.json HTTP/1.0");
}

TEST(FetchAddress, OtherAddressesAreFilesNamedInTheHostCodePage) {
  ScopedHostCodePage gbk("GBK");
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("lf_fetch_address_test_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string utf8Name = (dir / "数据.json").string();
  std::ofstream(utf8Name, std::ios::binary) << std::string("a\0b", 3);
  Tlumenfoldi control;
  EXPECT_EQ(FetchAddress(control, Utf8ToHost(utf8Name)), std::optional<std::string>(std::string("a\0b", 3)));
  EXPECT_EQ(FetchAddress(control, Utf8ToHost((dir / "missing.json").string())), std::nullopt);
  // A text longer than one read comes back whole, its last partial piece included.
  std::string large;
  for (size_t i = 0; i < 3 * 65536 + 17; ++i) large += static_cast<char>('a' + i % 23);
  std::ofstream((dir / "large.json").string(), std::ios::binary) << large;
  EXPECT_EQ(FetchAddress(control, Utf8ToHost((dir / "large.json").string())), std::optional<std::string>(large));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace lf
