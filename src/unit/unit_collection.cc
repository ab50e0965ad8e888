#include "unit/unit_collection.h"

namespace drovik {

std::size_t UnitCollection::find(const SingleUnit& unit) const {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].unit == unit) return i;
  }
  return entries_.size();
}

}  // namespace drovik
