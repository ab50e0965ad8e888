// The per-instance claim that lets many threads read a quantity at once while
// one exclusive operation keeps the others out. No lock is taken: the state
// is one atomic counter, 0 when free, n > 0 with n readers, -1 when held
// exclusively.
#ifndef DROVIK_PYTHON_BORROW_COUNTER_H_
#define DROVIK_PYTHON_BORROW_COUNTER_H_

#include <atomic>
#include <cstdint>

namespace drovik {

class BorrowCounter {
 public:
  static constexpr std::int64_t kExclusive = -1;

  // Fails only while the counter is held exclusively.
  bool try_borrow_shared() {
    std::int64_t current = state_.load(std::memory_order_relaxed);
    do {
      if (current == kExclusive) return false;
    } while (!state_.compare_exchange_weak(current, current + 1, std::memory_order_acq_rel,
                                           std::memory_order_relaxed));
    return true;
  }
  void release_shared() { state_.fetch_sub(1, std::memory_order_release); }

  // The test a shared claim makes, without taking one: true unless the
  // counter is held exclusively. For readers that nobody can observe while
  // they read (see python/drovik_object.h); it writes nothing, so threads
  // reading one quantity do not contend for its cache line.
  bool readable() const { return state_.load(std::memory_order_acquire) != kExclusive; }

  // Fails while anybody holds a claim.
  bool try_borrow_exclusive() {
    std::int64_t expected = 0;
    return state_.compare_exchange_strong(expected, kExclusive, std::memory_order_acq_rel,
                                          std::memory_order_relaxed);
  }
  void release_exclusive() { state_.store(0, std::memory_order_release); }

  std::int64_t load() const { return state_.load(std::memory_order_acquire); }

 private:
  std::atomic<std::int64_t> state_{0};
};

}  // namespace drovik

#endif  // DROVIK_PYTHON_BORROW_COUNTER_H_
