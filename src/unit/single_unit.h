// One named unit as it takes part in a unit expression: a catalogue row, a
// catalogue row with a prefix, or a custom unit defined at run time.
#ifndef DROVIK_UNIT_SINGLE_UNIT_H_
#define DROVIK_UNIT_SINGLE_UNIT_H_

#include <memory>
#include <string_view>

#include "catalogue/dimension_vector.h"
#include "catalogue/prefix_table.h"
#include "catalogue/unit_def.h"
#include "unit/unit_word.h"

namespace drovik {

class SingleUnit {
 public:
  // Refers to `row`, which must outlive the unit (catalogue rows are static).
  static SingleUnit from_row(const UnitDef& row);
  // `prefix` applied to `row`: the names and symbols are joined, the scale
  // multiplied by the factor, and the offset is zero.
  static SingleUnit with_prefix(const UnitPrefix& prefix, const UnitDef& row);
  // A unit that exists only in the quantities built from it; the unit owns
  // copies of its two texts.
  static SingleUnit custom(std::string_view name, std::string_view symbol,
                           double scale, const DimensionVector& dimensions);

  UnitWord name() const { return {prefix_ ? prefix_->name : "", row_->name}; }
  UnitWord symbol() const { return {prefix_ ? prefix_->symbol : "", row_->symbol}; }
  double scale() const { return scale_; }
  double offset() const { return prefix_ ? 0.0 : row_->offset; }
  const DimensionVector& dimensions() const { return row_->dimensions; }

  // Equal when name, symbol, scale, offset and dimensions all are; a unit with
  // a NaN field is therefore unequal to itself.
  friend bool operator==(const SingleUnit& a, const SingleUnit& b);

 private:
  struct CustomRow;

  SingleUnit(const UnitDef* row, const UnitPrefix* prefix, double scale,
             std::shared_ptr<const CustomRow> owner)
      : row_(row), prefix_(prefix), scale_(scale), owner_(std::move(owner)) {}

  const UnitDef* row_;
  const UnitPrefix* prefix_;
  double scale_;
  // Keeps a custom unit's row alive; empty for catalogue units. The row is
  // immutable, so copies in different quantities may share it safely.
  std::shared_ptr<const CustomRow> owner_;
};

// A new unit made from a catalogue row, with the row's fields unchanged.
inline SingleUnit create_from_unit_def(const UnitDef& row) {
  return SingleUnit::from_row(row);
}

}  // namespace drovik

#endif  // DROVIK_UNIT_SINGLE_UNIT_H_
