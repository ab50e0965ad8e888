#include "python/array/array_object.h"

#include "python/exceptions.h"

namespace drovik::python {

PyObject* wrap_array(ValueArray&& array, bool writable) {
  PyTypeObject* type = array_type();
  if (type == nullptr) return nullptr;
  // Everything that may throw comes before the object exists.
  std::size_t ndim = array.shape.ndim();
  std::vector<Py_ssize_t> layout(2 * ndim);
  Py_ssize_t stride = sizeof(double);
  for (std::size_t axis = ndim; axis-- > 0;) {
    layout[axis] = static_cast<Py_ssize_t>(array.shape[axis]);
    layout[ndim + axis] = stride;
    stride *= static_cast<Py_ssize_t>(array.shape[axis]);
  }
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
