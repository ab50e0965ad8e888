#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "catalogue/unit_table.h"
#include "test_helpers.h"
#include "quantity/quantity_state.h"
#include "unit/unit_arithmetic.h"
#include "unit/unit_memo.h"
#include "unit/unit_parser.h"
#include "unit/unit_word_resolution.h"

namespace drovik {
namespace {

using testing::units_of;

const DimensionVector kLength{{0, 0, 0, 0, 0, 1, 0, 0}};

TEST(SingleUnit, CreatedFromARowKeepsEveryField) {
  SingleUnit celsius = create_from_unit_def(kUnitTable[17]);
  EXPECT_EQ(celsius.name().str(), "degree Celsius");
  EXPECT_EQ(celsius.symbol().str(),
            "\xC2\xB0"
            "C");
  EXPECT_EQ(celsius.scale(), 1.0);
  EXPECT_EQ(celsius.offset(), -273.15);
  EXPECT_EQ(celsius.dimensions(), (DimensionVector{{0, 0, 0, 1, 0, 0, 0, 0}}));
}

TEST(SingleUnit, ACustomUnitWithTheSameFieldsIsTheCatalogueUnit) {
  SingleUnit meter = create_from_unit_def(kBaseUnits[5]);
  EXPECT_EQ(SingleUnit::custom("meter", "m", 1.0, kLength), meter);
  EXPECT_FALSE(SingleUnit::custom("meter", "m", 2.0, kLength) == meter);
  EXPECT_FALSE(SingleUnit::custom("meter", "M", 1.0, kLength) == meter);
  EXPECT_FALSE(SingleUnit::custom("metre", "m", 1.0, kLength) == meter);
  // The same texts split differently between prefix and unit still match.
  EXPECT_EQ(SingleUnit::custom("kilometer", "km", 1000.0, kLength), *search_for_unit_name("km"));
}

TEST(SingleUnit, ANaNFieldMakesAUnitUnequalToItself) {
  SingleUnit odd = SingleUnit::custom("odd", "o", std::nan(""), kLength);
  EXPECT_FALSE(odd == odd);
}

TEST(UnitWord, ComparesTheJoinedText) {
  EXPECT_EQ((UnitWord{"kilo", "meter"}), (UnitWord{"", "kilometer"}));
  EXPECT_EQ((UnitWord{"kil", "ometer"}), (UnitWord{"kilom", "eter"}));
  EXPECT_FALSE((UnitWord{"kilo", "meter"}) == (UnitWord{"", "kilometre"}));
  EXPECT_FALSE((UnitWord{"k", "m"}) == (UnitWord{"", "kmm"}));
}

TEST(UnitCollection, TheUnitlessCollection) {
  UnitCollection none;
  EXPECT_EQ(none.size(), 0u);
  EXPECT_EQ(none.scale(), 1.0);
  EXPECT_EQ(none.dimensions(), DimensionVector{});
}

TEST(UnitCollection, OneUnitTakesItsScaleAndDimensions) {
  UnitCollection km(*search_for_unit_name("km"));
  EXPECT_EQ(km.size(), 1u);
  EXPECT_EQ(km[0].exponent, 1.0);
  EXPECT_EQ(km.scale(), 1000.0);
  EXPECT_EQ(km.dimensions(), kLength);
}

TEST(UnitCollection, EqualCustomAndCatalogueUnitsShareOneEntry) {
  UnitCollection custom_meter(SingleUnit::custom("meter", "m", 1.0, kLength));
  UnitCollection product = mul(units_of("m"), custom_meter);
  ASSERT_EQ(product.size(), 1u);
  EXPECT_EQ(product[0].exponent, 2.0);

  UnitCollection double_meter(SingleUnit::custom("meter", "m", 2.0, kLength));
  EXPECT_EQ(mul(units_of("m"), double_meter).size(), 2u);
  EXPECT_EQ(as_string(mul(units_of("m"), double_meter)), "[m.m]");
}

TEST(UnitCollection, ManyUnitsSpillOutOfTheInlineStorage) {
  UnitCollection product = units_of("kg.m.s.A.K.mol.cd.USD/hr.ft");
  EXPECT_EQ(product.size(), 10u);
  UnitCollection copy = product;
  EXPECT_EQ(as_string(copy), "[A.K.USD.cd.kg.m.mol.s/ft.hr]");
  UnitCollection back = div(div(copy, units_of("kg.m.s.A.K")), units_of("mol.cd.USD/hr.ft"));
  EXPECT_EQ(back.size(), 0u);
  EXPECT_EQ(as_string(back), "[]");
}

}  // namespace
}  // namespace drovik

namespace drovik {
namespace {

// Large collections are indexed; the index must agree with a plain scan of
// SingleUnit equality through inserts, merges and removals.
struct ReferenceEntry {
  SingleUnit unit;
  double exponent;
};

void reference_merge(std::vector<ReferenceEntry>& model, const SingleUnit& unit, double delta) {
  for (std::size_t i = 0; i < model.size(); ++i) {
    if (model[i].unit == unit) {
      model[i].exponent += delta;
      if (model[i].exponent == 0.0) model.erase(model.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
  model.push_back({unit, delta});
}

std::vector<std::string> described(const UnitCollection& units) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    out.push_back(units[i].unit.name().str() + "|" + units[i].unit.symbol().str() + "|" +
                  std::to_string(units[i].unit.scale()) + "|" + std::to_string(units[i].exponent));
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::string> described(const std::vector<ReferenceEntry>& model) {
  UnitCollection as_collection;
  for (const auto& entry : model) as_collection.insert(entry.unit, entry.exponent);
  return described(as_collection);
}

std::vector<SingleUnit> unit_pool() {
  std::vector<SingleUnit> pool;
  for (const char* word : {"m", "km", "mm",    "s",         "hr", "kg", "g", "N",   "J",  "W",
                           "K", "Pa", "meter", "kilometer", "L",  "mL", "A", "mol", "cd", "lb"}) {
    pool.push_back(*search_for_unit_name(word));
  }
  // Units that differ from each other in one field only, and a pair whose
  // scales are -0.0 and 0.0 (equal as doubles, so one unit).
  for (int k = 0; k < 30; ++k) pool.push_back(SingleUnit::custom("same", "s", k + 1.0, kLength));
  pool.push_back(SingleUnit::custom("zero", "z", 0.0, kLength));
  pool.push_back(SingleUnit::custom("zero", "z", -0.0, kLength));
  pool.push_back(SingleUnit::custom("kilometer", "km", 1000.0, kLength));  // equals "km"
  return pool;
}

TEST(LargeUnitCollection, TheIndexAgreesWithAScanThroughMergesAndRemovals) {
  std::vector<SingleUnit> pool = unit_pool();
  std::mt19937 random(20261208);
  UnitCollection running;
  std::vector<ReferenceEntry> model;
  for (int step = 0; step < 4000; ++step) {
    const SingleUnit& unit = pool[random() % pool.size()];
    bool divide = random() % 2 == 0;
    UnitCollection one(unit);
    running = divide ? div(running, one) : mul(running, one);
    reference_merge(model, unit, divide ? -1.0 : 1.0);
    if (step % 97 == 0) {
      ASSERT_EQ(described(running), described(model)) << "after step " << step;
      UnitCollection copy = running;  // copies carry a working index
      ASSERT_EQ(copy.find(unit), running.find(unit));
    }
  }
  EXPECT_EQ(described(running), described(model));
  // Dividing everything out leaves the unitless collection.
  UnitCollection emptied = div(running, running);
  EXPECT_EQ(emptied.size(), 0u);
}

TEST(LargeUnitCollection, UnitsWithANaNFieldNeverMerge) {
  UnitCollection units(SingleUnit::custom("odd", "o", std::nan(""), kLength));
  for (int k = 0; k < 10; ++k) units = mul(units, units);
  EXPECT_EQ(units.size(), 1024u);
}

TEST(LargeUnitCollection, RenderingSortsManyFactorsByteWise) {
  UnitCollection units;
  std::vector<std::string> symbols;
  for (int k = 0; k < 300; ++k) {
    std::string symbol = "u" + std::to_string((k * 7919) % 300);
    symbols.push_back(symbol);
    units = mul(units, UnitCollection(SingleUnit::custom(symbol, symbol, 1.0, kLength)));
  }
  std::sort(symbols.begin(), symbols.end());
  std::string expected = "[";
  for (std::size_t i = 0; i < symbols.size(); ++i) expected += (i ? "." : "") + symbols[i];
  EXPECT_EQ(as_string(units), expected + "]");
}

// A saved unit text must parse back to the very same collection; where the
// entry order, an exponent or a cache cannot be written as text, none is
// offered.
TEST(SavedUnits, ATextIsOfferedOnlyWhenItParsesBackBitForBit) {
  struct Case {
    UnitCollection unit;
    std::optional<std::string> text;
  };
  UnitCollection km = *from_unit_name("km"), hr = *from_unit_name("hr");
  UnitCollection km_scale_off_by_one_bit = km;
  km_scale_off_by_one_bit.set_scale(std::nextafter(km.scale(), 2000.0));
  Case cases[] = {
      {*from_unit_name("km/hr"), "km/hr"},
      {*from_unit_name("lb.ft.km"), "lb.ft.km"},
      {*from_unit_name("1/s2"), "1/s2"},
      {div(UnitCollection(), hr), "1/hr"},
      {mul(div(UnitCollection(), hr), km), std::nullopt},  // hr before km
      {pow(km, 0.5), std::nullopt},
      {pow(km, 10), std::nullopt},
      {div(mul(km, hr), hr), "km"},
      {km_scale_off_by_one_bit, std::nullopt},
      {UnitCollection(), std::nullopt},
      {UnitCollection(SingleUnit::custom("league", "lea", 4828.032, kLength)), std::nullopt},
  };
  for (const Case& c : cases) {
    std::optional<std::string> text = exact_unit_text(c.unit);
    EXPECT_EQ(text, c.text);
    if (text) {
      EXPECT_TRUE(identical(**parse_unit(*text), c.unit)) << *text;
    }
  }
  EXPECT_FALSE(identical(*from_unit_name("km.ft.lb"), *from_unit_name("lb.ft.km")));
  // "min" is the minute, not the milli-inch: that unit has no word of its own.
  std::optional<SingleUnit> milli_inch = search_for_unit_name("milliinch");
  ASSERT_TRUE(milli_inch);
  EXPECT_EQ(milli_inch->symbol().str(), "min");
  EXPECT_EQ(exact_unit_word(*milli_inch), std::nullopt);
  EXPECT_EQ(exact_unit_word(*search_for_unit_name("min")), "min");
}

TEST(SavedUnits, CachesMustAgreeWithTheEntries) {
  UnitCollection km = *from_unit_name("km");
  EXPECT_TRUE(caches_agree_with_entries(km));
  EXPECT_TRUE(caches_agree_with_entries(pow(km, 1000)));  // scale overflowed on the way
  UnitCollection wrong_scale = km;
  wrong_scale.set_scale(5.0);
  EXPECT_FALSE(caches_agree_with_entries(wrong_scale));
  UnitCollection wrong_dimensions = km;
  wrong_dimensions.set_dimensions({});
  EXPECT_FALSE(caches_agree_with_entries(wrong_dimensions));
  UnitCollection slightly_wrong = km;  // past what rounding can leave: refused
  DimensionVector length = km.dimensions();
  length[5] += 1e-3;
  slightly_wrong.set_dimensions(length);
  EXPECT_FALSE(caches_agree_with_entries(slightly_wrong));
}

// Exponents as large as doubles hold may cancel: the collection is saved
// with the history it needs, and checked against that; a subnormal power on
// the way (pm**-13 * ym**13.4) needs none, the scale being compared as a
// logarithm.
TEST(SavedUnits, LargeCancelledHistoriesAreDeclaredAndAllowed) {
  UnitCollection m = *from_unit_name("m"), ft = *from_unit_name("ft");
  for (double e : {0x1p40, 0x1p60, 1e300}) {
    UnitCollection made = div(mul(pow(m, e), pow(ft, 0.1)), pow(m, e));
    EXPECT_FALSE(caches_agree_with_entries(made)) << e;
    double history = history_needed(made);
    EXPECT_GT(history, kPlainHistory) << e;
    EXPECT_TRUE(caches_agree_with_entries(made, history)) << e;
    EXPECT_FALSE(caches_agree_with_entries(made, history / 0x1p8)) << e;
  }
  UnitCollection pm = *from_unit_name("pm"), ym = *from_unit_name("ym");
  UnitCollection tiny = mul(mul(pow(pm, -13), pow(ym, 6.7)), pow(ym, 6.7));
  EXPECT_TRUE(caches_agree_with_entries(tiny));
  EXPECT_EQ(history_needed(tiny), kPlainHistory);
  UnitCollection slightly_wrong = m;  // a thousandth needs a history of 2^40
  DimensionVector length = m.dimensions();
  length[5] += 1e-3;
  slightly_wrong.set_dimensions(length);
  EXPECT_FALSE(caches_agree_with_entries(slightly_wrong, 0x1p36));
  EXPECT_TRUE(caches_agree_with_entries(slightly_wrong, 0x1p40));
}

// The check both saved-state versions make accepts every collection that
// products, quotients and powers build, large exponents that cancel included
// (within one unit, J**e * J**-e, and across two of one dimension).
TEST(SavedUnits, EveryCollectionTheAlgebraBuildsPassesTheCheck) {
  const char* kinds[][3] = {{"m", "ft", "mi"}, {"J", "cal", "eV"}, {"W", "hp", "W"},
                            {"s", "hr", "min"}, {"kg", "lb", "g"}};
  std::mt19937 random(20261209);
  std::uniform_real_distribution<double> size(-1e8, 1e8), small(-2.0, 2.0);
  for (int step = 0; step < 3000; ++step) {
    UnitCollection made = *from_unit_name("m");
    for (int k = 0; k < 4; ++k) {
      const auto& kind = kinds[random() % std::size(kinds)];
      double e = size(random);
      UnitCollection a = *from_unit_name(kind[random() % 3]);
      UnitCollection b = *from_unit_name(kind[random() % 3]);
      UnitCollection term = mul(mul(pow(a, e), pow(b, -e)), pow(a, small(random)));
      made = random() % 3 == 0 ? pow(mul(made, term), small(random))
             : random() % 2 == 0 ? mul(made, term) : div(made, term);
    }
    ASSERT_TRUE(caches_agree_with_entries(made)) << as_string(made);
  }
}

}  // namespace
}  // namespace drovik
