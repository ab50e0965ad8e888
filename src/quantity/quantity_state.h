// A quantity taken apart into plain fields and put back together, so that a
// saved quantity (a pickle, say) comes back the same in every respect: the
// value, each unit's five fields and exponent, and the cached dimensions and
// scale, which are restored as saved rather than recomputed.
#ifndef DROVIK_QUANTITY_QUANTITY_STATE_H_
#define DROVIK_QUANTITY_QUANTITY_STATE_H_

#include <optional>
#include <string>
#include <vector>

#include "catalogue/dimension_vector.h"
#include "quantity/drovik.h"

namespace drovik {

struct UnitState {
  std::string name;
  std::string symbol;
  double scale = 1.0;
  double offset = 0.0;
  DimensionVector dimensions{};
  double exponent = 1.0;
};

struct QuantityState {
  double value = 1.0;
  std::vector<UnitState> units;
  DimensionVector dimensions{};
  double scale = 1.0;
};

QuantityState save_state(const Drovik& quantity);

// The quantity `state` describes, or nothing when two of its units are
// equal (a collection holds each unit once). A unit whose fields match the
// catalogue unit its symbol names becomes that catalogue unit.
std::optional<Drovik> restore_state(const QuantityState& state);

}  // namespace drovik

#endif  // DROVIK_QUANTITY_QUANTITY_STATE_H_
