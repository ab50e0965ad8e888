// Values laid out in memory by a shape and strides, in one unit: an array's
// own values, or a window onto another array's (a slice, a transpose, a
// broadcast). Every operation reads its operands through one of these, so a
// view is never copied to be read.
#ifndef DROVIK_ARRAY_ARRAY_VIEW_H_
#define DROVIK_ARRAY_ARRAY_VIEW_H_

#include <cstddef>
#include <span>

#include "array/value_array.h"

namespace drovik {

// Where each element lies, in values, per axis: a stride may be negative
// (a reversed slice) or 0 (an axis repeated by broadcasting).
struct Steps {
  std::ptrdiff_t along[kMaxDimensions];
};

// A borrowed look at values someone else owns: the element at index
// (i0, i1, ...) is data[sum of ik * strides[k] / sizeof(double)]. It lives no
// longer than the arrays it was made from.
struct ArrayView {
  const double* data;
  const ArrayShape& shape;
  const std::ptrdiff_t* strides;  // in bytes, one per axis; nullptr for C order
  const UnitRef& unit;

  ArrayView(const double* values, const ArrayShape& extents, const std::ptrdiff_t* byte_strides,
            const UnitRef& in_unit)
      : data(values), shape(extents), strides(byte_strides), unit(in_unit) {}
  // An owned array's values, in C order.
  ArrayView(const ValueArray& array)  // NOLINT(google-explicit-constructor): every array is a view
      : ArrayView(array.values.data(), array.shape, nullptr, array.unit) {}

  // The strides in values.
  Steps steps() const;
  // True when the values lie one after another in C order (the last axis
  // fastest), as an owned array's do: extent-1 axes and empty arrays are.
  bool is_c_contiguous() const;
};

// Strides in bytes, one per axis, side by side in place (a layout is made
// on the stack and lent as it is).
class ByteStrides {
 public:
  void emplace_back(std::ptrdiff_t stride) { along_[count_++] = stride; }
  std::ptrdiff_t& operator[](std::size_t axis) { return along_[axis]; }
  std::ptrdiff_t operator[](std::size_t axis) const { return along_[axis]; }
  const std::ptrdiff_t* data() const { return along_; }
  std::size_t size() const { return count_; }

 private:
  std::ptrdiff_t along_[kMaxDimensions];
  std::size_t count_ = 0;
};

// Byte strides of C order for doubles of `shape`.
ByteStrides c_strides(const ArrayShape& shape);

// A view's layout over the values it shows, relative to where they start:
// the byte offset of its first element, its shape and its byte strides.
struct ViewLayout {
  std::ptrdiff_t offset = 0;
  ArrayShape shape;
  ByteStrides strides;

  // The values `over` shows, seen through this layout.
  ArrayView over(const ArrayView& view) const {
    return ArrayView(view.data + offset / static_cast<std::ptrdiff_t>(sizeof(double)), shape,
                     strides.data(), view.unit);
  }
};

// The view's layout as it stands (offset 0).
ViewLayout layout_of(const ArrayView& view);

// The values of `view` one after another in C order.
Values gathered(const ArrayView& view);

// The values of a view in C order: its own when they already are, a copy
// otherwise. For loops that only read contiguous values.
class CompactValues {
 public:
  explicit CompactValues(const ArrayView& view)
      : in_place_(view.is_c_contiguous()),
        copy_(in_place_ ? Values() : gathered(view)),
        data_(in_place_ ? view.data : copy_.data()),
        size_(view.shape.size()) {}
  const double* data() const { return data_; }
  std::span<const double> span() const { return {data_, size_}; }

 private:
  bool in_place_;
  Values copy_;
  const double* data_;
  std::size_t size_;
};

}  // namespace drovik

#endif  // DROVIK_ARRAY_ARRAY_VIEW_H_
