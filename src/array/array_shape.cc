#include "array/array_shape.h"

#include <algorithm>
#include <limits>

namespace drovik {

Result<ArrayShape> ArrayShape::of(std::span<const std::size_t> extents) {
  ArrayShape shape;
  for (std::size_t extent : extents) shape.extents_.emplace_back(extent);
  if (extents.size() > kMaxDimensions) return fail(DrovikError::array_too_large(shape_text(shape)));
  // Zero elements take no bytes, whatever the other extents; otherwise the
  // bytes of all elements must be countable.
  bool empty = std::find(extents.begin(), extents.end(), 0) != extents.end();
  std::size_t size = 1;
  constexpr std::size_t kMostElements = std::numeric_limits<std::size_t>::max() / sizeof(double);
  for (std::size_t extent : extents) {
    if (empty) {
      size = 0;
      break;
    }
    if (size > kMostElements / extent) return fail(DrovikError::array_too_large(shape_text(shape)));
    size *= extent;
  }
  shape.size_ = size;
  return shape;
}

bool operator==(const ArrayShape& a, const ArrayShape& b) {
  if (a.ndim() != b.ndim()) return false;
  for (std::size_t axis = 0; axis < a.ndim(); ++axis) {
    if (a[axis] != b[axis]) return false;
  }
  return true;
}

std::string shape_text(const ArrayShape& shape) {
  std::string text = "(";
  for (std::size_t axis = 0; axis < shape.ndim(); ++axis) {
    if (axis > 0) text += ", ";
    text += std::to_string(shape[axis]);
  }
  if (shape.ndim() == 1) text += ",";
  return text + ")";
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
