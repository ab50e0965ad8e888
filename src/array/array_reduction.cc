// Sums, means, minima and maxima along any set of axes, in numpy's order of
// operations, so that every figure is numpy's.
#include <cmath>
#include <cstdlib>
#include <span>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "array/array_operations.h"
#include "array/array_view.h"
#include "array/element_loops.h"
#include "unit/unit_memo.h"

namespace drovik {
namespace {

// One axis of the walk: its extent, and the steps, in values, that one
// index along it moves in the array and in the result (0 when reduced).
struct WalkAxis {
  std::size_t extent;
  std::ptrdiff_t in_step;
  std::ptrdiff_t out_step;
};

// The axes of `view` in numpy's order of iteration for a reduction, the
// innermost last, so that every sum adds its values in numpy's order:
// extent-1 axes left out; axes sorted by the size of their step in the
// array, the smallest innermost, by numpy's stable insertion sort (a step of
// 0, a broadcast axis, says nothing and stays where it is), an axis read
// backwards (a reversed slice) still read backwards, as numpy reads it; then
// neighbours that move both the array and the result as one axis would
// merged.
std::size_t walk_axes(const ArrayView& view, const ReducedAxes& axes, WalkAxis* walk) {
  const ArrayShape& shape = view.shape;
  Steps in_steps = view.steps();
  WalkAxis order[kMaxDimensions];  // innermost first
  std::size_t count = 0;
  std::ptrdiff_t out_step = 1;
  for (std::size_t k = shape.ndim(); k-- > 0;) {
    WalkAxis axis{shape[k], in_steps.along[k], axes.along[k] ? 0 : out_step};
    if (!axes.along[k]) out_step *= static_cast<std::ptrdiff_t>(shape[k]);
    if (shape[k] != 1) order[count++] = axis;
  }
  for (std::size_t i = 1; i < count; ++i) {
    WalkAxis moving = order[i];
    std::size_t at = i;
    for (std::size_t j = i; j-- > 0;) {
      if (moving.in_step == 0 || order[j].in_step == 0) continue;
      if (std::abs(order[j].in_step) <= std::abs(moving.in_step)) break;
      at = j;
    }
    for (std::size_t j = i; j > at; --j) order[j] = order[j - 1];
    order[at] = moving;
  }
  std::size_t merged = 0;
  for (std::size_t i = 0; i < count; ++i) {
    WalkAxis* inner = merged > 0 ? &order[merged - 1] : nullptr;
    auto inner_extent = inner != nullptr ? static_cast<std::ptrdiff_t>(inner->extent) : 0;
    if (inner != nullptr && order[i].in_step == inner->in_step * inner_extent &&
        order[i].out_step == inner->out_step * inner_extent) {
      inner->extent *= order[i].extent;
    } else {
      order[merged++] = order[i];
    }
  }
  for (std::size_t k = 0; k < merged; ++k) walk[k] = order[merged - 1 - k];
  return merged;
}

// The extreme of `held` and `v`: v when it is beyond held or NaN, unless
// held is NaN already. One select, so that loops of it vectorise.
template <bool kLargest>
[[gnu::always_inline]] inline double pick(double held, double v) {
  bool beyond = kLargest ? v > held : v < held;
  return ((beyond || v != v) && held == held) ? v : held;
}

// The first NaN of n values `step` apart, n at least 1, or the extreme of
// them all.
template <bool kLargest>
double extreme_scalar(const double* v, std::size_t n, std::ptrdiff_t step = 1) {
  double held = v[0];
  for (std::size_t i = 1; i < n; ++i) {
    held = pick<kLargest>(held, v[static_cast<std::ptrdiff_t>(i) * step]);
  }
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

  // A run of n values `step` apart, n at least 1.
  double run(const double* v, std::size_t n, std::ptrdiff_t step) const {
    switch (reduction) {
      case Reduction::kSum:
      case Reduction::kMean: return pairwise_sum(v, n, step);
      case Reduction::kMin:
        return step == 1 ? extreme_run<false>(v, n) : extreme_scalar<false>(v, n, step);
      case Reduction::kMax:
        return step == 1 ? extreme_run<true>(v, n) : extreme_scalar<true>(v, n, step);
    }
    return 0.0;
  }
};

// The two innermost axes of the walk: `rows` of them `row.in_step` apart
// in the array and `row.out_step` apart in the result, each a run along
// `inner`. Each reduction has a loop of its own, without branches, so that
// the compiler vectorises the runs whose values lie side by side.
template <class Pick>
[[gnu::always_inline]] inline void fold_kept_run(const double* from, std::ptrdiff_t in_step,
                                                 double* to, std::ptrdiff_t out_step,
                                                 std::size_t n, Pick pick_one) {
  if (in_step == 1 && out_step == 1) {
    for (std::size_t i = 0; i < n; ++i) to[i] = pick_one(to[i], from[i]);
  } else {
    for (std::size_t i = 0; i < n; ++i) {
      auto at = static_cast<std::ptrdiff_t>(i);
      to[at * out_step] = pick_one(to[at * out_step], from[at * in_step]);
    }
  }
}

DROVIK_VECTOR_WIDTHS void fold_kept_rows(const double* in, double* out, WalkAxis row,
                                         WalkAxis inner, Fold fold) {
  for (std::size_t r = 0; r < row.extent; ++r) {
    auto at = static_cast<std::ptrdiff_t>(r);
    const double* from = in + at * row.in_step;
    double* to = out + at * row.out_step;
    switch (fold.reduction) {
      case Reduction::kSum:
      case Reduction::kMean:
        fold_kept_run(from, inner.in_step, to, inner.out_step, inner.extent,
                      [](double held, double v) { return held + v; });
        break;
      case Reduction::kMin:
        fold_kept_run(from, inner.in_step, to, inner.out_step, inner.extent, pick<false>);
        break;
      case Reduction::kMax:
        fold_kept_run(from, inner.in_step, to, inner.out_step, inner.extent, pick<true>);
        break;
    }
  }
}

void fold_reduced_rows(const double* in, double* out, WalkAxis row, WalkAxis inner, Fold fold) {
  for (std::size_t r = 0; r < row.extent; ++r) {
    auto at = static_cast<std::ptrdiff_t>(r);
    double& held = out[at * row.out_step];
    held = fold(held, fold.run(in + at * row.in_step, inner.extent, inner.in_step));
  }
}

// Folds every value of `view` into the result positions at `out`, walking
// the axes in numpy's order: the two innermost in one kernel call, the rest
// counted like an odometer.
void fold_into(const ArrayView& view, const ReducedAxes& axes, Fold fold, double* out) {
  WalkAxis walk[kMaxDimensions];
  std::size_t n = walk_axes(view, axes, walk);
  const double* in = view.data;
  if (n == 0) {
    out[0] = fold(out[0], in[0]);
    return;
  }
  const WalkAxis inner = walk[n - 1];
  const WalkAxis rows = n >= 2 ? walk[n - 2] : WalkAxis{1, 0, 0};
  auto fold_rows = inner.out_step == 0 ? fold_reduced_rows : fold_kept_rows;
  std::size_t outer = n >= 2 ? n - 2 : 0, index[kMaxDimensions] = {};
  std::ptrdiff_t at_in = 0, at_out = 0;
  while (true) {
    fold_rows(in + at_in, out + at_out, rows, inner, fold);
    std::size_t axis = outer;
    while (axis-- > 0) {
      at_in += walk[axis].in_step;
      at_out += walk[axis].out_step;
      if (++index[axis] < walk[axis].extent) break;
      auto extent = static_cast<std::ptrdiff_t>(walk[axis].extent);
      at_in -= walk[axis].in_step * extent;
      at_out -= walk[axis].out_step * extent;
      index[axis] = 0;
    }
    if (axis == static_cast<std::size_t>(-1)) return;
  }
}

const char* reduction_name(Reduction reduction) {
  return reduction == Reduction::kMin ? "min" : "max";
}

}  // namespace

Result<ValueArray> variance(const ArrayView& array, const ReducedAxes& axes, double ddof,
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

Result<ValueArray> reduce(const ArrayView& array, Reduction reduction, const ReducedAxes& axes,
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
