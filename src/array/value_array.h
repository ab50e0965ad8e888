// Many values in one unit: the record behind an array of quantities.
#ifndef DROVIK_ARRAY_VALUE_ARRAY_H_
#define DROVIK_ARRAY_VALUE_ARRAY_H_

#include <vector>

#include "array/array_shape.h"
#include "array/value_allocator.h"
#include "quantity/drovik.h"

namespace drovik {

using Values = std::vector<double, UninitialisedAllocator<double>>;

// An N-dimensional array of doubles in one unit, its values in C order (the
// last axis varies fastest), shape.size() of them. Element i behaves exactly
// as Drovik{values[i], unit} does.
struct ValueArray {
  ArrayShape shape;
  Values values;
  UnitRef unit;
};

// One quantity as an array of shape ().
inline ValueArray single_value(const Drovik& quantity) {
  return ValueArray{ArrayShape(), {quantity.value}, quantity.unit};
}

}  // namespace drovik

#endif  // DROVIK_ARRAY_VALUE_ARRAY_H_
