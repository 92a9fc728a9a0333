// Runs "lumenfoldi papers" and "lumenfoldi printers" and checks what they print.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sys/wait.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct CliRun {
  int status = -1;
  std::string out;
};

CliRun RunCli(const std::string& args) {
  std::string cmd = "QT_QPA_PLATFORM=offscreen '" LF_CLI_PATH "' " + args + " 2>/dev/null";
  CliRun r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

TEST(PapersCommand, PrintsTheVirtualPrinterTableWithItsMetrics) {
  CliRun r = RunCli("papers");
  ASSERT_EQ(r.status, 0);
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 67u);
  EXPECT_EQ(lines[8], "9\tA4\t2100\t2970\t758\t1071\t18\t18\t722\t1035");
  EXPECT_EQ(lines[4], "5\tLegal\t2159\t3556\t779\t1283\t18\t18\t743\t1247");
  EXPECT_EQ(lines[66], "256\tCustom\t0\t0\t0\t0\t18\t18\t-36\t-36");
}

TEST(PapersCommand, LandscapeSwapsTheSheet) {
  CliRun r = RunCli("papers --landscape --printer 'virtual PRINTER'");
  ASSERT_EQ(r.status, 0);
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 67u);
  EXPECT_EQ(lines[8], "9\tA4\t2970\t2100\t1071\t758\t18\t18\t1035\t722");
}

TEST(PapersCommand, RejectsAnUnknownPrinter) {
  std::string cmd = "QT_QPA_PLATFORM=offscreen '" LF_CLI_PATH "' papers --printer Nowhere 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string out;
  std::array<char, 4096> buf;
  for (size_t n; (n = fread(buf.data(), 1, buf.size(), p)) > 0;) out.append(buf.data(), n);
  int st = pclose(p);
  EXPECT_EQ(WEXITSTATUS(st), 1);
  EXPECT_NE(out.find("lumenfoldi papers: Unknown printer 'Nowhere'\n"), std::string::npos) << out;
}

TEST(PrintersCommand, EndsWithTheVirtualPrinterAndMarksOneAsSelected) {
  CliRun r = RunCli("printers");
  ASSERT_EQ(r.status, 0);
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
