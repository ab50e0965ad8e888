// Many values in one unit: the record behind an array of quantities.
#ifndef DROVIK_ARRAY_VALUE_ARRAY_H_
#define DROVIK_ARRAY_VALUE_ARRAY_H_

#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "array/array_shape.h"
#include "quantity/drovik.h"

namespace drovik {

// Allocates like std::allocator but leaves new doubles uninitialised:
// resizing a vector of results writes each value once, in the loop that
// computes it, instead of zeroing them first.
template <class T>
struct UninitialisedAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  UninitialisedAllocator() = default;
  template <class U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}  // NOLINT

  template <class U>
  void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

using Values = std::vector<double, UninitialisedAllocator<double>>;

// An N-dimensional array of doubles in one unit, its values in C order (the
// last axis varies fastest), shape.size() of them. Element i behaves exactly
// as Drovik{values[i], unit} does.
struct ValueArray {
  ArrayShape shape;
  Values values;
  UnitRef unit;
};

// One quantity as an array of shape ().
inline ValueArray single_value(const Drovik& quantity) {
  return ValueArray{ArrayShape(), {quantity.value}, quantity.unit};
}

}  // namespace drovik

#endif  // DROVIK_ARRAY_VALUE_ARRAY_H_
