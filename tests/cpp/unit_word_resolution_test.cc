#include "unit/unit_word_resolution.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "catalogue/prefix_table.h"
#include "catalogue/unit_alias_table.h"
#include "catalogue/unit_table.h"

namespace drovik {
namespace {

struct Resolution {
  const char* word;
  const char* name = nullptr;  // nullptr: resolves to nothing
  const char* symbol = nullptr;
  double scale = 0.0;
};

void PrintTo(const Resolution& r, std::ostream* os) { *os << '"' << r.word << '"'; }

class SearchForUnitName : public ::testing::TestWithParam<Resolution> {};

TEST_P(SearchForUnitName, ResolvesAsSpecifiedOrNotAtAll) {
  const Resolution& want = GetParam();
  std::optional<SingleUnit> unit = search_for_unit_name(want.word);
  if (want.name == nullptr) {
    EXPECT_FALSE(unit.has_value()) << unit->name().str();
    return;
  }
  ASSERT_TRUE(unit.has_value());
  EXPECT_EQ(unit->name().str(), want.name);
  EXPECT_EQ(unit->symbol().str(), want.symbol);
  EXPECT_EQ(unit->scale(), want.scale);
}

INSTANTIATE_TEST_SUITE_P(
    Prefixes, SearchForUnitName,
    ::testing::Values(
        Resolution{"km", "kilometer", "km", 1000.0},
        Resolution{"kilometer", "kilometer", "km", 1000.0},
        Resolution{"kilometre", "kilometer", "km", 1000.0},
        Resolution{"mg", "milligram", "mg", 1e-06}, Resolution{"kg", "kilogram", "kg", 1.0},
        Resolution{"dam", "decameter", "dam", 10.0},
        Resolution{"dekameter", "dekameter", "dam", 10.0}, Resolution{"dm", "decimeter", "dm", 0.1},
        Resolution{"micrometer", "micrometer", "um", 1e-06},
        Resolution{"micron", "micrometer", "um", 1e-06},
        Resolution{"cc", "milliliter", "mL", 1e-06},
        Resolution{"mmHg", "millimeter of mercury", "mmHg", 133.322387415},
        Resolution{"kWh", "kilowatt hour", "kWh", 3600000.0},
        Resolution{"khr", "kilohour", "khr", 3600000.0},
        Resolution{"m\xC2\xB0R", "milliRankine", "m\xC2\xB0R", 0.0005555555555555556},
        Resolution{"Pim", "pebimeter", "Pim", 0x1p50}, Resolution{"Pm", "petameter", "Pm", 1e15},
        Resolution{"KiK", "kibikelvin", "KiK", 1024.0},
        Resolution{"kkg", "kilokilogram", "kkg", 1000.0}));

INSTANTIATE_TEST_SUITE_P(
    WholeWordsAndAliases, SearchForUnitName,
    ::testing::Values(
        Resolution{"da", "day", "d", 86400.0}, Resolution{"d", "day", "d", 86400.0},
        Resolution{"darcy", "darcy", "d", 9.869232667160128e-13},
        Resolution{"Gy", "gray", "Gy", 1.0}, Resolution{"cd", "candela", "cd", 1.0},
        Resolution{"ct", "carat", "ct", 0.0002}, Resolution{"ft", "foot", "ft", 0.3048},
        Resolution{"min", "minute", "min", 60.0}, Resolution{"nmi", "nautical mile", "nmi", 1852.0},
        Resolution{"pc", "parsec", "pc", 3.085677581491367e+16},
        Resolution{"pt", "pint", "pt", 0.00047317647299999996},
        Resolution{"qt", "quart", "qt", 0.0009463529459999999},
        Resolution{"yd", "yard", "yd", 0.9144}, Resolution{"ac", "acre", "ac", 4046.8564224},
        Resolution{"P", "poise", "P", 0.1}, Resolution{"T", "tesla", "T", 1.0},
        Resolution{"R", "roentgen", "R", 0.000258},
        Resolution{"c", "light speed", "c", 299792458.0},
        Resolution{"y", "year", "y", 31556925.9746784}, Resolution{"hr", "hour", "hr", 3600.0},
        Resolution{"deg C", "degree Celsius",
                   "\xC2\xB0"
                   "C",
                   1.0},
        Resolution{"dalton", "unified atomic mass unit", "amu", 1.66053906892e-27}));

INSTANTIATE_TEST_SUITE_P(Nothing, SearchForUnitName,
                         ::testing::Values(Resolution{"h"}, Resolution{"k"}, Resolution{"Ki"},
                                           Resolution{"myria"}, Resolution{"kilom"},
                                           Resolution{"kmeter"},
                                           Resolution{"m\xC2\xB0"
                                                      "C"},
                                           Resolution{"k\xC2\xB0"
                                                      "F"},
                                           Resolution{"millidegree Celsius"},
                                           Resolution{"kilocelsius"}, Resolution{"\xC2\xB5m"},
                                           Resolution{"Km"}, Resolution{"kilomicron"},
                                           Resolution{"kkm"}, Resolution{"degC"}, Resolution{""},
                                           Resolution{" m"}, Resolution{"m "}));

TEST(SearchForUnitName, OffsetsSurviveOnlyUnprefixed) {
  EXPECT_EQ(search_for_unit_name("degree Celsius")->offset(), -273.15);
  EXPECT_EQ(search_for_unit_name("\xC2\xB0"
                                 "F")
                ->offset(),
            -255.37);
  EXPECT_EQ(search_for_unit_name("m\xC2\xB0R")->offset(), 0.0);
}

TEST(SearchForUnitName, SpellingsOfOneUnitAreEqual) {
  EXPECT_EQ(*search_for_unit_name("kilometre"), *search_for_unit_name("km"));
  EXPECT_EQ(*search_for_unit_name("micron"), *search_for_unit_name("um"));
  EXPECT_FALSE(*search_for_unit_name("d") == *search_for_unit_name("darcy"));
}

}  // namespace
}  // namespace drovik

namespace drovik {
namespace {

bool same_resolution(std::string_view word) {
  std::optional<ResolvedWord> fast = resolve_unit_word(word);
  std::optional<ResolvedWord> rules = resolve_unit_word_by_rules(word);
  if (fast.has_value() != rules.has_value()) return false;
  return !fast || (fast->row == rules->row && fast->prefix == rules->prefix);
}

// The index must answer exactly as the rules for every word of a resolvable
// shape, and for near misses around each of them.
TEST(WordIndex, AgreesWithTheRulesOnEveryCandidateAndItsNeighbours) {
  std::vector<std::string> words;
  auto rows = [&](auto f) {
    for (const UnitDef& row : kBaseUnits) f(row);
    for (const UnitDef& row : kUnitTable) f(row);
  };
  for (const UnitAlias& alias : kUnitAliases) words.emplace_back(alias.alias);
  rows([&](const UnitDef& row) {
    words.emplace_back(row.name);
    words.emplace_back(row.symbol);
    for (const UnitPrefix& prefix : kPrefixes) {
      words.push_back(std::string(prefix.name) + std::string(row.name));
      words.push_back(std::string(prefix.symbol) + std::string(row.symbol));
      words.push_back(std::string(prefix.symbol) + std::string(row.name));
      words.push_back(std::string(prefix.name) + std::string(row.symbol));
    }
  });
  for (const UnitPrefix& prefix : kPrefixes) {
    for (const UnitAlias& alias : kUnitAliases)
      words.push_back(std::string(prefix.name) + std::string(alias.alias));
    words.emplace_back(prefix.name);
    words.emplace_back(prefix.symbol);
  }
  std::set<std::string> resolvable;
  for (const std::string& word : words) {
    ASSERT_TRUE(same_resolution(word)) << word;
    if (resolve_unit_word(word).has_value()) resolvable.insert(word);
    for (std::string near : {word + "s", word.substr(0, word.size() - 1), " " + word, "k" + word}) {
      ASSERT_TRUE(same_resolution(near)) << near;
    }
  }
  // The index holds exactly the words of these shapes that resolve: no word
  // missing, none extra.
  EXPECT_GT(resolvable.size(), 7000u);
  EXPECT_EQ(resolvable_word_count(), resolvable.size());
}

}  // namespace
}  // namespace drovik
