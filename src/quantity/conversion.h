// Conversion of quantities between units, offsets included.
#ifndef DROVIK_QUANTITY_CONVERSION_H_
#define DROVIK_QUANTITY_CONVERSION_H_

#include "quantity/drovik.h"
#include "quantity/drovik_error.h"
#include "quantity/unit_coercible.h"

namespace drovik {

// The conversion every other conversion uses: `quantity` in exactly the
// `target` collection, or IncompatibleUnits (own unit text first) when the
// dimensions differ. The offset formula applies when both collections hold
// exactly one single unit, whatever its exponent.
Result<Drovik> as_unit_internal(const Drovik& quantity, UnitRef target);
// The value part of as_unit_internal, for callers that need no quantity.
Result<double> converted_value(const Drovik& quantity, const UnitCollection& target);

// Converts into the unit of `other`; the value of `other` plays no part.
Result<Drovik> as_unit(const Drovik& quantity, UnitCoercible other);
Result<double> as_unitless(const Drovik& quantity);
// Into the eight base units; never applies an offset.
Result<Drovik> as_base_units(const Drovik& quantity);

}  // namespace drovik

#endif  // DROVIK_QUANTITY_CONVERSION_H_
