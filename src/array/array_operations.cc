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
Result<ValueArray> element_wise(const ValueArray& a, const ValueArray& b, UnitRef unit,
                                Combine combine) {
  Result<ArrayShape> shape = broadcast(a.shape, b.shape);
  if (!shape) return fail(std::move(shape).error());
  Values values = detail::combined<double>(a, b, *shape, combine);
  return ValueArray{std::move(*shape), std::move(values), std::move(unit)};
}

// a and b's values rescaled into a's unit, combined in a's unit. The error
// names a's unit first, as the operation reads.
template <class Combine>
Result<ValueArray> rescaled(const ValueArray& a, const ValueArray& b, Combine combine) {
  if (!(a.unit->dimensions() == b.unit->dimensions())) return incompatible(*a.unit, *b.unit);
  const ConversionPlan plan = ConversionPlan::rescaling(*b.unit, *a.unit);
  return element_wise(a, b, a.unit,
                      [=](double v, double w) { return combine(v, plan.by_scale(w)); });
}

DROVIK_VECTOR_WIDTHS double pairwise_block(const double* v, std::size_t n) {
  if (n < 8) {
    double sum = 0.0;  // -0.0 + 0.0 is 0.0, as numpy's empty sum
    for (std::size_t i = 0; i < n; ++i) sum += v[i];
    return sum;
  }
  if (n <= 128) {
    double r[8];
    for (std::size_t j = 0; j < 8; ++j) r[j] = v[j];
    std::size_t i = 8;
    for (; i + 8 <= n; i += 8) {
      for (std::size_t j = 0; j < 8; ++j) r[j] += v[i + j];
    }
    double sum = ((r[0] + r[1]) + (r[2] + r[3])) + ((r[4] + r[5]) + (r[6] + r[7]));
    for (; i < n; ++i) sum += v[i];
    return sum;
  }
  std::size_t half = n / 2;
  half -= half % 8;
  return pairwise_block(v, half) + pairwise_block(v + half, n - half);
}

}  // namespace

Result<ValueArray> as_unit(const ValueArray& array, UnitRef target) {
  Result<ConversionPlan> converting = conversion_plan(*array.unit, *target);
  if (!converting) return fail(std::move(converting).error());
  const ConversionPlan plan = *converting;
  Values out(array.values.size());
  const double* v = array.values.data();
  // The plan's two formulas, each in a loop of its own.
  if (plan.with_offsets) {
    detail::map_run(v, out.data(), out.size(), [=](double x) { return plan.by_offsets(x); });
  } else {
    detail::map_run(v, out.data(), out.size(), [=](double x) { return plan.by_scale(x); });
  }
  return ValueArray{array.shape, std::move(out), std::move(target)};
}

ValueArray as_base_units(const ValueArray& array) {
  // The same conversion as a quantity's; the dimensions agree by construction.
  return std::move(*as_unit(array, UnitRef(get_base_units(*array.unit))));
}

Result<ValueArray> add(const ValueArray& a, const ValueArray& b) {
  return rescaled(a, b, [](double v, double w) { return v + w; });
}

Result<ValueArray> subtract(const ValueArray& a, const ValueArray& b) {
  return rescaled(a, b, [](double v, double w) { return v - w; });
}

Result<ValueArray> reflected_subtract(const ValueArray& a, const ValueArray& b) {
  return rescaled(a, b, [](double v, double w) { return w - v; });
}

Result<ValueArray> multiply(const ValueArray& a, const ValueArray& b) {
  return element_wise(a, b, multiply_units(a.unit, b.unit),
                      [](double v, double w) { return v * w; });
}

Result<ValueArray> divide(const ValueArray& a, const ValueArray& b) {
  return element_wise(a, b, divide_units(a.unit, b.unit), [](double v, double w) { return v / w; });
}

Result<ValueArray> reflected_divide(const ValueArray& a, const ValueArray& b) {
  return element_wise(a, b, divide_units(b.unit, a.unit), [](double v, double w) { return w / v; });
}

double pairwise_sum(std::span<const double> values) {
  return pairwise_block(values.data(), values.size());
}

ValueArray negate(const ValueArray& array) {
  Values out(array.values.size());
  detail::map_run(array.values.data(), out.data(), out.size(), [](double x) { return -x; });
  return ValueArray{array.shape, std::move(out), array.unit};
}

ValueArray absolute(const ValueArray& array) {
  Values out(array.values.size());
  detail::map_run(array.values.data(), out.data(), out.size(),
                  [](double x) { return std::fabs(x); });
  return ValueArray{array.shape, std::move(out), array.unit};
}

ValueArray power(const ValueArray& base, double exponent) {
  Values out(base.values.size());
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = std::pow(base.values[i], exponent);
  return ValueArray{base.shape, std::move(out), power_of_units(base.unit, exponent)};
}

// Each value through the rounding a quantity of it gets.
template <class Round>
ValueArray rounded(const ValueArray& array, Round round) {
  Values out(array.values.size());
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = round(Drovik{array.values[i], UnitRef()}).value;
  }
  return ValueArray{array.shape, std::move(out), array.unit};
}

ValueArray round_digits(const ValueArray& array, std::optional<std::int32_t> ndigits) {
  return rounded(array, [&](const Drovik& q) { return round_digits(q, ndigits); });
}

ValueArray round_sfig(const ValueArray& array, std::int32_t n_sig_figs) {
  return rounded(array, [&](const Drovik& q) { return round_sfig(q, n_sig_figs); });
}

Result<ValueArray> reduce(const ValueArray& array, Reduction reduction,
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
