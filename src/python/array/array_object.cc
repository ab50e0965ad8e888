#include "python/array/array_object.h"

#include "array/array_layout.h"
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

BufferLayout::BufferLayout(const ArrayShape& shape, const ByteStrides& strides)
    : ndim_(shape.ndim()) {
  if (ndim_ > kInPlaceAxes) large_ = std::make_unique<Py_ssize_t[]>(2 * ndim_);
  Py_ssize_t* extents = this->shape();
  for (std::size_t axis = 0; axis < ndim_; ++axis) {
    extents[axis] = static_cast<Py_ssize_t>(shape[axis]);
    extents[ndim_ + axis] = strides[axis];
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
  bool c_wanted = (flags & PyBUF_C_CONTIGUOUS) == PyBUF_C_CONTIGUOUS ||
                  (flags & PyBUF_STRIDES) != PyBUF_STRIDES;
  bool f_wanted = (flags & PyBUF_F_CONTIGUOUS) == PyBUF_F_CONTIGUOUS;
  bool any_wanted = (flags & PyBUF_ANY_CONTIGUOUS) == PyBUF_ANY_CONTIGUOUS;
  const char* refused = nullptr;
  if (any_wanted && !c_wanted && !f_wanted) {
    if (!lent.c_contiguous && !lent.f_contiguous) refused = "ndarray is not contiguous";
  } else if (f_wanted && !lent.f_contiguous) {
    refused = "ndarray is not Fortran contiguous";
  } else if (c_wanted && !lent.c_contiguous) {
    refused = "ndarray is not C-contiguous";
  }
  if (refused != nullptr) {
    PyErr_SetString(PyExc_BufferError, refused);
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
  ::new (&self->shape) ArrayShape(std::move(array.shape));
  ::new (&self->unit) UnitRef(std::move(array.unit));
  ::new (&self->values) Values(std::move(array.values));
  self->data = self->values.data();
  self->base = nullptr;
  self->block = self->data;
  self->block_size = self->values.size();
  return object;
}

PyObject* wrap_adopted(PyObject* owner, const double* data, ArrayShape&& shape, UnitRef unit) {
  PyTypeObject* type = array_type();
  if (type == nullptr) return nullptr;
  BufferLayout lent(shape, sizeof(double));
  PyObject* object = type->tp_alloc(type, 0);
  if (object == nullptr) return nullptr;
  auto* self = reinterpret_cast<ArrayObject*>(object);
  ::new (&self->layout) BufferLayout(std::move(lent));
  ::new (&self->shape) ArrayShape(std::move(shape));
  ::new (&self->unit) UnitRef(std::move(unit));
  ::new (&self->values) Values();
  self->data = data;
  self->base = Py_NewRef(owner);
  self->block = data;
  self->block_size = self->shape.size();
  return object;
}

PyObject* wrap_view(PyObject* source, ViewLayout&& layout) {
  PyTypeObject* type = array_type();
  if (type == nullptr) return nullptr;
  auto* from = reinterpret_cast<ArrayObject*>(source);
  BufferLayout lent(layout.shape, layout.strides);
  UnitRef unit = from->unit;
  PyObject* object = type->tp_alloc(type, 0);
  if (object == nullptr) return nullptr;
  auto* self = reinterpret_cast<ArrayObject*>(object);
  ::new (&self->layout) BufferLayout(std::move(lent));
  ::new (&self->shape) ArrayShape(std::move(layout.shape));
  ::new (&self->unit) UnitRef(std::move(unit));
  ::new (&self->values) Values();
  self->data = from->data + layout.offset / static_cast<std::ptrdiff_t>(sizeof(double));
  // A view of a view holds the array that owns the values, so that chains
  // of views hold nothing between.
  self->base = Py_NewRef(from->base != nullptr ? from->base : source);
  self->block = from->block;
  self->block_size = from->block_size;
  return object;
}

PyObject* to_python(Result<ViewLayout>&& layout, PyObject* source) {
  return layout ? wrap_view(source, std::move(*layout)) : raise_error(layout.error());
}

std::vector<std::size_t> shared_memory_order(const ArrayView& view, const ArrayView* other) {
  std::vector<std::size_t> order = memory_order(view);
  bool shared = other == nullptr || other->shape.ndim() == 0 ||
                (other->shape == view.shape && memory_order(*other) == order);
  return shared ? order : std::vector<std::size_t>();
}

PyObject* shown_in_order(Result<ValueArray>&& result, std::span<const std::size_t> order) {
  if (!result) return raise_error(result.error());
  Owned made(wrap_array(std::move(*result)));
  if (!made) return nullptr;
  std::vector<std::size_t> back = inverse_order(order);
  return wrap_view(made.get(), transposed(array_of(made.get()), back));
}

ValueArray compact_copy(const ArrayView& view) {
  return ValueArray{view.shape, gathered(view), view.unit};
}

PyObject* to_python(Result<ValueArray>&& result) {
  return result ? wrap_array(std::move(*result)) : raise_error(result.error());
}

}  // namespace drovik::python
