// Sums, means, minima and maxima along any set of axes, in numpy's order of
// operations, so that every figure is numpy's.
#include <cmath>
#include <span>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "array/array_operations.h"
#include "array/element_loops.h"
#include "unit/unit_memo.h"

namespace drovik {
namespace {

// One axis of the walk: its extent, and the steps, in elements, that one
// index along it moves in the array and in the result (0 when reduced).
struct WalkAxis {
  std::size_t extent;
  std::size_t in_step;
  std::size_t out_step;
};

// The axes of `shape` in C order, extent-1 axes left out (they move
// nothing), and neighbours that move both arrays as one axis would merged:
// two reduced axes, or two kept ones. `out_steps` are the result's own
// C-order steps for the kept axes.
std::size_t walk_axes(const ArrayShape& shape, const ReducedAxes& axes, WalkAxis* walk) {
  std::size_t in_step = 1, out_step = 1, count = 0;
  WalkAxis reversed[kMaxDimensions];
  for (std::size_t k = shape.ndim(); k-- > 0;) {
    std::size_t extent = shape[k];
    if (extent == 1) continue;
    WalkAxis axis{extent, in_step, axes.along[k] ? 0 : out_step};
    in_step *= extent;
    if (!axes.along[k]) out_step *= extent;
    WalkAxis* inner = count > 0 ? &reversed[count - 1] : nullptr;
    if (inner != nullptr && axis.in_step == inner->in_step * inner->extent &&
        axis.out_step == inner->out_step * inner->extent) {
      inner->extent *= extent;
    } else {
      reversed[count++] = axis;
    }
  }
  for (std::size_t k = 0; k < count; ++k) walk[k] = reversed[count - 1 - k];
  return count;
}

// The extreme of `held` and `v`: v when it is beyond held or NaN, unless
// held is NaN already. One select, so that loops of it vectorise.
template <bool kLargest>
[[gnu::always_inline]] inline double pick(double held, double v) {
  bool beyond = kLargest ? v > held : v < held;
  return ((beyond || v != v) && held == held) ? v : held;
}

// The first NaN of n values, n at least 1, or the extreme of them all.
template <bool kLargest>
double extreme_scalar(const double* v, std::size_t n) {
  double held = v[0];
  for (std::size_t i = 1; i < n; ++i) held = pick<kLargest>(held, v[i]);
  return held;
}

#if defined(__SSE2__)
// The extreme of n values in sixteen lanes of pairs: maxpd and minpd keep
// the lane's value when the new one is NaN or equal (so the first of equal
// values stays, as v > held ? v : held keeps it), and NaNs are only noted;
// a run that holds one is read again for its first NaN. Which of -0.0 and
// 0.0 comes out when both are extremes is not promised (nor is it by numpy,
// whose loops are as wide as the processor's).
template <bool kLargest>
DROVIK_VECTOR_WIDTHS double extreme_run(const double* v, std::size_t n) {
  constexpr std::size_t kLanes = 8, kStep = 2 * kLanes;
  if (n < 2 * kStep) return extreme_scalar<kLargest>(v, n);
  __m128d lanes[kLanes], unordered[kLanes];
  for (std::size_t j = 0; j < kLanes; ++j) {
    lanes[j] = _mm_loadu_pd(v + 2 * j);
    unordered[j] = _mm_cmpunord_pd(lanes[j], lanes[j]);
  }
  std::size_t i = kStep;
  for (; i + kStep <= n; i += kStep) {
    for (std::size_t j = 0; j < kLanes; ++j) {
      __m128d next = _mm_loadu_pd(v + i + 2 * j);
      lanes[j] = kLargest ? _mm_max_pd(next, lanes[j]) : _mm_min_pd(next, lanes[j]);
      unordered[j] = _mm_or_pd(unordered[j], _mm_cmpunord_pd(next, next));
    }
  }
  __m128d any = unordered[0];
  for (std::size_t j = 1; j < kLanes; ++j) any = _mm_or_pd(any, unordered[j]);
  if (_mm_movemask_pd(any) != 0) return extreme_scalar<kLargest>(v, n);
  double held = v[0];
  for (const __m128d& lane : lanes) {
    double pair[2];
    _mm_storeu_pd(pair, lane);
    held = pick<kLargest>(pick<kLargest>(held, pair[0]), pair[1]);
  }
  for (; i < n; ++i) held = pick<kLargest>(held, v[i]);
  return held;
}
#else
template <bool kLargest>
double extreme_run(const double* v, std::size_t n) {
  return extreme_scalar<kLargest>(v, n);
}
#endif

// How each reduction folds one more value, or one more run's result, into
// what it holds.
struct Fold {
  Reduction reduction;

  double operator()(double held, double v) const {
    switch (reduction) {
      case Reduction::kSum:
      case Reduction::kMean: return held + v;
      case Reduction::kMin: return pick<false>(held, v);
      case Reduction::kMax: return pick<true>(held, v);
    }
    return held;
  }

  // A run of n side-by-side values, n at least 1.
  double run(const double* v, std::size_t n) const {
    switch (reduction) {
      case Reduction::kSum:
      case Reduction::kMean: return pairwise_sum(std::span<const double>(v, n));
      case Reduction::kMin: return extreme_run<false>(v, n);
      case Reduction::kMax: return extreme_run<true>(v, n);
    }
    return 0.0;
  }
};

// The two innermost axes of the walk, `rows` of them `in_row` apart in the
// array and `out_row` apart in the result, each row a run of `inner` values.
// Each reduction has a loop of its own, without branches, so that the
// compiler vectorises it.
DROVIK_VECTOR_WIDTHS void fold_kept_rows(const double* in, std::size_t rows, std::size_t in_row,
                                         double* out, std::size_t out_row, std::size_t inner,
                                         Fold fold) {
  for (std::size_t r = 0; r < rows; ++r) {
    const double* from = in + r * in_row;
    double* to = out + r * out_row;
    switch (fold.reduction) {
      case Reduction::kSum:
      case Reduction::kMean:
        for (std::size_t i = 0; i < inner; ++i) to[i] = to[i] + from[i];
        break;
      case Reduction::kMin:
        for (std::size_t i = 0; i < inner; ++i) to[i] = pick<false>(to[i], from[i]);
        break;
      case Reduction::kMax:
        for (std::size_t i = 0; i < inner; ++i) to[i] = pick<true>(to[i], from[i]);
        break;
    }
  }
}

void fold_reduced_rows(const double* in, std::size_t rows, std::size_t in_row, double* out,
                       std::size_t out_row, std::size_t inner, Fold fold) {
  for (std::size_t r = 0; r < rows; ++r) {
    double& held = out[r * out_row];
    held = fold(held, fold.run(in + r * in_row, inner));
  }
}

// Folds every value of `array` into the result positions at `out`, walking
// the merged axes in C order: the two innermost in one kernel call, the rest
// counted like an odometer.
void fold_into(const ValueArray& array, const ReducedAxes& axes, Fold fold, double* out) {
  WalkAxis walk[kMaxDimensions];
  std::size_t n = walk_axes(array.shape, axes, walk);
  const double* in = array.values.data();
  if (n == 0) {
    out[0] = fold(out[0], in[0]);
    return;
  }
  // The innermost axis steps by one value in the array, and by one or none
  // in the result; rows of it are walked by the axis before, if any.
  const WalkAxis inner = walk[n - 1];
  const WalkAxis rows = n >= 2 ? walk[n - 2] : WalkAxis{1, 0, 0};
  auto fold_rows = inner.out_step == 0 ? fold_reduced_rows : fold_kept_rows;
  std::size_t outer = n >= 2 ? n - 2 : 0, index[kMaxDimensions] = {};
  std::size_t at_in = 0, at_out = 0;
  while (true) {
    fold_rows(in + at_in, rows.extent, rows.in_step, out + at_out, rows.out_step, inner.extent,
              fold);
    std::size_t axis = outer;
    while (axis-- > 0) {
      at_in += walk[axis].in_step;
      at_out += walk[axis].out_step;
      if (++index[axis] < walk[axis].extent) break;
      at_in -= walk[axis].in_step * walk[axis].extent;
      at_out -= walk[axis].out_step * walk[axis].extent;
      index[axis] = 0;
    }
    if (axis == static_cast<std::size_t>(-1)) return;
  }
}

const char* reduction_name(Reduction reduction) {
  return reduction == Reduction::kMin ? "min" : "max";
}

}  // namespace

Result<ValueArray> variance(const ValueArray& array, const ReducedAxes& axes, double ddof,
                            bool keep_dimensions, bool root) {
  Result<ValueArray> mean = reduce(array, Reduction::kMean, axes, true);
  if (!mean) return mean;
  std::size_t count = 1;
  for (std::size_t k = 0; k < array.shape.ndim(); ++k) count *= axes.along[k] ? array.shape[k] : 1;
  // numpy squares the differences, then sums them as any sum.
  ValueArray squares{array.shape, detail::combined<double>(array, *mean, array.shape,
                                                           [](double v, double m) {
                                                             double d = v - m;
                                                             return d * d;
                                                           }),
                     power_of_units(array.unit, 2.0)};
  Result<ValueArray> sum = reduce(squares, Reduction::kSum, axes, keep_dimensions);
  if (!sum) return sum;
  double divisor = std::fmax(static_cast<double>(count) - ddof, 0.0);
  for (double& v : sum->values) v = root ? std::sqrt(v / divisor) : v / divisor;
  if (root) sum->unit = array.unit;
  return sum;
}

Result<ValueArray> reduce(const ValueArray& array, Reduction reduction, const ReducedAxes& axes,
                          bool keep_dimensions) {
  const ArrayShape& shape = array.shape;
  std::size_t kept_extents[kMaxDimensions], kept = 0, count = 1;
  for (std::size_t k = 0; k < shape.ndim(); ++k) {
    if (axes.along[k]) count *= shape[k];
    if (!axes.along[k] || keep_dimensions) kept_extents[kept++] = axes.along[k] ? 1 : shape[k];
  }
  Result<ArrayShape> result_shape =
      ArrayShape::of(std::span<const std::size_t>(kept_extents, kept));
  if (!result_shape) return fail(std::move(result_shape).error());
  Values out(result_shape->size());
  bool ordered = reduction == Reduction::kMin || reduction == Reduction::kMax;
  if (count == 0 && ordered && !out.empty()) {
    return fail(DrovikError::empty_reduction(reduction_name(reduction)));
  }
  // Starting from an infinity picks the same value, -0.0 or 0.0 and NaN
  // alike, as starting from the first value would.
  double start = reduction == Reduction::kMin   ? HUGE_VAL
                 : reduction == Reduction::kMax ? -HUGE_VAL
                                                : 0.0;
  for (double& held : out) held = start;
  if (count > 0 && !out.empty()) fold_into(array, axes, Fold{reduction}, out.data());
  if (reduction == Reduction::kMean) {
    auto n = static_cast<double>(count);
    for (double& held : out) held = held / n;
  }
  return ValueArray{std::move(*result_shape), std::move(out), array.unit};
}

}  // namespace drovik
