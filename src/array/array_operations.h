// Conversion, arithmetic and sums over arrays of values in one unit. Every
// element of a result is, bit for bit, what the same operation on single
// quantities gives for it, and the result's unit is the one that operation
// gives. Operands are read where they lie (views too); the loops over
// contiguous doubles are written so that the compiler vectorises them.
#ifndef DROVIK_ARRAY_ARRAY_OPERATIONS_H_
#define DROVIK_ARRAY_ARRAY_OPERATIONS_H_

#include <cstdint>
#include <optional>
#include <span>

#include "array/array_view.h"
#include "error/drovik_error.h"

namespace drovik {

// Every value converted into `target`, offsets applied as as_unit applies
// them; IncompatibleUnits (the array's unit text first) when the dimensions
// differ.
Result<ValueArray> as_unit(const ArrayView& array, UnitRef target);
// Into the eight base units, as as_base_units of a quantity converts.
ValueArray as_base_units(const ArrayView& array);

// Element-wise, broadcasting the two shapes as numpy does (ShapeMismatch
// otherwise). Sums and differences are in a's unit, b's values rescaled into
// it (IncompatibleUnits when the dimensions differ); reflected_subtract is
// b - a, still in a's unit, as a plain number on the left of a quantity
// gives. Products and quotients take the product or quotient of the units.
Result<ValueArray> add(const ArrayView& a, const ArrayView& b);
Result<ValueArray> subtract(const ArrayView& a, const ArrayView& b);
Result<ValueArray> reflected_subtract(const ArrayView& a, const ArrayView& b);
Result<ValueArray> multiply(const ArrayView& a, const ArrayView& b);
Result<ValueArray> divide(const ArrayView& a, const ArrayView& b);
// b / a, in b's unit divided by a's.
Result<ValueArray> reflected_divide(const ArrayView& a, const ArrayView& b);

// -v, and |v|, of every value, in the array's unit, as a quantity's unary
// operators give them.
ValueArray negate(const ArrayView& array);
ValueArray absolute(const ArrayView& array);

// Every value raised to `exponent`, in the array's unit to that power, as a
// quantity raised to a plain number gives it.
ValueArray power(const ArrayView& base, double exponent);

// round(q, ndigits) and q.round_sfig(n) of every value, in the array's unit.
ValueArray round_digits(const ArrayView& array, std::optional<std::int32_t> ndigits);
ValueArray round_sfig(const ArrayView& array, std::int32_t n_sig_figs);

// Reductions in the array's unit along a set of axes: each reduced axis
// leaves the result, or stays with extent 1 when `keep_dimensions` (numpy's
// keepdims); no axis reduced gives the values as they are, after the same
// arithmetic. The figures are numpy's, bit for bit, in numpy's order of
// operations: each result starts at 0.0 (so a sum of -0.0 is 0.0) and adds,
// row after row in C order, the pairwise sum of each run along the last
// axis when that axis is reduced, or each value when it is kept; axes next
// to each other that are both reduced, or both kept, act as one. Means are
// those sums divided by the count; the minimum and maximum of values holding
// a NaN are its first NaN, and of no values EmptyReduction.
enum class Reduction { kSum, kMean, kMin, kMax };
struct ReducedAxes {
  bool along[kMaxDimensions] = {};

  static ReducedAxes all(std::size_t ndim) {
    ReducedAxes axes;
    for (std::size_t k = 0; k < ndim; ++k) axes.along[k] = true;
    return axes;
  }
};
Result<ValueArray> reduce(const ArrayView& array, Reduction reduction, const ReducedAxes& axes,
                          bool keep_dimensions = false);
// numpy's var (and std, its square root): the mean along `axes` (sum over
// count), each value's difference from it squared, their sum over the count
// less `ddof` (at least 0); in the unit squared (the unit for std).
Result<ValueArray> variance(const ArrayView& array, const ReducedAxes& axes, double ddof,
                            bool keep_dimensions, bool root);

// Over every value (no axis: a result of shape ()) or along one axis;
// AxisOutOfRange for an axis the array does not have.
Result<ValueArray> reduce(const ArrayView& array, Reduction reduction,
                          std::optional<std::size_t> axis);

// The sum of `values` by pairwise summation, as numpy sums: blocks of up to
// 128 values summed in eight interleaved partial sums, larger runs split in
// halves, so the rounding error grows with log n. A NaN gives NaN.
double pairwise_sum(const double* values, std::size_t n, std::ptrdiff_t step = 1);

}  // namespace drovik

#endif  // DROVIK_ARRAY_ARRAY_OPERATIONS_H_
