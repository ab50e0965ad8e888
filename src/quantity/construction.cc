#include "quantity/construction.h"

#include <string>

#include "catalogue/constant_table.h"
#include "unit/unit_memo.h"

namespace drovik {

Result<Drovik> unit(std::string_view unit_name_or_symbol) {
  std::optional<UnitRef> units = parse_unit(unit_name_or_symbol);
  if (!units) return fail(DrovikError::unit_not_found(std::string(unit_name_or_symbol)));
  return Drovik{1.0, std::move(*units)};
}

Result<Drovik> constant(std::string_view constant_name) {
  const PhysicalConstant* found = search_for_constant_name(constant_name);
  if (found == nullptr) {
    return fail(DrovikError::constant_not_found(std::string(constant_name)));
  }
  std::optional<UnitRef> units = parse_unit(found->unit);
  if (!units) return fail(DrovikError::unit_not_found(std::string(found->unit)));
  return Drovik{found->value, std::move(*units)};
}

Drovik empty() { return Drovik{1.0, UnitRef()}; }

Drovik custom(std::string_view name, std::string_view abbr, const UnitCoercible& definition) {
  const Drovik& d = definition.quantity();
  double k = d.unit->scale() * d.value;
  return Drovik{1.0, UnitCollection(SingleUnit::custom(name, abbr, k, d.unit->dimensions()))};
}

}  // namespace drovik
