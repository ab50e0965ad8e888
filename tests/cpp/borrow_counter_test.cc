// Many threads sharing one quantity record: readers take shared claims and
// build, convert and render quantities from it while others try the exclusive
// claim. Run under ThreadSanitizer, this is the race check of the core.
#include "python/borrow_counter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "quantity/construction.h"
#include "quantity/conversion.h"
#include "quantity/quantity_arithmetic.h"
#include "quantity/quantity_rounding.h"
#include "quantity/quantity_text.h"
#include "quantity/unit_coercible.h"
#include "test_helpers.h"

namespace drovik {
namespace {

TEST(BorrowCounter, SharedAndExclusiveClaimsExcludeEachOther) {
  BorrowCounter counter;
  EXPECT_TRUE(counter.try_borrow_shared());
  EXPECT_TRUE(counter.try_borrow_shared());
  EXPECT_FALSE(counter.try_borrow_exclusive());
  counter.release_shared();
  counter.release_shared();
  EXPECT_TRUE(counter.try_borrow_exclusive());
  EXPECT_FALSE(counter.try_borrow_shared());
  EXPECT_FALSE(counter.try_borrow_exclusive());
  counter.release_exclusive();
  EXPECT_EQ(counter.load(), 0);
}

struct SharedRecord {
  BorrowCounter borrow;
  Drovik quantity = testing::quantity(12.5, "km/hr");
};

TEST(BorrowCounter, ManyThreadsReadOneRecordWhileOthersClaimIt) {
  SharedRecord record;
  Drovik custom_unit = custom("league", "lea", UnitCoercible::from_float(4828.032));
  record.quantity = multiply(record.quantity, custom_unit);
  const std::string expected_text = to_text(record.quantity);
  const std::size_t unit_count = record.quantity.unit->size();  // km, hr, lea
  constexpr int kReaders = 6;
  constexpr int kWriters = 2;
  constexpr int kRounds = 2000;
  constexpr int kWriterRounds = 200;
  // Who is inside right now, and every time the claims failed to keep a
  // reader and the exclusive holder apart.
  std::atomic<int> readers_inside{0}, holders_inside{0}, overlaps{0};
  std::atomic<int> reads{0}, exclusive_runs{0}, wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kReaders; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        // Refusals are expected while a holder is inside; retry until taken.
        while (!record.borrow.try_borrow_shared()) std::this_thread::yield();
        ++readers_inside;
        if (holders_inside.load() != 0) ++overlaps;
        ++reads;
        Drovik copy = record.quantity;
        auto in_base = as_base_units(copy);
        if (to_text(record.quantity) != expected_text || !in_base) ++wrong;
        Drovik squared = multiply(record.quantity, copy);
        if (squared.unit->size() != unit_count) ++wrong;
        --readers_inside;
        record.borrow.release_shared();
      }
    });
  }
  for (int t = 0; t < kWriters; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kWriterRounds; ++i) {
        while (!record.borrow.try_borrow_exclusive()) std::this_thread::yield();
        if (holders_inside.fetch_add(1) != 0 || readers_inside.load() != 0) ++overlaps;
        ++exclusive_runs;
        Drovik rounded = round_sfig(record.quantity, 3);
        if (rounded.unit->size() != unit_count) ++wrong;
        --holders_inside;
        record.borrow.release_exclusive();
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(reads.load(), kReaders * kRounds);
  EXPECT_EQ(exclusive_runs.load(), kWriters * kWriterRounds);
  EXPECT_EQ(record.borrow.load(), 0);
  EXPECT_EQ(to_text(record.quantity), expected_text);
}

}  // namespace
}  // namespace drovik
