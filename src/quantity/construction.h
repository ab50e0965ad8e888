// The ways a quantity comes into being: from a unit expression, a constant,
// as the unitless 1, or in a new custom unit.
#ifndef DROVIK_QUANTITY_CONSTRUCTION_H_
#define DROVIK_QUANTITY_CONSTRUCTION_H_

#include <string_view>

#include "quantity/drovik.h"
#include "error/drovik_error.h"
#include "quantity/unit_coercible.h"

namespace drovik {

// 1.0 in the parsed unit; UnitNotFound with the whole text otherwise.
Result<Drovik> unit(std::string_view unit_name_or_symbol);
// The constant's value in its unit; ConstantNotFound with the text otherwise.
Result<Drovik> constant(std::string_view constant_name);
// The unitless quantity 1.0.
Drovik empty();
// 1.0 of a new unit whose scale is the definition's value in base units. The
// definition's offset is not carried over.
Drovik custom(std::string_view name, std::string_view abbr, const UnitCoercible& definition);

}  // namespace drovik

#endif  // DROVIK_QUANTITY_CONSTRUCTION_H_
