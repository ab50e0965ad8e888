#include "unit/interned_unit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <random>
#include <thread>
#include <vector>

#include "test_helpers.h"
#include "unit/unit_arithmetic.h"
#include "unit/unit_memo.h"
#include "unit/unit_text.h"

namespace drovik {
namespace {

using testing::units_of;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const DimensionVector kLength{{0, 0, 0, 0, 0, 1, 0, 0}};

UnitRef shared(const char* text) { return UnitRef(units_of(text)); }

TEST(SharedUnits, IdenticalCollectionsAreStoredOnce) {
  EXPECT_NE(shared("km/hr").interned(), nullptr);
  EXPECT_EQ(shared("km/hr").interned(), shared("km/hr").interned());
  EXPECT_EQ(parse_unit("km/hr")->interned(), shared("km/hr").interned());
  EXPECT_EQ(UnitRef(mul(units_of("km"), units_of("s"))).interned(), shared("km.s").interned());
  EXPECT_EQ(UnitRef(UnitCollection()).interned(), &unitless_unit());
  // The same units in another order, and exponents or scales that differ
  // only in their bits (-0.0, a NaN payload), are different collections.
  EXPECT_NE(shared("km.s").interned(), shared("s.km").interned());
  EXPECT_NE(UnitRef(pow(units_of("km"), 0.0)).interned(),
            UnitRef(pow(units_of("km"), -0.0)).interned());
  EXPECT_EQ(UnitRef(pow(units_of("km"), kNaN)).interned(),
            UnitRef(pow(units_of("km"), kNaN)).interned());
}

TEST(SharedUnits, CustomAndLongCollectionsStayOwned) {
  UnitRef league(UnitCollection(SingleUnit::custom("league", "lea", 4828.032, kLength)));
  EXPECT_EQ(league.interned(), nullptr);
  UnitRef copy = league;
  EXPECT_NE(&*copy, &*league);
  EXPECT_TRUE(identical(*copy, *league));
  UnitRef nine = shared("m.s.kg.A.K.mol.cd.USD.km");
  EXPECT_EQ(nine->size(), kMaxInternedEntries + 1);
  EXPECT_EQ(nine.interned(), nullptr);
}

// The memoised, shared path against the plain one, over random products,
// quotients and powers of catalogue, prefixed, custom, NaN-scaled and
// -0.0-exponent units: every result identical bit for bit, and its text the
// same.
TEST(SharedUnits, MemoisedResultsMatchFreshOnes) {
  std::vector<UnitCollection> pool = {
      units_of("km"), units_of("hr"), units_of("kg.m/s2"), units_of("°C"), units_of("mmHg"),
      UnitCollection(),
      UnitCollection(SingleUnit::custom("league", "lea", 4828.032, kLength)),
      UnitCollection(SingleUnit::custom("nan", "nan", kNaN, kLength)),
      pow(units_of("ft"), -0.0),
  };
  const double exponents[] = {2.0, -1.0, 0.5, 0.0, -0.0, 3.0, kNaN, 1e-300};
  std::mt19937 random(20261208);
  std::vector<std::pair<UnitRef, UnitCollection>> values;
  for (const UnitCollection& c : pool) values.emplace_back(UnitRef(c), c);
  for (int step = 0; step < 3000; ++step) {
    auto& [a, fresh_a] = values[random() % values.size()];
    auto& [b, fresh_b] = values[random() % values.size()];
    UnitRef result;
    UnitCollection fresh;
    switch (random() % 3) {
      case 0: result = multiply_units(a, b), fresh = mul(fresh_a, fresh_b); break;
      case 1: result = divide_units(a, b), fresh = div(fresh_a, fresh_b); break;
      default: {
        double p = exponents[random() % std::size(exponents)];
        result = power_of_units(a, p), fresh = pow(fresh_a, p);
      }
    }
    ASSERT_TRUE(identical(*result, fresh)) << "step " << step << ": " << as_string(fresh);
    if (const InternedUnit* interned = result.interned()) {
      ASSERT_EQ(interned->symbol_text(), as_string(fresh));
    }
    // Keep the pool small, so that memo entries are met again.
    if (fresh.size() <= 4 && values.size() < 40) values.emplace_back(result, fresh);
  }
}

// Threads publish the same new collections in different orders: each must
// get the one shared copy, whoever published it. Run under ThreadSanitizer
// by ./dev sanitize.
TEST(SharedUnits, ThreadsPublishingTogetherShareOneCopy) {
  constexpr int kThreads = 4, kUnits = 300;
  std::vector<std::vector<const InternedUnit*>> seen(kThreads,
                                                     std::vector<const InternedUnit*>(kUnits));
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &seen] {
      UnitCollection km = units_of("Mm");
      for (int k = 0; k < kUnits; ++k) {
        int i = t % 2 == 0 ? k : kUnits - 1 - k;
        UnitRef unit = power_of_units(UnitRef(km), 1.0 + i / 1024.0);
        seen[t][i] = unit.interned();
        (void)unit.interned()->symbol_text();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int i = 0; i < kUnits; ++i) {
    ASSERT_NE(seen[0][i], nullptr);
    for (int t = 1; t < kThreads; ++t) ASSERT_EQ(seen[t][i], seen[0][i]) << i;
  }
}

// Filling the table happens in a child process, so that other tests keep an
// empty one.
TEST(SharedUnits, TheTableStopsAtItsBound) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        UnitRef before = shared("km/hr");
        UnitCollection km = units_of("km");
        for (std::size_t i = 0; i < kMaxInternedUnits + 100; ++i) {
          UnitRef unit(pow(km, 1.0 + static_cast<double>(i) * 1e-6));
          if (!identical(*unit, pow(km, 1.0 + static_cast<double>(i) * 1e-6))) std::exit(2);
        }
        bool bounded = interned_unit_count() == kMaxInternedUnits;
        bool new_owned = UnitRef(pow(km, 0.123)).interned() == nullptr;
        bool old_shared = shared("km/hr").interned() == before.interned();
        std::exit(bounded && new_owned && old_shared ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace drovik
