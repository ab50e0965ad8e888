#include "quantity/conversion.h"

#include "unit/unit_arithmetic.h"
#include "unit/unit_text.h"

namespace drovik {

Result<ConversionPlan> rescaling_plan(const UnitCollection& from, const UnitCollection& to) {
  if (!(from.dimensions() == to.dimensions())) {
    return fail(DrovikError::incompatible_units(as_string(from), as_string(to)));
  }
  return ConversionPlan{from.scale(), to.scale(), 0.0, 0.0, false};
}

Result<ConversionPlan> conversion_plan(const UnitCollection& from, const UnitCollection& to) {
  Result<ConversionPlan> plan = rescaling_plan(from, to);
  if (plan && from.size() == 1 && to.size() == 1) {
    plan->offset = from[0].unit.offset();
    plan->target_offset = to[0].unit.offset();
    plan->with_offsets = true;
  }
  return plan;
}

Result<double> converted_value(const Drovik& quantity, const UnitCollection& target) {
  Result<ConversionPlan> plan = conversion_plan(*quantity.unit, target);
  if (!plan) return fail(std::move(plan).error());
  return plan->apply(quantity.value);
}

Result<Drovik> as_unit_internal(const Drovik& quantity, UnitRef target) {
  Result<double> value = converted_value(quantity, *target);
  if (!value) return fail(std::move(value).error());
  return Drovik{*value, std::move(target)};
}

Result<Drovik> as_unit(const Drovik& quantity, UnitCoercible other) {
  Drovik target = std::move(other).to_quantity();
  return as_unit_internal(quantity, std::move(target.unit));
}

Result<double> as_unitless(const Drovik& quantity) {
  return converted_value(quantity, unitless_unit().units());
}

Result<Drovik> as_base_units(const Drovik& quantity) {
  return as_unit_internal(quantity, UnitRef(get_base_units(*quantity.unit)));
}

}  // namespace drovik
