#include "unit/unit_arithmetic.h"

#include <cmath>

#include "catalogue/unit_table.h"

namespace drovik {
namespace {

// Adds `sign` * exponent of every entry of b to the map of `result`, dropping
// entries whose exponent ends exactly at zero.
void merge_entries(UnitCollection& result, const UnitCollection& b, double sign) {
  for (std::size_t j = 0; j < b.size(); ++j) {
    const UnitEntry& entry = b[j];
    std::size_t i = result.find(entry.unit);
    if (i == result.size()) {
      result.insert(entry.unit, sign > 0 ? entry.exponent : -entry.exponent);
    } else if (sign > 0) {
      result[i].exponent = result[i].exponent + entry.exponent;
    } else {
      result[i].exponent = result[i].exponent - entry.exponent;
    }
    if (result[i].exponent == 0.0) result.remove_at(i);
  }
}

}  // namespace

UnitCollection mul(UnitCollection a, const UnitCollection& b) {
  merge_entries(a, b, 1.0);
  DimensionVector dimensions = a.dimensions();
  for (std::size_t k = 0; k < kBaseDimensionCount; ++k) {
    dimensions[k] = dimensions[k] + b.dimensions()[k];
  }
  a.set_dimensions(dimensions);
  a.set_scale(a.scale() * b.scale());
  return a;
}

UnitCollection div(UnitCollection a, const UnitCollection& b) {
  merge_entries(a, b, -1.0);
  DimensionVector dimensions = a.dimensions();
  for (std::size_t k = 0; k < kBaseDimensionCount; ++k) {
    dimensions[k] = dimensions[k] - b.dimensions()[k];
  }
  a.set_dimensions(dimensions);
  a.set_scale(a.scale() / b.scale());
  return a;
}

void apply_unit_power(UnitCollection& running, const SingleUnit& unit, double e, bool divide) {
  // The power of one unit: exponent e * 1.0, dimensions d * e, scale s ** e
  // (exactly s when e is 1).
  double exponent = e * 1.0;
  double scale = e == 1.0 ? unit.scale() : std::pow(unit.scale(), e);
  std::size_t i = running.find(unit);
  if (i == running.size()) {
    running.insert(unit, divide ? -exponent : exponent);
  } else {
    running[i].exponent = divide ? running[i].exponent - exponent : running[i].exponent + exponent;
  }
  if (running[i].exponent == 0.0) running.remove_at(i);
  DimensionVector dimensions = running.dimensions();
  for (std::size_t k = 0; k < kBaseDimensionCount; ++k) {
    double power = unit.dimensions()[k] * e;
    dimensions[k] = divide ? dimensions[k] - power : dimensions[k] + power;
  }
  running.set_dimensions(dimensions);
  running.set_scale(divide ? running.scale() / scale : running.scale() * scale);
}

UnitCollection pow(const UnitCollection& a, double p) {
  DimensionVector dimensions = a.dimensions();
  for (std::size_t k = 0; k < kBaseDimensionCount; ++k) {
    dimensions[k] = dimensions[k] * p;
  }
  UnitCollection result(dimensions, std::pow(a.scale(), p));
  for (std::size_t i = 0; i < a.size(); ++i) {
    result.insert(a[i].unit, p * a[i].exponent);
  }
  return result;
}

UnitCollection get_base_units(const UnitCollection& a) {
  UnitCollection result(a.dimensions(), 1.0);
  for (std::size_t k = 0; k < kBaseDimensionCount; ++k) {
    result.insert(create_from_unit_def(kBaseUnits[k]), a.dimensions()[k]);
  }
  return result;
}

}  // namespace drovik
