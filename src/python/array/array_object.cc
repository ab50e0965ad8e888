#include "python/array/array_object.h"

#include "python/exceptions.h"
#include "python/owned.h"

namespace drovik::python {

BufferLayout::BufferLayout(const ArrayShape& shape, Py_ssize_t itemsize) : ndim_(shape.ndim()) {
  if (ndim_ > kInPlaceAxes) large_ = std::make_unique<Py_ssize_t[]>(2 * ndim_);
  Py_ssize_t* extents = this->shape();
  Py_ssize_t stride = itemsize;
  for (std::size_t axis = ndim_; axis-- > 0;) {
    extents[axis] = static_cast<Py_ssize_t>(shape[axis]);
    extents[ndim_ + axis] = stride;
    stride *= static_cast<Py_ssize_t>(shape[axis]);
  }
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
  BufferLayout layout(array.shape, sizeof(double));
  PyObject* object = type->tp_alloc(type, 0);
  if (object == nullptr) return nullptr;
  auto* self = reinterpret_cast<ArrayObject*>(object);
  ::new (&self->layout) BufferLayout(std::move(layout));
  ::new (&self->array) ValueArray(std::move(array));
  self->writable = writable;
  return object;
}

PyObject* to_python(Result<ValueArray>&& result) {
  return result ? wrap_array(std::move(*result)) : raise_error(result.error());
}

}  // namespace drovik::python
