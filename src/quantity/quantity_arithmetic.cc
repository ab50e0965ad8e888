#include "quantity/quantity_arithmetic.h"

#include <cmath>

#include "quantity/conversion.h"
#include "unit/unit_memo.h"

namespace drovik {
namespace {

// b's value expressed in a's unit, without offsets; fails unless the two
// have the same dimension.
Result<double> rescaled_to(const Drovik& a, const Drovik& b) {
  // The error names a's unit first, as the operation reads.
  if (!(a.unit->dimensions() == b.unit->dimensions())) return incompatible(*a.unit, *b.unit);
  return ConversionPlan::rescaling(*b.unit, *a.unit).apply(b.value);
}

template <double (*Function)(double)>
Result<double> of_dimensionless(const Drovik& a) {
  Result<double> x = as_unitless(a);
  if (!x) return x;
  return Function(*x);
}

double c_exp(double x) { return std::exp(x); }
double c_log(double x) { return std::log(x); }
double c_log10(double x) { return std::log10(x); }

}  // namespace

// A result in a's unit, its value `combine` of a's value and b's value
// rescaled into a's unit.
template <class Combine>
Result<Drovik> with_rescaled(const Drovik& a, const Drovik& b, Combine combine) {
  Result<double> other = rescaled_to(a, b);
  if (!other) return fail(std::move(other).error());
  return Drovik{combine(a.value, *other), a.unit};
}

Result<Drovik> add(const Drovik& a, const Drovik& b) {
  return with_rescaled(a, b, [](double v, double other) { return v + other; });
}

Result<Drovik> subtract(const Drovik& a, const Drovik& b) {
  return with_rescaled(a, b, [](double v, double other) { return v - other; });
}

Result<Drovik> reflected_subtract(const Drovik& a, const Drovik& b) {
  return with_rescaled(a, b, [](double v, double other) { return other - v; });
}

Drovik multiply(const Drovik& a, const Drovik& b) {
  return Drovik{a.value * b.value, multiply_units(a.unit, b.unit)};
}

Drovik divide(const Drovik& a, const Drovik& b) {
  return Drovik{a.value / b.value, divide_units(a.unit, b.unit)};
}

Drovik reflected_divide(const Drovik& a, const Drovik& b) {
  return Drovik{b.value / a.value, divide_units(b.unit, a.unit)};
}

Result<Drovik> power(const Drovik& base, const Drovik& exponent) {
  Result<double> k = as_unitless(exponent);
  if (!k) return fail(std::move(k).error());
  return Drovik{std::pow(base.value, *k), power_of_units(base.unit, *k)};
}

Result<double> exp(const Drovik& a) { return of_dimensionless<c_exp>(a); }
Result<double> log(const Drovik& a) { return of_dimensionless<c_log>(a); }
Result<double> log10(const Drovik& a) { return of_dimensionless<c_log10>(a); }

Drovik negate(const Drovik& a) { return Drovik{-a.value, a.unit}; }
Drovik positive(const Drovik& a) { return a; }
Drovik absolute(const Drovik& a) { return Drovik{std::fabs(a.value), a.unit}; }

}  // namespace drovik
