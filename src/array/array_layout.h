// The same values laid out in another shape, as numpy's reshape, transpose
// and squeeze give them.
#ifndef DROVIK_ARRAY_ARRAY_LAYOUT_H_
#define DROVIK_ARRAY_ARRAY_LAYOUT_H_

#include <cstddef>
#include <span>

#include "array/value_array.h"
#include "error/drovik_error.h"

namespace drovik {

// The values in C order with new extents, one of which may be -1 (whatever
// the others leave); BadShape, with numpy's message, when the sizes differ.
Result<ValueArray> reshaped(const ValueArray& array, std::span<const std::ptrdiff_t> extents);

// Axis k of the result is axis order[k] of the array: `order` names every
// axis once (checked by the caller).
ValueArray transposed(const ValueArray& array, std::span<const std::size_t> order);

// Without the axes of extent 1 that `drop` marks.
ValueArray squeezed(const ValueArray& array, std::span<const bool> drop);

}  // namespace drovik

#endif  // DROVIK_ARRAY_ARRAY_LAYOUT_H_
