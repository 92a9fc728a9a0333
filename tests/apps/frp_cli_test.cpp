// Tests of "lumenfoldi frp" (dump, build), running the program itself.
#include <gtest/gtest.h>

#include <filesystem>

#include "apps/cli_run.h"

namespace lf {
namespace {

using test::CliRun;
using FrpCli = test::CliTest;

// Every kind of object, a page link, the paragraph marker, and pages whose
// records only survive as their stream (an older stream version, a class
// this build does not have).
const char* const kReport = R"({"Version": 25, "Compressed": false, "Printer": "Virtual printer", "GeneratorVersion": 88,
 "Pages": [
  {"PaperCode": 9, "WidthDmm": 2100, "HeightDmm": 2970, "Landscape": false, "PaperSource": -1,
   "SheetCoordinates": true, "Margins": [0, 0, 0, 0], "Objects": [
    {"TypeCode": 0, "Name": "URL1", "Left": 10, "Top": 20, "Width": 100, "Height": 18,
     "Memo": ["Total 合计", "\u0001second paragraph"], "Tag": "@2", "FrameWidth": 0.5,
     "Font": {"Name": "Arial", "Size": 10, "Style": 2, "Color": "0x000000FF", "Charset": 134}},
    {"TypeCode": 1, "Name": "Picture1", "Width": 50, "Height": 50, "BlobType": 1},
    {"TypeCode": 2, "Name": "Band1", "FrameTyp": 4, "ChildBand": "Band2", "Master": "Band0"},
    {"TypeCode": 3, "Name": "SubReport1", "SubPage": 1},
    {"TypeCode": 4, "Name": "Line1", "Top": 40, "Width": 300}]},
  {"PaperCode": 256, "WidthDmm": 1000, "HeightDmm": 1200, "Landscape": 2, "PaperSource": 3,
   "SheetCoordinates": false, "Margins": [1, 2, 3, 4], "Stream": "GA=="},
  {"PaperCode": 9, "WidthDmm": 2100, "HeightDmm": 2970, "Stream": "GQoDAFRmWAA="}]})";

TEST_F(FrpCli, DumpAndBuildReproduceTheFileByteForByte) {
  Write("report.json", kReport);
  CliRun build = Cli("frp build '" + Path("report.json") + "' -o '" + Path("a.frp") + "'");
  ASSERT_EQ(build.exitCode, 0) << build.err;
  CliRun dump = Cli("frp dump '" + Path("a.frp") + "'");
  ASSERT_EQ(dump.exitCode, 0) << dump.err;
  EXPECT_NE(dump.out.find(R"("\u0001second paragraph")"), std::string::npos);
  EXPECT_NE(dump.out.find(R"("Stream": "GQoDAFRmWAA=")"), std::string::npos);
  EXPECT_NE(dump.out.find(R"("Landscape": 2)"), std::string::npos);
  Write("dump.json", dump.out);
  ASSERT_EQ(Cli("frp build '" + Path("dump.json") + "' -o '" + Path("b.frp") + "'").exitCode, 0);
  EXPECT_EQ(Slurp(Path("b.frp")), Slurp(Path("a.frp")));
  EXPECT_EQ(Cli("frp dump '" + Path("b.frp") + "'").out, dump.out);
}

TEST_F(FrpCli, DamagedInputExitsOneAndWritesNothing) {
  Write("report.json", kReport);
  ASSERT_EQ(Cli("frp build '" + Path("report.json") + "' -o '" + Path("a.frp") + "'").exitCode, 0);
  std::string file = Slurp(Path("a.frp"));
  Write("cut.frp", file.substr(0, file.size() - 1));
  CliRun dump = Cli("frp dump '" + Path("cut.frp") + "'");
  EXPECT_EQ(dump.exitCode, 1);
  EXPECT_EQ(dump.out, "");
  EXPECT_EQ(dump.err, "lumenfoldi frp: Prepared report damaged: at byte " + std::to_string(file.size() - 1) +
                          ": truncated generator version\n");

  std::string json = kReport;
  json.replace(json.find("\"Top\": 20"), 9, "\"Tp\": 20");
  Write("bad.json", json);
  CliRun bad = Cli("frp build '" + Path("bad.json") + "' -o '" + Path("a.frp") + "'");
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_EQ(bad.err, "lumenfoldi frp: Prepared report text: Pages[0].Objects[0]: unknown key 'Tp'\n");
  EXPECT_EQ(Slurp(Path("a.frp")), file);  // the earlier file stays

  Write("compressed.json", R"({"Compressed": true, "Pages": [{"Objects": []}]})");
  CliRun compressed = Cli("frp build '" + Path("compressed.json") + "' -o '" + Path("c.frp") + "'");
  EXPECT_EQ(compressed.exitCode, 1);
  EXPECT_EQ(compressed.err, "lumenfoldi frp: Compressed prepared reports are not supported\n");
  EXPECT_FALSE(std::filesystem::exists(Path("c.frp")));
  for (const auto& e : std::filesystem::directory_iterator(dir_))
    EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
}

}  // namespace
}  // namespace lf
