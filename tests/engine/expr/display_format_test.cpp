// Number and date-time pattern languages.
#include <gtest/gtest.h>

#include <ostream>

#include "param_name.h"

#include "engine/expr/date_time.h"
#include "engine/expr/display_format.h"
#include "platform/format_settings.h"

namespace lf {
namespace {

struct NumberCase {
  const char* pattern;
  double value;
  const char* text;
};
void PrintTo(const NumberCase& c, std::ostream* os) { *os << c.pattern << " of " << c.value; }

class DisplayFormatNumbers : public ::testing::TestWithParam<NumberCase> {};

TEST_P(DisplayFormatNumbers, WritesPattern) {
  ScopedFormatSettings fs(InvariantFormatSettings());
  EXPECT_EQ(FormatFloat(GetParam().pattern, GetParam().value), GetParam().text)
      << GetParam().pattern << " " << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DisplayFormatNumbers,
    ::testing::Values(
        NumberCase{"#,##0.00", 1234567.891, "1,234,567.89"}, NumberCase{"#,##0", 999, "999"},
        NumberCase{"#,##0", 1000, "1,000"}, NumberCase{"0.##", 1, "1"},
        NumberCase{"0.##", 1.5, "1.5"}, NumberCase{"#.##", 0.5, ".5"},
        NumberCase{"000", 7, "007"}, NumberCase{"0", 2.5, "3"},
        NumberCase{"0.00", -3.456, "-3.46"}, NumberCase{"0.00;(0.00)", -3.5, "(3.50)"},
        NumberCase{"0;-0;'zero'", 0, "zero"}, NumberCase{"0", -0.4, "0"},
        NumberCase{"0.00E+00", 1234.5, "1.23E+03"}, NumberCase{"0.0E-0", 0.00012, "1.2E-4"},
        NumberCase{"\"$\"#,##0.00", 5, "$5.00"}, NumberCase{"0 'pcs'", 12, "12 pcs"},
        NumberCase{"##0.", 1234.5, "1235"}, NumberCase{"0.00", 1.005, "1.01"},
        NumberCase{"0", 1e20, "100000000000000000000"}, NumberCase{"", 0.25, "0.25"}),
    [](const ::testing::TestParamInfo<DisplayFormatNumbers::ParamType>& info) { return lf::test::ParamName(info.param.pattern) + "_of_" + lf::test::ParamName(info.param.value); });

TEST(DisplayFormatNumbers, UsesProcessSeparators) {
  TFormatSettings s = InvariantFormatSettings();
  s.DecimalSeparator = ',';
  s.ThousandSeparator = ' ';
  ScopedFormatSettings fs(s);
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1 234,50");
}

TEST(DisplayFormatNumbers, LongPatternsPadInOnePass) {
  ScopedFormatSettings fs(InvariantFormatSettings());
  const size_t n = size_t{1} << 20;
  EXPECT_EQ(FormatFloat(std::string(n, '0'), 7), std::string(n - 1, '0') + "7");
  EXPECT_EQ(FormatFloat("0E+" + std::string(n, '0'), 7), "7E+" + std::string(n, '0'));
}

struct DateCase {
  const char* pattern;
  const char* text;
};
void PrintTo(const DateCase& c, std::ostream* os) { *os << c.pattern; }

class DisplayFormatDates : public ::testing::TestWithParam<DateCase> {};

TEST_P(DisplayFormatDates, WritesPattern) {
  ScopedFormatSettings fs(InvariantFormatSettings());
  // Wednesday 15 March 2023, 18:07:09.045
  double v = EncodeDate(2023, 3, 15) + EncodeTime(18, 7, 9, 45);
  EXPECT_EQ(FormatDateTime(GetParam().pattern, v), GetParam().text) << GetParam().pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DisplayFormatDates,
    ::testing::Values(DateCase{"dd.mm.yyyy", "15.03.2023"}, DateCase{"d/m/yy", "15/3/23"},
                      DateCase{"ddd dddd", "Wed Wednesday"}, DateCase{"mmm mmmm", "Mar March"},
                      DateCase{"hh:nn:ss", "18:07:09"}, DateCase{"h:mm", "18:07"},
                      DateCase{"hh:mm:ss.zzz", "18:07:09.045"},
                      DateCase{"h:nn am/pm", "6:07 pm"}, DateCase{"h:nn AMPM", "6:07 PM"},
                      DateCase{"h a/p", "6 p"}, DateCase{"yyyy 'year' \"d\"", "2023 year d"},
                      DateCase{"ddddd", "3/15/2023"}, DateCase{"c", "3/15/2023 6:07:09 PM"},
                      DateCase{"", "3/15/2023 6:07:09 PM"}, DateCase{"mm", "03"}),
    [](const ::testing::TestParamInfo<DisplayFormatDates::ParamType>& info) { return lf::test::ParamName(info.param.pattern); });

TEST(DisplayFormatDates, SeparatorsAndNamesComeFromSettings) {
  TFormatSettings s = InvariantFormatSettings();
  s.DateSeparator = '-';
  s.TimeSeparator = '.';
  s.LongMonthNames[0] = "Januar";
  ScopedFormatSettings fs(s);
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn mmmm", EncodeDate(2020, 1, 2) + 0.5),
            "2020-01-02 12.00 Januar");
}

}  // namespace
}  // namespace lf
