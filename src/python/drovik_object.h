// The Python object behind drovik.Drovik: a quantity record and the borrow
// counter that guards it against the one exclusive operation.
#ifndef DROVIK_PYTHON_DROVIK_OBJECT_H_
#define DROVIK_PYTHON_DROVIK_OBJECT_H_

#include "python/python_api.h"
#include "quantity/borrow_counter.h"
#include "quantity/quantity.h"

namespace drovik::python {

struct DrovikObject {
  PyObject_HEAD
  BorrowCounter borrow;
  Drovik quantity;
};

// The class object, created on first use and kept for the life of the
// process; nullptr with an exception set if creating it failed.
PyTypeObject* drovik_type();

// True when `object` is an instance of the class (or of a subtype).
bool is_drovik(PyObject* object);

// A new Drovik owning `quantity`, or nullptr with an exception set.
PyObject* wrap(Drovik&& quantity);

void drovik_dealloc(PyObject* self);

// Holds a shared or exclusive claim on an instance for the length of a call.
class Borrow {
 public:
  enum class Mode { kShared, kExclusive };

  Borrow() = default;
  Borrow(PyObject* object, Mode mode) : mode_(mode) {
    auto* self = reinterpret_cast<DrovikObject*>(object);
    bool taken = mode == Mode::kShared ? self->borrow.try_borrow_shared()
                                       : self->borrow.try_borrow_exclusive();
    if (taken) self_ = self;
  }
  Borrow(Borrow&& other) noexcept : self_(other.self_), mode_(other.mode_) { other.self_ = nullptr; }
  Borrow& operator=(Borrow&& other) noexcept {
    if (this != &other) {
      release();
      self_ = other.self_;
      mode_ = other.mode_;
      other.self_ = nullptr;
    }
    return *this;
  }
  Borrow(const Borrow&) = delete;
  Borrow& operator=(const Borrow&) = delete;
  ~Borrow() { release(); }

  explicit operator bool() const { return self_ != nullptr; }
  const Drovik& quantity() const { return self_->quantity; }

  // Sets the RuntimeError for a refused claim and returns nullptr.
  PyObject* refused() const;

 private:
  void release() {
    if (self_ == nullptr) return;
    if (mode_ == Mode::kShared) {
      self_->borrow.release_shared();
    } else {
      self_->borrow.release_exclusive();
    }
    self_ = nullptr;
  }

  DrovikObject* self_ = nullptr;
  Mode mode_ = Mode::kShared;
};

inline Borrow borrow_shared(PyObject* object) { return Borrow(object, Borrow::Mode::kShared); }

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_DROVIK_OBJECT_H_
