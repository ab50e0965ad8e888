// The compiled-in unit catalogue: the eight base units and the named units.
// Scales and offsets are written as the shortest decimals that read back as the
// intended doubles; the row order decides which row a lookup finds first.
#ifndef DROVIK_CATALOGUE_UNIT_TABLE_H_
#define DROVIK_CATALOGUE_UNIT_TABLE_H_

#include <array>
#include <cstddef>

#include "catalogue/unit_def.h"

namespace drovik {

// One base unit per base dimension, in DimensionVector order.
// One row a line, as the tables are read.
// clang-format off
inline constexpr std::array<UnitDef, 8> kBaseUnits = {{
    {"USD", "USD", 0.0, 1.0, {{1, 0, 0, 0, 0, 0, 0, 0}}},
    {"ampere", "A", 0.0, 1.0, {{0, 1, 0, 0, 0, 0, 0, 0}}},
    {"candela", "cd", 0.0, 1.0, {{0, 0, 1, 0, 0, 0, 0, 0}}},
    {"kelvin", "K", 0.0, 1.0, {{0, 0, 0, 1, 0, 0, 0, 0}}},
    {"kilogram", "kg", 0.0, 1.0, {{0, 0, 0, 0, 1, 0, 0, 0}}},
    {"meter", "m", 0.0, 1.0, {{0, 0, 0, 0, 0, 1, 0, 0}}},
    {"mole", "mol", 0.0, 1.0, {{0, 0, 0, 0, 0, 0, 1, 0}}},
    {"second", "s", 0.0, 1.0, {{0, 0, 0, 0, 0, 0, 0, 1}}},
}};
// clang-format on

// Fields: name, symbol, offset, scale, exponents (USD A cd K kg m mol s).
// The symbols use U+00B0, U+03A9 (not the ohm sign), U+00C5 (not the
// angstrom sign) and U+00A2; "d" is both the day and the darcy, and the day,
// coming first, is what a symbol lookup finds.
// One row a line, as the tables are read.
// clang-format off
inline constexpr std::array<UnitDef, 106> kUnitTable = {{
    {"gram", "g", 0.0, 0.001, {{0, 0, 0, 0, 1, 0, 0, 0}}},  // 1
    {"radian", "rad", 0.0, 1.0, {{0, 0, 0, 0, 0, 0, 0, 0}}},  // 2
    {"steradian", "sr", 0.0, 1.0, {{0, 0, 0, 0, 0, 0, 0, 0}}},  // 3
    {"hertz", "Hz", 0.0, 1.0, {{0, 0, 0, 0, 0, 0, 0, -1}}},  // 4
    {"newton", "N", 0.0, 1.0, {{0, 0, 0, 0, 1, 1, 0, -2}}},  // 5
    {"pascal", "Pa", 0.0, 1.0, {{0, 0, 0, 0, 1, -1, 0, -2}}},  // 6
    {"joule", "J", 0.0, 1.0, {{0, 0, 0, 0, 1, 2, 0, -2}}},  // 7
    {"watt", "W", 0.0, 1.0, {{0, 0, 0, 0, 1, 2, 0, -3}}},  // 8
    {"coulomb", "C", 0.0, 1.0, {{0, 1, 0, 0, 0, 0, 0, 1}}},  // 9
    {"volt", "V", 0.0, 1.0, {{0, -1, 0, 0, 1, 2, 0, -3}}},  // 10
    {"farad", "F", 0.0, 1.0, {{0, 2, 0, 0, -1, -2, 0, 4}}},  // 11
    {"ohm", "Ω", 0.0, 1.0, {{0, -2, 0, 0, 1, 2, 0, -3}}},  // 12
    {"siemens", "S", 0.0, 1.0, {{0, 2, 0, 0, -1, -2, 0, 3}}},  // 13
    {"weber", "Wb", 0.0, 1.0, {{0, -1, 0, 0, 1, 2, 0, -2}}},  // 14
    {"tesla", "T", 0.0, 1.0, {{0, -1, 0, 0, 1, 0, 0, -2}}},  // 15
    {"hour", "hr", 0.0, 3600.0, {{0, 0, 0, 0, 0, 0, 0, 1}}},  // 16
    {"henry", "H", 0.0, 1.0, {{0, -2, 0, 0, 1, 2, 0, -2}}},  // 17
    {"degree Celsius", "°C", -273.15, 1.0, {{0, 0, 0, 1, 0, 0, 0, 0}}},  // 18
    {"lumen", "lm", 0.0, 1.0, {{0, 0, 1, 0, 0, 0, 0, 0}}},  // 19
    {"lux", "lx", 0.0, 1.0, {{0, 0, 1, 0, 0, -2, 0, 0}}},  // 20
    {"becquerel", "Bq", 0.0, 1.0, {{0, 0, 0, 0, 0, 0, 0, -1}}},  // 21
    {"gray", "Gy", 0.0, 1.0, {{0, 0, 0, 0, 0, 2, 0, -2}}},  // 22
    {"sievert", "Sv", 0.0, 1.0, {{0, 0, 0, 0, 0, 2, 0, -2}}},  // 23
    {"katal", "kat", 0.0, 1.0, {{0, 0, 0, 0, 0, 0, 1, -1}}},  // 24
    {"minute", "min", 0.0, 60.0, {{0, 0, 0, 0, 0, 0, 0, 1}}},  // 25
    {"day", "d", 0.0, 86400.0, {{0, 0, 0, 0, 0, 0, 0, 1}}},  // 26
    {"degree (angle)", "°", 0.0, 0.017453292519943295, {{0, 0, 0, 0, 0, 0, 0, 0}}},  // 27
    {"minute (angle)", "'", 0.0, 0.0002908882086657216, {{0, 0, 0, 0, 0, 0, 0, 0}}},  // 28
    {"second (angle)", "''", 0.0, 4.84813681109536e-06, {{0, 0, 0, 0, 0, 0, 0, 0}}},  // 29
    {"liter", "L", 0.0, 0.001, {{0, 0, 0, 0, 0, 3, 0, 0}}},  // 30
    {"metric ton", "t", 0.0, 1000.0, {{0, 0, 0, 0, 1, 0, 0, 0}}},  // 31
    {"neper", "Np", 0.0, 1.0, {{0, 0, 0, 0, 0, 0, 0, 0}}},  // 32
    {"decibel", "dB", 0.0, 1.0, {{0, 0, 0, 0, 0, 0, 0, 0}}},  // 33
    {"electronvolt", "eV", 0.0, 1.602176634e-19, {{0, 0, 0, 0, 1, 2, 0, -2}}},  // 34
    {"unified atomic mass unit", "amu", 0.0, 1.66053906892e-27, {{0, 0, 0, 0, 1, 0, 0, 0}}},  // 35
    {"foot", "ft", 0.0, 0.3048, {{0, 0, 0, 0, 0, 1, 0, 0}}},  // 36
    {"mile", "mi", 0.0, 1609.344, {{0, 0, 0, 0, 0, 1, 0, 0}}},  // 37
    {"nautical mile", "nmi", 0.0, 1852.0, {{0, 0, 0, 0, 0, 1, 0, 0}}},  // 38
    {"knot", "kn", 0.0, 0.5144444444444445, {{0, 0, 0, 0, 0, 1, 0, -1}}},  // 39
    {"are", "are", 0.0, 100.0, {{0, 0, 0, 0, 0, 2, 0, 0}}},  // 40
    {"bar", "bar", 0.0, 100000.0, {{0, 0, 0, 0, 1, -1, 0, -2}}},  // 41
    {"angstrom", "Å", 0.0, 1e-10, {{0, 0, 0, 0, 0, 1, 0, 0}}},  // 42
    {"barn", "b", 0.0, 1e-28, {{0, 0, 0, 0, 0, 2, 0, 0}}},  // 43
    {"curie", "Ci", 0.0, 37000000000.0, {{0, 0, 0, 0, 0, 0, 0, -1}}},  // 44
    {"roentgen", "R", 0.0, 0.000258, {{0, 1, 0, 0, -1, 0, 0, 1}}},  // 45
    {"rem", "rem", 0.0, 0.01, {{0, 0, 0, 0, 0, 2, 0, -2}}},  // 46
    {"pound", "lb", 0.0, 0.45359237, {{0, 0, 0, 0, 1, 0, 0, 0}}},  // 47
    {"inch", "in", 0.0, 0.0254, {{0, 0, 0, 0, 0, 1, 0, 0}}},  // 48
    {"yard", "yd", 0.0, 0.9144, {{0, 0, 0, 0, 0, 1, 0, 0}}},  // 49
    {"pound-mol", "lbmol", 0.0, 453.59237, {{0, 0, 0, 0, 0, 0, 1, 0}}},  // 50
    {"gallon", "gal", 0.0, 0.0037854117839999997, {{0, 0, 0, 0, 0, 3, 0, 0}}},  // 51
    {"pound-force", "lbf", 0.0, 4.4482216152605, {{0, 0, 0, 0, 1, 1, 0, -2}}},  // 52
    {"grain", "gr", 0.0, 6.479891000000001e-05, {{0, 0, 0, 0, 1, 0, 0, 0}}},  // 53
    {"slug", "slug", 0.0, 14.593903591998501, {{0, 0, 0, 0, 1, 0, 0, 0}}},  // 54
    {"fluid ounce", "fl oz", 0.0, 2.9573529562499998e-05, {{0, 0, 0, 0, 0, 3, 0, 0}}},  // 55
    {"quart", "qt", 0.0, 0.0009463529459999999, {{0, 0, 0, 0, 0, 3, 0, 0}}},  // 56
    {"pint", "pt", 0.0, 0.00047317647299999996, {{0, 0, 0, 0, 0, 3, 0, 0}}},  // 57
    {"cup", "cup", 0.0, 0.00023658823649999998, {{0, 0, 0, 0, 0, 3, 0, 0}}},  // 58
    {"tablespoon", "tbsp", 0.0, 1.4786764781249999e-05, {{0, 0, 0, 0, 0, 3, 0, 0}}},  // 59
    {"teaspoon", "tsp", 0.0, 4.92892159375e-06, {{0, 0, 0, 0, 0, 3, 0, 0}}},  // 60
    {"ton", "ton", 0.0, 907.18474, {{0, 0, 0, 0, 1, 0, 0, 0}}},  // 61
    {"ounce", "oz", 0.0, 0.028349523125, {{0, 0, 0, 0, 1, 0, 0, 0}}},  // 62
    {"atmosphere", "atm", 0.0, 101325.0, {{0, 0, 0, 0, 1, -1, 0, -2}}},  // 63
    {"torr", "torr", 0.0, 133.32236842105263, {{0, 0, 0, 0, 1, -1, 0, -2}}},  // 64
    {"pounds per square inch", "psi", 0.0, 703.0695796391594, {{0, 0, 0, 0, 1, -2, 0, 0}}},  // 65
    {"calorie", "cal", 0.0, 4.184, {{0, 0, 0, 0, 1, 2, 0, -2}}},  // 66
    {"erg", "erg", 0.0, 1e-07, {{0, 0, 0, 0, 1, 2, 0, -2}}},  // 67
    {"british thermal unit", "BTU", 0.0, 1054.35, {{0, 0, 0, 0, 1, 2, 0, -2}}},  // 68
    {"horsepower", "hp", 0.0, 745.6998715822701, {{0, 0, 0, 0, 1, 2, 0, -3}}},  // 69
    {"Hartree", "hartree", 0.0, 4.359748199e-18, {{0, 0, 0, 0, 1, 2, 0, -2}}},  // 70
    {"poise", "P", 0.0, 0.1, {{0, 0, 0, 0, 1, -1, 0, -1}}},  // 71
    {"Rankine", "°R", 0.0, 0.5555555555555556, {{0, 0, 0, 1, 0, 0, 0, 0}}},  // 72
    {"degree Fahrenheit", "°F", -255.37, 0.5555555555555556, {{0, 0, 0, 1, 0, 0, 0, 0}}},  // 73
    {"year", "y", 0.0, 31556925.9746784, {{0, 0, 0, 0, 0, 0, 0, 1}}},  // 74
    {"week", "wk", 0.0, 604800.0, {{0, 0, 0, 0, 0, 0, 0, 1}}},  // 75
    {"month", "mo", 0.0, 2629743.8312232, {{0, 0, 0, 0, 0, 0, 0, 1}}},  // 76
    {"lightyear", "ly", 0.0, 9460730472580800.0, {{0, 0, 0, 0, 0, 1, 0, 0}}},  // 77
    {"acre", "ac", 0.0, 4046.8564224, {{0, 0, 0, 0, 0, 2, 0, 0}}},  // 78
    {"hectare", "ha", 0.0, 10000.0, {{0, 0, 0, 0, 0, 2, 0, 0}}},  // 79
    {"carat", "ct", 0.0, 0.0002, {{0, 0, 0, 0, 1, 0, 0, 0}}},  // 80
    {"watt hour", "Wh", 0.0, 3600.0, {{0, 0, 0, 0, 1, 2, 0, -2}}},  // 81
    {"cent", "¢", 0.0, 0.01, {{1, 0, 0, 0, 0, 0, 0, 0}}},  // 82
    {"darcy", "d", 0.0, 9.869232667160128e-13, {{0, 0, 0, 0, 0, 2, 0, 0}}},  // 83
    {"dyne", "dyn", 0.0, 1e-05, {{0, 0, 0, 0, 1, 1, 0, -2}}},  // 84
    {"astronomical unit", "ua", 0.0, 149597870700.0, {{0, 0, 0, 0, 0, 1, 0, 0}}},  // 85
    {"sidereal year", "syr", 0.0, 31558149.7635456, {{0, 0, 0, 0, 0, 0, 0, 1}}},  // 86
    {"anomalistic year", "ayr", 0.0, 31558432.5504, {{0, 0, 0, 0, 0, 0, 0, 1}}},  // 87
    {"decade", "decade", 0.0, 315569259.74678403, {{0, 0, 0, 0, 0, 0, 0, 1}}},  // 88
    {"century", "century", 0.0, 3155692597.46784, {{0, 0, 0, 0, 0, 0, 0, 1}}},  // 89
    {"millennium", "millenium", 0.0, 31556925974.678402, {{0, 0, 0, 0, 0, 0, 0, 1}}},  // 90
    {"calendar year", "calendar year", 0.0, 31536000.0, {{0, 0, 0, 0, 0, 0, 0, 1}}},  // 91
    {"leap year", "leap year", 0.0, 31622400.0, {{0, 0, 0, 0, 0, 0, 0, 1}}},  // 92
    {"julian year", "julian year", 0.0, 31557600.0, {{0, 0, 0, 0, 0, 0, 0, 1}}},  // 93
    {"gregorian year", "gregorian year", 0.0, 31556952.0, {{0, 0, 0, 0, 0, 0, 0, 1}}},  // 94
    {"parsec", "pc", 0.0, 3.085677581491367e+16, {{0, 0, 0, 0, 0, 1, 0, 0}}},  // 95
    {"meter of mercury", "mHg", 0.0, 133322.387415, {{0, 0, 0, 0, 1, -1, 0, -2}}},  // 96
    {"inch of mercury", "inHg", 0.0, 3386.389, {{0, 0, 0, 0, 1, -1, 0, -2}}},  // 97
    {"drovik (vol)", "drvkv", 0.0, 0.034068706056, {{0, 0, 0, 0, 0, 3, 0, 0}}},  // 98
    {"drovik (mass)", "drvkm", 0.0, 40.8233133, {{0, 0, 0, 0, 1, 0, 0, 0}}},  // 99
    {"furlong", "flg", 0.0, 201.168, {{0, 0, 0, 0, 0, 1, 0, 0}}},  // 100
    {"fortnight", "ftnt", 0.0, 1209600.0, {{0, 0, 0, 0, 0, 0, 0, 1}}},  // 101
    {"outhouse", "ouths", 0.0, 1e-34, {{0, 0, 0, 0, 0, 2, 0, 0}}},  // 102
    {"shed", "shed", 0.0, 1e-52, {{0, 0, 0, 0, 0, 2, 0, 0}}},  // 103
    {"martian sol", "sol", 0.0, 88775.244, {{0, 0, 0, 0, 0, 0, 0, 1}}},  // 104
    {"jiffy", "jfy", 0.0, 0.01, {{0, 0, 0, 0, 0, 0, 0, 1}}},  // 105
    {"light speed", "c", 0.0, 299792458.0, {{0, 0, 0, 0, 0, 1, 0, -1}}},  // 106
}};
// clang-format on

// Every row in the order lookups search them: the base units, then the
// unit table.
inline constexpr std::size_t kRowCount = kBaseUnits.size() + kUnitTable.size();

constexpr const UnitDef& row_in_search_order(std::size_t i) {
  return i < kBaseUnits.size() ? kBaseUnits[i] : kUnitTable[i - kBaseUnits.size()];
}

// The row named `name`, for compile-time checks of the table.
consteval const UnitDef& unit_named(std::string_view name) {
  for (std::size_t i = 0; i < kRowCount; ++i) {
    if (row_in_search_order(i).name == name) return row_in_search_order(i);
  }
  throw "no unit of that name";  // not a constant expression: the check fails to compile
}

// Relations that hold exactly in the table's own doubles.
static_assert(unit_named("mile").scale == 5280.0 * unit_named("foot").scale);
static_assert(unit_named("gallon").scale ==
              231.0 * (unit_named("inch").scale * unit_named("inch").scale *
                       unit_named("inch").scale));
static_assert(unit_named("gallon").scale == 4.0 * unit_named("quart").scale);
static_assert(unit_named("quart").scale == 2.0 * unit_named("pint").scale);
static_assert(unit_named("pint").scale == 2.0 * unit_named("cup").scale);

}  // namespace drovik

#endif  // DROVIK_CATALOGUE_UNIT_TABLE_H_
