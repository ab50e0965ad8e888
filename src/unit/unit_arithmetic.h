// Products, quotients and powers of unit collections, and their reduction to
// base units. None of these can fail: infinities and NaN propagate.
#ifndef DROVIK_UNIT_UNIT_ARITHMETIC_H_
#define DROVIK_UNIT_UNIT_ARITHMETIC_H_

#include "unit/unit_collection.h"

namespace drovik {

// a times b. An entry whose exponent becomes exactly zero is removed; only
// entries that b touches can be removed.
UnitCollection mul(UnitCollection a, const UnitCollection& b);
// a divided by b, removing zero exponents like mul.
UnitCollection div(UnitCollection a, const UnitCollection& b);
// running times (or divided by) the collection of `unit` raised to e, in
// place: the same double operations as mul(running, pow(UnitCollection(unit),
// e)) or div(...), without building the power. The parser uses it.
void apply_unit_power(UnitCollection& running, const SingleUnit& unit, double e, bool divide);
// a raised to p. Zero exponents are kept.
UnitCollection pow(const UnitCollection& a, double p);
// The eight base units with a's dimension exponents (zeros included) and
// scale 1.0.
UnitCollection get_base_units(const UnitCollection& a);

}  // namespace drovik

#endif  // DROVIK_UNIT_UNIT_ARITHMETIC_H_
