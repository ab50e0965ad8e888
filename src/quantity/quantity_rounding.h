// Rounding and export of quantities as plain numbers.
#ifndef DROVIK_QUANTITY_QUANTITY_ROUNDING_H_
#define DROVIK_QUANTITY_QUANTITY_ROUNDING_H_

#include <cstdint>
#include <optional>

#include "quantity/unit_coercible.h"

namespace drovik {

// 10^k by binary exponentiation in doubles; 1 / 10^|k| for negative k.
double power_of_ten(std::int32_t k);
// Round to nearest, ties away from zero; infinities and NaN pass through.
double round_half_away_from_zero(double x);

// Python's round(q) (no digits) or round(q, ndigits): round(v * p) / p with
// p = 10^ndigits. The unit is kept.
Drovik round_digits(const Drovik& q, std::optional<std::int32_t> ndigits);
// Rounds to n significant figures. Zero, infinite and NaN values give NaN.
Drovik round_sfig(const Drovik& q, std::int32_t n_sig_figs);

// Without `other` (nullptr), the value as it is. With it, the value converted
// into other's unit, divided by other's value when `scale`.
Result<double> as_number(const Drovik& q, const UnitCoercible* other, bool scale);

// The value truncated toward zero, saturated to 32 bits; NaN gives 0.
std::int32_t to_int32(const Drovik& q);

}  // namespace drovik

#endif  // DROVIK_QUANTITY_QUANTITY_ROUNDING_H_
