// Runs "lumenfoldi script": command listings, compile errors, runs against a
// report, and runs ended by a time limit.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct ScriptRun {
  int status = -1;
  std::string out, err;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Writes the script to a file of its own and runs the command on it.
ScriptRun RunScript(const std::string& script, const std::string& options) {
  const std::string base = ::testing::TempDir() + "script_cli_" +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name();
  { std::ofstream(base + ".txt", std::ios::binary) << script; }
  std::string cmd = "QT_QPA_PLATFORM=offscreen '" LF_CLI_PATH "' script " + options + " '" + base +
                    ".txt' 2>'" + base + ".err'";
  ScriptRun r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  // Qt's own start-up notes (no runtime directory on CI) are not the command's.
  std::istringstream err(ReadFile(base + ".err"));
  for (std::string line; std::getline(err, line);)
    if (line.rfind("QStandardPaths: ", 0) != 0) r.err += line + "\n";
  return r;
}

TEST(ScriptCommandCompile, ListsOneCommandPerLine) {
  ScriptRun r = RunScript("if x > 1 then\n  y := 1\nelse\n  NewPage\n", "--compile");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "0\tjz\t3\tx 1 >\n1\tset\ty\t1 \n2\tjmp\t4\n3\tcall\tNewPage(0)\n");
  EXPECT_EQ(r.err, "");
}

TEST(ScriptCommandCompile, ReportsErrorsOnStandardError) {
  ScriptRun r = RunScript("begin\n  a := 1;\n  if a > 1 b := 2\nend\n", "--compile");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "0\tset\ta\t1 \n1\tjz\t2\ta 1 >\n");
  EXPECT_EQ(r.err, "Line 3/12: Need \"then\" here\n");
}

TEST(ScriptCommandRun, PrintsTheScriptVariablesSortedByName) {
  ScriptRun r = RunScript(
      "begin\n"
      "  for i := 1 to 3 do s := s + STR(i);\n"
      "  Arr[2] := 5;\n"
      "  b := Arr[2] = 5;\n"
      "  if Total > 10 then big := True\n"
      "end\n",
      "--var \"s=''\" --var Total=20 --timeout 30");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "Arr_Arr_2\tdouble\t5\n"
            "b\tinteger\t1\n"
            "big\tboolean\tTrue\n"
            "i\tdouble\t4\n"
            "s\ttext\t123\n");
}

TEST(ScriptCommandRun, ReachesTheObjectsAndTablesOfATemplate) {
  const std::string example = LF_SOURCE_DIR "/examples/grouped-list/";
  ScriptRun r = RunScript(
      "begin was := Title.Visible; Title.Visible := False; now := Title.Visible;\n"
      "  who := cds0.Employee; Title.NoSuchProperty := 1 end",
      "--template '" + example + "template.frf' --data '" + example + "data.json' --timeout 30");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "now\tboolean\tFalse\n"
            "Title.NoSuchProperty\tdouble\t1\n"
            "was\tboolean\tTrue\n"
            "who\ttext\tAnna Kowalska\n");
}

TEST(ScriptCommandRun, EndlessLoopEndsAtTheTimeLimit) {
  ScriptRun r = RunScript("begin n := 0; while 1 = 1 do n := 1 end", "--timeout 0.3");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "n\tdouble\t1\n");
}

TEST(ScriptCommandRun, EvaluationErrorsExitOne) {
  ScriptRun r = RunScript("x := 'abc' - 1", "");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("abc"), std::string::npos);
}

TEST(ScriptCommandRun, RejectsABadTimeLimit) {
  ScriptRun r = RunScript("x := 1", "--timeout soon");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "lumenfoldi script: --timeout needs a number of seconds above 0 and at most 2073600\n");
}

}  // namespace
