// Tests of "lumenfoldi template" (dump, build, resave) and of the template
// summary "lumenfoldi load" prints, running the program itself.
#include <gtest/gtest.h>

#include <filesystem>

#include "apps/cli_run.h"
#include "net/scripted_server.h"

namespace lf {
namespace {

using test::CliRun;
using test::ScriptedServer;

class TemplateCli : public test::CliTest {
 protected:
  // Builds an example's text form into dir/NAME.frf, as scripts/build-examples
  // does: in the C locale, whose decimal separator new text objects store.
  std::string BuildExample(const std::string& example) {
    std::string frf = Path(example + ".frf");
    CliRun r = Cli("template build --keep-modified '" LF_SOURCE_DIR "/examples/" + example + "/template.json' -o '" +
                   frf + "'", "LC_ALL=C.UTF-8");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return frf;
  }
};

TEST_F(TemplateCli, DumpBuildAndResaveReproduceTheTemplateByteForByte) {
  for (const char* example : {"invoice", "sub-report"}) {
    std::string frf = BuildExample(example);
    CliRun dump = Cli("template dump '" + frf + "'");
    ASSERT_EQ(dump.exitCode, 0) << dump.err;
    Write("dump.json", dump.out);
    ASSERT_EQ(Cli("template build --keep-modified '" + Path("dump.json") + "' -o '" + Path("b.frf") + "'").exitCode, 0);
    EXPECT_EQ(Slurp(Path("b.frf")), Slurp(frf)) << example;
    ASSERT_EQ(Cli("template resave --keep-modified '" + frf + "' -o '" + Path("r.frf") + "'").exitCode, 0);
    EXPECT_EQ(Slurp(Path("r.frf")), Slurp(frf)) << example;
  }
}

TEST_F(TemplateCli, ExampleTemplatesMatchTheirTextForm) {
  for (const char* example : {"invoice", "grouped-list", "address-labels", "cross-table", "page-n-of-m", "sub-report"}) {
    std::string built = BuildExample(example);
    EXPECT_EQ(Slurp(built), Slurp(LF_SOURCE_DIR "/examples/" + std::string(example) + "/template.frf"))
        << example << ": run scripts/build-examples";
  }
}

TEST_F(TemplateCli, ResaveWithoutKeepModifiedStampsTheDate) {
  std::string frf = BuildExample("invoice");
  ASSERT_EQ(Cli("template resave '" + frf + "' -o '" + Path("r.frf") + "'").exitCode, 0);
  std::string a = Slurp(frf), b = Slurp(Path("r.frf"));
  ASSERT_EQ(a.size(), b.size());
  EXPECT_EQ(a.substr(0, a.size() - 8), b.substr(0, b.size() - 8));
  EXPECT_NE(a.substr(a.size() - 8), b.substr(b.size() - 8));
}

TEST_F(TemplateCli, BadTemplateShowsItsBoxAndIsNotRewritten) {
  Write("bad.frf", std::string("\x19\0\0\0\0\x01\0x\0\xC8", 10));  // record code 200
  CliRun dump = Cli("template dump '" + Path("bad.frf") + "'");
  EXPECT_EQ(dump.exitCode, 1);
  EXPECT_EQ(dump.err, "Error: Unsupported FRF format\nInvalid record code 200 at byte 9\n");
  EXPECT_NE(dump.out.find("\"Pages\""), std::string::npos);
  CliRun resave = Cli("template resave '" + Path("bad.frf") + "' -o '" + Path("out.frf") + "'");
  EXPECT_EQ(resave.exitCode, 1);
  EXPECT_EQ(resave.err, "Error: Unsupported FRF format\nInvalid record code 200 at byte 9\n"
                        "lumenfoldi template: template resave: '" + Path("bad.frf") +
                            "' did not load; nothing written\n");
  EXPECT_FALSE(std::filesystem::exists(Path("out.frf")));
}

TEST_F(TemplateCli, ProtectedTemplateOpensOnlyWithItsPassword) {
  std::string text = Slurp(LF_SOURCE_DIR "/examples/invoice/template.json");
  size_t info = text.find("\"Information\": {");
  ASSERT_NE(info, std::string::npos);
  text.insert(info + 16, "\"Password\": \"Пароль\", \"PasswordProtected\": true,");
  Write("p.json", text);
  ASSERT_EQ(Cli("template build '" + Path("p.json") + "' -o '" + Path("p.frf") + "'").exitCode, 0);
  CliRun right = Cli("template dump --password 'Пароль' '" + Path("p.frf") + "'");
  EXPECT_EQ(right.exitCode, 0);
  EXPECT_NE(right.out.find("\"Name\": \"Invoice\""), std::string::npos);
  const std::string refused = "The template is protected and its password was not given\n";
  CliRun none = Cli("template dump '" + Path("p.frf") + "'");
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_EQ(none.err, refused);
  EXPECT_EQ(none.out.find("\"Name\": \"Invoice\""), std::string::npos);
  EXPECT_NE(none.out.find("\"Objects\": []"), std::string::npos);
  // Resaving over itself without the password must keep the template.
  std::string before = Slurp(Path("p.frf"));
  CliRun resave = Cli("template resave '" + Path("p.frf") + "' -o '" + Path("p.frf") + "'");
  EXPECT_EQ(resave.exitCode, 1);
  EXPECT_EQ(resave.err, refused + "lumenfoldi template: template resave: '" + Path("p.frf") +
                            "' did not load; nothing written\n");
  EXPECT_EQ(Slurp(Path("p.frf")), before);
}

TEST_F(TemplateCli, BuildReportsTextErrors) {
  Write("bad.json", "{\"Pages\": [{\"Objects\": [{\"TypeCode\": 0, \"Lft\": 3}]}]}");
  CliRun r = Cli("template build '" + Path("bad.json") + "' -o '" + Path("x.frf") + "'");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "lumenfoldi template: Template text: Pages[0].Objects[0]: unknown key 'Lft'\n");
  EXPECT_EQ(Cli("template build '" + Path("bad.json") + "'").err,
            "lumenfoldi template: template build: -o OUTPUT is required\n");
}

TEST_F(TemplateCli, LoadPutsTheDownloadedTemplateIntoTheTablesDocument) {
  std::string frf = Slurp(BuildExample("sub-report"));
  std::string data = Slurp(LF_SOURCE_DIR "/examples/sub-report/data.json");
  auto reply = [](const std::string& body) {
    return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  };
  ScriptedServer server({ScriptedServer::Reply(reply(data)), ScriptedServer::Reply(reply(frf))});
  CliRun r = Cli("load '" + server.Base() + "/t.frf," + server.Base() + "/d.json'");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // One JSON document, so the output can be piped on.
  size_t summary = r.out.find(",\"template\":[\"template: 2 pages, 15 objects (band 4, text 10, picture 0, sub-report 1, line 0, other 0)\","
                              "\"page 1 \\\"Page1\\\": paper 9 A4, 2100 x 2970 (0.1 mm), portrait, 7 objects\","
                              "\"page 2 \\\"Page2\\\": paper 9 A4, 2100 x 2970 (0.1 mm), portrait, 8 objects\"]}\n");
  EXPECT_NE(summary, std::string::npos) << r.out;
  EXPECT_EQ(r.out.find('\n'), r.out.size() - 1);
  EXPECT_LT(r.out.find("\"name\":\"cds1\""), summary);
}

}  // namespace
}  // namespace lf
