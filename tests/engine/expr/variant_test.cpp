// Variant conversions, texts of values, arithmetic and comparison rules.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/expr/date_time.h"
#include "engine/expr/variant.h"
#include "platform/format_settings.h"

namespace lf {
namespace {

class VariantTest : public ::testing::Test {
 protected:
  ScopedFormatSettings fs_{InvariantFormatSettings()};
};

TEST_F(VariantTest, DoubleTextIsShortestGeneralFormWith15Digits) {
  EXPECT_EQ(Variant(0.1).AsText(), "0.1");
  EXPECT_EQ(Variant(1.0 / 3).AsText(), "0.333333333333333");
  EXPECT_EQ(Variant(0.1 + 0.2).AsText(), "0.3");
  EXPECT_EQ(Variant(1e15).AsText(), "1E15");
  EXPECT_EQ(Variant(123456789012345.0).AsText(), "123456789012345");
  EXPECT_EQ(Variant(0.00001).AsText(), "1E-5");
  EXPECT_EQ(Variant(-0.0).AsText(), "0");
  EXPECT_EQ(Variant(-2.5).AsText(), "-2.5");
}

TEST_F(VariantTest, TextsOfOtherKinds) {
  EXPECT_EQ(Variant().AsText(), "");
  EXPECT_EQ(Variant::Null().AsText(), "");
  EXPECT_EQ(Variant(int64_t{-42}).AsText(), "-42");
  EXPECT_EQ(Variant(true).AsText(), "True");
  EXPECT_EQ(Variant(false).AsText(), "False");
  EXPECT_EQ(Variant::Currency(12.5).AsText(), "12.5");
  EXPECT_EQ(Variant::Currency(-0.0001).AsText(), "-0.0001");
  EXPECT_THROW(Variant::Null().AsTextStrict(), EVariantError);
}

TEST_F(VariantTest, DateTimeTextShowsDateTimeOrBoth) {
  double day = EncodeDate(2024, 3, 9);
  EXPECT_EQ(Variant::DateTime(day).AsText(), "3/9/2024");
  EXPECT_EQ(Variant::DateTime(EncodeTime(14, 5, 9, 0)).AsText(), "2:05:09 PM");
  EXPECT_EQ(Variant::DateTime(day + EncodeTime(0, 0, 1, 0)).AsText(), "3/9/2024 12:00:01 AM");
}

TEST_F(VariantTest, IntegersRoundHalfToEven) {
  EXPECT_EQ(Variant(2.5).AsInteger(), 2);
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_EQ(Variant(-2.5).AsInteger(), -2);
  EXPECT_EQ(Variant("7.5").AsInteger(), 8);
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant().AsInteger(), 0);
  EXPECT_THROW(Variant::Null().AsInteger(), EVariantError);
  EXPECT_THROW(Variant(1e30).AsInteger(), EVariantError);
  // Geometry rounds through the same helper: beyond 64 bits it saturates.
  EXPECT_EQ(RoundHalfEven(1e300), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(RoundHalfEven(-1e300), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
}

TEST_F(VariantTest, NullMessageNamesTheKinds) {
  try {
    Variant::Null().AsDouble();
    FAIL();
  } catch (const EVariantError& e) {
    EXPECT_STREQ(e.what(), "Could not convert variant of type (Null) into type (Double)");
  }
}

TEST_F(VariantTest, ComparisonRules) {
  EXPECT_EQ(Variant::Null().Compare(Variant::Null()), 0);
  EXPECT_LT(Variant::Null().Compare(Variant(-1e300)), 0);
  EXPECT_LT(Variant::Null().Compare(Variant("")), 0);
  EXPECT_GT(Variant("100").Compare(Variant(99)), 0);   // numeric, not textual
  EXPECT_LT(Variant("100").Compare(Variant("99")), 0); // two texts compare bytes
  EXPECT_NE(Variant("a").Compare(Variant("A")), 0);
  EXPECT_EQ(Variant(true).Compare(Variant(-1)), 0);
  EXPECT_EQ(Variant(false).Compare(Variant(0)), 0);
  EXPECT_EQ(Variant().Compare(Variant(0)), 0);
  EXPECT_EQ(Variant().Compare(Variant("")), 0);
  EXPECT_EQ(Variant(2).Compare(Variant(2.0)), 0);
  EXPECT_EQ(Variant::DateTime(EncodeDate(2024, 1, 2)).Compare(Variant("1/2/2024")), 0);
  EXPECT_THROW(Variant("abc").Compare(Variant(1)), EVariantError);
}

TEST_F(VariantTest, ArithmeticKinds) {
  EXPECT_TRUE(Variant(2).Add(Variant(3)).SameAs(Variant(int64_t{5})));
  EXPECT_EQ(Variant(2).Add(Variant(0.5)).Kind(), VariantKind::vkDouble);
  EXPECT_EQ(Variant::Currency(1).Add(Variant(2)).Kind(), VariantKind::vkCurrency);
  EXPECT_TRUE(Variant("ab").Add(Variant("c")).SameAs(Variant("abc")));
  EXPECT_TRUE(Variant().Add(Variant("c")).SameAs(Variant("c")));
  EXPECT_TRUE(Variant(1).Add(Variant::Null()).IsNull());
  EXPECT_EQ(Variant::DateTime(10).Add(Variant(1)).Kind(), VariantKind::vkDateTime);
  EXPECT_EQ(Variant::DateTime(10).Subtract(Variant::DateTime(4)).Kind(), VariantKind::vkDouble);
  EXPECT_EQ(Variant(1).Divide(Variant(2)).AsDouble(), 0.5);
  // Integer overflow falls back to a double instead of wrapping.
  Variant big(int64_t{INT64_MAX});
  EXPECT_EQ(big.Add(Variant(1)).Kind(), VariantKind::vkDouble);
  EXPECT_GT(big.Add(Variant(1)).AsDouble(), 9e18);
}

TEST_F(VariantTest, TextToDoubleReadsPointAndCommaOnly) {
  EXPECT_DOUBLE_EQ(TextToDouble("1,5"), 1.5);
  EXPECT_DOUBLE_EQ(TextToDouble(" 2.25 "), 2.25);
  EXPECT_DOUBLE_EQ(TextToDouble("1e3"), 1000);
  EXPECT_THROW(TextToDouble("0x10"), EVariantError);
  EXPECT_THROW(TextToDouble("inf"), EVariantError);
  EXPECT_THROW(TextToDouble(""), EVariantError);
}

TEST_F(VariantTest, DateEncodingRoundTripsAndKnowsTheEpoch) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
  EXPECT_EQ(EncodeDate(2023, 3, 15), 45000);
  TDateParts d = DecodeDate(45000.75);
  EXPECT_EQ(d.Year, 2023);
  EXPECT_EQ(d.Month, 3);
  EXPECT_EQ(d.Day, 15);
  EXPECT_EQ(DecodeTime(45000.75).Hour, 18);
  EXPECT_EQ(DayOfWeek(45000), 4);  // a Wednesday
  EXPECT_THROW(EncodeDate(2023, 2, 29), EVariantError);
  EXPECT_EQ(EncodeDate(2024, 2, 29) - EncodeDate(2024, 2, 28), 1);
}

TEST_F(VariantTest, DateAndTimeTexts) {
  EXPECT_EQ(StrToDate("3/9/2024"), EncodeDate(2024, 3, 9));
  EXPECT_EQ(StrToDate("3/9/24"), EncodeDate(2024, 3, 9));
  EXPECT_EQ(StrToDate("3/9/75"), EncodeDate(1975, 3, 9));
  EXPECT_DOUBLE_EQ(StrToTime("2:30 PM"), EncodeTime(14, 30, 0, 0));
  EXPECT_DOUBLE_EQ(StrToTime("12:00 AM"), 0);
  EXPECT_DOUBLE_EQ(StrToDateTime("3/9/2024 06:00"), EncodeDate(2024, 3, 9) + 0.25);
  EXPECT_THROW(StrToTime("25:00"), EVariantError);
  EXPECT_THROW(StrToDate("2/30/2024"), EVariantError);
  EXPECT_THROW(StrToDate("tomorrow"), EVariantError);
}

}  // namespace
}  // namespace lf
