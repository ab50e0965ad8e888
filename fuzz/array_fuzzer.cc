// Fuzzes making arrays: a buffer of random bytes read through a random
// element format, shape and strides (kept inside the buffer, as a buffer's
// owner guarantees), in a random unit text read strictly; whatever is made
// must convert and combine with itself, every element as a quantity gives it.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "array/array_comparison.h"
#include "array/array_indexing.h"
#include "array/array_operations.h"
#include "array/strided_values.h"
#include "quantity/conversion.h"
#include "quantity/quantity_arithmetic.h"
#include "unit/unit_parser.h"

namespace {

// Takes bytes off the front of the input.
struct Input {
  const std::uint8_t* data;
  std::size_t size;

  std::uint8_t byte() {
    if (size == 0) return 0;
    --size;
    return *data++;
  }
};

// The same bits, or two NaNs (which payload an operation on two NaNs keeps
// is the processor's choice).
bool same(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b) || (a != a && b != b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace drovik;
  Input in{data, size};
  static const char* const kFormats[] = {"d", "f", "e", "b", "B", "h", ">H", "<i", "!I",
                                         "q", "=Q", "?", "n", "N", "Zd", "c", "", "xx"};
  std::optional<ElementType> type = element_type_of(kFormats[in.byte() % std::size(kFormats)]);
  std::size_t ndim = in.byte() % 4;
  std::vector<std::size_t> extents(ndim);
  for (std::size_t& extent : extents) extent = in.byte() % 5;
  std::size_t unit_length = in.byte() % 16;
  std::string unit_text(reinterpret_cast<const char*>(in.data), std::min(unit_length, in.size));
  in.data += unit_text.size();
  in.size -= unit_text.size();
  Result<ArrayShape> shape = ArrayShape::of(extents);
  if (!type || !shape) return 0;
  // C-order strides, each axis possibly reversed: the farthest element read
  // must lie inside the buffer.
  std::vector<std::ptrdiff_t> strides(ndim);
  std::ptrdiff_t step = type->size, start = 0;
  for (std::size_t axis = ndim; axis-- > 0;) {
    bool reversed = in.byte() % 2 == 1;
    strides[axis] = reversed ? -step : step;
    if (reversed && extents[axis] > 0) {
      start += step * static_cast<std::ptrdiff_t>(extents[axis] - 1);
    }
    step *= static_cast<std::ptrdiff_t>(extents[axis] == 0 ? 1 : extents[axis]);
  }
  if (shape->size() > 0 && static_cast<std::size_t>(step) > in.size) return 0;
  std::vector<std::byte> buffer(in.size + 1);
  for (std::size_t i = 0; i < in.size; ++i) buffer[i] = std::byte{in.data[i]};
  Values values = strided_values(buffer.data() + start, *type, *shape, strides);
  if (values.size() != shape->size()) std::abort();

  Result<UnitCollection> unit = from_unit_name_strictly(unit_text);
  if (unit && !from_unit_name(unit_text)) std::abort();  // strict accepts only what parses
  ValueArray array{*shape, std::move(values), unit ? UnitRef(*unit) : UnitRef()};
  ValueArray base = as_base_units(array);
  Result<ValueArray> sum = add(array, array);
  if (!sum) std::abort();  // an array always adds to itself
  for (std::size_t i = 0; i < array.values.size(); ++i) {
    Drovik q{array.values[i], array.unit};
    if (!same(base.values[i], as_base_units(q)->value)) std::abort();
    if (!same(sum->values[i], add(q, q)->value)) std::abort();
  }
  Result<BooleanArray> equal = compare(array, base, CompareOp::Equal);
  for (std::size_t i = 0; equal && i < array.values.size(); ++i) {
    Drovik q{array.values[i], array.unit};
    if (equal->values[i] != (*compare(q, Drovik{base.values[i], base.unit}, CompareOp::Equal)))
      std::abort();
  }
  // Any index the input spells: the selection stays inside the array.
  std::vector<IndexPiece> index(in.byte() % 5);
  for (IndexPiece& piece : index) {
    piece.kind = static_cast<IndexPiece::Kind>(in.byte() % 4);
    piece.start = static_cast<std::int8_t>(in.byte());
    piece.stop = static_cast<std::int8_t>(in.byte());
    piece.step = static_cast<std::int8_t>(in.byte()) | 1;  // never 0, as Python's slices
  }
  Result<ValueArray> part = select(array, index);
  if (part && part->values.size() != part->shape.size()) std::abort();
  return 0;
}
