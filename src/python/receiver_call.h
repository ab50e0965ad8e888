// The call frame of every method and slot that takes nothing but its
// receiver: a silent claim (no Python code runs while it is held), the
// operation, and the claim's error when it is refused.
#ifndef DROVIK_PYTHON_RECEIVER_CALL_H_
#define DROVIK_PYTHON_RECEIVER_CALL_H_

#include "python/python_api.h"

#include "python/drovik_object.h"
#include "python/exceptions.h"

namespace drovik::python {

// Operation(const Drovik&) -> PyObject*.
template <class Operation>
PyObject* on_receiver(PyObject* self, Operation operation) {
  return guarded([&]() -> PyObject* {
    Borrow receiver = borrow_silent(self);
    if (!receiver) return receiver.refused();
    return operation(receiver.quantity());
  });
}

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_RECEIVER_CALL_H_
