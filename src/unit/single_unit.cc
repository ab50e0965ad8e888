#include "unit/single_unit.h"

#include <string>

namespace drovik {

struct SingleUnit::CustomRow {
  std::string name;
  std::string symbol;
  UnitDef row;
};

SingleUnit SingleUnit::from_row(const UnitDef& row) {
  return SingleUnit(&row, nullptr, row.scale, nullptr);
}

SingleUnit SingleUnit::with_prefix(const UnitPrefix& prefix, const UnitDef& row) {
  return SingleUnit(&row, &prefix, row.scale * prefix.factor, nullptr);
}

SingleUnit SingleUnit::custom(std::string_view name, std::string_view symbol,
                              double scale, const DimensionVector& dimensions) {
  auto owner = std::make_shared<CustomRow>();
  owner->name = name;
  owner->symbol = symbol;
  owner->row = UnitDef{owner->name, owner->symbol, 0.0, scale, dimensions};
  const UnitDef* row = &owner->row;
  return SingleUnit(row, nullptr, scale, std::move(owner));
}

bool operator==(const SingleUnit& a, const SingleUnit& b) {
  if (!(a.scale_ == b.scale_ && a.offset() == b.offset() &&
        a.dimensions() == b.dimensions())) {
    return false;
  }
  // The same row under the same prefix has the same texts.
  if (a.row_ == b.row_ && a.prefix_ == b.prefix_) return true;
  return a.name() == b.name() && a.symbol() == b.symbol();
}

}  // namespace drovik
