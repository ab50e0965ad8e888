// How the interpreter and the standard library treat a DrovikArray as a
// value: pickle, copy and its size in memory.
#include "python/python_api.h"

#include <vector>

#include "python/array/array_object.h"
#include "python/array/array_slots.h"
#include "python/exceptions.h"
#include "python/owned.h"
#include "python/value_protocols.h"

namespace drovik::python {
namespace {

// The values as a quantity's state saves its value, one after another.
PyObject* values_as_bytes(std::span<const double> values) {
  auto size = static_cast<Py_ssize_t>(values.size() * sizeof(double));
  PyObject* bytes = PyBytes_FromStringAndSize(nullptr, size);
  if (bytes == nullptr) return nullptr;
  char* out = PyBytes_AS_STRING(bytes);
  for (std::size_t i = 0; i < values.size(); ++i) store_double(out + i * sizeof(double), values[i]);
  return bytes;
}

bool state_error(PyObject* type, const char* message) {
  PyErr_Format(type, "DrovikArray state: %s", message);
  return false;
}

// The saved shape: a tuple of at most kMaxDimensions non-negative ints.
std::optional<ArrayShape> restored_shape(PyObject* item) {
  if (!PyTuple_CheckExact(item)) {
    state_error(PyExc_TypeError, "the shape must be a tuple");
    return std::nullopt;
  }
  Py_ssize_t ndim = PyTuple_GET_SIZE(item);
  if (static_cast<std::size_t>(ndim) > kMaxDimensions) {
    state_error(PyExc_ValueError, "the shape has too many dimensions");
    return std::nullopt;
  }
  std::vector<std::size_t> extents;
  for (Py_ssize_t axis = 0; axis < ndim; ++axis) {
    PyObject* extent = PyTuple_GET_ITEM(item, axis);
    if (!PyLong_CheckExact(extent)) {
      state_error(PyExc_TypeError, "an extent must be an int");
      return std::nullopt;
    }
    Py_ssize_t value = PyLong_AsSsize_t(extent);
    if (value < 0) {
      PyErr_Clear();
      state_error(PyExc_ValueError, "an extent is negative or too large");
      return std::nullopt;
    }
    extents.push_back(static_cast<std::size_t>(value));
  }
  Result<ArrayShape> shape = ArrayShape::of(extents);
  if (!shape) {
    raise_error(shape.error());
    return std::nullopt;
  }
  return std::move(*shape);
}

// The saved values: exactly 8 bytes for each element of `shape`.
std::optional<Values> restored_values(PyObject* item, const ArrayShape& shape) {
  if (!PyBytes_CheckExact(item)) {
    state_error(PyExc_TypeError, "the values must be bytes");
    return std::nullopt;
  }
  auto size = static_cast<std::size_t>(PyBytes_GET_SIZE(item));
  // The size is checked before anything is allocated for it.
  if (size / sizeof(double) != shape.size() || size % sizeof(double) != 0) {
    state_error(PyExc_ValueError, "the values do not match the shape");
    return std::nullopt;
  }
  Values values(shape.size());
  const char* in = PyBytes_AS_STRING(item);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = get_double(in + i * sizeof(double));
  return values;
}

}  // namespace

namespace array_slots {

PyObject* reduce_method(PyObject* self, PyObject*) {
  return guarded([&]() -> PyObject* {
    ArrayView array = array_of(self);
    Owned restore(PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(self)), "_restore"));
    if (!restore) return nullptr;
    Owned shape(shape_tuple(array.shape));
    if (!shape) return nullptr;
    // A view saves the values it shows, not the array they belong to.
    Owned values(values_as_bytes(CompactValues(array).span()));
    if (!values) return nullptr;
    PyObject* unit = saved_unit(array.unit);
    if (unit == nullptr) return nullptr;
    return Py_BuildValue("(O(OON))", restore.get(), shape.get(), values.get(), unit);
  });
}

PyObject* restore_method(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
  return guarded([&]() -> PyObject* {
    if (nargs != 3) {
      PyErr_Format(PyExc_TypeError,
                   "DrovikArray._restore takes a saved state of 3 items, not %zd", nargs);
      return nullptr;
    }
    std::optional<ArrayShape> shape = restored_shape(args[0]);
    if (!shape) return nullptr;
    std::optional<Values> values = restored_values(args[1], *shape);
    if (!values) return nullptr;
    std::optional<UnitRef> unit = restored_unit(args[2]);
    if (!unit) return nullptr;
    return wrap_array(ValueArray{std::move(*shape), std::move(*values), std::move(*unit)});
  });
}

// Arrays never change, so a copy, deep or not, of an array that shows the
// whole of the block its values lie in is the array itself; a view of part
// of one gets values of its own, compact, so that it no longer holds the
// rest.
PyObject* copy_method(PyObject* self, PyObject*) {
  auto* object = reinterpret_cast<ArrayObject*>(self);
  if (object->base == nullptr ||
      (object->shape.size() == object->block_size && array_of(self).is_c_contiguous())) {
    return Py_NewRef(self);
  }
  return guarded([&] { return wrap_array(compact_copy(array_of(self))); });
}

// A view counts only itself, as numpy's views do: the values belong to the
// array it shows.
PyObject* sizeof_method(PyObject* self, PyObject*) {
  auto* object = reinterpret_cast<ArrayObject*>(self);
  std::size_t size = sizeof(ArrayObject) + object->values.capacity() * sizeof(double) +
                     object->layout.heap_bytes();
  return PyLong_FromSize_t(size);
}

}  // namespace array_slots
}  // namespace drovik::python
