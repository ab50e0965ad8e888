#include "array/strided_values.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace drovik {
namespace {

template <class T>
T load(const std::byte* at, bool swapped) {
  std::byte bytes[sizeof(T)];
  std::memcpy(bytes, at, sizeof(T));
  if (swapped) {
    for (std::size_t i = 0; i < sizeof(T) / 2; ++i) std::swap(bytes[i], bytes[sizeof(T) - 1 - i]);
  }
  T value;
  std::memcpy(&value, bytes, sizeof(T));
  return value;
}

// IEEE 754 binary16, which C++20 has no type for.
double half_to_double(std::uint16_t bits) {
  int exponent = (bits >> 10) & 0x1F;
  double mantissa = bits & 0x3FF;
  double magnitude;
  if (exponent == 0) {
    magnitude = std::ldexp(mantissa, -24);
  } else if (exponent == 31 && mantissa != 0) {
    // A NaN keeps its sign and payload, the quiet bit included, at the top
    // of the double's mantissa (as numpy's astype('f8') puts them).
    std::uint64_t sign = static_cast<std::uint64_t>(bits & 0x8000) << 48;
    std::uint64_t payload = static_cast<std::uint64_t>(bits & 0x3FF) << 42;
    return std::bit_cast<double>(sign | 0x7FF0000000000000ULL | payload);
  } else if (exponent == 31) {
    magnitude = HUGE_VAL;
  } else {
    magnitude = std::ldexp(mantissa + 1024, exponent - 25);
  }
  return (bits & 0x8000) ? -magnitude : magnitude;
}

double element_at(const std::byte* at, ElementType type) {
  bool swapped = type.swapped;
  switch (type.kind) {
    case ElementType::Kind::kFloat:
      if (type.size == 8) return load<double>(at, swapped);
      if (type.size == 4) return load<float>(at, swapped);
      return half_to_double(load<std::uint16_t>(at, swapped));
    case ElementType::Kind::kSigned:
      switch (type.size) {
        case 1: return static_cast<double>(load<std::int8_t>(at, false));
        case 2: return static_cast<double>(load<std::int16_t>(at, swapped));
        case 4: return static_cast<double>(load<std::int32_t>(at, swapped));
        default: return static_cast<double>(load<std::int64_t>(at, swapped));
      }
    case ElementType::Kind::kUnsigned:
      switch (type.size) {
        case 1: return static_cast<double>(load<std::uint8_t>(at, false));
        case 2: return static_cast<double>(load<std::uint16_t>(at, swapped));
        case 4: return static_cast<double>(load<std::uint32_t>(at, swapped));
        default: return static_cast<double>(load<std::uint64_t>(at, swapped));
      }
    case ElementType::Kind::kBool: return load<std::uint8_t>(at, false) != 0 ? 1.0 : 0.0;
  }
  return 0.0;
}

}  // namespace

std::optional<ElementType> element_type_of(std::string_view format) {
  bool little = std::endian::native == std::endian::little;
  bool swapped = false, standard = false;
  // '@' and '^' (unaligned) are this machine's order and sizes; '=', '<',
  // '>' and '!' have standard sizes.
  if (!format.empty() && std::string_view("@^=<>!").find(format[0]) != std::string_view::npos) {
    char order = format[0];
    standard = order != '@' && order != '^';
    swapped = (order == '<' && !little) || ((order == '>' || order == '!') && little);
    format.remove_prefix(1);
  }
  if (format.size() != 1) return std::nullopt;
  using Kind = ElementType::Kind;
  constexpr std::size_t kWord = sizeof(std::size_t);
  auto sized = [&](Kind kind, std::size_t native, std::size_t fixed) {
    return ElementType{kind, static_cast<std::uint8_t>(standard ? fixed : native), swapped};
  };
  switch (format[0]) {
    case 'd': return ElementType{Kind::kFloat, 8, swapped};
    case 'f': return ElementType{Kind::kFloat, 4, swapped};
    case 'e': return ElementType{Kind::kFloat, 2, swapped};
    case 'b': return ElementType{Kind::kSigned, 1, false};
    case 'B': return ElementType{Kind::kUnsigned, 1, false};
    case '?': return ElementType{Kind::kBool, 1, false};
    case 'h': return sized(Kind::kSigned, sizeof(short), 2);
    case 'H': return sized(Kind::kUnsigned, sizeof(short), 2);
    case 'i': return sized(Kind::kSigned, sizeof(int), 4);
    case 'I': return sized(Kind::kUnsigned, sizeof(int), 4);
    case 'l': return sized(Kind::kSigned, sizeof(long), 4);
    case 'L': return sized(Kind::kUnsigned, sizeof(long), 4);
    case 'q': return sized(Kind::kSigned, sizeof(long long), 8);
    case 'Q': return sized(Kind::kUnsigned, sizeof(long long), 8);
    // ssize_t and size_t have no standard size.
    case 'n': return standard ? std::nullopt : std::optional(sized(Kind::kSigned, kWord, 0));
    case 'N': return standard ? std::nullopt : std::optional(sized(Kind::kUnsigned, kWord, 0));
    default: return std::nullopt;
  }
}

void c_order_strides(const ArrayShape& shape, std::ptrdiff_t itemsize,
                     std::span<std::ptrdiff_t> out) {
  std::ptrdiff_t stride = itemsize;
  for (std::size_t axis = shape.ndim(); axis-- > 0;) {
    out[axis] = stride;
    stride *= static_cast<std::ptrdiff_t>(shape[axis]);
  }
}

Values strided_values(const std::byte* base, ElementType type,
                                   const ArrayShape& shape,
                                   std::span<const std::ptrdiff_t> strides) {
  Values out(shape.size());
  if (out.empty()) return out;
  std::size_t ndim = shape.ndim();
  if (ndim == 0) {
    out[0] = element_at(base, type);
    return out;
  }
  // Runs along the last axis; the other axes counted like an odometer.
  std::size_t run = shape[ndim - 1], index[kMaxDimensions] = {};
  std::ptrdiff_t step = strides[ndim - 1], offset = 0;
  bool contiguous_doubles = type.kind == ElementType::Kind::kFloat && type.size == 8 &&
                            !type.swapped && step == 8;
  for (std::size_t done = 0; done < out.size(); done += run) {
    if (contiguous_doubles) {
      std::memcpy(out.data() + done, base + offset, run * sizeof(double));
    } else {
      for (std::size_t i = 0; i < run; ++i) {
        out[done + i] = element_at(base + offset + static_cast<std::ptrdiff_t>(i) * step, type);
      }
    }
    for (std::size_t axis = ndim - 1; axis-- > 0;) {
      offset += strides[axis];
      if (++index[axis] < shape[axis]) break;
      offset -= strides[axis] * static_cast<std::ptrdiff_t>(shape[axis]);
      index[axis] = 0;
    }
  }
  return out;
}

}  // namespace drovik
