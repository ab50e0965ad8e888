#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>

#include "catalogue/prefix_table.h"
#include "catalogue/unit_alias_table.h"
#include "catalogue/unit_table.h"

namespace drovik {
namespace {

struct ExpectedRow {
  const char* name;
  const char* symbol;
  const char* scale;  // the shortest decimal of the intended double
  const char* offset;
  const char* exponents;  // USD A cd K kg m mol s
};

// Read with strtod, independently of the literals in the table.
constexpr ExpectedRow kExpectedRows[] = {
    {"gram", "g", "0.001", "0", "0 0 0 0 1 0 0 0"},
    {"radian", "rad", "1.0", "0", "0 0 0 0 0 0 0 0"},
    {"steradian", "sr", "1.0", "0", "0 0 0 0 0 0 0 0"},
    {"hertz", "Hz", "1.0", "0", "0 0 0 0 0 0 0 -1"},
    {"newton", "N", "1.0", "0", "0 0 0 0 1 1 0 -2"},
    {"pascal", "Pa", "1.0", "0", "0 0 0 0 1 -1 0 -2"},
    {"joule", "J", "1.0", "0", "0 0 0 0 1 2 0 -2"},
    {"watt", "W", "1.0", "0", "0 0 0 0 1 2 0 -3"},
    {"coulomb", "C", "1.0", "0", "0 1 0 0 0 0 0 1"},
    {"volt", "V", "1.0", "0", "0 -1 0 0 1 2 0 -3"},
    {"farad", "F", "1.0", "0", "0 2 0 0 -1 -2 0 4"},
    {"ohm", "Ω", "1.0", "0", "0 -2 0 0 1 2 0 -3"},
    {"siemens", "S", "1.0", "0", "0 2 0 0 -1 -2 0 3"},
    {"weber", "Wb", "1.0", "0", "0 -1 0 0 1 2 0 -2"},
    {"tesla", "T", "1.0", "0", "0 -1 0 0 1 0 0 -2"},
    {"hour", "hr", "3600.0", "0", "0 0 0 0 0 0 0 1"},
    {"henry", "H", "1.0", "0", "0 -2 0 0 1 2 0 -2"},
    {"degree Celsius", "°C", "1.0", "-273.15", "0 0 0 1 0 0 0 0"},
    {"lumen", "lm", "1.0", "0", "0 0 1 0 0 0 0 0"},
    {"lux", "lx", "1.0", "0", "0 0 1 0 0 -2 0 0"},
    {"becquerel", "Bq", "1.0", "0", "0 0 0 0 0 0 0 -1"},
    {"gray", "Gy", "1.0", "0", "0 0 0 0 0 2 0 -2"},
    {"sievert", "Sv", "1.0", "0", "0 0 0 0 0 2 0 -2"},
    {"katal", "kat", "1.0", "0", "0 0 0 0 0 0 1 -1"},
    {"minute", "min", "60.0", "0", "0 0 0 0 0 0 0 1"},
    {"day", "d", "86400.0", "0", "0 0 0 0 0 0 0 1"},
    {"degree (angle)", "°", "0.017453292519943295", "0", "0 0 0 0 0 0 0 0"},
    {"minute (angle)", "'", "0.0002908882086657216", "0", "0 0 0 0 0 0 0 0"},
    {"second (angle)", "''", "4.84813681109536e-06", "0", "0 0 0 0 0 0 0 0"},
    {"liter", "L", "0.001", "0", "0 0 0 0 0 3 0 0"},
    {"metric ton", "t", "1000.0", "0", "0 0 0 0 1 0 0 0"},
    {"neper", "Np", "1.0", "0", "0 0 0 0 0 0 0 0"},
    {"decibel", "dB", "1.0", "0", "0 0 0 0 0 0 0 0"},
    {"electronvolt", "eV", "1.602176634e-19", "0", "0 0 0 0 1 2 0 -2"},
    {"unified atomic mass unit", "amu", "1.66053906892e-27", "0", "0 0 0 0 1 0 0 0"},
    {"foot", "ft", "0.3048", "0", "0 0 0 0 0 1 0 0"},
    {"mile", "mi", "1609.344", "0", "0 0 0 0 0 1 0 0"},
    {"nautical mile", "nmi", "1852.0", "0", "0 0 0 0 0 1 0 0"},
    {"knot", "kn", "0.5144444444444445", "0", "0 0 0 0 0 1 0 -1"},
    {"are", "are", "100.0", "0", "0 0 0 0 0 2 0 0"},
    {"bar", "bar", "100000.0", "0", "0 0 0 0 1 -1 0 -2"},
    {"angstrom", "Å", "1e-10", "0", "0 0 0 0 0 1 0 0"},
    {"barn", "b", "1e-28", "0", "0 0 0 0 0 2 0 0"},
    {"curie", "Ci", "37000000000.0", "0", "0 0 0 0 0 0 0 -1"},
    {"roentgen", "R", "0.000258", "0", "0 1 0 0 -1 0 0 1"},
    {"rem", "rem", "0.01", "0", "0 0 0 0 0 2 0 -2"},
    {"pound", "lb", "0.45359237", "0", "0 0 0 0 1 0 0 0"},
    {"inch", "in", "0.0254", "0", "0 0 0 0 0 1 0 0"},
    {"yard", "yd", "0.9144", "0", "0 0 0 0 0 1 0 0"},
    {"pound-mol", "lbmol", "453.59237", "0", "0 0 0 0 0 0 1 0"},
    {"gallon", "gal", "0.0037854117839999997", "0", "0 0 0 0 0 3 0 0"},
    {"pound-force", "lbf", "4.4482216152605", "0", "0 0 0 0 1 1 0 -2"},
    {"grain", "gr", "6.479891000000001e-05", "0", "0 0 0 0 1 0 0 0"},
    {"slug", "slug", "14.593903591998501", "0", "0 0 0 0 1 0 0 0"},
    {"fluid ounce", "fl oz", "2.9573529562499998e-05", "0", "0 0 0 0 0 3 0 0"},
    {"quart", "qt", "0.0009463529459999999", "0", "0 0 0 0 0 3 0 0"},
    {"pint", "pt", "0.00047317647299999996", "0", "0 0 0 0 0 3 0 0"},
    {"cup", "cup", "0.00023658823649999998", "0", "0 0 0 0 0 3 0 0"},
    {"tablespoon", "tbsp", "1.4786764781249999e-05", "0", "0 0 0 0 0 3 0 0"},
    {"teaspoon", "tsp", "4.92892159375e-06", "0", "0 0 0 0 0 3 0 0"},
    {"ton", "ton", "907.18474", "0", "0 0 0 0 1 0 0 0"},
    {"ounce", "oz", "0.028349523125", "0", "0 0 0 0 1 0 0 0"},
    {"atmosphere", "atm", "101325.0", "0", "0 0 0 0 1 -1 0 -2"},
    {"torr", "torr", "133.32236842105263", "0", "0 0 0 0 1 -1 0 -2"},
    {"pounds per square inch", "psi", "703.0695796391594", "0", "0 0 0 0 1 -2 0 0"},
    {"calorie", "cal", "4.184", "0", "0 0 0 0 1 2 0 -2"},
    {"erg", "erg", "1e-07", "0", "0 0 0 0 1 2 0 -2"},
    {"british thermal unit", "BTU", "1054.35", "0", "0 0 0 0 1 2 0 -2"},
    {"horsepower", "hp", "745.6998715822701", "0", "0 0 0 0 1 2 0 -3"},
    {"Hartree", "hartree", "4.359748199e-18", "0", "0 0 0 0 1 2 0 -2"},
    {"poise", "P", "0.1", "0", "0 0 0 0 1 -1 0 -1"},
    {"Rankine", "°R", "0.5555555555555556", "0", "0 0 0 1 0 0 0 0"},
    {"degree Fahrenheit", "°F", "0.5555555555555556", "-255.37", "0 0 0 1 0 0 0 0"},
    {"year", "y", "31556925.9746784", "0", "0 0 0 0 0 0 0 1"},
    {"week", "wk", "604800.0", "0", "0 0 0 0 0 0 0 1"},
    {"month", "mo", "2629743.8312232", "0", "0 0 0 0 0 0 0 1"},
    {"lightyear", "ly", "9460730472580800.0", "0", "0 0 0 0 0 1 0 0"},
    {"acre", "ac", "4046.8564224", "0", "0 0 0 0 0 2 0 0"},
    {"hectare", "ha", "10000.0", "0", "0 0 0 0 0 2 0 0"},
    {"carat", "ct", "0.0002", "0", "0 0 0 0 1 0 0 0"},
    {"watt hour", "Wh", "3600.0", "0", "0 0 0 0 1 2 0 -2"},
    {"cent", "¢", "0.01", "0", "1 0 0 0 0 0 0 0"},
    {"darcy", "d", "9.869232667160128e-13", "0", "0 0 0 0 0 2 0 0"},
    {"dyne", "dyn", "1e-05", "0", "0 0 0 0 1 1 0 -2"},
    {"astronomical unit", "ua", "149597870700.0", "0", "0 0 0 0 0 1 0 0"},
    {"sidereal year", "syr", "31558149.7635456", "0", "0 0 0 0 0 0 0 1"},
    {"anomalistic year", "ayr", "31558432.5504", "0", "0 0 0 0 0 0 0 1"},
    {"decade", "decade", "315569259.74678403", "0", "0 0 0 0 0 0 0 1"},
    {"century", "century", "3155692597.46784", "0", "0 0 0 0 0 0 0 1"},
    {"millennium", "millenium", "31556925974.678402", "0", "0 0 0 0 0 0 0 1"},
    {"calendar year", "calendar year", "31536000.0", "0", "0 0 0 0 0 0 0 1"},
    {"leap year", "leap year", "31622400.0", "0", "0 0 0 0 0 0 0 1"},
    {"julian year", "julian year", "31557600.0", "0", "0 0 0 0 0 0 0 1"},
    {"gregorian year", "gregorian year", "31556952.0", "0", "0 0 0 0 0 0 0 1"},
    {"parsec", "pc", "3.085677581491367e+16", "0", "0 0 0 0 0 1 0 0"},
    {"meter of mercury", "mHg", "133322.387415", "0", "0 0 0 0 1 -1 0 -2"},
    {"inch of mercury", "inHg", "3386.389", "0", "0 0 0 0 1 -1 0 -2"},
    {"drovik (vol)", "drvkv", "0.034068706056", "0", "0 0 0 0 0 3 0 0"},
    {"drovik (mass)", "drvkm", "40.8233133", "0", "0 0 0 0 1 0 0 0"},
    {"furlong", "flg", "201.168", "0", "0 0 0 0 0 1 0 0"},
    {"fortnight", "ftnt", "1209600.0", "0", "0 0 0 0 0 0 0 1"},
    {"outhouse", "ouths", "1e-34", "0", "0 0 0 0 0 2 0 0"},
    {"shed", "shed", "1e-52", "0", "0 0 0 0 0 2 0 0"},
    {"martian sol", "sol", "88775.244", "0", "0 0 0 0 0 0 0 1"},
    {"jiffy", "jfy", "0.01", "0", "0 0 0 0 0 0 0 1"},
    {"light speed", "c", "299792458.0", "0", "0 0 0 0 0 1 0 -1"},
};

DimensionVector parse_exponents(const char* text) {
  DimensionVector v;
  std::istringstream in(text);
  for (std::size_t i = 0; i < kBaseDimensionCount; ++i) in >> v[i];
  return v;
}

TEST(UnitTable, EveryRowHasItsExactTextsAndDoubles) {
  ASSERT_EQ(std::size(kExpectedRows), kUnitTable.size());
  for (std::size_t i = 0; i < kUnitTable.size(); ++i) {
    const ExpectedRow& want = kExpectedRows[i];
    const UnitDef& row = kUnitTable[i];
    SCOPED_TRACE(want.name);
    EXPECT_EQ(row.name, want.name);
    EXPECT_EQ(row.symbol, want.symbol);
    EXPECT_EQ(row.scale, std::strtod(want.scale, nullptr));
    EXPECT_EQ(row.offset, std::strtod(want.offset, nullptr));
    EXPECT_EQ(row.dimensions, parse_exponents(want.exponents));
  }
}

TEST(UnitTable, OnlyTheTwoTemperatureScalesHaveAnOffset) {
  int with_offset = 0;
  for (const UnitDef& row : kUnitTable) with_offset += row.offset != 0.0;
  EXPECT_EQ(with_offset, 2);
  EXPECT_EQ(kUnitTable[17].offset, -273.15);
  EXPECT_EQ(kUnitTable[72].offset, -255.37);
  EXPECT_EQ(kUnitTable[71].scale, kUnitTable[72].scale);  // Rankine and Fahrenheit
}

TEST(BaseUnits, AreUnitVectorsInDimensionOrder) {
  const char* names[] = {"USD",      "ampere", "candela", "kelvin",
                         "kilogram", "meter",  "mole",    "second"};
  const char* symbols[] = {"USD", "A", "cd", "K", "kg", "m", "mol", "s"};
  for (std::size_t i = 0; i < kBaseUnits.size(); ++i) {
    EXPECT_EQ(kBaseUnits[i].name, names[i]);
    EXPECT_EQ(kBaseUnits[i].symbol, symbols[i]);
    EXPECT_EQ(kBaseUnits[i].scale, 1.0);
    EXPECT_EQ(kBaseUnits[i].offset, 0.0);
    for (std::size_t k = 0; k < kBaseDimensionCount; ++k) {
      EXPECT_EQ(kBaseUnits[i].dimensions[k], i == k ? 1.0 : 0.0);
    }
  }
}

TEST(Prefixes, FactorsAreTheIntendedDoubles) {
  ASSERT_EQ(kPrefixes.size(), 34u);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(kPrefixes[i].factor, std::ldexp(1.0, 10 * (i + 1)));
  const char* decimal[] = {"1e30",  "1e27",  "1e24",  "1e21",  "1e18", "1e15",  "1e12",
                           "1e9",   "1e6",   "1e4",   "1e3",   "1e2",  "1e1",   "1e1",
                           "1e-1",  "1e-2",  "1e-3",  "1e-6",  "1e-9", "1e-12", "1e-15",
                           "1e-18", "1e-21", "1e-24", "1e-27", "1e-30"};
  for (int i = 8; i < 34; ++i) EXPECT_EQ(kPrefixes[i].factor, std::strtod(decimal[i - 8], nullptr));
  EXPECT_EQ(kPrefixes[25].symbol, "u");
  EXPECT_EQ(kUnitAliases.size(), 27u);
}

}  // namespace
}  // namespace drovik
