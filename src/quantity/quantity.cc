#include "quantity/quantity.h"

#include <string>

#include "catalogue/constant_table.h"
#include "unit/unit_arithmetic.h"
#include "unit/unit_parser.h"
#include "unit/unit_text.h"

namespace drovik {

Result<UnitCoercible> UnitCoercible::from_unit_text(std::string_view text) {
  std::optional<UnitCollection> units = from_unit_name(text);
  if (!units) return fail(DrovikError::unit_not_found(std::string(text)));
  return UnitCoercible(Drovik{1.0, std::move(*units)});
}

Result<double> converted_value(const Drovik& quantity, const UnitCollection& target) {
  const UnitCollection& own = quantity.unit;
  if (!(own.dimensions() == target.dimensions())) {
    return fail(DrovikError::incompatible_units(as_string(own), as_string(target)));
  }
  double v = quantity.value;
  double s = own.scale();
  double S = target.scale();
  double r;
  if (own.size() == 1 && target.size() == 1) {
    double o = own[0].unit.offset();
    double O = target[0].unit.offset();
    r = (O + ((v * s) - o)) / S;
  } else {
    r = (s * v) / S;
  }
  return r;
}

Result<Drovik> as_unit_internal(const Drovik& quantity, UnitCollection target) {
  Result<double> value = converted_value(quantity, target);
  if (!value) return fail(std::move(value).error());
  return Drovik{*value, std::move(target)};
}

Result<Drovik> unit(std::string_view unit_name_or_symbol) {
  std::optional<UnitCollection> units = from_unit_name(unit_name_or_symbol);
  if (!units) return fail(DrovikError::unit_not_found(std::string(unit_name_or_symbol)));
  return Drovik{1.0, std::move(*units)};
}

Result<Drovik> constant(std::string_view constant_name) {
  const PhysicalConstant* found = search_for_constant_name(constant_name);
  if (found == nullptr) {
    return fail(DrovikError::constant_not_found(std::string(constant_name)));
  }
  std::optional<UnitCollection> units = from_unit_name(found->unit);
  if (!units) return fail(DrovikError::unit_not_found(std::string(found->unit)));
  return Drovik{found->value, std::move(*units)};
}

Drovik empty() { return Drovik{1.0, UnitCollection()}; }

Drovik custom(std::string_view name, std::string_view abbr, const UnitCoercible& definition) {
  const Drovik& d = definition.quantity();
  double k = d.unit.scale() * d.value;
  return Drovik{1.0, UnitCollection(SingleUnit::custom(name, abbr, k, d.unit.dimensions()))};
}

Result<Drovik> as_unit(const Drovik& quantity, UnitCoercible other) {
  Drovik target = std::move(other).to_quantity();
  return as_unit_internal(quantity, std::move(target.unit));
}

Result<double> as_unitless(const Drovik& quantity) {
  return converted_value(quantity, UnitCollection());
}

Result<Drovik> as_base_units(const Drovik& quantity) {
  return as_unit_internal(quantity, get_base_units(quantity.unit));
}

}  // namespace drovik
