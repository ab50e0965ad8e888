// A vector that keeps its first N elements inside the object and spills the
// rest to the heap. Unit collections rarely hold more than a few units, so
// they are built and copied without touching the allocator.
#ifndef DROVIK_BASE_INLINE_VECTOR_H_
#define DROVIK_BASE_INLINE_VECTOR_H_

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace drovik {

// Types whose objects may be moved by copying their bytes, leaving the source
// as raw storage that is not destroyed. Trivially copyable types are; other
// types opt in by specialising this.
template <class T>
struct is_trivially_relocatable : std::is_trivially_copyable<T> {};

template <class T, std::size_t N>
class InlineVector {
 public:
  InlineVector() = default;
  InlineVector(const InlineVector& other) { append_all(other); }
  InlineVector(InlineVector&& other) noexcept { take_all(other); }
  InlineVector& operator=(const InlineVector& other) {
    if (this != &other) {
      clear();
      append_all(other);
    }
    return *this;
  }
  InlineVector& operator=(InlineVector&& other) noexcept {
    if (this != &other) {
      clear();
      take_all(other);
    }
    return *this;
  }
  ~InlineVector() { clear(); }

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  T& operator[](std::size_t i) { return i < N ? slot(i) : (*spill_)[i - N]; }
  const T& operator[](std::size_t i) const { return i < N ? slot(i) : (*spill_)[i - N]; }

  template <class... Args>
  void emplace_back(Args&&... args) {
    if (size_ < N) {
      ::new (static_cast<void*>(&inline_[size_])) T(std::forward<Args>(args)...);
    } else {
      if (!spill_) spill_ = std::make_unique<std::vector<T>>();
      spill_->emplace_back(std::forward<Args>(args)...);
    }
    ++size_;
  }

  // Removes element i by moving the last element into its place; the order
  // of the remaining elements is not kept.
  void swap_remove(std::size_t i) {
    std::size_t last = size_ - 1;
    if (i != last) (*this)[i] = std::move((*this)[last]);
    if (last < N) {
      std::destroy_at(&slot(last));
    } else {
      spill_->pop_back();
    }
    --size_;
  }

  void clear() {
    std::size_t in_place = size_ < N ? size_ : N;
    for (std::size_t i = 0; i < in_place; ++i) std::destroy_at(&slot(i));
    spill_.reset();
    size_ = 0;
  }

 private:
  struct alignas(T) Slot {
    unsigned char bytes[sizeof(T)];
  };

  T& slot(std::size_t i) { return *std::launder(reinterpret_cast<T*>(&inline_[i])); }
  const T& slot(std::size_t i) const {
    return *std::launder(reinterpret_cast<const T*>(&inline_[i]));
  }

  void append_all(const InlineVector& other) {
    for (std::size_t i = 0; i < other.size_; ++i) emplace_back(other[i]);
  }
  // Expects this vector to be empty; leaves `other` empty.
  void take_all(InlineVector& other) {
    std::size_t count = other.size_;
    std::size_t in_place = count < N ? count : N;
    if constexpr (is_trivially_relocatable<T>::value) {
      std::memcpy(static_cast<void*>(inline_), static_cast<const void*>(other.inline_),
                  in_place * sizeof(Slot));
    } else {
      for (std::size_t i = 0; i < in_place; ++i) {
        ::new (static_cast<void*>(&inline_[i])) T(std::move(other.slot(i)));
        std::destroy_at(&other.slot(i));
      }
    }
    spill_ = std::move(other.spill_);
    size_ = count;
    other.size_ = 0;
  }

  // The slots start out as raw storage; the empty member is what lets an
  // empty vector be constant-initialised.
  union {
    char no_elements_ = 0;
    Slot inline_[N];
  };
  // Elements past the first N; absent until needed, so a small vector costs
  // one pointer beyond its inline slots.
  std::unique_ptr<std::vector<T>> spill_;
  std::size_t size_ = 0;
};

}  // namespace drovik

#endif  // DROVIK_BASE_INLINE_VECTOR_H_
