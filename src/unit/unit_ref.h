// A quantity's unit: one pointer, to an interned collection shared by every
// quantity in the process, or to a collection this reference owns alone
// (custom units, very long products, units made after the table filled).
#ifndef DROVIK_UNIT_UNIT_REF_H_
#define DROVIK_UNIT_UNIT_REF_H_

#include <cstdint>
#include <utility>

#include "unit/interned_unit.h"
#include "unit/unit_collection.h"

namespace drovik {

class UnitRef {
 public:
  // The unitless collection.
  UnitRef() noexcept : UnitRef(unitless_unit()) {}
  explicit UnitRef(const InternedUnit& shared) noexcept
      : bits_(reinterpret_cast<std::uintptr_t>(&shared)) {}
  // Shares the interned collection identical to `units` when there is one or
  // room for one; owns `units` otherwise.
  UnitRef(UnitCollection&& units) {  // NOLINT(google-explicit-constructor): a unit either way
    if (const InternedUnit* shared = intern(units)) {
      bits_ = reinterpret_cast<std::uintptr_t>(shared);
    } else {
      bits_ = reinterpret_cast<std::uintptr_t>(new UnitCollection(std::move(units))) | kOwned;
    }
  }

  UnitRef(const UnitCollection& units) : UnitRef(UnitCollection(units)) {}  // NOLINT

  // Copying a shared collection copies the pointer; an owned one is copied.
  UnitRef(const UnitRef& other)
      : bits_(other.is_owned() ? own_copy(*other.owned()) : other.bits_) {}
  UnitRef(UnitRef&& other) noexcept : bits_(std::exchange(other.bits_, unitless_bits())) {}
  UnitRef& operator=(const UnitRef& other) {
    if (this != &other) *this = UnitRef(other);
    return *this;
  }
  UnitRef& operator=(UnitRef&& other) noexcept {
    std::swap(bits_, other.bits_);
    return *this;
  }
  ~UnitRef() {
    if (is_owned()) delete owned();
  }

  const UnitCollection& operator*() const { return is_owned() ? *owned() : shared()->units(); }
  const UnitCollection* operator->() const { return &**this; }

  // The interned collection, or nullptr for an owned one.
  const InternedUnit* interned() const { return is_owned() ? nullptr : shared(); }

 private:
  // The low bit of an address tells the two kinds apart; it is free in both.
  static constexpr std::uintptr_t kOwned = 1;
  static_assert(alignof(InternedUnit) > kOwned && alignof(UnitCollection) > kOwned);

  static std::uintptr_t unitless_bits() {
    return reinterpret_cast<std::uintptr_t>(&unitless_unit());
  }
  static std::uintptr_t own_copy(const UnitCollection& units) {
    return reinterpret_cast<std::uintptr_t>(new UnitCollection(units)) | kOwned;
  }

  bool is_owned() const { return (bits_ & kOwned) != 0; }
  const UnitCollection* owned() const {
    return reinterpret_cast<const UnitCollection*>(bits_ & ~kOwned);
  }
  const InternedUnit* shared() const { return reinterpret_cast<const InternedUnit*>(bits_); }

  std::uintptr_t bits_;
};

}  // namespace drovik

#endif  // DROVIK_UNIT_UNIT_REF_H_
