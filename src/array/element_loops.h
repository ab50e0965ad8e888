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

#include "array/array_view.h"

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
// result's shape: a stride in values per result axis, 0 along the axes it
// is repeated on.
inline Steps steps_for(const ArrayView& operand, const ArrayShape& result) {
  Steps own = operand.steps(), steps{};
  std::size_t offset = result.ndim() - operand.shape.ndim();
  for (std::size_t k = 0; k < operand.shape.ndim(); ++k) {
    steps.along[offset + k] = operand.shape[k] == 1 ? 0 : own.along[k];
  }
  return steps;
}

// out[i] = combine(x[i * sx], y[i * sy]) for i < n: the cases of sx and sy
// 0 or 1 each in a loop of its own, so that the compiler vectorises every
// one; other strides (a slice's step, a transposed operand) in one more.
template <class Out, class Combine>
[[gnu::always_inline]] inline void combine_run_body(const double* x, std::ptrdiff_t sx,
                                                    const double* y, std::ptrdiff_t sy, Out* out,
                                                    std::size_t n, Combine combine) {
  if ((sx != 0 && sx != 1) || (sy != 0 && sy != 1)) {
    for (std::size_t i = 0; i < n; ++i) {
      auto at = static_cast<std::ptrdiff_t>(i);
      out[i] = combine(x[at * sx], y[at * sy]);
    }
  } else if (sx == 1 && sy == 1) {
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

template <class Out, class Combine>
DROVIK_VECTOR_WIDTHS void combine_run(const double* x, std::ptrdiff_t sx, const double* y,
                                      std::ptrdiff_t sy, Out* out, std::size_t n,
                                      Combine combine) {
  combine_run_body(x, sx, y, sy, out, n, combine);
}

// `rows` runs of `n` results, one after another in `out`; each row's
// operands start `x_row` and `y_row` values after the last's. One call for
// all of them, so a short row costs no call of its own.
template <class Out, class Combine>
DROVIK_VECTOR_WIDTHS void combine_rows(const double* x, std::ptrdiff_t x_row, std::ptrdiff_t sx,
                                       const double* y, std::ptrdiff_t y_row, std::ptrdiff_t sy,
                                       Out* out, std::size_t rows, std::size_t n,
                                       Combine combine) {
  for (std::size_t r = 0; r < rows; ++r) {
    auto row = static_cast<std::ptrdiff_t>(r);
    combine_run_body(x + row * x_row, sx, y + row * y_row, sy, out + r * n, n, combine);
  }
}

// One axis of an element-wise walk: its extent and how far one step along
// it moves each operand, in values (0 along an axis it is repeated on).
struct WalkAxis {
  std::size_t extent;
  std::ptrdiff_t step_a;
  std::ptrdiff_t step_b;
};

// The result's axes in C order, extent-1 axes left out, neighbours merged
// where both operands step across them as across one axis (the result is
// always C-ordered): a (300000, 3) pair walks as 900000 values.
inline std::size_t element_walk(const ArrayView& a, const ArrayView& b, const ArrayShape& shape,
                                WalkAxis* walk) {
  Steps sa = steps_for(a, shape), sb = steps_for(b, shape);
  WalkAxis reversed[kMaxDimensions];
  std::size_t count = 0;
  for (std::size_t k = shape.ndim(); k-- > 0;) {
    if (shape[k] == 1) continue;
    WalkAxis axis{shape[k], sa.along[k], sb.along[k]};
    WalkAxis* inner = count > 0 ? &reversed[count - 1] : nullptr;
    auto inner_extent = inner != nullptr ? static_cast<std::ptrdiff_t>(inner->extent) : 0;
    if (inner != nullptr && axis.step_a == inner->step_a * inner_extent &&
        axis.step_b == inner->step_b * inner_extent) {
      inner->extent *= axis.extent;
    } else {
      reversed[count++] = axis;
    }
  }
  for (std::size_t k = 0; k < count; ++k) walk[k] = reversed[count - 1 - k];
  return count;
}

// A short row that one operand repeats down the rows, copied side by side
// often enough that blocks of rows combine as one long run.
inline constexpr std::size_t kShortRow = 64, kTiledValues = 512;

// `rows` rows of `inner` values: x's rows follow one another (x_row ==
// inner), y repeats one row (y_row == 0), or the other way round.
template <class Out, class Combine>
void combine_tiled(const double* x, std::ptrdiff_t x_row, const double* y, Out* out,
                   std::size_t rows, std::size_t inner, Combine combine) {
  bool x_repeats = x_row == 0;
  const double* row = x_repeats ? x : y;
  double tile[kTiledValues + kShortRow];
  std::size_t tiled_rows = (kTiledValues + inner - 1) / inner;
  for (std::size_t r = 0; r < tiled_rows; ++r) {
    for (std::size_t i = 0; i < inner; ++i) tile[r * inner + i] = row[i];
  }
  for (std::size_t r = 0; r < rows; r += tiled_rows) {
    std::size_t n = (rows - r < tiled_rows ? rows - r : tiled_rows) * inner;
    const double* full = (x_repeats ? y : x) + r * inner;
    combine_run(x_repeats ? tile : full, 1, x_repeats ? full : tile, 1, out + r * inner, n,
                combine);
  }
}

// The elements of `combine` applied to a and b broadcast together, in a
// result of shape `shape` (which broadcast() gave for them): the two
// innermost merged axes in one call, the others counted like an odometer.
template <class Out, class Combine>
std::vector<Out, UninitialisedAllocator<Out>> combined(const ArrayView& a, const ArrayView& b,
                                                       const ArrayShape& shape, Combine combine) {
  std::vector<Out, UninitialisedAllocator<Out>> out(shape.size());
  if (out.empty()) return out;
  WalkAxis walk[kMaxDimensions];
  std::size_t n = element_walk(a, b, shape, walk);
  const double *x = a.data, *y = b.data;
  if (n == 0) {
    out[0] = combine(x[0], y[0]);
    return out;
  }
  const WalkAxis inner = walk[n - 1];
  const WalkAxis rows = n >= 2 ? walk[n - 2] : WalkAxis{1, 0, 0};
  auto inner_extent = static_cast<std::ptrdiff_t>(inner.extent);
  bool tiled = inner.extent < kShortRow && inner.step_a == 1 && inner.step_b == 1 &&
               ((rows.step_a == inner_extent && rows.step_b == 0) ||
                (rows.step_a == 0 && rows.step_b == inner_extent));
  std::size_t outer = n >= 2 ? n - 2 : 0, index[kMaxDimensions] = {};
  std::ptrdiff_t at_a = 0, at_b = 0;
  std::size_t block = rows.extent * inner.extent;
  for (std::size_t done = 0; done < out.size(); done += block) {
    if (tiled) {
      combine_tiled(x + at_a, rows.step_a, y + at_b, out.data() + done, rows.extent,
                    inner.extent, combine);
    } else {
      combine_rows(x + at_a, rows.step_a, inner.step_a, y + at_b, rows.step_b, inner.step_b,
                   out.data() + done, rows.extent, inner.extent, combine);
    }
    for (std::size_t axis = outer; axis-- > 0;) {
      at_a += walk[axis].step_a;
      at_b += walk[axis].step_b;
      if (++index[axis] < walk[axis].extent) break;
      auto extent = static_cast<std::ptrdiff_t>(walk[axis].extent);
      at_a -= walk[axis].step_a * extent;
      at_b -= walk[axis].step_b * extent;
      index[axis] = 0;
    }
  }
  return out;
}

// `map` of every value of `view`, in C order: one vectorised run when the
// values lie in C order already, the element walk otherwise.
template <class Out, class Map>
std::vector<Out, UninitialisedAllocator<Out>> mapped(const ArrayView& view, Map map) {
  if (view.is_c_contiguous()) {
    std::vector<Out, UninitialisedAllocator<Out>> out(view.shape.size());
    map_run(view.data, out.data(), out.size(), map);
    return out;
  }
  return combined<Out>(view, view, view.shape, [=](double x, double) { return map(x); });
}

}  // namespace drovik::detail

#endif  // DROVIK_ARRAY_ELEMENT_LOOPS_H_
