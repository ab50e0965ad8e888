// The quantity record: a double value in a unit.
#ifndef DROVIK_QUANTITY_DROVIK_H_
#define DROVIK_QUANTITY_DROVIK_H_

#include "unit/unit_ref.h"

namespace drovik {

// A double value in a unit. Quantities are values: every operation builds a
// new one and none changes an existing one. The unit is one pointer, to a
// collection usually shared with every other quantity in that unit.
struct Drovik {
  double value = 1.0;
  UnitRef unit;
};

}  // namespace drovik

#endif  // DROVIK_QUANTITY_DROVIK_H_
