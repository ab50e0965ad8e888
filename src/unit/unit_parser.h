// Parsing of unit expressions such as "m/s2", "W/m2.K4" or "degree Celsius".
#ifndef DROVIK_UNIT_UNIT_PARSER_H_
#define DROVIK_UNIT_UNIT_PARSER_H_

#include <optional>
#include <string_view>

#include "error/drovik_error.h"
#include "unit/unit_collection.h"

namespace drovik {

// The whole text is first tried as one unit word. Otherwise it is trimmed of
// Unicode white space and read as a numerator and at most one denominator
// ("/"), each a "."-separated list of words with an optional one-digit
// exponent. Pieces that do not resolve are dropped; the result is nothing
// when no unit is left (also when all units cancel) or when there are two or
// more "/".
std::optional<UnitCollection> from_unit_name(std::string_view text);

// The same parse, refusing a text with any piece that resolves to nothing
// (UnitPieceNotFound, naming the first such piece) or that names no unit
// (UnitNotFound). A text it accepts gives exactly what from_unit_name gives.
// The refusal names, when it can, how the text was probably meant (see
// suggested_spelling).
Result<UnitCollection> from_unit_name_strictly(std::string_view text);

// True when the strict parse accepts `text`.
bool parses_strictly(std::string_view text);

}  // namespace drovik

#endif  // DROVIK_UNIT_UNIT_PARSER_H_
