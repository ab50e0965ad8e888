#include "python/array/array_object.h"

#include "python/exceptions.h"
#include "python/owned.h"

namespace drovik::python {

std::vector<Py_ssize_t> buffer_layout(const ArrayShape& shape, Py_ssize_t itemsize) {
  std::size_t ndim = shape.ndim();
  std::vector<Py_ssize_t> layout(2 * ndim);
  Py_ssize_t stride = itemsize;
  for (std::size_t axis = ndim; axis-- > 0;) {
    layout[axis] = static_cast<Py_ssize_t>(shape[axis]);
    layout[ndim + axis] = stride;
    stride *= static_cast<Py_ssize_t>(shape[axis]);
  }
  return layout;
}

PyObject* shape_tuple(const ArrayShape& shape) {
  Owned tuple(PyTuple_New(static_cast<Py_ssize_t>(shape.ndim())));
  if (!tuple) return nullptr;
  for (std::size_t axis = 0; axis < shape.ndim(); ++axis) {
    PyObject* extent = PyLong_FromSize_t(shape[axis]);
    if (extent == nullptr) return nullptr;
    PyTuple_SET_ITEM(tuple.get(), static_cast<Py_ssize_t>(axis), extent);
  }
  return tuple.release();
}

PyObject* wrap_array(ValueArray&& array, bool writable) {
  PyTypeObject* type = array_type();
  if (type == nullptr) return nullptr;
  // Everything that may throw comes before the object exists.
  std::vector<Py_ssize_t> layout = buffer_layout(array.shape, sizeof(double));
  PyObject* object = type->tp_alloc(type, 0);
  if (object == nullptr) return nullptr;
  auto* self = reinterpret_cast<ArrayObject*>(object);
  ::new (&self->layout) std::vector<Py_ssize_t>(std::move(layout));
  ::new (&self->array) ValueArray(std::move(array));
  self->writable = writable;
  return object;
}

PyObject* to_python(Result<ValueArray>&& result) {
  return result ? wrap_array(std::move(*result)) : raise_error(result.error());
}

}  // namespace drovik::python
