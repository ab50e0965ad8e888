// Unit collections stored once for the whole process. Most programs use a few
// dozen distinct units, so a quantity can hold a pointer to a shared,
// immutable collection instead of a collection of its own.
//
// Interned collections are never freed and never change once published, so
// any thread may read one without a lock or a reference count. The table
// that finds them is read without locks too: slots are atomic pointers and a
// new collection is published with one compare-and-swap. What it keeps is
// bounded (kMaxInternedUnits collections of at most kMaxInternedEntries
// catalogue units each); past the bound, collections stay owned by their
// quantities.
#ifndef DROVIK_UNIT_INTERNED_UNIT_H_
#define DROVIK_UNIT_INTERNED_UNIT_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "unit/unit_collection.h"

namespace drovik {

inline constexpr std::size_t kMaxInternedUnits = 8192;
inline constexpr std::size_t kMaxInternedEntries = 8;
// Open addressing with linear probing, at most half full, so a search reads
// a few neighbouring slots, and never more than kMaxProbes: a collection
// whose first kMaxProbes slots are all taken by others stays owned by its
// quantity. With random slots that is rare (the hash is keyed per process);
// with crafted ones it bounds what a search costs.
inline constexpr std::size_t kInternedSlotCount = 2 * kMaxInternedUnits;
inline constexpr std::size_t kMaxProbes = 32;

class InternedUnit {
 public:
  InternedUnit() = default;
  InternedUnit(UnitCollection&& units, std::uint64_t hash)
      : units_(std::move(units)), hash_(hash) {}
  InternedUnit(const InternedUnit&) = delete;
  InternedUnit& operator=(const InternedUnit&) = delete;

  const UnitCollection& units() const { return units_; }
  // For a collection that was never published.
  UnitCollection take_units() && { return std::move(units_); }
  std::uint64_t hash() const { return hash_; }

  // The collection's text in symbols ("[km/hr]"), rendered by the first
  // caller and kept: str() of a quantity asks for it on every call.
  std::string_view symbol_text() const;

 private:
  UnitCollection units_;
  std::uint64_t hash_ = 0;
  mutable std::atomic<const std::string*> symbol_text_{nullptr};
};

namespace detail {
// Constant-initialised in interned_unit.cc, so usable before any other
// static initialiser runs.
extern InternedUnit g_unitless;
}  // namespace detail

// The unitless collection (no entries, zero dimensions, scale 1.0). Inline:
// every plain number used as an operand is a quantity in this unit.
inline const InternedUnit& unitless_unit() { return detail::g_unitless; }

// The interned collection identical to `units` (bit for bit, as identical()
// compares), publishing `units` when none is and there is room. nullptr when
// `units` cannot be shared: it holds a custom unit or more than
// kMaxInternedEntries units, or the table is full; `units` is then left
// as it was.
const InternedUnit* intern(UnitCollection& units);

// The table's hash of `units`, and the slot a search for it starts at; for
// tests of how evenly collections spread.
std::uint64_t interned_hash(const UnitCollection& units);
std::size_t interned_home_slot(std::uint64_t hash);

// For tests: a function called once a new collection is built and about to
// be published, so that a test can publish an identical one first and take
// the path of a thread that lost that race, which real races reach only now
// and then. nullptr (the default) calls nothing.
using BeforePublishHook = void (*)();
void set_before_publish_hook(BeforePublishHook hook);

// How many collections the table holds, for tests and the guide's figures.
std::size_t interned_unit_count();

}  // namespace drovik

#endif  // DROVIK_UNIT_INTERNED_UNIT_H_
