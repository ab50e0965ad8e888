#include "quantity/unit_coercible.h"

#include <string>

#include "unit/unit_memo.h"

namespace drovik {

Result<UnitCoercible> UnitCoercible::from_unit_text(std::string_view text) {
  std::optional<UnitRef> units = parse_unit(text);
  if (!units) return fail(DrovikError::unit_not_found(std::string(text)));
  return UnitCoercible(Drovik{1.0, std::move(*units)});
}

}  // namespace drovik
