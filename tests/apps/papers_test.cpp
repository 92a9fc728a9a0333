// Runs "lumenfoldi papers" and "lumenfoldi printers" and checks what they print.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "apps/cli_run.h"

namespace {

using lf::test::CliRun;
using PapersCommand = lf::test::CliTest;
using PrintersCommand = lf::test::CliTest;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

TEST_F(PapersCommand, PrintsTheVirtualPrinterTableWithItsMetrics) {
  CliRun r = Cli("papers");
  ASSERT_EQ(r.exitCode, 0);
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 67u);
  EXPECT_EQ(lines[8], "9\tA4\t2100\t2970\t758\t1071\t18\t18\t722\t1035");
  EXPECT_EQ(lines[4], "5\tLegal\t2159\t3556\t779\t1283\t18\t18\t743\t1247");
  EXPECT_EQ(lines[66], "256\tCustom\t0\t0\t0\t0\t18\t18\t-36\t-36");
}

TEST_F(PapersCommand, LandscapeSwapsTheSheet) {
  CliRun r = Cli("papers --landscape --printer 'virtual PRINTER'");
  ASSERT_EQ(r.exitCode, 0);
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 67u);
  EXPECT_EQ(lines[8], "9\tA4\t2970\t2100\t1071\t758\t18\t18\t1035\t722");
}

TEST_F(PapersCommand, RejectsAnUnknownPrinter) {
  CliRun r = Cli("papers --printer Nowhere");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("lumenfoldi papers: Unknown printer 'Nowhere'\n"), std::string::npos) << r.err;
}

TEST_F(PrintersCommand, EndsWithTheVirtualPrinterAndMarksOneAsSelected) {
  CliRun r = Cli("printers");
  ASSERT_EQ(r.exitCode, 0);
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().substr(2), "Virtual printer");
  int marked = 0;
  for (const auto& l : lines) {
    ASSERT_GE(l.size(), 2u);
    EXPECT_TRUE(l.compare(0, 2, "* ") == 0 || l.compare(0, 2, "  ") == 0) << l;
    marked += l[0] == '*';
  }
  EXPECT_EQ(marked, 1);
}

}  // namespace
