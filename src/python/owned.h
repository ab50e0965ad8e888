// A new reference owned for the length of a scope.
#ifndef DROVIK_PYTHON_OWNED_H_
#define DROVIK_PYTHON_OWNED_H_

#include "python/python_api.h"

namespace drovik::python {

class Owned {
 public:
  explicit Owned(PyObject* object) : object_(object) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { Py_XDECREF(object_); }
  PyObject* get() const { return object_; }
  PyObject* release() {
    PyObject* object = object_;
    object_ = nullptr;
    return object;
  }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  PyObject* object_;
};

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_OWNED_H_
