// The JSON layer of the text forms: how numbers are written, and the limit
// on keys an object may hold.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>

#include "engine/template/text_form_json.h"

namespace lf {
namespace {

struct NumberCase {
  const char* name;
  double value;
  bool isFloat;  // written through the float overload
  const char* text;
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << c.name; }

class TextFormNumbers : public ::testing::TestWithParam<NumberCase> {};

TEST_P(TextFormNumbers, AreWrittenShortAndReadBackTheSame) {
  const NumberCase& c = GetParam();
  const TextJson written = c.isFloat ? TextNumber(static_cast<float>(c.value)) : TextNumber(c.value);
  EXPECT_EQ(written.dump(), c.text);
  if (!std::isfinite(c.value)) return;
  const double back = TextJson::parse(written.dump()).get<double>();
  if (c.isFloat) EXPECT_EQ(static_cast<float>(back), static_cast<float>(c.value));
  else EXPECT_EQ(back, c.value);
  EXPECT_EQ(std::signbit(back), std::signbit(c.value));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextFormNumbers,
    ::testing::Values(NumberCase{"WholeFloat", 1.0, true, "1"}, NumberCase{"FloatOwnDigits", 0.1, true, "0.1"},
                      NumberCase{"Half", 0.5, true, "0.5"}, NumberCase{"WholeInFull", 100000.0, true, "100000"},
                      NumberCase{"Date", 46357.375, false, "46357.375"}, NumberCase{"Zero", 0.0, false, "0"},
                      NumberCase{"NegativeZero", -0.0, false, "-0.0"},
                      NumberCase{"BeyondExactIntegers", 1e20, false, "1e+20"},
                      NumberCase{"NaN", std::numeric_limits<double>::quiet_NaN(), false, "0"},
                      NumberCase{"Infinity", std::numeric_limits<double>::infinity(), true, "0"}),
    [](const ::testing::TestParamInfo<NumberCase>& info) { return std::string(info.param.name); });

// An object of n keys "k0".."k(n-1)".
std::string ObjectOfKeys(size_t n) {
  std::string text = "{";
  for (size_t i = 0; i < n; ++i) text += (i ? ",\"k" : "\"k") + std::to_string(i) + "\":0";
  return text + "}";
}

TEST(TextFormJson, AnObjectOfMoreKeysThanTheLimitIsRefused) {
  EXPECT_EQ(ParseTextForm(ObjectOfKeys(kMaxTextFormKeys), 1 << 20, 4).size(), kMaxTextFormKeys);
  const std::string nested = "[" + ObjectOfKeys(2) + "," + ObjectOfKeys(kMaxTextFormKeys + 1) + "]";
  try {
    ParseTextForm(nested, 1 << 20, 4);
    FAIL() << "accepted";
  } catch (const ETextFormError& e) {
    EXPECT_EQ(e.Message(), "document: an object holds more than 256 keys");
  }
}

}  // namespace
}  // namespace lf
