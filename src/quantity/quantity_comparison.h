// The six comparisons, made in the receiver's unit with no tolerance.
#ifndef DROVIK_QUANTITY_QUANTITY_COMPARISON_H_
#define DROVIK_QUANTITY_QUANTITY_COMPARISON_H_

#include "quantity/drovik.h"
#include "error/drovik_error.h"

namespace drovik {

// The interpreter's rich-comparison codes.
enum class CompareOp {
  Less = 0,
  LessEqual = 1,
  Equal = 2,
  NotEqual = 3,
  Greater = 4,
  GreaterEqual = 5
};

// Converts `other` into the receiver's unit (offsets as the conversion core
// applies them) and compares the receiver's value with the result as
// doubles. IncompatibleUnits names other's unit first.
Result<bool> compare(const Drovik& receiver, const Drovik& other, CompareOp op);

}  // namespace drovik

#endif  // DROVIK_QUANTITY_QUANTITY_COMPARISON_H_
