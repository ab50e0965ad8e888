// The exponents of the eight base dimensions of a unit.
#ifndef DROVIK_CATALOGUE_DIMENSION_VECTOR_H_
#define DROVIK_CATALOGUE_DIMENSION_VECTOR_H_

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace drovik {

// Index of each base dimension; the order is the byte-wise order of the base
// unit names, so "USD" comes first.
enum class BaseDimension : std::size_t {
  kCurrency = 0,
  kCurrent = 1,
  kLuminousIntensity = 2,
  kTemperature = 3,
  kMass = 4,
  kLength = 5,
  kAmountOfSubstance = 6,
  kTime = 7,
};

inline constexpr std::size_t kBaseDimensionCount = 8;

// Exponents are doubles because units may be raised to fractional powers.
// Equality is IEEE equality of all eight exponents, so 0.0 == -0.0 and a NaN
// exponent makes a vector unequal to every vector, itself included.
struct DimensionVector {
  std::array<double, kBaseDimensionCount> exponents{};

  constexpr double operator[](std::size_t i) const { return exponents[i]; }
  constexpr double& operator[](std::size_t i) { return exponents[i]; }

  friend constexpr bool operator==(const DimensionVector&, const DimensionVector&) = default;
};

// Bit-for-bit equality, for saved state: -0.0 differs from 0.0, and a NaN
// equals a NaN with the same payload.
inline bool same_bits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

inline bool same_bits(const DimensionVector& a, const DimensionVector& b) {
  for (std::size_t k = 0; k < kBaseDimensionCount; ++k) {
    if (!same_bits(a[k], b[k])) return false;
  }
  return true;
}

}  // namespace drovik

#endif  // DROVIK_CATALOGUE_DIMENSION_VECTOR_H_
