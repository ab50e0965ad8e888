#include "text/decimal_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace drovik {
namespace {

struct DecimalCase {
  double value;
  const char* text;
};

class DecimalText : public ::testing::TestWithParam<DecimalCase> {};
TEST_P(DecimalText, IsShortestAndPositional) {
  EXPECT_EQ(decimal_text(GetParam().value), GetParam().text);
}

constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Values, DecimalText,
    ::testing::Values(DecimalCase{2.0, "2"}, DecimalCase{100.0, "100"}, DecimalCase{0.0, "0"},
                      DecimalCase{-0.0, "-0"}, DecimalCase{-2.5, "-2.5"}, DecimalCase{0.5, "0.5"},
                      DecimalCase{1e21, "1000000000000000000000"}, DecimalCase{1e-7, "0.0000001"},
                      DecimalCase{0.1 + 0.2, "0.30000000000000004"},
                      DecimalCase{1e16, "10000000000000000"},
                      DecimalCase{1.0 / 3, "0.3333333333333333"},
                      DecimalCase{212.00399999999993, "212.00399999999993"},
                      DecimalCase{-0.0022222222222012533, "-0.0022222222222012533"},
                      DecimalCase{123456.789, "123456.789"}, DecimalCase{1.5e-10, "0.00000000015"},
                      DecimalCase{std::nan(""), "NaN"}, DecimalCase{-std::nan(""), "NaN"},
                      DecimalCase{kInf, "inf"}, DecimalCase{-kInf, "-inf"}));

TEST(DecimalText, ExtremesStayPositionalAndRoundTrip) {
  for (double v : {5e-324, 2.2250738585072014e-308, 1.7976931348623157e308, 9007199254740993.0}) {
    std::string text = decimal_text(v);
    EXPECT_EQ(text.find('e'), std::string::npos) << text;
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
  }
  EXPECT_EQ(decimal_text(5e-324).size(), 2 + 323 + 1u);
  EXPECT_EQ(decimal_text(1.7976931348623157e308).size(), 309u);
}

}  // namespace
}  // namespace drovik
