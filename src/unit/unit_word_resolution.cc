#include "unit/unit_word_resolution.h"

#include "catalogue/prefix_table.h"
#include "catalogue/unit_lookup.h"

namespace drovik {

std::optional<SingleUnit> search_for_unit_name(std::string_view word) {
  word = apply_unit_alias(word);
  if (const UnitDef* row = query_unit_names_internal(word, false)) {
    return create_from_unit_def(*row);
  }
  if (const UnitDef* row = query_unit_symbols_internal(word)) {
    return create_from_unit_def(*row);
  }
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
    return SingleUnit::with_prefix(prefix, *row);
  }
  return std::nullopt;
}

}  // namespace drovik
