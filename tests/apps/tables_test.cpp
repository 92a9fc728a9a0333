// Runs "lumenfoldi tables" on data texts: the JSON document, code pages,
// errors and the bundled example.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

struct TablesRun {
  int status = -1;
  std::string out;
};

TablesRun RunTables(const std::string& data, const std::string& options = "") {
  const std::string path = ::testing::TempDir() + "tables_cli_" +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".json";
  { std::ofstream(path, std::ios::binary) << data; }
  std::string cmd = "QT_QPA_PLATFORM=offscreen '" LF_CLI_PATH "' tables " + options + " '" + path + "' 2>/dev/null";
  TablesRun r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

TEST(TablesCommand, PrintsTheTablesAsJson) {
  TablesRun r = RunTables("[{\"id\":\"1\",\"name\":\"Zhang\",\"age\":\"30\"},{\"id\":\"2\",\"name\":\"Li\"}]");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "{\"tables\":[{\"name\":\"cds0\",\"fields\":[{\"name\":\"age\",\"type\":\"ftString\",\"size\":100},"
            "{\"name\":\"id\",\"type\":\"ftString\",\"size\":100},{\"name\":\"name\",\"type\":\"ftString\",\"size\":100}],"
            "\"rows\":[[\"30\",\"1\",\"Zhang\"],[null,\"2\",\"Li\"]]}]}\n");
}

TEST(TablesCommand, ReadsLegacyCodePagesAndPrintsUtf8) {
  // 张三 in GBK.
  TablesRun r = RunTables("[{\"n\":\"\xD5\xC5\xC8\xFD\"}]", "--codepage GBK");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("[[\"\xE5\xBC\xA0\xE4\xB8\x89\"]]"), std::string::npos) << r.out;
}

TEST(TablesCommand, AnErrorKeepsTheTablesBuiltSoFarAndExitsWithOne) {
  TablesRun r = RunTables("[{\"a\":\"1\"}]\n[{\"b\":1} 2]");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            "{\"tables\":[{\"name\":\"cds0\",\"fields\":[{\"name\":\"a\",\"type\":\"ftString\",\"size\":100}],"
            "\"rows\":[[\"1\"]]}],\"error\":\"data table 1 at byte 21: expected ',' or ']', found '2'\"}\n");
}

TEST(TablesCommand, ATextWithoutArraysHasNoTables) {
  TablesRun r = RunTables("just words");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "{\"tables\":[]}\n");
}

TEST(TablesCommand, ReadsTheBundledExamples) {
  for (const char* example : {"invoice", "tricky-data"}) {
    std::ifstream in(std::string(LF_SOURCE_DIR "/examples/") + example + "/data.json", std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(data.empty()) << example;
    TablesRun r = RunTables(data);
    EXPECT_EQ(r.status, 0) << example;
    EXPECT_NE(r.out.find("\"name\":\"cds1\""), std::string::npos) << example;
    EXPECT_EQ(r.out.find("\"error\""), std::string::npos) << example;
  }
  TablesRun r = RunTables("");
  EXPECT_EQ(r.out, "{\"tables\":[]}\n");
}

}  // namespace
