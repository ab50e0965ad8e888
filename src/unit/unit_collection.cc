#include "unit/unit_collection.h"

#include <map>

#include "catalogue/dimension_vector.h"

namespace drovik {
namespace {

// Orders the words byte-wise across their two parts, as UnitWord equality
// compares them.
int compare_words(const UnitWord& a, const UnitWord& b) {
  if (a.same_storage(b)) return 0;
  std::size_t i = 0;
  std::size_t size = a.size() < b.size() ? a.size() : b.size();
  auto at = [](const UnitWord& w, std::size_t k) {
    return static_cast<unsigned char>(k < w.head.size() ? w.head[k] : w.tail[k - w.head.size()]);
  };
  for (; i < size; ++i) {
    unsigned char x = at(a, i), y = at(b, i);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int compare_doubles(double a, double b) {
  if (a < b) return -1;
  if (b < a) return 1;
  return 0;  // equal, -0.0 and 0.0 included (NaN never gets here)
}

// A strict weak order on units whose scale, offset and dimensions hold no
// NaN. Two units are equivalent under it exactly when SingleUnit equality
// holds: the same texts and the same numbers compared as doubles.
struct UnitOrder {
  bool operator()(const SingleUnit& a, const SingleUnit& b) const {
    if (int c = compare_words(a.name(), b.name())) return c < 0;
    if (int c = compare_words(a.symbol(), b.symbol())) return c < 0;
    if (int c = compare_doubles(a.scale(), b.scale())) return c < 0;
    if (int c = compare_doubles(a.offset(), b.offset())) return c < 0;
    for (std::size_t k = 0; k < kBaseDimensionCount; ++k) {
      if (int c = compare_doubles(a.dimensions()[k], b.dimensions()[k])) return c < 0;
    }
    return false;
  }
};

// A unit with a NaN field equals no unit, itself included, so it is never
// found and never indexed.
bool can_equal(const SingleUnit& unit) { return unit == unit; }

}  // namespace

class UnitCollection::Index {
 public:
  std::size_t find(const SingleUnit& unit, std::size_t absent) const {
    auto it = positions_.find(unit);
    return it == positions_.end() ? absent : it->second;
  }
  void put(const SingleUnit& unit, std::size_t position) {
    if (can_equal(unit)) positions_.insert_or_assign(unit, position);
  }
  void erase(const SingleUnit& unit) {
    if (can_equal(unit)) positions_.erase(unit);
  }

 private:
  std::map<SingleUnit, std::size_t, UnitOrder> positions_;
};

UnitCollection::Index* UnitCollection::copy_index(const Index& index) { return new Index(index); }

void UnitCollection::IndexDeleter::operator()(Index* index) const { delete index; }

std::size_t UnitCollection::find_indexed(const SingleUnit& unit) const {
  return can_equal(unit) ? index_->find(unit, entries_.size()) : entries_.size();
}

// Indexes the newest entry; the first time the collection is large enough,
// indexes all of them.
void UnitCollection::index_last_entry() {
  if (!index_) {
    index_.reset(new Index());
    for (std::size_t i = 0; i + 1 < entries_.size(); ++i) index_->put(entries_[i].unit, i);
  }
  index_->put(entries_[entries_.size() - 1].unit, entries_.size() - 1);
}

void UnitCollection::unindex_entry(std::size_t i) {
  std::size_t last = entries_.size() - 1;
  index_->erase(entries_[i].unit);
  if (i != last) index_->put(entries_[last].unit, i);
}

bool identical(const UnitCollection& a, const UnitCollection& b) {
  if (a.size() != b.size() || !same_bits(a.scale(), b.scale()) ||
      !same_bits(a.dimensions(), b.dimensions())) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!same_row(a[i].unit, b[i].unit) || !same_bits(a[i].exponent, b[i].exponent)) return false;
  }
  return true;
}

}  // namespace drovik
