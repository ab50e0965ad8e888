// Reading numbers laid out in memory by another program (a numpy array, an
// array.array, any buffer): an element type, a shape and strides in bytes.
#ifndef DROVIK_ARRAY_STRIDED_VALUES_H_
#define DROVIK_ARRAY_STRIDED_VALUES_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "array/array_shape.h"
#include "array/value_array.h"

namespace drovik {

// The element types read as real numbers: IEEE floats of 2, 4 and 8 bytes,
// signed and unsigned integers of 1, 2, 4 and 8 bytes, and bool.
struct ElementType {
  enum class Kind : std::uint8_t { kFloat, kSigned, kUnsigned, kBool };
  Kind kind;
  std::uint8_t size;
  bool swapped;  // stored in the other byte order than this machine's
};

// The element type a buffer format string names ("d", "<f", "=q", "?"), or
// nothing for a format that is not one real number per element (complex,
// structures, pointers, characters, objects).
std::optional<ElementType> element_type_of(std::string_view format);

// The strides of C order (the last axis fastest) for elements of `itemsize`
// bytes, into `out` (one per axis): what a buffer that lends no strides
// means.
void c_order_strides(const ArrayShape& shape, std::ptrdiff_t itemsize,
                     std::span<std::ptrdiff_t> out);

// The elements at `base` + sum of index[k] * strides[k], in C order, each
// converted to the double nearest it (64-bit integers beyond 2^53 round).
Values strided_values(const std::byte* base, ElementType type,
                                   const ArrayShape& shape,
                                   std::span<const std::ptrdiff_t> strides);

}  // namespace drovik

#endif  // DROVIK_ARRAY_STRIDED_VALUES_H_
