#include "unit/single_unit.h"

#include <atomic>
#include <string>

namespace drovik {

struct SingleUnit::CustomRow {
  SharedText name;
  SharedText symbol;
  UnitDef row;
  std::atomic<long> references{1};
};

SingleUnit SingleUnit::custom(std::string_view name, std::string_view symbol, double scale,
                              const DimensionVector& dimensions, double offset) {
  return custom(std::make_shared<const std::string>(name),
                std::make_shared<const std::string>(symbol), scale, dimensions, offset);
}

SingleUnit SingleUnit::custom(SharedText name, SharedText symbol, double scale,
                              const DimensionVector& dimensions, double offset) {
  auto* owner = new CustomRow{std::move(name), std::move(symbol), {}, {}};
  owner->references.store(1, std::memory_order_relaxed);
  owner->row = UnitDef{*owner->name, *owner->symbol, offset, scale, dimensions};
  return SingleUnit(&owner->row, nullptr, owner);
}

const SingleUnit::SharedText* SingleUnit::shared_name() const {
  return owner_ != nullptr ? &owner_->name : nullptr;
}

const SingleUnit::SharedText* SingleUnit::shared_symbol() const {
  return owner_ != nullptr ? &owner_->symbol : nullptr;
}

void SingleUnit::retain_custom() { owner_->references.fetch_add(1, std::memory_order_relaxed); }

void SingleUnit::release_custom() {
  if (owner_->references.fetch_sub(1, std::memory_order_acq_rel) == 1) delete owner_;
  owner_ = nullptr;
}

bool operator==(const SingleUnit& a, const SingleUnit& b) {
  if (!(a.scale() == b.scale() && a.offset() == b.offset() && a.dimensions() == b.dimensions())) {
    return false;
  }
  // The same row under the same prefix has the same texts.
  if (a.row_ == b.row_ && a.prefix_ == b.prefix_) return true;
  return a.name() == b.name() && a.symbol() == b.symbol();
}

}  // namespace drovik
