#include "quantity/quantity_rounding.h"

#include <cmath>
#include <limits>

#include "quantity/conversion.h"

namespace drovik {
namespace {

constexpr double kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr double kInt32Max = std::numeric_limits<std::int32_t>::max();

// floor-like conversions to int32 that saturate, with NaN as 0.
std::int32_t saturate_to_int32(double x) {
  if (std::isnan(x)) return 0;
  if (x <= kInt32Min) return std::numeric_limits<std::int32_t>::min();
  if (x >= kInt32Max) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(x);
}

double round_with_power(double value, double p) { return round_half_away_from_zero(value * p) / p; }

}  // namespace

double power_of_ten(std::int32_t k) {
  // The magnitude of INT32_MIN does not fit an int32.
  std::uint32_t n = k < 0 ? 0u - static_cast<std::uint32_t>(k) : static_cast<std::uint32_t>(k);
  double r = 1.0;
  double a = 10.0;
  while (n != 0) {
    if (n & 1u) r = r * a;
    n /= 2;
    if (n == 0) break;
    a = a * a;
  }
  return k < 0 ? 1.0 / r : r;
}

double round_half_away_from_zero(double x) { return std::round(x); }

Drovik round_digits(const Drovik& q, std::optional<std::int32_t> ndigits) {
  double value = ndigits ? round_with_power(q.value, power_of_ten(*ndigits))
                         : round_half_away_from_zero(q.value);
  return Drovik{value, q.unit};
}

Drovik round_sfig(const Drovik& q, std::int32_t n_sig_figs) {
  std::int32_t f = saturate_to_int32(std::floor(std::log10(std::fabs(q.value))));
  // n - 1 - F in wrapping 32-bit arithmetic.
  auto k = static_cast<std::int32_t>(static_cast<std::uint32_t>(n_sig_figs) - 1u -
                                     static_cast<std::uint32_t>(f));
  return Drovik{round_with_power(q.value, power_of_ten(k)), q.unit};
}

Result<double> as_number(const Drovik& q, const UnitCoercible* other, bool scale) {
  if (other == nullptr) return q.value;
  const Drovik& target = other->quantity();
  Result<double> r = converted_value(q, *target.unit);
  if (!r) return r;
  return scale ? *r / target.value : *r / 1.0;
}

std::int32_t to_int32(const Drovik& q) { return saturate_to_int32(std::trunc(q.value)); }

}  // namespace drovik
