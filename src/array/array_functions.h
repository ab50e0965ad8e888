// numpy's element-wise functions on arrays of values in a unit, each with
// its rule for the unit: the result's unit, and what the operands' units
// must be. Where an operation exists for quantities (negation, powers), the
// arrays' own operations are used instead.
#ifndef DROVIK_ARRAY_ARRAY_FUNCTIONS_H_
#define DROVIK_ARRAY_ARRAY_FUNCTIONS_H_

#include "array/array_comparison.h"
#include "array/array_view.h"
#include "error/drovik_error.h"

namespace drovik {

enum class UnaryFunction {
  // The unit raised: sqrt (1/2), cbrt (1/3), square (2), reciprocal (-1).
  kSqrt, kCbrt, kSquare, kReciprocal,
  // The same unit.
  kFabs, kRint, kFloor, kCeil, kTrunc,
  // Dimensionless in (each value converted to a pure number, radians for
  // angles), a pure number out.
  kExp, kExp2, kExpm1, kLog, kLog2, kLog10, kLog1p, kSin, kCos, kTan, kSinh, kCosh, kTanh,
  // Dimensionless in, radians out.
  kArcsin, kArccos, kArctan,
  // Any unit in, a pure number out: -1, 0 or 1 (NaN for NaN), as numpy's sign.
  kSign,
};

// `function` of every value; IncompatibleUnits (the array's unit text first)
// when the function needs a pure number and the unit has a dimension.
Result<ValueArray> apply(UnaryFunction function, const ArrayView& array);

enum class BinaryFunction {
  // b rescaled into a's unit (IncompatibleUnits across dimensions), the
  // result in a's unit.
  kMaximum, kMinimum, kFmax, kFmin, kHypot, kCopysign, kRemainder, kFmod,
  // The same, the result in radians.
  kArctan2,
};

// `function` of a and b broadcast together as numpy broadcasts them.
Result<ValueArray> apply(BinaryFunction function, const ArrayView& a, const ArrayView& b);

// Truths of every value, in its own unit.
enum class Predicate { kIsnan, kIsinf, kIsfinite, kSignbit };
BooleanArray test(Predicate predicate, const ArrayView& array);

// The running sums along `axis` (numpy's add.accumulate, one value after
// another), in the array's unit; AxisOutOfRange for an axis it lacks.
Result<ValueArray> cumulative_sum(const ArrayView& array, std::size_t axis);

}  // namespace drovik

#endif  // DROVIK_ARRAY_ARRAY_FUNCTIONS_H_
