// Runs "lumenfoldi tables" on data texts: the JSON document, code pages,
// errors and the bundled example.
#include <gtest/gtest.h>

#include <string>

#include "apps/cli_run.h"

namespace {

using lf::test::CliRun;

class TablesCommand : public lf::test::CliTest {
 protected:
  CliRun RunTables(const std::string& data, const std::string& options = "") {
    Write("data.json", data);
    return Cli("tables " + options + " '" + Path("data.json") + "'");
  }
};

TEST_F(TablesCommand, PrintsTheTablesAsJson) {
  CliRun r = RunTables("[{\"id\":\"1\",\"name\":\"Zhang\",\"age\":\"30\"},{\"id\":\"2\",\"name\":\"Li\"}]");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out,
            "{\"tables\":[{\"name\":\"cds0\",\"fields\":[{\"name\":\"age\",\"type\":\"ftString\",\"size\":100},"
            "{\"name\":\"id\",\"type\":\"ftString\",\"size\":100},{\"name\":\"name\",\"type\":\"ftString\",\"size\":100}],"
            "\"rows\":[[\"30\",\"1\",\"Zhang\"],[null,\"2\",\"Li\"]]}]}\n");
}

TEST_F(TablesCommand, ReadsLegacyCodePagesAndPrintsUtf8) {
  // 张三 in GBK.
  CliRun r = RunTables("[{\"n\":\"\xD5\xC5\xC8\xFD\"}]", "--codepage GBK");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("[[\"\xE5\xBC\xA0\xE4\xB8\x89\"]]"), std::string::npos) << r.out;
}

TEST_F(TablesCommand, AnErrorKeepsTheTablesBuiltSoFarAndExitsWithOne) {
  CliRun r = RunTables("[{\"a\":\"1\"}]\n[{\"b\":1} 2]");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out,
            "{\"tables\":[{\"name\":\"cds0\",\"fields\":[{\"name\":\"a\",\"type\":\"ftString\",\"size\":100}],"
            "\"rows\":[[\"1\"]]}],\"error\":\"data table 1 at byte 21: expected ',' or ']', found '2'\"}\n");
}

TEST_F(TablesCommand, ATextWithoutArraysHasNoTables) {
  CliRun r = RunTables("just words");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "{\"tables\":[]}\n");
}

TEST_F(TablesCommand, ReadsTheBundledExamples) {
  for (const char* example : {"invoice", "tricky-data"}) {
    std::string data = Slurp(std::string(LF_SOURCE_DIR "/examples/") + example + "/data.json");
    ASSERT_FALSE(data.empty()) << example;
    CliRun r = RunTables(data);
    EXPECT_EQ(r.exitCode, 0) << example;
    EXPECT_NE(r.out.find("\"name\":\"cds1\""), std::string::npos) << example;
    EXPECT_EQ(r.out.find("\"error\""), std::string::npos) << example;
  }
  CliRun r = RunTables("");
  EXPECT_EQ(r.out, "{\"tables\":[]}\n");
}

}  // namespace
