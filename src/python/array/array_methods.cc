// The methods numpy users call on an array that keep its unit: new layouts
// (reshape, ravel, flatten, transpose, T, swapaxes, squeeze), running sums,
// spreads (ptp, std, var), and its values as Python objects (tolist, item).
#include "python/python_api.h"

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "array/array_functions.h"
#include "array/array_layout.h"
#include "array/array_operations.h"
#include "python/array/array_object.h"
#include "python/array/array_slots.h"
#include "python/drovik_object.h"
#include "python/exceptions.h"
#include "python/owned.h"
#include "python/results.h"

namespace drovik::python {
namespace {

// The integers of `args` (fastcall), or of one tuple or list given alone,
// as numpy's reshape and transpose take them.
std::optional<std::vector<Py_ssize_t>> integers_of(PyObject* const* args, Py_ssize_t nargs) {
  bool one_sequence = nargs == 1 && (PyTuple_Check(args[0]) || PyList_Check(args[0]));
  Owned sequence(one_sequence ? PySequence_Fast(args[0], "a sequence") : nullptr);
  if (one_sequence) {
    if (!sequence) return std::nullopt;
    args = PySequence_Fast_ITEMS(sequence.get());
    nargs = PySequence_Fast_GET_SIZE(sequence.get());
  }
  std::vector<Py_ssize_t> out;
  for (Py_ssize_t i = 0; i < nargs; ++i) {
    Py_ssize_t value = PyNumber_AsSsize_t(args[i], PyExc_OverflowError);
    if (value == -1 && PyErr_Occurred()) return std::nullopt;
    out.push_back(value);
  }
  return out;
}

PyObject* transposed_view(PyObject* self, std::vector<std::size_t> order) {
  return wrap_view(self, transposed(array_of(self), order));
}

// Each value of `array` from `at` on (in values from the first), along
// `axis` and those after it, as nested lists of quantities.
PyObject* listed(const ArrayView& array, const Steps& steps, std::size_t axis,
                 std::ptrdiff_t at) {
  if (axis == array.shape.ndim()) return wrap(Drovik{array.data[at], array.unit});
  std::size_t extent = array.shape[axis];
  Owned list(PyList_New(static_cast<Py_ssize_t>(extent)));
  if (!list) return nullptr;
  for (std::size_t i = 0; i < extent; ++i) {
    PyObject* item =
        listed(array, steps, axis + 1, at + static_cast<std::ptrdiff_t>(i) * steps.along[axis]);
    if (item == nullptr) return nullptr;
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item);
  }
  return list.release();
}

}  // namespace

PyObject* array_or_quantity(Result<ValueArray>&& result) {
  if (!result || result->shape.ndim() > 0) return to_python(std::move(result));
  return wrap(Drovik{result->values[0], std::move(result->unit)});
}

std::optional<std::size_t> axis_index(PyObject* item, std::size_t ndim) {
  Py_ssize_t given = PyNumber_AsSsize_t(item, PyExc_OverflowError);
  if (given == -1 && PyErr_Occurred()) return std::nullopt;
  auto signed_ndim = static_cast<Py_ssize_t>(ndim);
  // Negative axes count from the end, as numpy's do.
  if (given < -signed_ndim || given >= signed_ndim) {
    raise_error(DrovikError::axis_out_of_range(std::to_string(given), std::to_string(ndim)));
    return std::nullopt;
  }
  return static_cast<std::size_t>(given < 0 ? given + signed_ndim : given);
}

// True when `dtype` names numpy's type of character code `code` (numpy's
// own reading), or, without numpy, is one of `names`. No exception.
bool names_type(PyObject* dtype, const char* code, std::initializer_list<const char*> names) {
  bool named = false;
  Owned numpy(PyImport_ImportModule("numpy"));
  if (numpy) {
    Owned type(PyObject_CallMethod(numpy.get(), "dtype", "O", dtype));
    Owned found(type ? PyObject_GetAttrString(type.get(), "char") : nullptr);
    named = found && PyUnicode_Check(found.get()) &&
            PyUnicode_CompareWithASCIIString(found.get(), code) == 0;
  } else if (PyUnicode_Check(dtype)) {
    for (const char* name : names) {
      named = named || PyUnicode_CompareWithASCIIString(dtype, name) == 0;
    }
  }
  PyErr_Clear();
  return named;
}

bool keeps_doubles(PyObject* dtype, PyObject* out) {
  if (out != nullptr && out != Py_None) {
    PyErr_SetString(PyExc_TypeError,
                    "a DrovikArray never changes: nothing can be written into out=; use the "
                    "array returned");
    return false;
  }
  if (dtype == nullptr || dtype == Py_None || dtype == reinterpret_cast<PyObject*>(&PyFloat_Type)) {
    return true;
  }
  bool doubles = names_type(dtype, "d", {"float64", "f8", "d", "double", "float"});
  if (!doubles) {
    PyErr_Format(PyExc_TypeError,
                 "a DrovikArray holds float64 values: dtype=%R would change them; use "
                 "a.as_number(unit) for plain values to cast",
                 dtype);
  }
  return doubles;
}

bool take_keeps_doubles(PyObject* kwargs) {
  if (kwargs == nullptr) return true;
  PyObject* dtype = PyDict_GetItemString(kwargs, "dtype");
  PyObject* out = PyDict_GetItemString(kwargs, "out");
  if (!keeps_doubles(dtype, out)) return false;
  if (dtype != nullptr && PyDict_DelItemString(kwargs, "dtype") < 0) return false;
  return out == nullptr || PyDict_DelItemString(kwargs, "out") == 0;
}

std::optional<ReducedAxes> reduced_axes(PyObject* axis, std::size_t ndim) {
  if (axis == Py_None) return ReducedAxes::all(ndim);
  ReducedAxes axes;
  if (!PyTuple_Check(axis)) {
    std::optional<std::size_t> k = axis_index(axis, ndim);
    if (!k) return std::nullopt;
    axes.along[*k] = true;
    return axes;
  }
  for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(axis); ++i) {
    std::optional<std::size_t> k = axis_index(PyTuple_GET_ITEM(axis, i), ndim);
    if (!k) return std::nullopt;
    if (axes.along[*k]) {
      PyErr_SetString(PyExc_ValueError, "duplicate value in 'axis'");
      return std::nullopt;
    }
    axes.along[*k] = true;
  }
  return axes;
}

// The array's values, in C order, in the shape `extents` asks: a view where
// its layout allows one, a compact copy otherwise.
PyObject* reshaped_array(PyObject* self, std::span<const std::ptrdiff_t> extents) {
  ArrayView array = array_of(self);
  Result<ArrayShape> shape = reshaped_shape(array.shape, extents);
  if (!shape) return raise_error(shape.error());
  if (std::optional<ViewLayout> in_place = reshaped(array, *shape)) {
    return wrap_view(self, std::move(*in_place));
  }
  return wrap_array(ValueArray{std::move(*shape), gathered(array), array.unit});
}

namespace array_slots {

PyObject* reshape_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs) {
  return guarded([&]() -> PyObject* {
    std::optional<std::vector<Py_ssize_t>> extents = integers_of(args, nargs);
    if (!extents) return nullptr;
    std::vector<std::ptrdiff_t> wanted(extents->begin(), extents->end());
    return reshaped_array(self, wanted);
  });
}

PyObject* ravel_method(PyObject* self, PyObject*) {
  return guarded([&] {
    std::ptrdiff_t all = -1;
    return reshaped_array(self, std::span<const std::ptrdiff_t>(&all, 1));
  });
}

// numpy's flatten copies, always.
PyObject* flatten_method(PyObject* self, PyObject*) {
  return guarded([&] { return wrap_array(flat_copy(array_of(self))); });
}

PyObject* transpose_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs) {
  return guarded([&]() -> PyObject* {
    std::size_t ndim = array_of(self).shape.ndim();
    std::vector<std::size_t> order(ndim);
    if (nargs == 0 || (nargs == 1 && args[0] == Py_None)) {
      for (std::size_t k = 0; k < ndim; ++k) order[k] = ndim - 1 - k;
      return transposed_view(self, std::move(order));
    }
    std::optional<std::vector<Py_ssize_t>> axes = integers_of(args, nargs);
    if (!axes) return nullptr;
    if (axes->size() != ndim) {
      PyErr_SetString(PyExc_ValueError, "axes don't match array");
      return nullptr;
    }
    std::vector<bool> named(ndim, false);
    for (std::size_t k = 0; k < ndim; ++k) {
      Owned axis(PyLong_FromSsize_t((*axes)[k]));
      if (!axis) return nullptr;
      std::optional<std::size_t> index = axis_index(axis.get(), ndim);
      if (!index) return nullptr;
      if (named[*index]) {
        PyErr_SetString(PyExc_ValueError, "repeated axis in transpose");
        return nullptr;
      }
      named[*index] = true;
      order[k] = *index;
    }
    return transposed_view(self, std::move(order));
  });
}

PyObject* transpose_getter(PyObject* self, void*) { return transpose_method(self, nullptr, 0); }

PyObject* swapaxes_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs) {
  return guarded([&]() -> PyObject* {
    if (nargs != 2) {
      PyErr_Format(PyExc_TypeError, "swapaxes() takes 2 arguments (%zd given)", nargs);
      return nullptr;
    }
    std::size_t ndim = array_of(self).shape.ndim();
    std::optional<std::size_t> first = axis_index(args[0], ndim);
    if (!first) return nullptr;
    std::optional<std::size_t> second = axis_index(args[1], ndim);
    if (!second) return nullptr;
    std::vector<std::size_t> order(ndim);
    for (std::size_t k = 0; k < ndim; ++k) order[k] = k;
    std::swap(order[*first], order[*second]);
    return transposed_view(self, std::move(order));
  });
}

PyObject* squeeze_method(PyObject* self, PyObject* args, PyObject* kwargs) {
  return guarded([&]() -> PyObject* {
    static const char* names[] = {"axis", nullptr};
    PyObject* axis = Py_None;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|O:squeeze", const_cast<char**>(names),
                                     &axis)) {
      return nullptr;
    }
    ArrayView array = array_of(self);
    std::size_t ndim = array.shape.ndim();
    std::optional<ReducedAxes> named = reduced_axes(axis, ndim);
    if (!named) return nullptr;
    std::unique_ptr<bool[]> drop(new bool[ndim]());
    for (std::size_t k = 0; k < ndim; ++k) {
      bool one = array.shape[k] == 1;
      if (axis != Py_None && named->along[k] && !one) {
        PyErr_SetString(PyExc_ValueError,
                        "cannot select an axis to squeeze out which has size not equal to one");
        return nullptr;
      }
      drop[k] = named->along[k] && one;
    }
    return wrap_view(self, squeezed(array, std::span<const bool>(drop.get(), ndim)));
  });
}

PyObject* cumsum_method(PyObject* self, PyObject* args, PyObject* kwargs) {
  return guarded([&]() -> PyObject* {
    static const char* names[] = {"axis", nullptr};
    PyObject* axis = Py_None;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|O:cumsum", const_cast<char**>(names),
                                     &axis)) {
      return nullptr;
    }
    ArrayView array = array_of(self);
    if (axis == Py_None) {  // numpy runs over the values flattened
      return to_python(cumulative_sum(flat_copy(array), 0));
    }
    std::optional<std::size_t> k = axis_index(axis, array.shape.ndim());
    if (!k) return nullptr;
    return to_python(cumulative_sum(array, *k));
  });
}

// ptp, var and std: along `axis` (an int, a tuple of ints or None), numpy's
// keepdims, and ddof for var and std.
template <int kKind>  // 0 ptp, 1 var, 2 std
PyObject* spread_method(PyObject* self, PyObject* args, PyObject* kwargs) {
  return guarded([&]() -> PyObject* {
    static const char* ptp_names[] = {"axis", "keepdims", nullptr};
    static const char* names[] = {"axis", "ddof", "keepdims", nullptr};
    PyObject* axis = Py_None;
    double ddof = 0.0;
    int keepdims = 0;
    bool parsed =
        kKind == 0 ? PyArg_ParseTupleAndKeywords(args, kwargs, "|Op", const_cast<char**>(ptp_names),
                                                 &axis, &keepdims)
                   : PyArg_ParseTupleAndKeywords(args, kwargs, "|Odp", const_cast<char**>(names),
                                                 &axis, &ddof, &keepdims);
    if (!parsed) return nullptr;
    ArrayView array = array_of(self);
    std::optional<ReducedAxes> axes = reduced_axes(axis, array.shape.ndim());
    if (!axes) return nullptr;
    if (kKind != 0) return array_or_quantity(variance(array, *axes, ddof, keepdims, kKind == 2));
    Result<ValueArray> largest = reduce(array, Reduction::kMax, *axes, keepdims != 0);
    if (!largest) return raise_error(largest.error());
    Result<ValueArray> smallest = reduce(array, Reduction::kMin, *axes, keepdims != 0);
    if (!smallest) return raise_error(smallest.error());
    for (std::size_t i = 0; i < largest->values.size(); ++i) {
      largest->values[i] = largest->values[i] - smallest->values[i];
    }
    return array_or_quantity(std::move(largest));
  });
}

template PyObject* spread_method<0>(PyObject*, PyObject*, PyObject*);
template PyObject* spread_method<1>(PyObject*, PyObject*, PyObject*);
template PyObject* spread_method<2>(PyObject*, PyObject*, PyObject*);

PyObject* tolist_method(PyObject* self, PyObject*) {
  return guarded([&] {
    ArrayView array = array_of(self);
    return listed(array, array.steps(), 0, 0);
  });
}

// numpy's astype for floating types: float64 keeps every value (the array
// itself, or a compact copy of a view, as copy() gives), float32 rounds each
// value to the nearest float32, still held as a double in the same unit.
// Other types would drop the unit's fractions or the values' range.
PyObject* astype_method(PyObject* self, PyObject* args, PyObject* kwargs) {
  return guarded([&]() -> PyObject* {
    static const char* names[] = {"dtype", "order", "casting", "subok", "copy", nullptr};
    PyObject *dtype = nullptr, *order = nullptr, *casting = nullptr, *subok = nullptr,
             *copy = nullptr;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O|OOOO:astype", const_cast<char**>(names),
                                     &dtype, &order, &casting, &subok, &copy)) {
      return nullptr;
    }
    if (keeps_doubles(dtype, nullptr)) return copy_method(self, nullptr);
    PyErr_Clear();
    if (!names_type(dtype, "f", {"float32", "f4"})) {
      PyErr_Format(PyExc_TypeError,
                   "a DrovikArray holds float64 values: astype(%R) would change them beyond "
                   "rounding; use a.as_number(unit) for plain values to cast",
                   dtype);
      return nullptr;
    }
    ArrayView array = array_of(self);
    Values rounded = gathered(array);
    for (double& v : rounded) v = static_cast<double>(static_cast<float>(v));
    return wrap_array(ValueArray{array.shape, std::move(rounded), array.unit});
  });
}

PyObject* dtype_getter(PyObject*, void*) {
  // numpy's float64 when numpy is there, its name otherwise.
  Owned numpy(PyImport_ImportModule("numpy"));
  if (!numpy) {
    PyErr_Clear();
    return PyUnicode_FromString("float64");
  }
  return PyObject_CallMethod(numpy.get(), "dtype", "s", "float64");
}

PyObject* item_method(PyObject* self, PyObject*) {
  return guarded([&]() -> PyObject* {
    ArrayView array = array_of(self);
    if (array.shape.size() != 1) {
      PyErr_SetString(PyExc_ValueError,
                      "can only convert an array of size 1 to a Python scalar");
      return nullptr;
    }
    return wrap(Drovik{array.data[0], array.unit});
  });
}

}  // namespace array_slots
}  // namespace drovik::python
