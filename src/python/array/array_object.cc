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

namespace {

// Where a new array's values lie: those it owns, or a block `base` holds
// (nullptr for none), `data` the first value it shows within `block`.
struct Placement {
  Values values;
  PyObject* base;
  const double* data;
  const double* block;
  std::size_t block_size;
};

// A new DrovikArray of `shape` in `unit` lent as `layout` says, its values
// placed as `placed` says (data and block of owned values taken once they
// are in place); nullptr with an exception set. Everything that may throw
// comes before the object exists.
PyObject* made_array(BufferLayout&& layout, ArrayShape&& shape, UnitRef&& unit,
                     Placement&& placed) {
  PyTypeObject* type = array_type();
  if (type == nullptr) return nullptr;
  PyObject* object = type->tp_alloc(type, 0);
  if (object == nullptr) return nullptr;
  auto* self = reinterpret_cast<ArrayObject*>(object);
  ::new (&self->layout) BufferLayout(std::move(layout));
  ::new (&self->shape) ArrayShape(std::move(shape));
  ::new (&self->unit) UnitRef(std::move(unit));
  ::new (&self->values) Values(std::move(placed.values));
  bool owned = placed.base == nullptr;
  self->base = owned ? nullptr : Py_NewRef(placed.base);
  self->data = owned ? self->values.data() : placed.data;
  self->block = owned ? self->values.data() : placed.block;
  self->block_size = owned ? self->values.size() : placed.block_size;
  return object;
}

}  // namespace

PyObject* wrap_array(ValueArray&& array) {
  BufferLayout layout(array.shape, sizeof(double));
  return made_array(std::move(layout), std::move(array.shape), std::move(array.unit),
                    Placement{std::move(array.values), nullptr, nullptr, nullptr, 0});
}

PyObject* wrap_adopted(PyObject* owner, const double* data, ArrayShape&& shape, UnitRef unit) {
  BufferLayout layout(shape, sizeof(double));
  std::size_t count = shape.size();
  return made_array(std::move(layout), std::move(shape), std::move(unit),
                    Placement{Values(), owner, data, data, count});
}

PyObject* wrap_view(PyObject* source, ViewLayout&& layout) {
  auto* from = reinterpret_cast<ArrayObject*>(source);
  BufferLayout lent(layout.shape, layout.strides);
  // A view of a view holds the array that owns the values, so that chains
  // of views hold nothing between.
  PyObject* owner = from->base != nullptr ? from->base : source;
  const double* first = from->data + layout.offset / static_cast<std::ptrdiff_t>(sizeof(double));
  return made_array(std::move(lent), std::move(layout.shape), UnitRef(from->unit),
                    Placement{Values(), owner, first, from->block, from->block_size});
}

std::vector<std::size_t> shared_memory_order(const ArrayView& view, const ArrayView* other) {
  std::vector<std::size_t> order = memory_order(view);
  if (order.empty() || other == nullptr || other->shape.ndim() == 0) return order;
  bool shared = other->shape == view.shape && memory_order(*other) == order;
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

ValueArray flat_copy(const ArrayView& view) {
  std::size_t size = view.shape.size();
  return ValueArray{*ArrayShape::of(std::span<const std::size_t>(&size, 1)), gathered(view),
                    view.unit};
}

PyObject* to_python(Result<ValueArray>&& result) {
  return result ? wrap_array(std::move(*result)) : raise_error(result.error());
}

}  // namespace drovik::python
