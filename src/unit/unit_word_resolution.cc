#include "unit/unit_word_resolution.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/unit_alias_table.h"
#include "catalogue/unit_lookup.h"
#include "catalogue/unit_table.h"

namespace drovik {
namespace {

// Every word that resolves has one of these shapes: an alias, a name, a
// symbol, a prefix name followed by a name or an alias, or a prefix symbol
// followed by a symbol. The index holds each such word with what the rules
// make of it, so a lookup is one hash probe. It is built once, on first use,
// and never changes afterwards.
class WordIndex {
 public:
  WordIndex() {
    for (const UnitAlias& alias : kUnitAliases) add(alias.alias);
    for_each_row([&](const UnitDef& row) {
      add(row.name);
      add(row.symbol);
    });
    for (const UnitPrefix& prefix : kPrefixes) {
      for_each_row([&](const UnitDef& row) {
        add(std::string(prefix.name) += row.name);
        add(std::string(prefix.symbol) += row.symbol);
      });
      for (const UnitAlias& alias : kUnitAliases) add(std::string(prefix.name) += alias.alias);
    }
  }

  std::optional<ResolvedWord> find(std::string_view word) const {
    // A longer word resolves to nothing; not hashing it keeps a lookup's
    // cost bounded whatever the word (a saved state may carry a megabyte).
    if (word.size() > longest_) return std::nullopt;
    for (std::uint32_t i = hash(word) & kMask;; i = (i + 1) & kMask) {
      const Slot& slot = slots_[i];
      if (slot.row == kEmpty) return std::nullopt;
      if (std::string_view(text_.data() + slot.offset, slot.length) == word) {
        return ResolvedWord{row_at(slot.row),
                            slot.prefix == kEmpty ? nullptr : &kPrefixes[slot.prefix]};
      }
    }
  }

  std::size_t size() const { return count_; }

 private:
  static constexpr std::uint8_t kEmpty = 0xFF;
  // About 8,000 words resolve; a power of two with room to spare keeps the
  // probe chains short.
  static constexpr std::uint32_t kSlots = 1u << 14;
  static constexpr std::uint32_t kMask = kSlots - 1;

  struct Slot {
    std::uint32_t offset = 0;
    std::uint16_t length = 0;
    std::uint8_t row = kEmpty;     // index in base units, then the unit table
    std::uint8_t prefix = kEmpty;  // index in kPrefixes
  };

  // A row number is one byte, kEmpty excluded.
  static_assert(kRowCount < kEmpty, "row numbers no longer fit the index's one byte");
  static_assert(kPrefixes.size() < kEmpty, "prefix numbers no longer fit one byte");

  static const UnitDef* row_at(std::size_t i) { return &row_in_search_order(i); }
  static std::uint8_t index_of(const UnitDef* row) {
    if (row >= kBaseUnits.data() && row < kBaseUnits.data() + kBaseUnits.size()) {
      return static_cast<std::uint8_t>(row - kBaseUnits.data());
    }
    return static_cast<std::uint8_t>(kBaseUnits.size() + (row - kUnitTable.data()));
  }

  template <class F>
  static void for_each_row(F f) {
    for (const UnitDef& row : kBaseUnits) f(row);
    for (const UnitDef& row : kUnitTable) f(row);
  }

  static std::uint32_t hash(std::string_view text) {
    std::uint32_t h = 2166136261u;  // FNV-1a
    for (char c : text) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return h;
  }

  void add(std::string_view word) {
    std::optional<ResolvedWord> resolved = resolve_unit_word_by_rules(word);
    if (!resolved || find(word)) return;
    std::uint32_t i = hash(word) & kMask;
    while (slots_[i].row != kEmpty) i = (i + 1) & kMask;
    auto prefix =
        resolved->prefix ? static_cast<std::uint8_t>(resolved->prefix - kPrefixes.data()) : kEmpty;
    slots_[i] = Slot{static_cast<std::uint32_t>(text_.size()),
                     static_cast<std::uint16_t>(word.size()), index_of(resolved->row), prefix};
    text_.append(word);
    longest_ = std::max(longest_, word.size());
    ++count_;
  }

  std::vector<Slot> slots_ = std::vector<Slot>(kSlots);
  std::string text_;
  std::size_t count_ = 0;
  std::size_t longest_ = 0;
};

const WordIndex& word_index() {
  static const WordIndex index;
  return index;
}

}  // namespace

std::optional<ResolvedWord> resolve_unit_word_by_rules(std::string_view word) {
  word = apply_unit_alias(word);
  if (const UnitDef* row = query_unit_names_internal(word, false))
    return ResolvedWord{row, nullptr};
  if (const UnitDef* row = query_unit_symbols_internal(word)) return ResolvedWord{row, nullptr};
  for (const UnitPrefix& prefix : kPrefixes) {
    const UnitDef* row = nullptr;
    if (word.starts_with(prefix.name)) {
      // Matching by name rules out the symbol reading of the same prefix.
      row = query_unit_names_internal(word.substr(prefix.name.size()), true);
    } else if (word.starts_with(prefix.symbol)) {
      row = query_unit_symbols_internal(word.substr(prefix.symbol.size()));
    }
    if (row == nullptr) continue;
    if (row->offset != 0.0) return std::nullopt;
    return ResolvedWord{row, &prefix};
  }
  return std::nullopt;
}

std::optional<ResolvedWord> resolve_unit_word(std::string_view word) {
  return word_index().find(word);
}

std::size_t resolvable_word_count() { return word_index().size(); }

std::optional<SingleUnit> search_for_unit_name(std::string_view word) {
  std::optional<ResolvedWord> resolved = resolve_unit_word(word);
  if (!resolved) return std::nullopt;
  if (resolved->prefix == nullptr) return create_from_unit_def(*resolved->row);
  return SingleUnit::with_prefix(*resolved->prefix, *resolved->row);
}

}  // namespace drovik
