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

namespace {

// A buffer's address must not be null, even with no items.
unsigned char g_no_items[sizeof(double)];

}  // namespace

int lend_buffer(PyObject* owner, const LentBuffer& lent, Py_buffer* view, int flags,
                const char* refusal) {
  if ((flags & PyBUF_WRITABLE) == PyBUF_WRITABLE && !lent.writable) {
    PyErr_SetString(PyExc_BufferError, refusal);
    view->obj = nullptr;
    return -1;
  }
  view->obj = Py_NewRef(owner);
  view->buf = lent.count == 0 ? static_cast<void*>(g_no_items) : lent.data;
  view->len = static_cast<Py_ssize_t>(lent.count) * lent.itemsize;
  view->readonly = lent.writable ? 0 : 1;
  view->itemsize = lent.itemsize;
  view->format = (flags & PyBUF_FORMAT) == PyBUF_FORMAT ? const_cast<char*>(lent.format) : nullptr;
  view->ndim = lent.ndim;
  view->shape = (flags & PyBUF_ND) == PyBUF_ND ? lent.layout->shape() : nullptr;
  view->strides = (flags & PyBUF_STRIDES) == PyBUF_STRIDES ? lent.layout->strides() : nullptr;
  view->suboffsets = nullptr;
  view->internal = nullptr;
  return 0;
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

PyObject* wrap_array(ValueArray&& array) {
  PyTypeObject* type = array_type();
  if (type == nullptr) return nullptr;
  // Everything that may throw comes before the object exists.
  BufferLayout layout(array.shape, sizeof(double));
  PyObject* object = type->tp_alloc(type, 0);
  if (object == nullptr) return nullptr;
  auto* self = reinterpret_cast<ArrayObject*>(object);
  ::new (&self->layout) BufferLayout(std::move(layout));
  ::new (&self->array) ValueArray(std::move(array));
  return object;
}

PyObject* to_python(Result<ValueArray>&& result) {
  return result ? wrap_array(std::move(*result)) : raise_error(result.error());
}

}  // namespace drovik::python
