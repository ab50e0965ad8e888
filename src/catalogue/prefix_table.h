// Unit prefixes.
#ifndef DROVIK_CATALOGUE_PREFIX_TABLE_H_
#define DROVIK_CATALOGUE_PREFIX_TABLE_H_

#include <array>
#include <string_view>

namespace drovik {

struct UnitPrefix {
  std::string_view name;
  std::string_view symbol;
  double factor;
};

// Tried in this order. The binary prefixes are exact powers of two; micro is
// the ASCII "u"; deca and deka share "da", so the symbol reading is deca's.
// One row a line, as the tables are read.
// clang-format off
inline constexpr std::array<UnitPrefix, 34> kPrefixes = {{
    {"kibi", "Ki", 0x1p10},
    {"mebi", "Mi", 0x1p20},
    {"gibi", "Gi", 0x1p30},
    {"tebi", "Ti", 0x1p40},
    {"pebi", "Pi", 0x1p50},
    {"exbi", "Ei", 0x1p60},
    {"zebi", "Zi", 0x1p70},
    {"yobi", "Yi", 0x1p80},
    {"quetta", "Q", 1e+30},
    {"ronna", "R", 1e+27},
    {"yotta", "Y", 1e+24},
    {"zetta", "Z", 1e+21},
    {"exa", "E", 1e+18},
    {"peta", "P", 1000000000000000.0},
    {"tera", "T", 1000000000000.0},
    {"giga", "G", 1000000000.0},
    {"mega", "M", 1000000.0},
    {"myria", "myria", 10000.0},
    {"kilo", "k", 1000.0},
    {"hecto", "h", 100.0},
    {"deca", "da", 10.0},
    {"deka", "da", 10.0},
    {"deci", "d", 0.1},
    {"centi", "c", 0.01},
    {"milli", "m", 0.001},
    {"micro", "u", 1e-06},
    {"nano", "n", 1e-09},
    {"pico", "p", 1e-12},
    {"femto", "f", 1e-15},
    {"atto", "a", 1e-18},
    {"zepto", "z", 1e-21},
    {"yocto", "y", 1e-24},
    {"ronto", "r", 1e-27},
    {"quecto", "q", 1e-30},
}};
// clang-format on

}  // namespace drovik

#endif  // DROVIK_CATALOGUE_PREFIX_TABLE_H_
