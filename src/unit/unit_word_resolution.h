// Resolution of one unit word ("km", "metre", "deg C", "mmHg") to a unit.
#ifndef DROVIK_UNIT_UNIT_WORD_RESOLUTION_H_
#define DROVIK_UNIT_UNIT_WORD_RESOLUTION_H_

#include <cstddef>
#include <optional>
#include <string_view>

#include "catalogue/prefix_table.h"
#include "catalogue/unit_def.h"
#include "unit/single_unit.h"

namespace drovik {

// What a word resolves to: a catalogue row, possibly under a prefix.
struct ResolvedWord {
  const UnitDef* row;
  const UnitPrefix* prefix;  // nullptr when unprefixed
};

// The resolution rules, tried in order: one alias substitution, a catalogue
// name, a catalogue symbol, then each prefix in table order (a prefix name
// followed by a unit name or alias, or a prefix symbol followed by a unit
// symbol). A prefix on a unit with an offset ends the search with nothing.
// The word is taken exactly as given: no trimming, no case folding.
std::optional<ResolvedWord> resolve_unit_word_by_rules(std::string_view word);

// The same answer as resolve_unit_word_by_rules, from an index of every
// resolvable word.
std::optional<ResolvedWord> resolve_unit_word(std::string_view word);

// How many distinct words resolve at all.
std::size_t resolvable_word_count();

// The unit a word denotes, or nothing.
std::optional<SingleUnit> search_for_unit_name(std::string_view word);

}  // namespace drovik

#endif  // DROVIK_UNIT_UNIT_WORD_RESOLUTION_H_
