// The loops behind every element-wise operation: over one array's values,
// and over two arrays broadcast to a result's shape as numpy broadcasts
// them. The innermost loops are compiled once per vector width the
// processor may offer (AVX-512, AVX2, the baseline), the widest one it has
// picked when the library loads; every width computes the same bits, since
// floating-point contraction is off and each operation rounds as the
// scalar code does.
#ifndef DROVIK_ARRAY_ELEMENT_LOOPS_H_
#define DROVIK_ARRAY_ELEMENT_LOOPS_H_

#include <cstddef>
#include <vector>

#include "array/value_array.h"

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define DROVIK_VECTOR_WIDTHS [[gnu::target_clones("avx512f", "avx2", "default")]]
#else
#define DROVIK_VECTOR_WIDTHS
#endif

namespace drovik::detail {

// out[i] = map(v[i]) for i < n.
template <class Out, class Map>
DROVIK_VECTOR_WIDTHS void map_run(const double* v, Out* out, std::size_t n, Map map) {
  for (std::size_t i = 0; i < n; ++i) out[i] = map(v[i]);
}

// Where each element of an operand lies, for an operand broadcast to a
// result's shape: a stride in elements per result axis, 0 along the axes it
// is repeated on.
struct Strides {
  std::size_t along[kMaxDimensions];
};

inline Strides strides_for(const ArrayShape& operand, const ArrayShape& result) {
  Strides strides{};
  std::size_t step = 1;
  for (std::size_t k = 0; k < operand.ndim(); ++k) {
    std::size_t axis_in_operand = operand.ndim() - 1 - k;
    std::size_t axis_in_result = result.ndim() - 1 - k;
    strides.along[axis_in_result] = operand[axis_in_operand] == 1 ? 0 : step;
    step *= operand[axis_in_operand];
  }
  return strides;
}

// out[i] = combine(x[i * sx], y[i * sy]) for i < n, with sx and sy 0 or 1:
// each case its own loop, so that the compiler vectorises every one.
template <class Out, class Combine>
DROVIK_VECTOR_WIDTHS void combine_run(const double* x, std::size_t sx, const double* y, std::size_t sy, Out* out,
                 std::size_t n, Combine combine) {
  if (sx == 1 && sy == 1) {
    for (std::size_t i = 0; i < n; ++i) out[i] = combine(x[i], y[i]);
  } else if (sx == 1) {
    const double b = *y;
    for (std::size_t i = 0; i < n; ++i) out[i] = combine(x[i], b);
  } else if (sy == 1) {
    const double a = *x;
    for (std::size_t i = 0; i < n; ++i) out[i] = combine(a, y[i]);
  } else {
    const Out value = combine(*x, *y);
    for (std::size_t i = 0; i < n; ++i) out[i] = value;
  }
}

// The elements of `combine` applied to a and b broadcast together, in a
// result of shape `shape` (which broadcast() gave for them): runs along the
// last axis, the other axes counted like an odometer.
template <class Out, class Combine>
std::vector<Out, UninitialisedAllocator<Out>> combined(const ValueArray& a, const ValueArray& b,
                                                       const ArrayShape& shape, Combine combine) {
  std::vector<Out, UninitialisedAllocator<Out>> out(shape.size());
  if (out.empty()) return out;
  if (shape.ndim() == 0) {
    out[0] = combine(a.values[0], b.values[0]);
    return out;
  }
  Strides sa = strides_for(a.shape, shape), sb = strides_for(b.shape, shape);
  std::size_t last = shape.ndim() - 1, run = shape[last];
  std::size_t index[kMaxDimensions] = {};
  std::size_t at_a = 0, at_b = 0;
  for (std::size_t done = 0; done < out.size(); done += run) {
    combine_run(a.values.data() + at_a, sa.along[last], b.values.data() + at_b, sb.along[last],
                out.data() + done, run, combine);
    // The next run: carry through the axes before the last.
    for (std::size_t axis = last; axis-- > 0;) {
      at_a += sa.along[axis];
      at_b += sb.along[axis];
      if (++index[axis] < shape[axis]) break;
      at_a -= sa.along[axis] * shape[axis];
      at_b -= sb.along[axis] * shape[axis];
      index[axis] = 0;
    }
  }
  return out;
}

}  // namespace drovik::detail

#endif  // DROVIK_ARRAY_ELEMENT_LOOPS_H_
