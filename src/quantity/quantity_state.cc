#include "quantity/quantity_state.h"

#include "unit/unit_word_resolution.h"

namespace drovik {
namespace {

SingleUnit restore_unit(const UnitState& state) {
  SingleUnit unit =
      SingleUnit::custom(state.name, state.symbol, state.scale, state.dimensions, state.offset);
  // Equal in all five fields, so indistinguishable, and it needs no copy of
  // the texts.
  std::optional<SingleUnit> catalogue = search_for_unit_name(state.symbol);
  if (catalogue && *catalogue == unit) return std::move(*catalogue);
  return unit;
}

}  // namespace

QuantityState save_state(const Drovik& quantity) {
  QuantityState state;
  state.value = quantity.value;
  state.dimensions = quantity.unit.dimensions();
  state.scale = quantity.unit.scale();
  state.units.reserve(quantity.unit.size());
  for (std::size_t i = 0; i < quantity.unit.size(); ++i) {
    const UnitEntry& entry = quantity.unit[i];
    state.units.push_back(UnitState{entry.unit.name().str(), entry.unit.symbol().str(),
                                    entry.unit.scale(), entry.unit.offset(),
                                    entry.unit.dimensions(), entry.exponent});
  }
  return state;
}

std::optional<Drovik> restore_state(const QuantityState& state) {
  UnitCollection units(state.dimensions, state.scale);
  for (const UnitState& unit_state : state.units) {
    SingleUnit unit = restore_unit(unit_state);
    if (units.find(unit) != units.size()) return std::nullopt;
    units.insert(std::move(unit), unit_state.exponent);
  }
  return Drovik{state.value, std::move(units)};
}

}  // namespace drovik
