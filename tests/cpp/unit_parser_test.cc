#include "unit/unit_parser.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "catalogue/spelling_hints.h"
#include "unit/unit_text.h"

namespace drovik {
namespace {

struct ParseCase {
  const char* text;
  const char* rendered = nullptr;  // nullptr: the text does not parse
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class FromUnitName : public ::testing::TestWithParam<ParseCase> {};

TEST_P(FromUnitName, ParsesToTheRenderedCollection) {
  std::optional<UnitCollection> units = from_unit_name(GetParam().text);
  if (GetParam().rendered == nullptr) {
    EXPECT_FALSE(units.has_value()) << as_string(*units);
  } else {
    ASSERT_TRUE(units.has_value());
    EXPECT_EQ(as_string(*units), GetParam().rendered);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Expressions, FromUnitName,
    ::testing::Values(
        ParseCase{"m/s2", "[m/s2]"}, ParseCase{"kg.m2/s2", "[kg.m2/s2]"}, ParseCase{"m.2", "[m]"},
        ParseCase{"W/m2.K4", "[W/K4.m2]"}, ParseCase{"J/K.mol", "[J/K.mol]"},
        ParseCase{"coulomb/mol", "[C/mol]"}, ParseCase{"1/s", "[1/s]"}, ParseCase{"/s", "[1/s]"},
        ParseCase{"m/", "[m]"}, ParseCase{"km/h", "[km]"}, ParseCase{"km/hr", "[km/hr]"},
        ParseCase{"  m  ", "[m]"},
        ParseCase{"degree Celsius",
                  "[\xC2\xB0"
                  "C]"},
        ParseCase{"deg C/s",
                  "[\xC2\xB0"
                  "C/s]"},
        ParseCase{"m.m", "[m2]"}, ParseCase{"s/s2", "[1/s]"}, ParseCase{"m.s0", "[m]"},
        ParseCase{"m.foo", "[m]"}, ParseCase{"m2x.s", "[s]"}, ParseCase{"m12.s", "[s]"},
        ParseCase{"s-1.m", "[m]"}, ParseCase{"m..s", "[m.s]"}, ParseCase{"1.m", "[m]"},
        // U+2003 EM SPACE and U+3000 IDEOGRAPHIC SPACE are white space.
        ParseCase{"\xE2\x80\x83m/s\xE3\x80\x80", "[m/s]"}, ParseCase{"N/A2", "[N/A2]"},
        ParseCase{"farad/m", "[F/m]"}, ParseCase{"1/mol", "[1/mol]"}));

INSTANTIATE_TEST_SUITE_P(
    Nothing, FromUnitName,
    ::testing::Values(ParseCase{"m / s"}, ParseCase{"m0"}, ParseCase{"m/m"}, ParseCase{"m/s/s"},
                      ParseCase{""}, ParseCase{"1"}, ParseCase{"foo"},
                      ParseCase{"m\xC2\xB2"},  // superscript two: not an exponent
                      ParseCase{"m\xC2\xBD"},  // vulgar half
                      ParseCase{"s.s/s2"}, ParseCase{"/"}, ParseCase{"\xE2\x80\x83"},
                      ParseCase{"\xFF\xFE"}));  // not UTF-8: nothing, and no crash

TEST(FromUnitName, AccumulatesTheScaleInTextOrder) {
  std::optional<UnitCollection> units = from_unit_name("km/hr");
  ASSERT_TRUE(units);
  EXPECT_EQ(units->scale(), 0.2777777777777778);
  EXPECT_EQ(units->dimensions(), (DimensionVector{{0, 0, 0, 0, 0, 1, 0, -1}}));
  EXPECT_EQ(units->size(), 2u);
}

TEST(FromUnitName, RepeatedUnitsMergeIntoOneEntry) {
  std::optional<UnitCollection> twice = from_unit_name("m.m");
  ASSERT_TRUE(twice);
  ASSERT_EQ(twice->size(), 1u);
  EXPECT_EQ((*twice)[0].exponent, 2.0);
}

TEST(FromUnitName, KeepsTheOffsetOfAWholeWordUnit) {
  std::optional<UnitCollection> celsius = from_unit_name("degree Celsius");
  ASSERT_TRUE(celsius);
  EXPECT_EQ((*celsius)[0].unit.offset(), -273.15);
}

}  // namespace
}  // namespace drovik

#include "unit/unit_arithmetic.h"
#include "unit/unit_word_resolution.h"

namespace drovik {
namespace {

// The parser folds each piece in place; the result must be what the
// definition gives: running = mul/div(running, pow(UnitCollection(u), e)).
TEST(FromUnitName, MatchesTheDefinitionByPowMulAndDiv) {
  struct Piece {
    const char* word;
    double exponent;
    bool below;
  };
  struct Case {
    const char* text;
    std::vector<Piece> pieces;
  };
  const Case cases[] = {
      {"km/hr", {{"km", 1, false}, {"hr", 1, true}}},
      {"W/m2.K4", {{"W", 1, false}, {"m", 2, true}, {"K", 4, true}}},
      {"ft3.lbf/in2.min", {{"ft", 3, false}, {"lbf", 1, false}, {"in", 2, true}, {"min", 1, true}}},
      {"mi9/nmi7.kg3", {{"mi", 9, false}, {"nmi", 7, true}, {"kg", 3, true}}},
      {"ly.pc/ua2", {{"ly", 1, false}, {"pc", 1, false}, {"ua", 2, true}}},
      {"gal/tbsp.tsp", {{"gal", 1, false}, {"tbsp", 1, true}, {"tsp", 1, true}}},
  };
  for (const Case& c : cases) {
    UnitCollection expected;
    for (const Piece& p : c.pieces) {
      UnitCollection power = pow(UnitCollection(*search_for_unit_name(p.word)), p.exponent);
      expected = p.below ? div(expected, power) : mul(expected, power);
    }
    std::optional<UnitCollection> parsed = from_unit_name(c.text);
    ASSERT_TRUE(parsed) << c.text;
    EXPECT_EQ(parsed->scale(), expected.scale()) << c.text;
    EXPECT_EQ(parsed->dimensions(), expected.dimensions()) << c.text;
    EXPECT_EQ(as_string(*parsed), as_string(expected)) << c.text;
  }
}

// Strict parsing accepts exactly what every piece of resolves, and gives
// the forgiving parse's result for it; otherwise it names the first piece
// that resolves to nothing, with the catalogue's spelling when it knows one.
TEST(StrictParsing, RefusesWhatTheForgivingParseDrops) {
  const std::pair<const char*, const char*> cases[] = {
      {"km/hr", ""},
      {"W/m2.K4", ""},
      {"1/s", ""},
      {"degree Celsius", ""},
      {"km/h", "\"h\" in \"km/h\" is not a unit; write \"hr\""},
      {"degC", "\"degC\" in \"degC\" is not a unit; write \"°C\""},
      {"m/s^2", "\"s^\" in \"m/s^2\" is not a unit; write \"m/s2\""},
      {"kg.mph", "\"mph\" in \"kg.mph\" is not a unit; write \"mi/hr\""},
      {"m/m", "Unit m/m not found"},
      {"m/s/s", "Unit m/s/s not found"},
      // Slips of data files and other libraries, and how they are meant.
      {"kg/m**3", "\"m**\" in \"kg/m**3\" is not a unit; write \"kg/m3\""},
      {"m^2/s", "\"m^\" in \"m^2/s\" is not a unit; write \"m2/s\""},
      {"m s-1", "\"m s-\" in \"m s-1\" is not a unit; write \"m/s\""},
      {"W m-2 K-1", "\"W m-2 K-\" in \"W m-2 K-1\" is not a unit; write \"W/m2.K\""},
      {"kg m2 s-2", "\"kg m2 s-\" in \"kg m2 s-2\" is not a unit; write \"kg.m2/s2\""},
      {"m / s", "\"m \" in \"m / s\" is not a unit; write \"m/s\""},
      {"MPH", "\"MPH\" in \"MPH\" is not a unit; write \"mi/hr\""},
      {"Meters", "\"Meters\" in \"Meters\" is not a unit; write \"m\""},
      {"KM", "\"KM\" in \"KM\" is not a unit; write \"km\""},
      {"KM/H", "\"KM\" in \"KM/H\" is not a unit"},  // not km/H, per henry
      {"knots", "\"knots\" in \"knots\" is not a unit; write \"knot\""},
      {"inches/s", "\"inches\" in \"inches/s\" is not a unit; write \"inch/s\""},
      {"kgs", "\"kgs\" in \"kgs\" is not a unit; write \"kg\""},
      {"zz s-1", "\"zz s-\" in \"zz s-1\" is not a unit"},
  };
  for (const auto& [text, error] : cases) {
    Result<UnitCollection> strict = from_unit_name_strictly(text);
    if (*error == '\0') {
      ASSERT_TRUE(strict) << text << ": " << strict.error().message();
      EXPECT_TRUE(identical(*strict, *from_unit_name(text))) << text;
    } else {
      ASSERT_FALSE(strict) << text;
      EXPECT_EQ(strict.error().message(), error);
    }
  }
}

// A hint that is not itself a unit would send a user from one refusal to
// another.
TEST(StrictParsing, EveryHintIsAUnit) {
  for (const char* text : {"kg/m**3", "m s-1", "W m-2 K-1", "MPH", "KM", "knots", "inches/s",
                           "Meters", "m^2/s", "m / s"}) {
    std::string message = from_unit_name_strictly(text).error().message();
    std::size_t at = message.find("; write \"");
    ASSERT_NE(at, std::string::npos) << text;
    std::string hint = message.substr(at + 9, message.size() - at - 10);
    EXPECT_TRUE(from_unit_name_strictly(hint)) << text << " -> " << hint;
  }
  for (const SpellingHint& hint : kSpellingHints) {
    Result<UnitCollection> unit = from_unit_name_strictly(hint.catalogue);
    EXPECT_TRUE(unit) << hint.written << " -> " << hint.catalogue;
    EXPECT_FALSE(from_unit_name_strictly(hint.written)) << hint.written;
  }
}

}  // namespace
}  // namespace drovik
