// The extents of an N-dimensional array of doubles, and numpy's rule for
// broadcasting two of them together.
#ifndef DROVIK_ARRAY_ARRAY_SHAPE_H_
#define DROVIK_ARRAY_ARRAY_SHAPE_H_

#include <cstddef>
#include <span>
#include <string>

#include "base/inline_vector.h"
#include "error/drovik_error.h"

namespace drovik {

// numpy's own limit on the number of dimensions.
inline constexpr std::size_t kMaxDimensions = 64;

class ArrayShape {
 public:
  // The shape of a single value: no dimensions, one element.
  ArrayShape() = default;

  // The shape with these extents, or ArrayTooLarge when more than
  // kMaxDimensions are given or the bytes of its non-zero extents' product
  // do not fit a ptrdiff_t (numpy's rule: a zero extent does not make
  // (0, 2**62, 2**62) a valid shape).
  static Result<ArrayShape> of(std::span<const std::size_t> extents);

  std::size_t ndim() const { return extents_.size(); }
  std::size_t size() const { return size_; }
  std::size_t operator[](std::size_t axis) const { return extents_[axis]; }

  friend bool operator==(const ArrayShape& a, const ArrayShape& b);

 private:
  InlineVector<std::size_t, 4> extents_;
  std::size_t size_ = 1;
};

// numpy's text of a shape: "()", "(3,)", "(2, 3)"; of requested extents,
// -1 included: "(4, -1)".
std::string shape_text(const ArrayShape& shape);
std::string extents_text(std::span<const std::ptrdiff_t> extents);

// The shape of a result of an element-wise operation on arrays of shapes a
// and b: aligned at their last axes, each pair of extents equal or one of
// them 1. ShapeMismatch, naming both shapes, otherwise.
Result<ArrayShape> broadcast(const ArrayShape& a, const ArrayShape& b);

}  // namespace drovik

#endif  // DROVIK_ARRAY_ARRAY_SHAPE_H_
