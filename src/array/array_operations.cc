#include "array/array_operations.h"

#include <cmath>
#include <cstddef>
#include <string>

#include "array/element_loops.h"
#include "quantity/conversion.h"
#include "quantity/quantity_rounding.h"
#include "unit/unit_arithmetic.h"
#include "unit/unit_memo.h"

namespace drovik {
namespace {

// a and b combined in a result in `unit`.
template <class Combine>
Result<ValueArray> element_wise(const ArrayView& a, const ArrayView& b, UnitRef unit,
                                Combine combine) {
  Result<ArrayShape> shape = broadcast(a.shape, b.shape);
  if (!shape) return fail(std::move(shape).error());
  Values values = detail::combined<double>(a, b, *shape, combine);
  return ValueArray{std::move(*shape), std::move(values), std::move(unit)};
}

// a and b's values rescaled into a's unit, combined in a's unit. The error
// names a's unit first, as the operation reads.
template <class Combine>
Result<ValueArray> rescaled(const ArrayView& a, const ArrayView& b, Combine combine) {
  if (!(a.unit->dimensions() == b.unit->dimensions())) return incompatible(*a.unit, *b.unit);
  const ConversionPlan plan = ConversionPlan::rescaling(*b.unit, *a.unit);
  return element_wise(a, b, a.unit,
                      [=](double v, double w) { return combine(v, plan.by_scale(w)); });
}

double pairwise_unit(const double* v, std::size_t n);
double pairwise_strided(const double* v, std::size_t n, std::ptrdiff_t step);

// numpy's pairwise summation of n values `step` apart; kUnitStep compiles
// it for values side by side, a loop the compiler vectorises.
template <bool kUnitStep>
[[gnu::always_inline]] inline double pairwise_body(const double* v, std::size_t n,
                                                   std::ptrdiff_t step) {
  auto at = [&](std::size_t i) {
    return kUnitStep ? v[i] : v[static_cast<std::ptrdiff_t>(i) * step];
  };
  if (n < 8) {
    double sum = 0.0;  // -0.0 + 0.0 is 0.0, as numpy's empty sum
    for (std::size_t i = 0; i < n; ++i) sum += at(i);
    return sum;
  }
  if (n <= 128) {
    double r[8];
    for (std::size_t j = 0; j < 8; ++j) r[j] = at(j);
    std::size_t i = 8;
    for (; i + 8 <= n; i += 8) {
      for (std::size_t j = 0; j < 8; ++j) r[j] += at(i + j);
    }
    double sum = ((r[0] + r[1]) + (r[2] + r[3])) + ((r[4] + r[5]) + (r[6] + r[7]));
    for (; i < n; ++i) sum += at(i);
    return sum;
  }
  std::size_t half = n / 2;
  half -= half % 8;
  if (kUnitStep) return pairwise_unit(v, half) + pairwise_unit(v + half, n - half);
  return pairwise_strided(v, half, step) +
         pairwise_strided(v + static_cast<std::ptrdiff_t>(half) * step, n - half, step);
}

DROVIK_VECTOR_WIDTHS double pairwise_unit(const double* v, std::size_t n) {
  return pairwise_body<true>(v, n, 1);
}

double pairwise_strided(const double* v, std::size_t n, std::ptrdiff_t step) {
  return pairwise_body<false>(v, n, step);
}

}  // namespace

Result<ValueArray> as_unit(const ArrayView& array, UnitRef target) {
  Result<ConversionPlan> converting = conversion_plan(*array.unit, *target);
  if (!converting) return fail(std::move(converting).error());
  const ConversionPlan plan = *converting;
  // The plan's two formulas, each in a loop of its own.
  Values out = plan.with_offsets
                   ? detail::mapped<double>(array, [=](double x) { return plan.by_offsets(x); })
                   : detail::mapped<double>(array, [=](double x) { return plan.by_scale(x); });
  return ValueArray{array.shape, std::move(out), std::move(target)};
}

ValueArray as_base_units(const ArrayView& array) {
  // The same conversion as a quantity's; the dimensions agree by construction.
  return std::move(*as_unit(array, UnitRef(get_base_units(*array.unit))));
}

Result<ValueArray> add(const ArrayView& a, const ArrayView& b) {
  return rescaled(a, b, [](double v, double w) { return v + w; });
}

Result<ValueArray> subtract(const ArrayView& a, const ArrayView& b) {
  return rescaled(a, b, [](double v, double w) { return v - w; });
}

Result<ValueArray> reflected_subtract(const ArrayView& a, const ArrayView& b) {
  return rescaled(a, b, [](double v, double w) { return w - v; });
}

Result<ValueArray> multiply(const ArrayView& a, const ArrayView& b) {
  return element_wise(a, b, multiply_units(a.unit, b.unit),
                      [](double v, double w) { return v * w; });
}

Result<ValueArray> divide(const ArrayView& a, const ArrayView& b) {
  return element_wise(a, b, divide_units(a.unit, b.unit), [](double v, double w) { return v / w; });
}

Result<ValueArray> reflected_divide(const ArrayView& a, const ArrayView& b) {
  return element_wise(a, b, divide_units(b.unit, a.unit), [](double v, double w) { return w / v; });
}

double pairwise_sum(const double* values, std::size_t n, std::ptrdiff_t step) {
  return step == 1 ? pairwise_unit(values, n) : pairwise_strided(values, n, step);
}

ValueArray negate(const ArrayView& array) {
  return ValueArray{array.shape, detail::mapped<double>(array, [](double x) { return -x; }),
                    array.unit};
}

ValueArray absolute(const ArrayView& array) {
  return ValueArray{array.shape,
                    detail::mapped<double>(array, [](double x) { return std::fabs(x); }),
                    array.unit};
}

ValueArray power(const ArrayView& base, double exponent) {
  return ValueArray{base.shape,
                    detail::mapped<double>(base, [=](double x) { return std::pow(x, exponent); }),
                    power_of_units(base.unit, exponent)};
}

// Each value through the rounding a quantity of it gets.
template <class Round>
ValueArray rounded(const ArrayView& array, Round round) {
  return ValueArray{
      array.shape,
      detail::mapped<double>(array, [&](double x) { return round(Drovik{x, UnitRef()}).value; }),
      array.unit};
}

ValueArray round_digits(const ArrayView& array, std::optional<std::int32_t> ndigits) {
  return rounded(array, [&](const Drovik& q) { return round_digits(q, ndigits); });
}

ValueArray round_sfig(const ArrayView& array, std::int32_t n_sig_figs) {
  return rounded(array, [&](const Drovik& q) { return round_sfig(q, n_sig_figs); });
}

Result<ValueArray> reduce(const ArrayView& array, Reduction reduction,
                          std::optional<std::size_t> axis) {
  if (!axis) return reduce(array, reduction, ReducedAxes::all(array.shape.ndim()));
  if (*axis >= array.shape.ndim()) {
    return fail(DrovikError::axis_out_of_range(std::to_string(*axis),
                                               std::to_string(array.shape.ndim())));
  }
  ReducedAxes axes;
  axes.along[*axis] = true;
  return reduce(array, reduction, axes);
}

}  // namespace drovik
