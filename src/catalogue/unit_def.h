// One row of the unit catalogue.
#ifndef DROVIK_CATALOGUE_UNIT_DEF_H_
#define DROVIK_CATALOGUE_UNIT_DEF_H_

#include <string_view>

#include "catalogue/dimension_vector.h"

namespace drovik {

// A reading v in this unit stands for v * scale - offset in the coherent
// product of base units named by `dimensions`.
struct UnitDef {
  std::string_view name;
  std::string_view symbol;
  double offset;
  double scale;
  DimensionVector dimensions;
};

}  // namespace drovik

#endif  // DROVIK_CATALOGUE_UNIT_DEF_H_
