// The allocator behind the values of arrays.
#ifndef DROVIK_ARRAY_VALUE_ALLOCATOR_H_
#define DROVIK_ARRAY_VALUE_ALLOCATOR_H_

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

namespace drovik {

// Leaves new values uninitialised: resizing a vector of results writes each
// value once, in the loop that computes it, instead of zeroing them first.
// Blocks of a page or more start on a cache line, so that no vector store of
// a loop straddles two lines; small ones take the allocator's own alignment,
// which costs no padding. (Huge pages, as numpy asks for, were tried: in
// some processes faulting them in cost 30 times the loop.)
template <class T>
struct UninitialisedAllocator {
  using value_type = T;
  static constexpr std::align_val_t kAlignment{64};
  static constexpr std::size_t kAlignFrom = 4096;  // bytes

  UninitialisedAllocator() = default;
  template <class U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}  // NOLINT

  T* allocate(std::size_t n) {
    if (n > std::size_t(-1) / sizeof(T)) throw std::bad_array_new_length();
    std::size_t bytes = n * sizeof(T);
    return static_cast<T*>(bytes >= kAlignFrom ? ::operator new(bytes, kAlignment)
                                               : ::operator new(bytes));
  }
  void deallocate(T* p, std::size_t n) noexcept {
    if (n * sizeof(T) >= kAlignFrom) {
      ::operator delete(p, kAlignment);
    } else {
      ::operator delete(p);
    }
  }
  template <class U>
  friend bool operator==(const UninitialisedAllocator&, const UninitialisedAllocator<U>&) {
    return true;
  }

  template <class U>
  void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

}  // namespace drovik

#endif  // DROVIK_ARRAY_VALUE_ALLOCATOR_H_
