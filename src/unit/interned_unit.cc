#include "unit/interned_unit.h"

#include <bit>
#include <memory>

#include "base/keyed_hash.h"
#include "base/leak_check.h"
#include "unit/unit_text.h"

namespace drovik {

constinit InternedUnit detail::g_unitless;

namespace {

static_assert(std::has_single_bit(kInternedSlotCount));
static_assert(kMaxProbes < kInternedSlotCount);

// A slot holds a unit's address with the top 16 bits of its hash in the
// address's unused top bits, so a search skips other units without reading
// them. An address that uses those bits (none does on x86-64 or AArch64
// Linux today) is simply not interned.
using Slot = std::atomic<std::uint64_t>;
constexpr int kTagShift = 48;
Slot g_slots[kInternedSlotCount];

std::uint64_t tag_of(std::uint64_t hash) { return hash >> kTagShift << kTagShift; }
const InternedUnit* unit_in(std::uint64_t slot) {
  return reinterpret_cast<const InternedUnit*>(slot & ((std::uint64_t{1} << kTagShift) - 1));
}

// Collections published or about to be; only insertions write it.
std::atomic<std::size_t> g_count{0};
std::atomic<BeforePublishHook> g_before_publish{nullptr};

// Two bits per published unit in one word of a small filter (a blocked Bloom
// filter, 8 KB), set before the unit is published. Once the table is full,
// a new unit, which it could not take anyway, is told absent from the filter
// alone, without a read of the larger table.
constexpr std::size_t kFilterWords = kMaxInternedUnits / 8;
std::atomic<std::uint64_t> g_filter[kFilterWords];

std::atomic<std::uint64_t>& filter_word(std::uint64_t hash) {
  return g_filter[(hash >> 32) % kFilterWords];
}
std::uint64_t filter_bits(std::uint64_t hash) {
  return (std::uint64_t{1} << ((hash >> 20) & 63)) | (std::uint64_t{1} << ((hash >> 26) & 63));
}

}  // namespace

// Every field identical() compares, bit for bit: collections that differ
// only in a dimension's last bit hash apart.
std::uint64_t interned_hash(const UnitCollection& units) {
  KeyedHash hash;
  hash.add(units.size()).add(std::bit_cast<std::uint64_t>(units.scale()));
  for (std::size_t k = 0; k < kBaseDimensionCount; ++k) {
    hash.add(std::bit_cast<std::uint64_t>(units.dimensions()[k]));
  }
  for (std::size_t i = 0; i < units.size(); ++i) {
    hash.add(units[i].unit.identity_hash()).add(std::bit_cast<std::uint64_t>(units[i].exponent));
  }
  return hash.finish();
}

std::size_t interned_home_slot(std::uint64_t hash) { return hash & (kInternedSlotCount - 1); }

namespace {

bool can_share(const UnitCollection& units) {
  if (units.size() > kMaxInternedEntries) return false;
  for (std::size_t i = 0; i < units.size(); ++i) {
    if (units[i].unit.is_custom()) return false;
  }
  return true;
}

// Walks the first kMaxProbes slots of `hash`'s probe sequence; `visit`
// returns true to stop. Slots are filled and never emptied, so an empty slot
// ends every search; a collection is only ever published within its first
// kMaxProbes slots, so none is missed past them.
template <class Visit>
void probe(std::uint64_t hash, Visit visit) {
  for (std::size_t n = 0, i = interned_home_slot(hash); n < kMaxProbes;
       ++n, i = (i + 1) & (kInternedSlotCount - 1)) {
    if (visit(g_slots[i])) return;
  }
}

}  // namespace

std::string_view InternedUnit::symbol_text() const {
  const std::string* text = symbol_text_.load(std::memory_order_acquire);
  if (text == nullptr) [[unlikely]] {
    auto rendered = std::make_unique<const std::string>(as_string(units_));
    const std::string* expected = nullptr;
    if (symbol_text_.compare_exchange_strong(expected, rendered.get(), std::memory_order_acq_rel,
                                             std::memory_order_acquire)) {
      text = rendered.release();
    } else {
      text = expected;  // another thread rendered it first
    }
  }
  return *text;
}

const InternedUnit* intern(UnitCollection& units) {
  if (units.empty() && identical(units, unitless_unit().units())) return &unitless_unit();
  if (!can_share(units)) return nullptr;
  std::uint64_t hash = interned_hash(units);
  std::uint64_t bits = filter_bits(hash);
  // Relaxed loads suffice: a unit's filter bits are set before its slot is
  // published (with release), and a reader that misses bits set a moment ago
  // would not have found that unit's slot either; it then owns its
  // collection, which changes memory, never a result.
  if (g_count.load(std::memory_order_relaxed) >= kMaxInternedUnits &&
      (filter_word(hash).load(std::memory_order_relaxed) & bits) != bits) {
    return nullptr;
  }
  std::uint64_t tag = tag_of(hash);
  const InternedUnit* result = nullptr;
  std::unique_ptr<InternedUnit> fresh;
  probe(hash, [&](Slot& slot) {
    std::uint64_t seen = slot.load(std::memory_order_acquire);
    while (seen == 0) {
      if (!fresh) {
        // Claim room before building, so the table never passes its bound:
        // the fetch_add enforces it, the relaxed load before it only spares
        // a write once the table is full.
        if (g_count.load(std::memory_order_relaxed) >= kMaxInternedUnits) return true;
        if (g_count.fetch_add(1, std::memory_order_relaxed) >= kMaxInternedUnits) {
          g_count.fetch_sub(1, std::memory_order_relaxed);
          return true;
        }
        fresh = std::make_unique<InternedUnit>(std::move(units), hash);
        if (tag_of(reinterpret_cast<std::uintptr_t>(fresh.get())) != 0) return true;
        filter_word(hash).fetch_or(bits, std::memory_order_relaxed);
        if (BeforePublishHook hook = g_before_publish.load(std::memory_order_relaxed)) hook();
      }
      std::uint64_t mine = reinterpret_cast<std::uintptr_t>(fresh.get()) | tag;
      if (slot.compare_exchange_strong(seen, mine, std::memory_order_acq_rel,
                                       std::memory_order_acquire)) {
        result = fresh.release();
        keep_for_process(result);
        return true;
      }
      // Another thread filled the slot first; `seen` now holds its unit.
    }
    if (tag_of(seen) != tag) return false;
    const InternedUnit* found = unit_in(seen);
    if (found->hash() == hash && identical(found->units(), fresh ? fresh->units() : units)) {
      result = found;
      return true;
    }
    return false;
  });
  if (fresh) {
    // Lost a race to an identical collection, or found no room: give the
    // collection back and the room claimed for it.
    units = std::move(*fresh).take_units();
    g_count.fetch_sub(1, std::memory_order_relaxed);
  }
  return result;
}

void set_before_publish_hook(BeforePublishHook hook) {
  g_before_publish.store(hook, std::memory_order_relaxed);
}

std::size_t interned_unit_count() { return g_count.load(std::memory_order_relaxed); }

}  // namespace drovik
