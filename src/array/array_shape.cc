#include "array/array_shape.h"

#include <algorithm>
#include <limits>

namespace drovik {

Result<ArrayShape> ArrayShape::of(std::span<const std::size_t> extents) {
  if (extents.size() > kMaxDimensions) {
    return fail(DrovikError::array_too_large("of " + std::to_string(extents.size()) +
                                             " dimensions"));
  }
  ArrayShape shape;
  for (std::size_t extent : extents) shape.extents_.emplace_back(extent);
  // As numpy does, the bytes of the non-zero extents' product must fit a
  // ptrdiff_t, even when another extent is 0: every offset and stride within
  // the array, in bytes, then fits too.
  constexpr auto kMostElements =
      static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max()) / sizeof(double);
  std::size_t product = 1;
  bool empty = false;
  for (std::size_t extent : extents) {
    if (extent == 0) {
      empty = true;
      continue;
    }
    if (product > kMostElements / extent) {
      return fail(DrovikError::array_too_large(shape_text(shape)));
    }
    product *= extent;
  }
  shape.size_ = empty ? 0 : product;
  return shape;
}

bool operator==(const ArrayShape& a, const ArrayShape& b) {
  if (a.ndim() != b.ndim()) return false;
  for (std::size_t axis = 0; axis < a.ndim(); ++axis) {
    if (a[axis] != b[axis]) return false;
  }
  return true;
}

namespace {

// Python's text of a tuple of n numbers, at(k) the k-th.
template <class At>
std::string tuple_text(std::size_t n, At at) {
  std::string text = "(";
  for (std::size_t k = 0; k < n; ++k) {
    if (k > 0) text += ", ";
    text += std::to_string(at(k));
  }
  if (n == 1) text += ",";
  return text + ")";
}

}  // namespace

std::string shape_text(const ArrayShape& shape) {
  return tuple_text(shape.ndim(), [&](std::size_t k) { return shape[k]; });
}

std::string extents_text(std::span<const std::ptrdiff_t> extents) {
  return tuple_text(extents.size(), [&](std::size_t k) { return extents[k]; });
}

Result<ArrayShape> broadcast(const ArrayShape& a, const ArrayShape& b) {
  std::size_t ndim = std::max(a.ndim(), b.ndim());  // at most kMaxDimensions
  std::size_t extents[kMaxDimensions];
  for (std::size_t axis = 0; axis < ndim; ++axis) {
    // Counted from the last axis, which both shapes share.
    std::size_t from_end = ndim - axis;
    std::size_t x = from_end <= a.ndim() ? a[a.ndim() - from_end] : 1;
    std::size_t y = from_end <= b.ndim() ? b[b.ndim() - from_end] : 1;
    if (x != y && x != 1 && y != 1) {
      return fail(DrovikError::shape_mismatch(shape_text(a), shape_text(b)));
    }
    extents[axis] = x == 1 ? y : x;
  }
  return ArrayShape::of(std::span<const std::size_t>(extents, ndim));
}

}  // namespace drovik
