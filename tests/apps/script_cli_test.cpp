// Runs "lumenfoldi script": command listings, compile errors, runs against a
// report, and runs ended by a time limit.
#include <gtest/gtest.h>

#include <string>

#include "apps/cli_run.h"

namespace {

using lf::test::CliRun;

class ScriptCommand : public lf::test::CliTest {
 protected:
  // Writes the script to a file of its own and runs the command on it.
  CliRun RunScript(const std::string& script, const std::string& options) {
    Write("script.txt", script);
    return Cli("script " + options + " '" + Path("script.txt") + "'");
  }
};
using ScriptCommandCompile = ScriptCommand;
using ScriptCommandRun = ScriptCommand;

TEST_F(ScriptCommandCompile, ListsOneCommandPerLine) {
  CliRun r = RunScript("if x > 1 then\n  y := 1\nelse\n  NewPage\n", "--compile");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "0\tjz\t3\tx 1 >\n1\tset\ty\t1 \n2\tjmp\t4\n3\tcall\tNewPage(0)\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(ScriptCommandCompile, ReportsErrorsOnStandardError) {
  CliRun r = RunScript("begin\n  a := 1;\n  if a > 1 b := 2\nend\n", "--compile");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "0\tset\ta\t1 \n1\tjz\t2\ta 1 >\n");
  EXPECT_EQ(r.err, "Line 3/12: Need \"then\" here\n");
}

TEST_F(ScriptCommandRun, PrintsTheScriptVariablesSortedByName) {
  CliRun r = RunScript(
      "begin\n"
      "  for i := 1 to 3 do s := s + STR(i);\n"
      "  Arr[2] := 5;\n"
      "  b := Arr[2] = 5;\n"
      "  if Total > 10 then big := True\n"
      "end\n",
      "--var \"s=''\" --var Total=20 --timeout 30");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out,
            "Arr_Arr_2\tdouble\t5\n"
            "b\tinteger\t1\n"
            "big\tboolean\tTrue\n"
            "i\tdouble\t4\n"
            "s\ttext\t123\n");
}

TEST_F(ScriptCommandRun, ReachesTheObjectsAndTablesOfATemplate) {
  const std::string example = LF_SOURCE_DIR "/examples/grouped-list/";
  CliRun r = RunScript(
      "begin was := Title.Visible; Title.Visible := False; now := Title.Visible;\n"
      "  who := cds0.Employee; Title.NoSuchProperty := 1 end",
      "--template '" + example + "template.frf' --data '" + example + "data.json' --timeout 30");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out,
            "now\tboolean\tFalse\n"
            "Title.NoSuchProperty\tdouble\t1\n"
            "was\tboolean\tTrue\n"
            "who\ttext\tAnna Kowalska\n");
}

TEST_F(ScriptCommandRun, EndlessLoopEndsAtTheTimeLimit) {
  CliRun r = RunScript("begin n := 0; while 1 = 1 do n := 1 end", "--timeout 0.3");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "n\tdouble\t1\n");
}

TEST_F(ScriptCommandRun, EvaluationErrorsExitOne) {
  CliRun r = RunScript("x := 'abc' - 1", "");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("abc"), std::string::npos);
}

TEST_F(ScriptCommandRun, RejectsABadTimeLimit) {
  CliRun r = RunScript("x := 1", "--timeout soon");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "lumenfoldi script: --timeout needs a number of seconds above 0 and at most 2073600\n");
}

}  // namespace
