#include "quantity/quantity_comparison.h"

#include "quantity/conversion.h"

namespace drovik {

Result<bool> compare(const Drovik& receiver, const Drovik& other, CompareOp op) {
  Result<double> converted = converted_value(other, *receiver.unit);
  if (!converted) return fail(std::move(converted).error());
  double a = receiver.value;
  double b = *converted;
  switch (op) {
    case CompareOp::Less: return a < b;
    case CompareOp::LessEqual: return a <= b;
    case CompareOp::Equal: return a == b;
    case CompareOp::NotEqual: return a != b;
    case CompareOp::Greater: return a > b;
    case CompareOp::GreaterEqual: return a >= b;
  }
  return false;
}

}  // namespace drovik
