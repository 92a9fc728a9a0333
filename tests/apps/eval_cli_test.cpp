// Runs "lumenfoldi eval": kinds and texts of values, postfix listings,
// dictionary variables, data tables with a row, templates and errors.
#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "apps/cli_run.h"
#include "param_name.h"

namespace {

using lf::test::CliRun;

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class EvalCommand : public lf::test::CliTest {
 protected:
  CliRun RunEval(const std::vector<std::string>& args) {
    std::string line = "eval";
    for (const std::string& a : args) line += " " + Quote(a);
    // Date texts follow the system locale; the cases are written for the C one.
    return Cli(line, "LC_ALL=C.UTF-8");
  }
};

struct CliCase {
  const char* expression;
  const char* line;
};
void PrintTo(const CliCase& c, std::ostream* os) { *os << c.expression; }

class EvalCommandValues : public EvalCommand, public ::testing::WithParamInterface<CliCase> {};

TEST_P(EvalCommandValues, PrintsKindTabText) {
  CliRun r = RunEval({GetParam().expression});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, std::string(GetParam().line) + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EvalCommandValues,
    ::testing::Values(CliCase{"2+3*4", "double\t14"}, CliCase{"7 mod 3", "integer\t1"},
                      CliCase{"'it''s' + 'x'", "text\tit'sx"}, CliCase{"10/0", "integer\t0"},
                      CliCase{"clRed", "integer\t255"},
                      CliCase{"clTransparent", "integer\t536870911"},
                      CliCase{"Null", "null\t"}, CliCase{"1 > 0", "integer\t1"},
                      CliCase{"true", "boolean\tTrue"}, CliCase{"", "integer\t0"},
                      CliCase{"NOSUCHFUNCTION(1)", "text\t0"},
                      CliCase{"IF(1 > 2, 'a', 'b')", "text\tb"},
                      CliCase{"STRTODATE('1/2/2024') - STRTODATE('1/1/2024')", "double\t1"}),
    [](const ::testing::TestParamInfo<EvalCommandValues::ParamType>& info) { return lf::test::ParamName(info.param.expression); });

TEST_F(EvalCommand, PrintsPostfixWithOperatorCodes) {
  CliRun r = RunEval({"--postfix", "a = 1 or not b"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "a 1 b {12}{4}=\n");
}

TEST_F(EvalCommand, VariablesAreDictionaryExpressions) {
  CliRun r = RunEval({"--var", "Net=2*3", "--var", "Gross=[Net]+1", "gross * 2"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "double\t14\n");
}

TEST_F(EvalCommand, DataFieldsOnTheChosenRow) {
  const std::string data = Path("data.json");
  std::ofstream(data, std::ios::binary)
      << "[{\"amount\":\"10.5\",\"first name\":\"Ann\"},{\"amount\":\"20\",\"first name\":\"Bob\"}]"
      << "[{\"code\":\"x\"}]";
  CliRun first = RunEval({"--data", data, "cds0.\"first name\" + cds1.code"});
  EXPECT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.out, "text\tAnnx\n");
  CliRun second = RunEval({"--data", data, "--row", "2", "[cds0.amount] * 1.2 + 3"});
  EXPECT_EQ(second.exitCode, 0) << second.err;
  EXPECT_EQ(second.out, "double\t27\n");
}

TEST_F(EvalCommand, TextFunctionsCountCharactersOfTheCodePage) {
  const std::string data = Path("data.json");
  std::ofstream(data, std::ios::binary) << "[{\"name\":\"\u0418\u0432\u0430\u043d\"}]";
  for (const char* cp : {"UTF-8", "CP1251"}) {
    CliRun r = RunEval({"--codepage", cp, "--data", data,
                         "UPPERCASE(cds0.name) + STR(LENGTH(cds0.name)) + COPY(cds0.name, 2, 2)"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "text\t\u0418\u0412\u0410\u041d4\u0432\u0430\n") << cp;
  }
}

TEST_F(EvalCommand, FieldIsNullNamesMissingFields) {
  const std::string data = Path("data.json");
  std::ofstream(data, std::ios::binary) << "[{\"a\":\"1\"}]";
  EXPECT_EQ(RunEval({"--data", data, "FIELDISNULL('cds0.a')"}).out, "boolean\tFalse\n");
  EXPECT_EQ(RunEval({"--data", data, "FIELDISNULL('cds7.a')"}).out, "boolean\tTrue\n");
  CliRun r = RunEval({"--data", data, "FIELDISNULL('cds0.b')"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Field '' not found"), std::string::npos) << r.err;
}

TEST_F(EvalCommand, ErrorsExitOneWithTheMessage) {
  CliRun r = RunEval({"nothing"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("Undefined symbol \"NOTHING\"\n"), std::string::npos) << r.err;
  r = RunEval({"'abc' + 1"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("'abc' is not a valid floating point value\n"), std::string::npos) << r.err;
  r = RunEval({"--row", "0", "1"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("--row needs a number from 1, not '0'"), std::string::npos) << r.err;
}

}  // namespace
