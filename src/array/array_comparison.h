// The six comparisons over arrays of values, element by element, each as a
// comparison of the two quantities at that place gives it.
#ifndef DROVIK_ARRAY_ARRAY_COMPARISON_H_
#define DROVIK_ARRAY_ARRAY_COMPARISON_H_

#include <vector>

#include "array/array_view.h"
#include "error/drovik_error.h"
#include "quantity/quantity_comparison.h"

namespace drovik {

// Truths, one byte each (0 or 1, numpy's booleans), in C order.
struct BooleanArray {
  ArrayShape shape;
  std::vector<unsigned char, UninitialisedAllocator<unsigned char>> values;
};

// receiver OP other, broadcast as numpy broadcasts (ShapeMismatch
// otherwise): other's values converted into the receiver's unit, offsets as
// a quantity's comparison applies them, then compared as doubles.
// IncompatibleUnits, other's unit text first, when the dimensions differ,
// for == and != too.
Result<BooleanArray> compare(const ArrayView& receiver, const ArrayView& other, CompareOp op);

// The operation that asks the same question with the operands swapped:
// a < b is b > a.
CompareOp swapped(CompareOp op);

}  // namespace drovik

#endif  // DROVIK_ARRAY_ARRAY_COMPARISON_H_
