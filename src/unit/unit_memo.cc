#include "unit/unit_memo.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "unit/unit_arithmetic.h"
#include "unit/unit_parser.h"

namespace drovik {
namespace {

// Direct-mapped: a new entry replaces whatever shared its slot. The memos
// only ever hold interned collections, which are never freed, so an entry
// cannot dangle. Both are zero-initialised thread-local data: no
// constructor, no destructor, no guard on access.
struct TextSlot {
  std::uint64_t hash;
  const InternedUnit* unit;  // nullptr: empty slot
  std::uint8_t size;
  char text[kMemoTextSize];
};
static_assert(sizeof(TextSlot) == 64);

enum class Operation : std::uint64_t { kMultiply = 1, kDivide = 2, kPower = 3 };

struct OperationSlot {
  const InternedUnit* a;
  std::uint64_t b;  // the other unit's address, or the exponent's bits
  Operation operation;
  const InternedUnit* result;
};

constexpr std::size_t kTextSlots = 64;
constexpr std::size_t kOperationSlots = 128;

thread_local TextSlot t_texts[kTextSlots];
// Texts every piece of which named a unit: a memo of its own, since a text
// the forgiving parser accepts may not be one of them.
thread_local TextSlot t_strict_texts[kTextSlots];
thread_local OperationSlot t_operations[kOperationSlots];

std::uint64_t load(const char* p, std::size_t n) {
  if (n == 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    return word;
  }
  if (n >= 4) {  // two overlapping 4-byte reads
    std::uint32_t first, last;
    std::memcpy(&first, p, 4);
    std::memcpy(&last, p + n - 4, 4);
    return (std::uint64_t{first} << 32) | last;
  }
  auto byte = [p](std::size_t i) { return std::uint64_t{static_cast<unsigned char>(p[i])}; };
  return n == 0 ? 0 : (byte(0) << 16) | (byte(n / 2) << 8) | byte(n - 1);
}

// Eight bytes at a time, with fixed-size reads only: a unit text is usually
// a word or two.
std::uint64_t text_hash(std::string_view text) {
  const char* p = text.data();
  std::size_t n = text.size();
  std::uint64_t h = n * 0x9e3779b97f4a7c15ULL;
  for (; n > 8; p += 8, n -= 8) h = std::rotl((h ^ load(p, 8)) * 0xff51afd7ed558ccdULL, 29);
  h = (h ^ load(p, n)) * 0xff51afd7ed558ccdULL;
  return h ^ (h >> 32);
}

OperationSlot& operation_slot(const InternedUnit* a, std::uint64_t b, Operation operation) {
  std::uint64_t h = reinterpret_cast<std::uintptr_t>(a) * 0x9e3779b97f4a7c15ULL;
  h ^= (b + static_cast<std::uint64_t>(operation)) * 0xff51afd7ed558ccdULL;
  return t_operations[(h >> 32) % kOperationSlots];
}

// `compute`'s result for interned a and key b, remembered per thread.
template <class Compute>
UnitRef remembered(const InternedUnit* a, std::uint64_t b, Operation operation, Compute compute) {
  OperationSlot& slot = operation_slot(a, b, operation);
  if (slot.a == a && slot.b == b && slot.operation == operation) return UnitRef(*slot.result);
  UnitRef result(compute());
  if (const InternedUnit* shared = result.interned()) slot = {a, b, operation, shared};
  return result;
}

// `compute`'s result for a and b, remembered when both are interned.
template <class Compute>
UnitRef combined(const UnitRef& a, const UnitRef& b, Operation operation, Compute compute) {
  const InternedUnit* x = a.interned();
  const InternedUnit* y = b.interned();
  if (x == nullptr || y == nullptr) return UnitRef(compute());
  return remembered(x, reinterpret_cast<std::uintptr_t>(y), operation, compute);
}

// The text's slot in `memo` (nullptr for a text too long to keep), and
// whether it holds the text already.
struct TextLookup {
  TextSlot* slot = nullptr;
  std::uint64_t hash = 0;
  bool found = false;
};

TextLookup look_up(TextSlot (&memo)[kTextSlots], std::string_view text) {
  if (text.size() > kMemoTextSize) return {};
  std::uint64_t hash = text_hash(text);
  TextSlot* slot = &memo[hash % kTextSlots];
  bool found = slot->unit != nullptr && slot->hash == hash && slot->size == text.size() &&
               std::memcmp(slot->text, text.data(), text.size()) == 0;
  return {slot, hash, found};
}

// Keeps `result` for the text when it is interned.
void remember(const TextLookup& lookup, std::string_view text, const UnitRef& result) {
  const InternedUnit* shared = result.interned();
  if (shared == nullptr || lookup.slot == nullptr) return;
  lookup.slot->hash = lookup.hash;
  lookup.slot->unit = shared;
  lookup.slot->size = static_cast<std::uint8_t>(text.size());
  std::memcpy(lookup.slot->text, text.data(), text.size());
}

}  // namespace

std::optional<UnitRef> parse_unit(std::string_view text) {
  TextLookup lookup = look_up(t_texts, text);
  if (lookup.found) return UnitRef(*lookup.slot->unit);
  std::optional<UnitCollection> parsed = from_unit_name(text);
  if (!parsed) return std::nullopt;
  UnitRef result(std::move(*parsed));
  remember(lookup, text, result);
  return result;
}

Result<UnitRef> parse_unit_strictly(std::string_view text) {
  TextLookup lookup = look_up(t_strict_texts, text);
  if (lookup.found) return UnitRef(*lookup.slot->unit);
  Result<UnitCollection> parsed = from_unit_name_strictly(text);
  if (!parsed) return fail(std::move(parsed).error());
  UnitRef result(std::move(*parsed));
  remember(lookup, text, result);
  return result;
}

UnitRef multiply_units(const UnitRef& a, const UnitRef& b) {
  return combined(a, b, Operation::kMultiply, [&] { return mul(*a, *b); });
}

UnitRef divide_units(const UnitRef& a, const UnitRef& b) {
  return combined(a, b, Operation::kDivide, [&] { return div(*a, *b); });
}

UnitRef power_of_units(const UnitRef& a, double p) {
  const InternedUnit* x = a.interned();
  if (x == nullptr) return UnitRef(pow(*a, p));
  return remembered(x, std::bit_cast<std::uint64_t>(p), Operation::kPower,
                    [&] { return pow(*a, p); });
}

}  // namespace drovik
