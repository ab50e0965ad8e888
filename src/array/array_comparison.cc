#include "array/array_comparison.h"

#include <functional>

#include "array/element_loops.h"
#include "quantity/conversion.h"

namespace drovik {
namespace {

template <class Compare>
BooleanArray compared(const ArrayView& receiver, const ArrayView& other, ArrayShape shape,
                      const ConversionPlan& plan, Compare compare) {
  // The plan's two formulas, each in a loop of its own.
  auto values =
      plan.with_offsets
          ? detail::combined<unsigned char>(receiver, other, shape,
                                            [=](double v, double w) -> unsigned char {
                                              return compare(v, plan.by_offsets(w));
                                            })
          : detail::combined<unsigned char>(receiver, other, shape,
                                            [=](double v, double w) -> unsigned char {
                                              return compare(v, plan.by_scale(w));
                                            });
  return BooleanArray{std::move(shape), std::move(values)};
}

}  // namespace

Result<BooleanArray> compare(const ArrayView& receiver, const ArrayView& other, CompareOp op) {
  Result<ConversionPlan> plan = conversion_plan(*other.unit, *receiver.unit);
  if (!plan) return fail(std::move(plan).error());
  Result<ArrayShape> shape = broadcast(receiver.shape, other.shape);
  if (!shape) return fail(std::move(shape).error());
  switch (op) {
    case CompareOp::Less: return compared(receiver, other, *shape, *plan, std::less<double>());
    case CompareOp::LessEqual:
      return compared(receiver, other, *shape, *plan, std::less_equal<double>());
    case CompareOp::Equal:
      return compared(receiver, other, *shape, *plan, std::equal_to<double>());
    case CompareOp::NotEqual:
      return compared(receiver, other, *shape, *plan, std::not_equal_to<double>());
    case CompareOp::Greater:
      return compared(receiver, other, *shape, *plan, std::greater<double>());
    case CompareOp::GreaterEqual:
      return compared(receiver, other, *shape, *plan, std::greater_equal<double>());
  }
  return compared(receiver, other, *shape, *plan, std::less<double>());
}

CompareOp swapped(CompareOp op) {
  switch (op) {
    case CompareOp::Less: return CompareOp::Greater;
    case CompareOp::LessEqual: return CompareOp::GreaterEqual;
    case CompareOp::Greater: return CompareOp::Less;
    case CompareOp::GreaterEqual: return CompareOp::LessEqual;
    case CompareOp::Equal:
    case CompareOp::NotEqual: return op;
  }
  return op;
}

}  // namespace drovik
