#include "array/array_functions.h"

#include <cmath>
#include <string>

#include "array/element_loops.h"
#include "quantity/conversion.h"
#include "unit/unit_memo.h"
#include "unit/unit_word_resolution.h"

namespace drovik {
namespace {

// The radian, the unit of angles numpy's inverse functions give.
const UnitRef& radians() {
  static const UnitRef radian(UnitCollection(*search_for_unit_name("rad")));
  return radian;
}

// f of every value, into a result in `unit`.
template <class F>
ValueArray mapped(const ArrayView& array, UnitRef unit, F f) {
  return ValueArray{array.shape, detail::mapped<double>(array, f), std::move(unit)};
}

// f of every value converted to a pure number (radians for an angle), into
// a result in `unit`; IncompatibleUnits when the array has a dimension.
template <class F>
Result<ValueArray> of_pure_numbers(const ArrayView& array, UnitRef unit, F f) {
  Result<ConversionPlan> converting = conversion_plan(*array.unit, *UnitRef());
  if (!converting) return fail(std::move(converting).error());
  const ConversionPlan plan = *converting;
  if (plan.with_offsets) {
    return mapped(array, std::move(unit), [=](double v) { return f(plan.by_offsets(v)); });
  }
  return mapped(array, std::move(unit), [=](double v) { return f(plan.by_scale(v)); });
}

// numpy's remainder: the sign of the divisor, a zero signed as it is.
double remainder_of(double a, double b) {
  double mod = std::fmod(a, b);
  if (b == 0.0) return mod;
  if (mod != 0.0) {
    if ((b < 0) != (mod < 0)) mod += b;
  } else {
    mod = std::copysign(0.0, b);
  }
  return mod;
}

double sign_of(double v) {
  return v > 0 ? 1.0 : v < 0 ? -1.0 : v == 0 ? 0.0 : v;
}

}  // namespace

Result<ValueArray> apply(UnaryFunction function, const ArrayView& array) {
  using F = UnaryFunction;
  const UnitRef& unit = array.unit;
  switch (function) {
    case F::kSqrt:
      return mapped(array, power_of_units(unit, 0.5), [](double v) { return std::sqrt(v); });
    case F::kCbrt:
      return mapped(array, power_of_units(unit, 1.0 / 3.0), [](double v) { return std::cbrt(v); });
    case F::kSquare: return mapped(array, power_of_units(unit, 2.0), [](double v) { return v * v; });
    case F::kReciprocal:
      return mapped(array, power_of_units(unit, -1.0), [](double v) { return 1.0 / v; });
    case F::kFabs: return mapped(array, unit, [](double v) { return std::fabs(v); });
    case F::kRint: return mapped(array, unit, [](double v) { return std::nearbyint(v); });
    case F::kFloor: return mapped(array, unit, [](double v) { return std::floor(v); });
    case F::kCeil: return mapped(array, unit, [](double v) { return std::ceil(v); });
    case F::kTrunc: return mapped(array, unit, [](double v) { return std::trunc(v); });
    case F::kSign: return mapped(array, UnitRef(), sign_of);
    case F::kArcsin: return of_pure_numbers(array, radians(), [](double v) { return std::asin(v); });
    case F::kArccos: return of_pure_numbers(array, radians(), [](double v) { return std::acos(v); });
    case F::kArctan: return of_pure_numbers(array, radians(), [](double v) { return std::atan(v); });
    default: break;
  }
  double (*f)(double) = nullptr;
  switch (function) {
    case F::kExp: f = [](double v) { return std::exp(v); }; break;
    case F::kExp2: f = [](double v) { return std::exp2(v); }; break;
    case F::kExpm1: f = [](double v) { return std::expm1(v); }; break;
    case F::kLog: f = [](double v) { return std::log(v); }; break;
    case F::kLog2: f = [](double v) { return std::log2(v); }; break;
    case F::kLog10: f = [](double v) { return std::log10(v); }; break;
    case F::kLog1p: f = [](double v) { return std::log1p(v); }; break;
    case F::kSin: f = [](double v) { return std::sin(v); }; break;
    case F::kCos: f = [](double v) { return std::cos(v); }; break;
    case F::kTan: f = [](double v) { return std::tan(v); }; break;
    case F::kSinh: f = [](double v) { return std::sinh(v); }; break;
    case F::kCosh: f = [](double v) { return std::cosh(v); }; break;
    default: f = [](double v) { return std::tanh(v); }; break;
  }
  return of_pure_numbers(array, UnitRef(), f);
}

Result<ValueArray> apply(BinaryFunction function, const ArrayView& a, const ArrayView& b) {
  using F = BinaryFunction;
  if (!(a.unit->dimensions() == b.unit->dimensions())) return incompatible(*a.unit, *b.unit);
  Result<ArrayShape> shape = broadcast(a.shape, b.shape);
  if (!shape) return fail(std::move(shape).error());
  const ConversionPlan plan = ConversionPlan::rescaling(*b.unit, *a.unit);
  auto values = [&](auto f) {
    return detail::combined<double>(a, b, *shape,
                                    [=](double x, double y) { return f(x, plan.by_scale(y)); });
  };
  Values out;
  switch (function) {
    case F::kMaximum:
      out = values([](double x, double y) { return (x >= y || x != x) ? x : y; });
      break;
    case F::kMinimum:
      out = values([](double x, double y) { return (x <= y || x != x) ? x : y; });
      break;
    case F::kFmax:
      out = values([](double x, double y) { return (x >= y || y != y) ? x : y; });
      break;
    case F::kFmin:
      out = values([](double x, double y) { return (x <= y || y != y) ? x : y; });
      break;
    case F::kHypot: out = values([](double x, double y) { return std::hypot(x, y); }); break;
    case F::kCopysign:
      out = values([](double x, double y) { return std::copysign(x, y); });
      break;
    case F::kRemainder: out = values(remainder_of); break;
    case F::kFmod: out = values([](double x, double y) { return std::fmod(x, y); }); break;
    case F::kArctan2:
      out = values([](double x, double y) { return std::atan2(x, y); });
      return ValueArray{std::move(*shape), std::move(out), radians()};
  }
  return ValueArray{std::move(*shape), std::move(out), a.unit};
}

BooleanArray test(Predicate predicate, const ArrayView& array) {
  auto truths = [&](auto f) {
    return BooleanArray{array.shape, detail::mapped<unsigned char>(array, f)};
  };
  switch (predicate) {
    case Predicate::kIsnan:
      return truths([](double x) -> unsigned char { return x != x; });
    case Predicate::kIsinf:
      return truths([](double x) -> unsigned char { return std::fabs(x) == HUGE_VAL; });
    case Predicate::kIsfinite:
      return truths([](double x) -> unsigned char { return std::fabs(x) < HUGE_VAL; });
    case Predicate::kSignbit:
      return truths([](double x) -> unsigned char { return std::signbit(x); });
  }
  return truths([](double) -> unsigned char { return 0; });
}

Result<ValueArray> cumulative_sum(const ArrayView& array, std::size_t axis) {
  const ArrayShape& shape = array.shape;
  if (axis >= shape.ndim()) {
    return fail(DrovikError::axis_out_of_range(std::to_string(axis), std::to_string(shape.ndim())));
  }
  // Values along the axis lie `inner` apart; blocks of extent * inner follow.
  std::size_t extent = shape[axis], inner = 1;
  for (std::size_t k = axis + 1; k < shape.ndim(); ++k) inner *= shape[k];
  Values out(shape.size());
  CompactValues compact(array);
  const double* in = compact.data();
  for (std::size_t block = 0; block < out.size(); block += extent * inner) {
    for (std::size_t i = 0; i < inner && extent > 0; ++i) out[block + i] = in[block + i];
    for (std::size_t k = 1; k < extent; ++k) {
      double* row = out.data() + block + k * inner;
      const double* before = row - inner;
      const double* from = in + block + k * inner;
      for (std::size_t i = 0; i < inner; ++i) row[i] = before[i] + from[i];
    }
  }
  return ValueArray{shape, std::move(out), array.unit};
}

}  // namespace drovik
