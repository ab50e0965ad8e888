// A product of single units, each raised to a double exponent, with the
// dimension vector and scale of the whole product cached beside it.
#ifndef DROVIK_UNIT_UNIT_COLLECTION_H_
#define DROVIK_UNIT_UNIT_COLLECTION_H_

#include <cstddef>
#include <memory>
#include <type_traits>

#include "base/inline_vector.h"
#include "catalogue/dimension_vector.h"
#include "unit/single_unit.h"

namespace drovik {

struct UnitEntry {
  SingleUnit unit;
  double exponent;
};

// A unit entry is three pointers and a double; moving it bytewise leaves
// nothing to release (the custom-row reference moves with the bytes).
template <>
struct is_trivially_relocatable<UnitEntry> : std::true_type {};

// The entries form a map from unit to exponent with at most one entry per
// unit (under SingleUnit equality). Their order is unspecified. The cached
// dimensions and scale are never recomputed from the entries: each operation
// that builds a collection computes them alongside, with the double operations
// its definition fixes.
//
// Small collections find a unit by scanning their entries. From
// kIndexedFrom entries on, an ordered index keeps each lookup logarithmic, so
// that building a collection of n units costs O(n log n) whatever the units.
class UnitCollection {
 public:
  static constexpr std::size_t kIndexedFrom = 16;

  // The unitless collection: no entries, zero dimensions, scale 1.0.
  UnitCollection() = default;
  // The collection of one unit with exponent 1.0.
  explicit UnitCollection(SingleUnit unit) : dimensions_(unit.dimensions()), scale_(unit.scale()) {
    entries_.emplace_back(UnitEntry{std::move(unit), 1.0});
  }
  UnitCollection(const DimensionVector& dimensions, double scale)
      : dimensions_(dimensions), scale_(scale) {}

  UnitCollection(const UnitCollection& other)
      : entries_(other.entries_),
        dimensions_(other.dimensions_),
        scale_(other.scale_),
        index_(other.index_ ? copy_index(*other.index_) : nullptr) {}
  UnitCollection(UnitCollection&& other) noexcept = default;
  UnitCollection& operator=(const UnitCollection& other) {
    if (this != &other) *this = UnitCollection(other);
    return *this;
  }
  UnitCollection& operator=(UnitCollection&& other) noexcept = default;
  ~UnitCollection() = default;

  const DimensionVector& dimensions() const { return dimensions_; }
  double scale() const { return scale_; }
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const UnitEntry& operator[](std::size_t i) const { return entries_[i]; }
  UnitEntry& operator[](std::size_t i) { return entries_[i]; }

  // Index of the entry whose unit equals `unit`, or size() when none does.
  std::size_t find(const SingleUnit& unit) const {
    if (index_) [[unlikely]]
      return find_indexed(unit);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].unit == unit) return i;
    }
    return entries_.size();
  }
  // Inserts a unit known to be absent.
  void insert(SingleUnit unit, double exponent) {
    entries_.emplace_back(UnitEntry{std::move(unit), exponent});
    if (index_ || entries_.size() >= kIndexedFrom) [[unlikely]]
      index_last_entry();
  }
  // Removes entry i; the last entry takes its place.
  void remove_at(std::size_t i) {
    if (index_) [[unlikely]]
      unindex_entry(i);
    entries_.swap_remove(i);
  }

  void set_dimensions(const DimensionVector& dimensions) { dimensions_ = dimensions; }
  void set_scale(double scale) { scale_ = scale; }

 private:
  class Index;
  // Out of line, so that Index stays private to the .cc file.
  struct IndexDeleter {
    void operator()(Index* index) const;
  };

  static Index* copy_index(const Index& index);
  std::size_t find_indexed(const SingleUnit& unit) const;
  void index_last_entry();
  void unindex_entry(std::size_t i);

  InlineVector<UnitEntry, 4> entries_;
  DimensionVector dimensions_{};
  double scale_ = 1.0;
  std::unique_ptr<Index, IndexDeleter> index_;  // present once the collection is large
};

// The same collection bit for bit: the same units (rows and prefixes) in the
// same order, with the same bits in every exponent, dimension and the scale.
// Stricter than comparing by value: -0.0 and 0.0 differ, a NaN equals itself.
bool identical(const UnitCollection& a, const UnitCollection& b);

}  // namespace drovik

#endif  // DROVIK_UNIT_UNIT_COLLECTION_H_
