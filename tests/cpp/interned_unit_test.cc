#include "unit/interned_unit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <iterator>
#include <limits>
#include <random>
#include <thread>
#include <vector>

#include "base/keyed_hash.h"
#include "catalogue/prefix_table.h"
#include "catalogue/unit_table.h"
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

// Ends a death-test child with a reason the parent's failure message shows.
[[noreturn]] void child_fails(const char* why) {
  std::fprintf(stderr, "%s\n", why);
  std::exit(1);
}

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
  UnitRef eight = shared("m.s.kg.A.K.mol.cd.USD");
  EXPECT_EQ(eight->size(), kMaxInternedEntries);
  EXPECT_NE(eight.interned(), nullptr);
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
// get the one shared copy, whoever published it, and the table counts each
// once (the losers of a race give their claimed room back). Run under
// ThreadSanitizer by ./dev sanitize.
TEST(SharedUnits, ThreadsPublishingTogetherShareOneCopy) {
  constexpr int kThreads = 4, kUnits = 300;
  std::size_t before = interned_unit_count();
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
  EXPECT_EQ(interned_unit_count(), before + kUnits);
}

// The secret's four words are drawn apart: two equal words would cancel in
// the hash's xors (word ^ k1 ^ state against k2), letting crafted keys collide
// whatever the secret is.
TEST(SharedUnits, TheHashKeysWordsDiffer) {
  const auto& words = process_hash_key().words;
  for (std::size_t i = 0; i < words.size(); ++i) {
    EXPECT_NE(words[i], 0u);
    for (std::size_t j = i + 1; j < words.size(); ++j) EXPECT_NE(words[i], words[j]) << i << j;
  }
  // And the hash depends on the order of its words.
  EXPECT_NE(KeyedHash().add(1).add(2).finish(), KeyedHash().add(2).add(1).finish());
}

// The path of a thread that loses the race to publish, taken every time: the
// hook publishes an identical collection just before this thread's
// compare-and-swap, which then finds it. The loser must get the winner's
// copy and its own collection back, and give back the room it claimed.
UnitRef g_published_first;

TEST(SharedUnits, TheLoserOfARaceGetsTheWinnersCopy) {
  UnitRef gm(units_of("Gm"));  // shared before counting, as the hook shares it too
  UnitCollection loser = pow(units_of("Gm"), 1.0 + 1.0 / 4096);
  UnitCollection same = loser;
  std::size_t before = interned_unit_count();
  set_before_publish_hook([] {
    set_before_publish_hook(nullptr);  // the winner publishes unhindered
    g_published_first = power_of_units(UnitRef(units_of("Gm")), 1.0 + 1.0 / 4096);
  });
  const InternedUnit* found = intern(loser);
  set_before_publish_hook(nullptr);
  ASSERT_NE(g_published_first.interned(), nullptr);
  EXPECT_EQ(found, g_published_first.interned());
  EXPECT_TRUE(identical(loser, same));  // its collection given back whole
  EXPECT_EQ(interned_unit_count(), before + 1);
  g_published_first = UnitRef();
}

// Families of collections programs make, and one a crafted pickle makes
// (the same unit with its dimensions off in the last bits).
std::map<std::string, std::vector<UnitCollection>> natural_families() {
  std::map<std::string, std::vector<UnitCollection>> families;
  UnitCollection m = units_of("m"), s = units_of("s"), kg = units_of("kg");
  for (int k = 1; k <= 1000; ++k) families["m**k"].push_back(pow(m, k));
  for (int k = -1000; k <= 1000; ++k) families["m**(k/2)"].push_back(pow(m, k / 2.0));
  for (int k = -500; k <= 500; ++k) families["m**2**k"].push_back(pow(m, std::ldexp(1.0, k)));
  for (int a = -6; a <= 6; ++a) {
    for (int b = -6; b <= 6; ++b) {
      for (int c = -6; c <= 6; ++c) {
        families["m**a*s**b*kg**c"].push_back(mul(mul(pow(m, a), pow(s, b)), pow(kg, c)));
      }
    }
  }
  for (const UnitPrefix& prefix : kPrefixes) {
    for (const UnitDef& row : kUnitTable) {
      families["prefixed"].emplace_back(SingleUnit::with_prefix(prefix, row));
    }
  }
  for (int k = 0; k < 2000; ++k) {
    DimensionVector length = kLength;
    length[5] = 1.0 + k * 0x1p-52;
    UnitCollection unit(length, 1.0);
    unit.insert(SingleUnit::from_row(kBaseUnits[5]), 1.0);
    families["m, dimension bits"].push_back(std::move(unit));
  }
  return families;
}

// Each family's home slots are about as many, and as evenly filled, as n
// random slots would be: no family piles onto a few slots.
TEST(SharedUnits, NaturalFamiliesSpreadLikeRandomSlots) {
  const double slots = kInternedSlotCount;
  for (const auto& [family, units] : natural_families()) {
    std::map<std::size_t, int> load;
    for (const UnitCollection& unit : units) ++load[interned_home_slot(interned_hash(unit))];
    double n = static_cast<double>(units.size());
    double expected = slots * (1 - std::pow(1 - 1 / slots, n));
    int fullest = 0;
    for (const auto& [slot, count] : load) fullest = std::max(fullest, count);
    EXPECT_GE(static_cast<double>(load.size()), expected - 4 * std::sqrt(expected))
        << family << ": " << units.size() << " collections reach " << load.size()
        << " home slots, random ones about " << expected;
    EXPECT_LE(fullest, 6) << family << ": " << fullest << " collections share one home slot";
  }
}

// Collections that share a home slot take its neighbours, up to kMaxProbes
// of them; one more is not shared, and no search walks further. Crafted in
// a child process, so that other tests keep a nearly empty table.
TEST(SharedUnits, ASearchReadsAtMostMaxProbesSlots) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        // km raised to many exponents, kept when they home where the first does.
        UnitCollection km = units_of("km");
        std::vector<UnitCollection> same_home;
        std::size_t home = interned_home_slot(interned_hash(pow(km, 2.0)));
        for (int i = 0; same_home.size() <= kMaxProbes + 4; ++i) {
          UnitCollection unit = pow(km, 2.0 + i * 1e-9);
          if (interned_home_slot(interned_hash(unit)) == home) same_home.push_back(unit);
        }
        std::size_t already = interned_unit_count();
        std::vector<const InternedUnit*> shared_units;
        for (const UnitCollection& unit : same_home) {
          UnitRef ref(unit);
          if (!identical(*ref, unit)) child_fails("a shared unit differs from its collection");
          if (ref.interned() != nullptr) shared_units.push_back(ref.interned());
        }
        // Units published before may hold some of the home's neighbours.
        bool bounded = shared_units.size() <= kMaxProbes &&
                       shared_units.size() + already >= kMaxProbes;
        bool found_again = true;
        for (std::size_t i = 0; i < shared_units.size(); ++i) {
          found_again &= UnitRef(same_home[i]).interned() == shared_units[i];
        }
        // The room claimed for the units that found no slot was given back.
        bool counted = interned_unit_count() == already + shared_units.size();
        if (!bounded) child_fails("more than kMaxProbes units share one home's neighbours");
        if (!counted) child_fails("the count kept room that no unit took");
        if (!found_again) child_fails("a shared unit was not found again");
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
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
          if (!identical(*unit, pow(km, 1.0 + static_cast<double>(i) * 1e-6))) {
            child_fails("a unit past the bound differs from its collection");
          }
        }
        if (interned_unit_count() != kMaxInternedUnits) child_fails("the count is not the bound");
        if (UnitRef(pow(km, 0.123)).interned() != nullptr) child_fails("a new unit was shared");
        if (shared("km/hr").interned() != before.interned()) child_fails("an old unit was lost");
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace drovik
