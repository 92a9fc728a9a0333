// Display values: every category and kind of a format code, inline-style
// separators, blank values, formatting errors, and the decimal separator
// following the code rather than the locale.
#include "engine/expr/display_value.h"

#include <gtest/gtest.h>

#include <clocale>
#include <ostream>

#include "engine/model/view.h"
#include "platform/format_settings.h"

namespace lf {
namespace {

struct ValueCase {
  const char* name;
  Variant value;
  int32_t code;
  const char* pattern;
  const char* text;
};
void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.name; }

// 15 November 1998, 02:43:35 (days since 30 December 1899).
constexpr double kSample = 36114 + (2 * 3600 + 43 * 60 + 35) / 86400.0;

class DisplayValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(DisplayValue, Writes) {
  TFormatSettings s = InvariantFormatSettings();
  s.ThousandSeparator = ' ';
  ScopedFormatSettings fs(s);
  const ValueCase& c = GetParam();
  EXPECT_EQ(FormatDisplayValue(c.value, c.code, c.pattern), c.text);
  EXPECT_EQ(FormatSettings().DecimalSeparator, '.');
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DisplayValue,
    ::testing::Values(
        ValueCase{"TextOfANumber", Variant(12.5), MakeFormatCode(0, 0, 2, '.'), "", "12.5"},
        ValueCase{"NumberSignificant", Variant(1234.5), MakeFormatCode(1, 0, 2, ','), "", "1234,5"},
        ValueCase{"NumberFixed", Variant(1234.5), MakeFormatCode(1, 1, 2, ','), "", "1234,50"},
        ValueCase{"NumberFixedNoDecimals", Variant(1234.4), MakeFormatCode(1, 1, 0, ','), "", "1234"},
        ValueCase{"NumberThousandsFixed", Variant(1234.5), MakeFormatCode(1, 3, 2, ','), "", "1 234,50"},
        ValueCase{"NumberCustom", Variant(7), MakeFormatCode(1, 4, 0, '.'), "000.0", "007.0"},
        ValueCase{"NumberFromText", Variant("2.5"), MakeFormatCode(1, 1, 1, '.'), "", "2.5"},
        ValueCase{"NumberBadText", Variant("abc"), MakeFormatCode(1, 1, 2, '.'), "", "abc"},
        ValueCase{"DateShort", Variant::DateTime(kSample), MakeFormatCode(2, 0, 0, 0), "", "11.15.98"},
        ValueCase{"DateMonthName", Variant::DateTime(kSample), MakeFormatCode(2, 2, 0, 0), "", "15 Nov 1998"},
        ValueCase{"DateCustom", Variant::DateTime(kSample), MakeFormatCode(2, 4, 0, 0), "dd.mm.yyyy", "15.11.1998"},
        ValueCase{"TimeLong", Variant::DateTime(kSample), MakeFormatCode(3, 0, 0, 0), "", "02:43:35"},
        ValueCase{"BooleanNoYes", Variant(0), MakeFormatCode(4, 1, 0, 0), "", "No"},
        ValueCase{"BooleanCustom", Variant(5), MakeFormatCode(4, 4, 0, 0), "off;on", "on"},
        ValueCase{"BooleanCustomWithoutTrueText", Variant(5), MakeFormatCode(4, 4, 0, 0), "off", ""},
        ValueCase{"EmptyValue", Variant(), MakeFormatCode(1, 1, 2, '.'), "", ""},
        ValueCase{"NullValue", Variant::Null(), MakeFormatCode(0, 0, 2, '.'), "", ""},
        ValueCase{"BlankText", Variant("  "), MakeFormatCode(0, 0, 2, '.'), "", ""}),
    [](const ::testing::TestParamInfo<ValueCase>& i) { return std::string(i.param.name); });

TEST(DisplayValueSeparator, FollowsTheFormatNotTheLocale) {
  const std::string savedLocale = std::setlocale(LC_ALL, nullptr);
  const bool german = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  TFormatSettings s = InvariantFormatSettings();
  s.DecimalSeparator = ',';
  ScopedFormatSettings fs(s);
  EXPECT_EQ(FormatDisplayValue(Variant(1234.5), MakeFormatCode(1, 1, 2, '.'), ""), "1234.50");
  EXPECT_EQ(FormatDisplayValue(Variant(0.25), MakeFormatCode(1, 4, 0, '-'), "0.000"), "0-250");
  // Without a separator in the code the process one stays.
  EXPECT_EQ(FormatDisplayValue(Variant(1.5), MakeFormatCode(1, 1, 1, 0), ""), "1,5");
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
  std::setlocale(LC_ALL, savedLocale.c_str());
  if (!german) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
}

}  // namespace
}  // namespace lf
