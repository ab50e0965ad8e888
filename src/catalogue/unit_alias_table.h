// Unit aliases: whole words that stand for a unit name.
#ifndef DROVIK_CATALOGUE_UNIT_ALIAS_TABLE_H_
#define DROVIK_CATALOGUE_UNIT_ALIAS_TABLE_H_

#include <array>
#include <string_view>

namespace drovik {

struct UnitAlias {
  std::string_view alias;
  // A unit name, or a prefix name followed by a unit name.
  std::string_view target;
};

// Whole-word alternatives, substituted once: a target is never looked up
// among the aliases again.
// One row a line, as the tables are read.
// clang-format off
inline constexpr std::array<UnitAlias, 27> kUnitAliases = {{
    {"metre", "meter"},
    {"deg", "degree (angle)"},
    {"degree", "degree (angle)"},
    {"da", "day"},
    {"tropical year", "year"},
    {"solar year", "year"},
    {"common year", "calendar year"},
    {"AU", "astronomical unit"},
    {"micron", "micrometer"},
    {"cc", "milliliter"},
    {"deg C", "degree Celsius"},
    {"deg F", "degree Fahrenheit"},
    {"deg c", "degree Celsius"},
    {"deg f", "degree Fahrenheit"},
    {"rankine", "Rankine"},
    {"Celsius", "degree Celsius"},
    {"Fahrenheit", "degree Fahrenheit"},
    {"celsius", "degree Celsius"},
    {"fahrenheit", "degree Fahrenheit"},
    {"statute mile", "mile"},
    {"drovik", "drovik (mass)"},
    {"speed of light", "light speed"},
    {"lightspeed", "light speed"},
    {"arc minute", "minute (angle)"},
    {"arc second", "second (angle)"},
    {"arc degree", "degree (angle)"},
    {"dalton", "unified atomic mass unit"},
}};
// clang-format on

}  // namespace drovik

#endif  // DROVIK_CATALOGUE_UNIT_ALIAS_TABLE_H_
