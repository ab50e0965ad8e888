#include "python/drovik_object.h"

#include <atomic>
#include <new>

#include "python/drovik_type_spec.h"

namespace drovik::python {
// If two threads create the class at the same time, the first stored wins
// and the other is dropped.
PyTypeObject* drovik_type() {
  std::atomic<PyTypeObject*>& g_drovik_type = detail::created_type;
  PyTypeObject* type = g_drovik_type.load(std::memory_order_acquire);
  if (type != nullptr) return type;
  PyObject* created = PyType_FromSpec(&drovik_type_spec());
  if (created == nullptr) return nullptr;
  PyTypeObject* expected = nullptr;
  if (g_drovik_type.compare_exchange_strong(expected, reinterpret_cast<PyTypeObject*>(created),
                                            std::memory_order_acq_rel)) {
    return reinterpret_cast<PyTypeObject*>(created);
  }
  Py_DECREF(created);
  return expected;
}

PyObject* wrap(Drovik&& quantity) {
  PyTypeObject* type = detail::created_type.load(std::memory_order_acquire);
  if (type == nullptr) [[unlikely]]
    type = drovik_type();
  if (type == nullptr) return nullptr;
  PyObject* object = type->tp_alloc(type, 0);
  if (object == nullptr) return nullptr;
  auto* self = reinterpret_cast<DrovikObject*>(object);
  ::new (&self->borrow) BorrowCounter();
  ::new (&self->quantity) Drovik(std::move(quantity));
  self->built = 1;
  return object;
}

void drovik_free(void* memory) {
  auto* self = static_cast<DrovikObject*>(memory);
  // An unbuilt instance holds zero-filled memory, not a record.
  if (self->built != 0) {
    self->quantity.~Drovik();
    self->borrow.~BorrowCounter();
  }
  PyObject_Free(memory);
}

PyObject* refuse_unbuilt() {
  PyErr_SetString(PyExc_TypeError,
                  "this Drovik object was not made by the library (its quantity was never "
                  "built); make quantities with Drovik.unit, Drovik.constant, Drovik.empty or "
                  "Drovik.custom");
  return nullptr;
}

PyObject* Borrow::refused() const {
  if (unbuilt_) return refuse_unbuilt();
  PyErr_SetString(PyExc_RuntimeError,
                  mode_ == Mode::kExclusive ? "Already borrowed" : "Already mutably borrowed");
  return nullptr;
}

}  // namespace drovik::python
