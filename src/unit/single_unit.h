// One named unit as it takes part in a unit expression: a catalogue row, a
// catalogue row with a prefix, or a custom unit defined at run time.
#ifndef DROVIK_UNIT_SINGLE_UNIT_H_
#define DROVIK_UNIT_SINGLE_UNIT_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "catalogue/dimension_vector.h"
#include "catalogue/prefix_table.h"
#include "catalogue/unit_def.h"
#include "unit/unit_word.h"

namespace drovik {

class SingleUnit {
 public:
  // Refers to `row`, which must outlive the unit (catalogue rows are static).
  static SingleUnit from_row(const UnitDef& row) { return SingleUnit(&row, nullptr, nullptr); }
  // `prefix` applied to `row`: the names and symbols are joined, the scale
  // multiplied by the factor, and the offset is zero.
  static SingleUnit with_prefix(const UnitPrefix& prefix, const UnitDef& row) {
    return SingleUnit(&row, &prefix, nullptr);
  }
  // A unit that exists only in the quantities built from it; the unit owns
  // copies of its two texts. Units users define have no offset; a unit read
  // back from a saved quantity may.
  static SingleUnit custom(std::string_view name, std::string_view symbol, double scale,
                           const DimensionVector& dimensions, double offset = 0.0);
  // The same, with texts that other units may share: units read back from
  // one saved quantity keep one copy of a text however often it recurs.
  using SharedText = std::shared_ptr<const std::string>;
  static SingleUnit custom(SharedText name, SharedText symbol, double scale,
                           const DimensionVector& dimensions, double offset);

  SingleUnit(const SingleUnit& other)
      : row_(other.row_), prefix_(other.prefix_), owner_(other.owner_) {
    retain();
  }
  SingleUnit(SingleUnit&& other) noexcept
      : row_(other.row_), prefix_(other.prefix_), owner_(other.owner_) {
    other.owner_ = nullptr;
  }
  SingleUnit& operator=(const SingleUnit& other) {
    SingleUnit copy(other);
    swap(copy);
    return *this;
  }
  SingleUnit& operator=(SingleUnit&& other) noexcept {
    SingleUnit moved(std::move(other));
    swap(moved);
    return *this;
  }
  ~SingleUnit() { release(); }

  UnitWord name() const { return {prefix_ ? prefix_->name : "", row_->name}; }
  UnitWord symbol() const { return {prefix_ ? prefix_->symbol : "", row_->symbol}; }
  double scale() const { return prefix_ ? row_->scale * prefix_->factor : row_->scale; }
  double offset() const { return prefix_ ? 0.0 : row_->offset; }
  const DimensionVector& dimensions() const { return row_->dimensions; }

  // Mixes the row and prefix addresses: equal for same_row() units.
  std::uint64_t identity_hash() const {
    auto row = reinterpret_cast<std::uintptr_t>(row_);
    auto prefix = reinterpret_cast<std::uintptr_t>(prefix_);
    return (row * 0x9e3779b97f4a7c15ULL) ^ (prefix + (prefix << 17));
  }

  // True for a custom unit, which has no catalogue row behind it.
  bool is_custom() const { return owner_ != nullptr; }
  // A custom unit's texts, which other units may share; nullptr for
  // catalogue units.
  const SharedText* shared_name() const;
  const SharedText* shared_symbol() const;

  // Equal when name, symbol, scale, offset and dimensions all are; a unit with
  // a NaN field is therefore unequal to itself.
  friend bool operator==(const SingleUnit& a, const SingleUnit& b);
  // The same row under the same prefix (for custom units: the same unit,
  // copies included), so equal in every bit of every field.
  friend bool same_row(const SingleUnit& a, const SingleUnit& b) {
    return a.row_ == b.row_ && a.prefix_ == b.prefix_;
  }

 private:
  struct CustomRow;

  SingleUnit(const UnitDef* row, const UnitPrefix* prefix, CustomRow* owner)
      : row_(row), prefix_(prefix), owner_(owner) {}

  void swap(SingleUnit& other) noexcept {
    std::swap(row_, other.row_);
    std::swap(prefix_, other.prefix_);
    std::swap(owner_, other.owner_);
  }
  // A custom row is shared by the copies of its unit, in any thread; it is
  // immutable, so only its reference count changes.
  void retain() {
    if (owner_ != nullptr) retain_custom();
  }
  void release() {
    if (owner_ != nullptr) release_custom();
  }
  void retain_custom();
  void release_custom();

  const UnitDef* row_;
  const UnitPrefix* prefix_;
  CustomRow* owner_;  // the custom row behind row_, or nullptr for catalogue units
};

// A new unit made from a catalogue row, with the row's fields unchanged.
inline SingleUnit create_from_unit_def(const UnitDef& row) { return SingleUnit::from_row(row); }

}  // namespace drovik

#endif  // DROVIK_UNIT_SINGLE_UNIT_H_
