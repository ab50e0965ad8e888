// Fuzzes making arrays: a buffer of random bytes read through a random
// element format, shape and strides (kept inside the buffer, as a buffer's
// owner guarantees; or none, meaning C order), each element checked against a
// slow byte-by-byte decoder, in a random unit text read strictly; whatever is
// made must convert and combine with itself, every element as a quantity
// gives it.
#include <bit>
#include <cmath>
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

// An element decoded the slow way, byte by byte, as a check on the reader:
// integers assembled in the stored order, half floats from their fields.
double reference_element(const std::byte* at, drovik::ElementType type) {
  using Kind = drovik::ElementType::Kind;
  bool stored_big = (std::endian::native == std::endian::big) != type.swapped;
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < type.size; ++i) {
    std::size_t from = stored_big ? i : type.size - 1 - i;
    bits = bits << 8 | std::to_integer<std::uint64_t>(at[from]);
  }
  int unused = 64 - 8 * type.size;
  switch (type.kind) {
    case Kind::kBool: return bits != 0 ? 1.0 : 0.0;
    case Kind::kUnsigned: return static_cast<double>(bits);
    case Kind::kSigned:
      return static_cast<double>(static_cast<std::int64_t>(bits << unused) >> unused);
    case Kind::kFloat: break;
  }
  if (type.size == 8) return std::bit_cast<double>(bits);
  if (type.size == 4) return std::bit_cast<float>(static_cast<std::uint32_t>(bits));
  double sign = bits & 0x8000 ? -1.0 : 1.0;
  int exponent = static_cast<int>(bits >> 10 & 0x1F), mantissa = static_cast<int>(bits & 0x3FF);
  if (exponent == 0) return sign * std::ldexp(mantissa, -24);
  if (exponent < 31) return sign * std::ldexp(mantissa + 1024, exponent - 25);
  if (mantissa == 0) return sign * HUGE_VAL;
  return std::bit_cast<double>((bits & 0x8000) << 48 | 0x7FF0000000000000ULL |
                               static_cast<std::uint64_t>(mantissa) << 42);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace drovik;
  Input in{data, size};
  static const char* const kFormats[] = {"d", "f", "e", "b", "B", "h", ">H", "<i", "!I",
                                         "q", "=Q", "?", "n", "N", "Zd", "c", "", "xx",
                                         ">d", "<f", ">e", "^h", "!q", ">l"};
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
  // C-order strides, each axis possibly reversed, or none lent (C order, as
  // ctypes lends): the farthest element read must lie inside the buffer.
  std::vector<std::ptrdiff_t> strides(ndim);
  bool none_lent = in.byte() % 4 == 0;
  std::ptrdiff_t step = type->size, start = 0;
  for (std::size_t axis = ndim; axis-- > 0;) {
    bool reversed = !none_lent && in.byte() % 2 == 1;
    strides[axis] = reversed ? -step : step;
    if (reversed && extents[axis] > 0) {
      start += step * static_cast<std::ptrdiff_t>(extents[axis] - 1);
    }
    step *= static_cast<std::ptrdiff_t>(extents[axis] == 0 ? 1 : extents[axis]);
  }
  if (none_lent) c_order_strides(*shape, type->size, strides);
  if (shape->size() > 0 && static_cast<std::size_t>(step) > in.size) return 0;
  std::vector<std::byte> buffer(in.size + 1);
  for (std::size_t i = 0; i < in.size; ++i) buffer[i] = std::byte{in.data[i]};
  Values values = strided_values(buffer.data() + start, *type, *shape, strides);
  if (values.size() != shape->size()) std::abort();
  // Each element against the slow decoder, its address from its own index.
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::ptrdiff_t offset = start;
    for (std::size_t axis = ndim, rest = i; axis-- > 0; rest /= extents[axis]) {
      offset += static_cast<std::ptrdiff_t>(rest % extents[axis]) * strides[axis];
    }
    if (!same(values[i], reference_element(buffer.data() + offset, *type))) std::abort();
  }

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
  Result<ViewLayout> part = select(array, index);
  if (!part) return 0;
  // Every element of the view lies inside the array (ASan reads each one),
  // and the view computes as its values do.
  ArrayView view = part->over(array);
  Values shown = gathered(view);
  if (shown.size() != view.shape.size()) std::abort();
  Result<ValueArray> doubled = add(view, view);
  Result<ValueArray> reversed_sum = reduce(view, Reduction::kSum, std::nullopt);
  if (!doubled || !reversed_sum) std::abort();
  for (std::size_t i = 0; i < shown.size(); ++i) {
    if (!same(doubled->values[i], add(Drovik{shown[i], array.unit}, Drovik{shown[i], array.unit})
                                      ->value)) {
      std::abort();
    }
  }
  return 0;
}
