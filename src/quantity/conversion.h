// Conversion of quantities between units, offsets included.
#ifndef DROVIK_QUANTITY_CONVERSION_H_
#define DROVIK_QUANTITY_CONVERSION_H_

#include "quantity/drovik.h"
#include "error/drovik_error.h"
#include "quantity/unit_coercible.h"

namespace drovik {

// How values in one unit become values in another: (s * v) / S, or, between
// two collections of exactly one single unit each, (O + ((v * s) - o)) / S,
// with s, o the source's scale and offset and S, O the target's. One plan
// serves a quantity and an array of values alike, so that every element of
// an array converts bit for bit as the quantity of that value would.
struct ConversionPlan {
  double scale = 1.0;
  double target_scale = 1.0;
  double offset = 0.0;
  double target_offset = 0.0;
  bool with_offsets = false;

  // Between collections whose dimensions the caller has found equal: by
  // scale alone, as arithmetic rescales an operand, or with the offsets of
  // two single units, as conversions do.
  static ConversionPlan rescaling(const UnitCollection& from, const UnitCollection& to) {
    return {from.scale(), to.scale(), 0.0, 0.0, false};
  }
  static ConversionPlan converting(const UnitCollection& from, const UnitCollection& to) {
    if (from.size() != 1 || to.size() != 1) return rescaling(from, to);
    return {from.scale(), to.scale(), from[0].unit.offset(), to[0].unit.offset(), true};
  }

  // The two formulas. A loop over many values picks one once and calls it
  // for each value; apply picks per value.
  double by_scale(double v) const { return (scale * v) / target_scale; }
  double by_offsets(double v) const {
    return (target_offset + ((v * scale) - offset)) / target_scale;
  }
  double apply(double v) const { return with_offsets ? by_offsets(v) : by_scale(v); }
};

// The refusal of an operation between units of different dimensions,
// naming `first`'s text first.
Unexpected<DrovikError> incompatible(const UnitCollection& first, const UnitCollection& second);

// The plan from `from` to `to`, or IncompatibleUnits (from's text first)
// when the dimensions differ.
Result<ConversionPlan> conversion_plan(const UnitCollection& from, const UnitCollection& to);

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
