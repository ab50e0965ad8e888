// The quantity record: a double value in a unit.
#ifndef DROVIK_QUANTITY_DROVIK_H_
#define DROVIK_QUANTITY_DROVIK_H_

#include "unit/unit_collection.h"

namespace drovik {

// A double value in a unit. Quantities are values: every operation builds a
// new one and none changes an existing one.
struct Drovik {
  double value = 1.0;
  UnitCollection unit;
};

}  // namespace drovik

#endif  // DROVIK_QUANTITY_DROVIK_H_
