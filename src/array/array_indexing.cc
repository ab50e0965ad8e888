#include "array/array_indexing.h"

#include <algorithm>
#include <string>
#include <vector>

namespace drovik {
namespace {

// One source axis as the index walks it: `count` values from `start`,
// `step` apart (one value under an integer, whose axis the result drops).
struct AxisWalk {
  std::ptrdiff_t start;
  std::ptrdiff_t step;
  std::size_t count;
  bool dropped = false;  // an integer's axis, which the result has not
};

AxisWalk whole_axis(std::size_t extent) {
  return {0, 1, extent};
}

// A slice clipped to an axis of `extent` values, as slice.indices() clips.
AxisWalk clipped(const IndexPiece& slice, std::ptrdiff_t extent) {
  std::ptrdiff_t step = slice.step, start = slice.start, stop = slice.stop;
  auto clip = [&](std::ptrdiff_t at) {
    if (at < 0) {
      at += extent;
      if (at < 0) at = step < 0 ? -1 : 0;
    } else if (at >= extent) {
      at = step < 0 ? extent - 1 : extent;
    }
    return at;
  };
  start = clip(start);
  stop = clip(stop);
  std::size_t count = 0;
  if (step < 0 && stop < start) {
    count = static_cast<std::size_t>((start - stop - 1) / -step + 1);
  } else if (step > 0 && start < stop) {
    count = static_cast<std::size_t>((stop - start - 1) / step + 1);
  }
  return {start, step, count};
}

Result<AxisWalk> at_integer(std::ptrdiff_t index, std::size_t axis, std::size_t extent) {
  auto signed_extent = static_cast<std::ptrdiff_t>(extent);
  std::ptrdiff_t at = index < 0 ? index + signed_extent : index;
  if (at < 0 || at >= signed_extent) {
    return fail(DrovikError::bad_index("index " + std::to_string(index) +
                                       " is out of bounds for axis " + std::to_string(axis) +
                                       " with size " + std::to_string(extent)));
  }
  return AxisWalk{at, 1, 1, true};
}

// The layout of the values the walks select, a step along each result axis
// (numpy's basic indexing, which copies nothing); `added` marks the result
// axes that new axes made.
ViewLayout selected(const ArrayView& view, const std::vector<AxisWalk>& walks,
                    const std::vector<bool>& added, const ArrayShape& shape) {
  ViewLayout own = layout_of(view), result{0, shape, {}};
  // An empty selection reads nothing: its first value stays at the start,
  // where a clipped slice's start past the end would not be.
  for (std::size_t axis = 0; shape.size() > 0 && axis < walks.size(); ++axis) {
    result.offset += walks[axis].start * own.strides[axis];
  }
  std::size_t axis = 0;  // the source axis of the next kept result axis
  for (bool is_new : added) {
    if (is_new) {
      result.strides.emplace_back(0);
      continue;
    }
    while (walks[axis].dropped) ++axis;
    // A step matters only between two values; a lone value's step may be
    // as large as 2**62, whose product with the stride would overflow.
    const AxisWalk& walk = walks[axis++];
    result.strides.emplace_back(walk.count > 1 ? walk.step * own.strides[axis - 1] : 0);
  }
  return result;
}

}  // namespace

Result<ValueArray> take(const ArrayView& array, std::size_t axis,
                        std::span<const std::ptrdiff_t> indices, const ArrayShape& index_shape) {
  const ArrayShape& shape = array.shape;
  std::size_t extent = shape[axis], outer = 1, inner = 1;
  for (std::size_t k = 0; k < axis; ++k) outer *= shape[k];
  for (std::size_t k = axis + 1; k < shape.ndim(); ++k) inner *= shape[k];
  std::vector<std::size_t> at(indices.size());
  for (std::size_t i = 0; i < indices.size(); ++i) {
    Result<AxisWalk> walk = at_integer(indices[i], axis, extent);
    if (!walk) return fail(std::move(walk).error());
    at[i] = static_cast<std::size_t>(walk->start);
  }
  std::vector<std::size_t> extents;
  for (std::size_t k = 0; k < axis; ++k) extents.push_back(shape[k]);
  for (std::size_t k = 0; k < index_shape.ndim(); ++k) extents.push_back(index_shape[k]);
  for (std::size_t k = axis + 1; k < shape.ndim(); ++k) extents.push_back(shape[k]);
  Result<ArrayShape> result_shape = ArrayShape::of(extents);
  if (!result_shape) return fail(std::move(result_shape).error());
  Values out(result_shape->size());
  double* to = out.data();
  CompactValues compact(array);
  for (std::size_t o = 0; o < outer && !out.empty(); ++o) {
    const double* block = compact.data() + o * extent * inner;
    for (std::size_t i : at) {
      std::copy(block + i * inner, block + (i + 1) * inner, to);
      to += inner;
    }
  }
  return ValueArray{std::move(*result_shape), std::move(out), array.unit};
}

Result<ValueArray> masked(const ArrayView& array, std::span<const unsigned char> mask,
                          const ArrayShape& mask_shape) {
  const ArrayShape& shape = array.shape;
  bool fits = mask_shape.ndim() <= shape.ndim();
  for (std::size_t k = 0; fits && k < mask_shape.ndim(); ++k) fits = mask_shape[k] == shape[k];
  if (!fits) {
    std::size_t k = 0;
    while (k < mask_shape.ndim() && k < shape.ndim() && mask_shape[k] == shape[k]) ++k;
    return fail(DrovikError::bad_index(
        k >= shape.ndim()
            ? "too many indices for array: array is " + std::to_string(shape.ndim()) +
                  "-dimensional, but " + std::to_string(mask_shape.ndim()) + " were indexed"
            : "boolean index did not match indexed array along axis " + std::to_string(k) +
                  "; size of axis is " + std::to_string(shape[k]) +
                  " but size of corresponding boolean axis is " +
                  std::to_string(mask_shape[k])));
  }
  std::size_t inner = 1, chosen = 0;
  for (std::size_t k = mask_shape.ndim(); k < shape.ndim(); ++k) inner *= shape[k];
  for (unsigned char truth : mask) chosen += truth != 0;
  std::vector<std::size_t> extents{chosen};
  for (std::size_t k = mask_shape.ndim(); k < shape.ndim(); ++k) extents.push_back(shape[k]);
  Result<ArrayShape> result_shape = ArrayShape::of(extents);
  if (!result_shape) return fail(std::move(result_shape).error());
  Values out(result_shape->size());
  double* to = out.data();
  CompactValues compact(array);
  for (std::size_t i = 0; i < mask.size(); ++i) {
    if (mask[i] == 0) continue;
    const double* from = compact.data() + i * inner;
    std::copy(from, from + inner, to);
    to += inner;
  }
  return ValueArray{std::move(*result_shape), std::move(out), array.unit};
}

Result<ViewLayout> select(const ArrayView& array, std::span<const IndexPiece> index) {
  using Kind = IndexPiece::Kind;
  std::size_t ndim = array.shape.ndim(), consuming = 0, ellipses = 0, integers = 0;
  for (const IndexPiece& piece : index) {
    consuming += piece.kind == Kind::kInteger || piece.kind == Kind::kSlice;
    ellipses += piece.kind == Kind::kEllipsis;
    integers += piece.kind == Kind::kInteger;
  }
  if (ellipses > 1) {
    return fail(DrovikError::bad_index("an index can only have a single ellipsis ('...')"));
  }
  if (consuming > ndim) {
    return fail(DrovikError::bad_index(
        "too many indices for array: array is " + std::to_string(ndim) +
        "-dimensional, but " + std::to_string(consuming) + " were indexed"));
  }
  // Each new axis adds one; checked before any is made.
  std::size_t result_ndim = ndim - integers + (index.size() - consuming - ellipses);
  if (result_ndim > kMaxDimensions) {
    return fail(DrovikError::bad_index(
        "number of dimensions must be within [0, " + std::to_string(kMaxDimensions) +
        "], indexing result would have " + std::to_string(result_ndim)));
  }
  std::vector<AxisWalk> walks;
  std::vector<std::size_t> extents;
  std::vector<bool> added;
  auto keep_whole = [&](std::size_t axis_count) {
    for (std::size_t k = 0; k < axis_count; ++k) {
      walks.push_back(whole_axis(array.shape[walks.size()]));
      extents.push_back(walks.back().count);
      added.push_back(false);
    }
  };
  for (const IndexPiece& piece : index) {
    std::size_t axis = walks.size();
    switch (piece.kind) {
      case Kind::kNewAxis:
        extents.push_back(1);
        added.push_back(true);
        break;
      case Kind::kEllipsis: keep_whole(ndim - consuming); break;
      case Kind::kSlice:
        walks.push_back(clipped(piece, static_cast<std::ptrdiff_t>(array.shape[axis])));
        extents.push_back(walks.back().count);
        added.push_back(false);
        break;
      case Kind::kInteger: {
        Result<AxisWalk> walk = at_integer(piece.start, axis, array.shape[axis]);
        if (!walk) return fail(std::move(walk).error());
        walks.push_back(*walk);
        break;
      }
    }
  }
  keep_whole(ndim - walks.size());
  Result<ArrayShape> shape = ArrayShape::of(extents);
  if (!shape) return fail(std::move(shape).error());
  return selected(array, walks, added, *shape);
}

}  // namespace drovik
