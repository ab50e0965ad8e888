// Shorthands shared by the core tests.
#ifndef DROVIK_TESTS_CPP_TEST_HELPERS_H_
#define DROVIK_TESTS_CPP_TEST_HELPERS_H_

#include <gtest/gtest.h>

#include <bit>
#include <string>

#include "quantity/drovik.h"
#include "unit/unit_parser.h"
#include "unit/unit_text.h"

namespace drovik::testing {

// The collection a unit expression parses to; fails the test if it does not.
inline UnitCollection units_of(const std::string& text) {
  auto units = from_unit_name(text);
  EXPECT_TRUE(units.has_value()) << "\"" << text << "\" does not parse";
  return units ? *units : UnitCollection();
}

inline Drovik quantity(double value, const std::string& text) {
  return Drovik{value, UnitRef(units_of(text))};
}

inline Drovik unitless(double value) { return Drovik{value, UnitRef()}; }

// Equality that tells -0.0 from 0.0 and takes any NaN as equal to any NaN.
inline bool same_double(double a, double b) {
  if (a != a || b != b) return a != a && b != b;
  return std::bit_cast<unsigned long long>(a) == std::bit_cast<unsigned long long>(b);
}

}  // namespace drovik::testing

#endif  // DROVIK_TESTS_CPP_TEST_HELPERS_H_
