#include "python/drovik_object.h"

#include <new>

#include "python/drovik_type_spec.h"

namespace drovik::python {
PyTypeObject* detail::make_drovik_type() {
  return reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&drovik_type_spec()));
}

PyObject* wrap(Drovik&& quantity) {
  PyTypeObject* type = drovik_type();
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
