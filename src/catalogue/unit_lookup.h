// Lookups of a catalogue row by its full name or by its symbol.
#ifndef DROVIK_CATALOGUE_UNIT_LOOKUP_H_
#define DROVIK_CATALOGUE_UNIT_LOOKUP_H_

#include <string_view>

#include "catalogue/unit_def.h"

namespace drovik {

// The target of the unit alias `text`, or `text` itself when it is no alias.
std::string_view apply_unit_alias(std::string_view text);

// The first row, base units before the unit table, whose name equals `text`
// (after one alias substitution when `apply_aliases`); nullptr when none does.
const UnitDef* query_unit_names_internal(std::string_view text, bool apply_aliases);

// The first row, base units before the unit table, whose symbol equals
// `text`; nullptr when none does.
const UnitDef* query_unit_symbols_internal(std::string_view text);

}  // namespace drovik

#endif  // DROVIK_CATALOGUE_UNIT_LOOKUP_H_
