// Common spellings that are not catalogue words, with the catalogue's way of
// writing the same unit. The guide's table of spellings lists the same pairs.
#ifndef DROVIK_CATALOGUE_SPELLING_HINTS_H_
#define DROVIK_CATALOGUE_SPELLING_HINTS_H_

#include <array>
#include <optional>
#include <string_view>

namespace drovik {

struct SpellingHint {
  std::string_view written;
  std::string_view catalogue;
};

// clang-format off
inline constexpr std::array<SpellingHint, 27> kSpellingHints = {{
    {"mph", "mi/hr"}, {"kph", "km/hr"}, {"h", "hr"}, {"hours", "hr"}, {"hrs", "hr"},
    {"sec", "s"}, {"secs", "s"}, {"yr", "y"}, {"years", "y"}, {"degC", "°C"}, {"degF", "°F"},
    {"µm", "um"}, {"l", "L"}, {"litre", "L"}, {"ml", "mL"}, {"tonne", "t"}, {"lbs", "lb"},
    {"feet", "ft"}, {"Ah", "A.hr"}, {"Torr", "torr"}, {"Btu", "BTU"}, {"Da", "amu"},
    {"Cal", "kcal"}, {"meters", "m"}, {"metres", "m"}, {"seconds", "s"}, {"minutes", "min"},
}};
// clang-format on

// How the catalogue writes what `written` means, when it is a known spelling.
constexpr std::optional<std::string_view> spelling_hint(std::string_view written) {
  for (const SpellingHint& hint : kSpellingHints) {
    if (hint.written == written) return hint.catalogue;
  }
  return std::nullopt;
}

}  // namespace drovik

#endif  // DROVIK_CATALOGUE_SPELLING_HINTS_H_
