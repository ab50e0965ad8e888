// The allocator behind the values of arrays.
#ifndef DROVIK_ARRAY_VALUE_ALLOCATOR_H_
#define DROVIK_ARRAY_VALUE_ALLOCATOR_H_

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

namespace drovik {

// Freed blocks of values kept by the thread that freed them, for its next
// arrays of the same size: a fresh block costs a page fault per 4 KiB on
// first touch (about as much as the loop that fills it), a reused one none,
// so a chain of operations on large arrays pays for its blocks once. At most
// kBlocks blocks and kBytes bytes are kept per thread, each of kFrom bytes or
// more (smaller ones come from the allocator's own free lists anyway); the
// thread frees what it keeps when it ends.
class BlockCache {
 public:
  static constexpr std::size_t kFrom = 256 * 1024, kBytes = 64 * 1024 * 1024, kBlocks = 4;

  // A kept block of exactly `bytes`, or nullptr.
  void* take(std::size_t bytes) {
    for (std::size_t i = 0; i < count_; ++i) {
      if (blocks_[i].bytes != bytes) continue;
      void* block = blocks_[i].block;
      held_ -= bytes;
      blocks_[i] = blocks_[--count_];
      return block;
    }
    return nullptr;
  }

  // Keeps `block` of `bytes`, making room by freeing the oldest blocks; false
  // when it is too large to keep.
  bool keep(void* block, std::size_t bytes) {
    if (bytes > kBytes || closed_) return false;
    while (count_ == kBlocks || held_ + bytes > kBytes) {
      release(blocks_[0]);
      held_ -= blocks_[0].bytes;
      for (std::size_t i = 1; i < count_; ++i) blocks_[i - 1] = blocks_[i];
      --count_;
    }
    blocks_[count_++] = Block{block, bytes};
    held_ += bytes;
    return true;
  }

  // A block freed after the thread's cache is gone (at the thread's very
  // end) goes straight back to the allocator.
  ~BlockCache() {
    for (std::size_t i = 0; i < count_; ++i) release(blocks_[i]);
    count_ = 0;
    closed_ = true;
  }

  static constexpr std::align_val_t kAlignment{64};

 private:
  struct Block {
    void* block;
    std::size_t bytes;
  };
  static void release(const Block& b) { ::operator delete(b.block, kAlignment); }

  Block blocks_[kBlocks] = {};
  std::size_t count_ = 0, held_ = 0;
  bool closed_ = false;
};

inline thread_local BlockCache t_block_cache;

// Leaves new values uninitialised: resizing a vector of results writes each
// value once, in the loop that computes it, instead of zeroing them first.
// Blocks of a page or more start on a cache line, so that no vector store of
// a loop straddles two lines; small ones take the allocator's own alignment,
// which costs no padding. (Huge pages, as numpy asks for, were tried: in
// some processes faulting them in cost 30 times the loop.)
template <class T>
struct UninitialisedAllocator {
  using value_type = T;
  static constexpr std::align_val_t kAlignment = BlockCache::kAlignment;
  static constexpr std::size_t kAlignFrom = 4096;  // bytes, at most BlockCache::kFrom

  UninitialisedAllocator() = default;
  template <class U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}  // NOLINT

  T* allocate(std::size_t n) {
    if (n > std::size_t(-1) / sizeof(T)) throw std::bad_array_new_length();
    std::size_t bytes = n * sizeof(T);
    if (bytes >= BlockCache::kFrom) {
      if (void* kept = t_block_cache.take(bytes)) return static_cast<T*>(kept);
    }
    return static_cast<T*>(bytes >= kAlignFrom ? ::operator new(bytes, kAlignment)
                                               : ::operator new(bytes));
  }
  void deallocate(T* p, std::size_t n) noexcept {
    std::size_t bytes = n * sizeof(T);
    if (bytes >= BlockCache::kFrom && t_block_cache.keep(p, bytes)) return;
    if (bytes >= kAlignFrom) {
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
