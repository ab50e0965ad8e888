#include "catalogue/unit_lookup.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "catalogue/unit_alias_table.h"
#include "catalogue/unit_table.h"

namespace drovik {
namespace {

struct IndexEntry {
  std::string_view key;
  const UnitDef* row;
  std::size_t order;  // position in the search order: base units first
};

// All rows sorted by one text field; rows with equal keys stay in search
// order, so the lower bound of a key is the row a linear scan finds first.
template <std::string_view UnitDef::*Field>
constexpr std::array<IndexEntry, kRowCount> make_index() {
  std::array<IndexEntry, kRowCount> index{};
  for (std::size_t i = 0; i < kRowCount; ++i) {
    const UnitDef* row = &row_in_search_order(i);
    index[i] = IndexEntry{row->*Field, row, i};
  }
  std::sort(index.begin(), index.end(), [](const IndexEntry& a, const IndexEntry& b) {
    return a.key < b.key || (a.key == b.key && a.order < b.order);
  });
  return index;
}

inline constexpr auto kByName = make_index<&UnitDef::name>();
inline constexpr auto kBySymbol = make_index<&UnitDef::symbol>();

const UnitDef* find_first(const std::array<IndexEntry, kRowCount>& index, std::string_view key) {
  auto it = std::lower_bound(index.begin(), index.end(), key,
                             [](const IndexEntry& e, std::string_view k) { return e.key < k; });
  return it != index.end() && it->key == key ? it->row : nullptr;
}

}  // namespace

std::string_view apply_unit_alias(std::string_view text) {
  for (const UnitAlias& alias : kUnitAliases) {
    if (alias.alias == text) return alias.target;
  }
  return text;
}

const UnitDef* query_unit_names_internal(std::string_view text, bool apply_aliases) {
  if (apply_aliases) text = apply_unit_alias(text);
  return find_first(kByName, text);
}

const UnitDef* query_unit_symbols_internal(std::string_view text) {
  return find_first(kBySymbol, text);
}

}  // namespace drovik
