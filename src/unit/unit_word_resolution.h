// Resolution of one unit word ("km", "metre", "deg C", "mmHg") to a unit.
#ifndef DROVIK_UNIT_UNIT_WORD_RESOLUTION_H_
#define DROVIK_UNIT_UNIT_WORD_RESOLUTION_H_

#include <optional>
#include <string_view>

#include "unit/single_unit.h"

namespace drovik {

// Tries, in order: one alias substitution, a catalogue name, a catalogue
// symbol, then each prefix in table order (a prefix name followed by a unit
// name or alias, or a prefix symbol followed by a unit symbol). A prefix on a
// unit with an offset ends the search with nothing. The word is taken exactly
// as given: no trimming, no case folding.
std::optional<SingleUnit> search_for_unit_name(std::string_view word);

}  // namespace drovik

#endif  // DROVIK_UNIT_UNIT_WORD_RESOLUTION_H_
