// Lookups of a catalogue row by name (aliases applied on request) and by
// symbol: the first row in search order, or nothing.
#include "catalogue/unit_lookup.h"

#include <gtest/gtest.h>

#include "catalogue/unit_table.h"

namespace drovik {
namespace {

struct LookupCase {
  const char* text;
  const char* found_name;  // nullptr: nothing
};

void expect_found(const UnitDef* row, const char* name) {
  if (name == nullptr) {
    EXPECT_EQ(row, nullptr);
  } else {
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->name, name);
  }
}

class NameLookup : public ::testing::TestWithParam<LookupCase> {};
TEST_P(NameLookup, FindsTheFirstRowOrNothing) {
  expect_found(query_unit_names_internal(GetParam().text, true), GetParam().found_name);
}
INSTANTIATE_TEST_SUITE_P(Catalogue, NameLookup,
                         ::testing::Values(LookupCase{"kilogram", "kilogram"},
                                           LookupCase{"gram", "gram"}, LookupCase{"darcy", "darcy"},
                                           LookupCase{"metre", "meter"},
                                           LookupCase{"deg C", "degree Celsius"},
                                           LookupCase{"micron", nullptr},
                                           LookupCase{"Meter", nullptr},
                                           LookupCase{" meter", nullptr}, LookupCase{"", nullptr}));

class SymbolLookup : public ::testing::TestWithParam<LookupCase> {};
TEST_P(SymbolLookup, FindsTheFirstRowOrNothing) {
  expect_found(query_unit_symbols_internal(GetParam().text), GetParam().found_name);
}
INSTANTIATE_TEST_SUITE_P(Catalogue, SymbolLookup,
                         ::testing::Values(LookupCase{"d", "day"}, LookupCase{"kg", "kilogram"},
                                           LookupCase{"hr", "hour"}, LookupCase{"h", nullptr},
                                           LookupCase{"\xCE\xA9", "ohm"},        // U+03A9
                                           LookupCase{"\xE2\x84\xA6", nullptr},  // U+2126
                                           LookupCase{"\xC3\x85", "angstrom"},
                                           LookupCase{"'", "minute (angle)"},
                                           LookupCase{"''", "second (angle)"},
                                           LookupCase{"\"", nullptr},
                                           LookupCase{"metre", nullptr},  // no aliases here
                                           LookupCase{"millenium", "millennium"}));

TEST(NameLookup, AliasesApplyOnlyWhenAsked) {
  EXPECT_EQ(query_unit_names_internal("metre", false), nullptr);
  EXPECT_NE(query_unit_names_internal("metre", true), nullptr);
}

}  // namespace
}  // namespace drovik
