// Process-wide Python objects made on first use, without a lock.
#ifndef DROVIK_PYTHON_ONCE_H_
#define DROVIK_PYTHON_ONCE_H_

#include "python/python_api.h"

#include <atomic>

namespace drovik::python {

// The object in `cell`, made by `make` on first use (nullptr with an
// exception set if that fails). Threads that race to make it each make one;
// the losers drop theirs and use the winner's, which lives for the process.
template <class T, class Make>
T* once(std::atomic<T*>& cell, Make make) {
  T* value = cell.load(std::memory_order_acquire);
  if (value != nullptr) return value;
  T* created = make();
  if (created == nullptr) return nullptr;
  if (cell.compare_exchange_strong(value, created, std::memory_order_acq_rel)) return created;
  Py_DECREF(created);
  return value;
}

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_ONCE_H_
