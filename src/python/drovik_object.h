// The Python object behind drovik.Drovik: a quantity record and the borrow
// counter that guards it against the one exclusive operation.
#ifndef DROVIK_PYTHON_DROVIK_OBJECT_H_
#define DROVIK_PYTHON_DROVIK_OBJECT_H_

#include "python/python_api.h"

#include <atomic>
#include <cstdint>

#include "python/borrow_counter.h"
#include "python/once.h"
#include "quantity/drovik.h"

namespace drovik::python {

struct DrovikObject {
  PyObject_HEAD
  BorrowCounter borrow;
  Drovik quantity;
  // Set by wrap() once the record is built. The interpreter zero-fills new
  // objects, so an instance made behind the constructor's back (by assigning
  // Drovik.__new__, say) reads false here and is refused everywhere.
  std::uint8_t built;
};

namespace detail {
// Set once by drovik_type(); nullptr until then.
inline std::atomic<PyTypeObject*> created_type{nullptr};
PyTypeObject* make_drovik_type();
}  // namespace detail

// The class object, created on first use and kept for the life of the
// process; nullptr with an exception set if creating it failed.
inline PyTypeObject* drovik_type() { return once(detail::created_type, detail::make_drovik_type); }

// True when `object` is an instance of the class. The class cannot be
// subclassed, so this is an exact type test: no walk of a str's or an int's
// base classes.
inline bool is_drovik(PyObject* object) {
  return Py_IS_TYPE(object, detail::created_type.load(std::memory_order_acquire));
}

// True for an instance whose record was never built.
inline bool is_unbuilt(PyObject* object) {
  return reinterpret_cast<DrovikObject*>(object)->built == 0;
}

// The record of a built instance that nobody holds exclusively, or nullptr.
// For callers that run no Python code while they read it: the check is a
// silent claim (see Borrow).
inline const Drovik* readable_quantity(PyObject* object) {
  if (!is_drovik(object)) return nullptr;
  auto* self = reinterpret_cast<DrovikObject*>(object);
  return self->built != 0 && self->borrow.readable() ? &self->quantity : nullptr;
}

// Raises the TypeError for an instance whose record was never built.
PyObject* refuse_unbuilt();

// A new Drovik owning `quantity`, or nullptr with an exception set.
PyObject* wrap(Drovik&& quantity);

// The class's tp_free: drops the record, then frees the memory. The
// interpreter's own heap-type destructor calls it and then releases the
// instance's reference to the class, through the per-thread count the
// free-threaded build keeps for types, so freeing quantities in many threads
// does not make them all write the class's shared reference count.
void drovik_free(void* self);

// A claim on an instance for the length of a call.
//
// kShared and kExclusive move the counter: a shared claim is visible to
// round_sfig (which then fails with "Already borrowed"), an exclusive claim to
// everyone else. They are used by every call during which Python code can run
// while the claim is held: a method that coerces arguments (str(),
// __index__, add_note may run user code) and round_sfig.
//
// kSilent only checks that nobody holds the instance exclusively. It is used
// by calls that run no Python code between the check and the end of their
// read: the unary slots, the methods without arguments, and the operator
// and comparison slots, whose operand coercion calls no Python code. Such a
// call cannot be told apart from one that took and released a shared claim
// at the instant of its check: the record is immutable, the reader changes
// nothing, and no code of any thread can run inside its window and look at
// the counter from that thread's side of the call.
class Borrow {
 public:
  enum class Mode { kShared, kExclusive, kSilent };

  Borrow() = default;
  Borrow(PyObject* object, Mode mode) : mode_(mode) {
    auto* self = reinterpret_cast<DrovikObject*>(object);
    if (self->built == 0) {
      unbuilt_ = true;
      return;
    }
    bool taken = false;
    switch (mode) {
      case Mode::kShared: taken = self->borrow.try_borrow_shared(); break;
      case Mode::kExclusive: taken = self->borrow.try_borrow_exclusive(); break;
      case Mode::kSilent: taken = self->borrow.readable(); break;
    }
    if (taken) self_ = self;
  }
  Borrow(Borrow&& other) noexcept
      : self_(other.self_), mode_(other.mode_), unbuilt_(other.unbuilt_) {
    other.self_ = nullptr;
  }
  Borrow& operator=(Borrow&& other) noexcept {
    if (this != &other) {
      release();
      self_ = other.self_;
      mode_ = other.mode_;
      unbuilt_ = other.unbuilt_;
      other.self_ = nullptr;
    }
    return *this;
  }
  Borrow(const Borrow&) = delete;
  Borrow& operator=(const Borrow&) = delete;
  ~Borrow() { release(); }

  explicit operator bool() const { return self_ != nullptr; }
  const Drovik& quantity() const { return self_->quantity; }

  // Sets the exception for a refused claim (RuntimeError when the instance
  // is in use, TypeError when it was never built) and returns nullptr.
  PyObject* refused() const;

 private:
  void release() {
    if (self_ == nullptr) return;
    if (mode_ == Mode::kShared) {
      self_->borrow.release_shared();
    } else if (mode_ == Mode::kExclusive) {
      self_->borrow.release_exclusive();
    }
    self_ = nullptr;
  }

  DrovikObject* self_ = nullptr;
  Mode mode_ = Mode::kShared;
  bool unbuilt_ = false;
};

inline Borrow borrow_silent(PyObject* object) { return Borrow(object, Borrow::Mode::kSilent); }

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_DROVIK_OBJECT_H_
