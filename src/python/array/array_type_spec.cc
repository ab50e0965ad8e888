// The class drovik_array.DrovikArray: its constructor, buffer, attributes,
// conversions and reductions, and the table that gathers every slot and
// method (the others live in the files array_slots.h names).
#include "python/python_api.h"

#include <string>

#include "array/array_operations.h"
#include "python/array/array_construction.h"
#include "python/array/array_object.h"
#include "python/array/array_slots.h"
#include "python/array/plain_values.h"
#include "python/argument_matching.h"
#include "python/drovik_object.h"
#include "python/exceptions.h"
#include "python/results.h"
#include "text/text_buffer.h"
#include "unit/unit_text.h"

namespace drovik::python {
namespace {

// Construction.

constexpr Parameters kConstructor{"DrovikArray()", {"values", "unit"}, 2, 1};
constexpr Parameters kAsNumber{"DrovikArray.as_number()", {"unit"}, 1, 0};

PyObject* constructed(PyObject* values, PyObject* unit) {
  std::optional<std::optional<UnitRef>> target = unit_argument(unit);
  if (!target) return nullptr;
  std::optional<ValueArray> array = array_argument(values, *target);
  if (!array) return nullptr;
  return wrap_array(std::move(*array));
}

// DrovikArray(values, unit=None): called through vectorcall, with no tuple
// or dict of arguments to build; tp_new serves DrovikArray.__new__.
PyObject* vectorcall_slot(PyObject*, PyObject* const* args, std::size_t nargsf,
                          PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    PyObject* argv[2];
    if (!match_arguments(kConstructor, args, PyVectorcall_NARGS(nargsf), kwnames, argv)) {
      return nullptr;
    }
    return constructed(argv[0], argv[1]);
  });
}

PyObject* new_slot(PyTypeObject*, PyObject* args, PyObject* kwargs) {
  return guarded([&]() -> PyObject* {
    static const char* names[] = {"values", "unit", nullptr};
    PyObject* values = nullptr;
    PyObject* unit = nullptr;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O|O:DrovikArray",
                                     const_cast<char**>(names), &values, &unit)) {
      return nullptr;
    }
    return constructed(values, unit);
  });
}

void free_slot(void* memory) {
  auto* self = static_cast<ArrayObject*>(memory);
  self->values.~Values();
  self->unit.~UnitRef();
  self->shape.~ArrayShape();
  self->layout.~BufferLayout();
  PyObject* base = self->base;
  PyObject_Free(memory);
  Py_XDECREF(base);
}

// The buffer: the values, read-only, where they lie (a view's strides
// lent as they are).

// True when the values lie one after another with the first axis fastest.
bool is_f_contiguous(const ArrayView& view) {
  if (view.shape.size() == 0) return true;
  Steps steps = view.steps();
  std::ptrdiff_t step = 1;
  for (std::size_t k = 0; k < view.shape.ndim(); ++k) {
    if (view.shape[k] == 1) continue;
    if (steps.along[k] != step) return false;
    step *= static_cast<std::ptrdiff_t>(view.shape[k]);
  }
  return true;
}

int get_buffer(PyObject* object, Py_buffer* view, int flags) {
  auto* self = reinterpret_cast<ArrayObject*>(object);
  ArrayView shown = array_of(object);
  LentBuffer lent{const_cast<double*>(self->data), self->shape.size(), sizeof(double), "d",
                  static_cast<int>(self->shape.ndim()), &self->layout, false,
                  shown.is_c_contiguous(), is_f_contiguous(shown)};
  return lend_buffer(object, lent, view, flags, "a DrovikArray is read-only");
}

// Reading.

PyObject* unit_text(const UnitRef& unit) {
  TextBuffer text;
  append_unit_text(text, unit);
  // Without the brackets str() shows around the unit.
  std::string_view view = text.view();
  return text_to_python(view.substr(1, view.size() - 2));
}

PyObject* get_shape(PyObject* self, void*) { return shape_tuple(array_of(self).shape); }
PyObject* get_ndim(PyObject* self, void*) { return PyLong_FromSize_t(array_of(self).shape.ndim()); }
PyObject* get_size(PyObject* self, void*) { return PyLong_FromSize_t(array_of(self).shape.size()); }
PyObject* get_unit(PyObject* self, void*) {
  return guarded([&] { return unit_text(array_of(self).unit); });
}

// Arrays never change, so that threads share them without locks: a write
// says what to make instead.
int assign_slot(PyObject*, PyObject*, PyObject*) {
  PyErr_SetString(PyExc_TypeError,
                  "a DrovikArray never changes: make a new one instead, such as "
                  "numpy.minimum(a, limit) for a ceiling, or DrovikArray(values, a.unit) from "
                  "changed values");
  return -1;
}

// numpy's truth of an array: its one value's; none or many are ambiguous.
int bool_slot(PyObject* self) {
  ArrayView array = array_of(self);
  if (array.shape.size() == 1) return array.data[0] != 0.0;
  PyErr_SetString(PyExc_ValueError,
                  array.shape.size() == 0
                      ? "The truth value of an empty array is ambiguous: use a.size > 0 to "
                        "check that an array is not empty"
                      : "The truth value of an array with more than one element is ambiguous: "
                        "compare it, then use .any() or .all() of the result");
  return -1;
}

Py_ssize_t length_slot(PyObject* self) {
  const ArrayShape& shape = array_of(self).shape;
  if (shape.ndim() == 0) {
    PyErr_SetString(PyExc_TypeError, "len() of a DrovikArray of shape ()");
    return -1;
  }
  return static_cast<Py_ssize_t>(shape[0]);
}

// Converting.

PyObject* as_number_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                           PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    PyObject* unit = nullptr;
    if (!match_arguments(kAsNumber, args, nargs, kwnames, &unit)) return nullptr;
    std::optional<std::optional<UnitRef>> target = unit_argument(unit);
    if (!target) return nullptr;
    ArrayView array = array_of(self);
    if (!*target) return plain_values(compact_copy(array));
    Result<ValueArray> converted = as_unit(array, **target);
    if (!converted) return raise_error(converted.error());
    return plain_values(std::move(*converted));
  });
}

PyObject* as_unit_method(PyObject* self, PyObject* unit) {
  return guarded([&]() -> PyObject* {
    std::optional<std::optional<UnitRef>> target = unit_argument(unit);
    if (!target) return nullptr;
    if (!*target) {
      PyErr_SetString(PyExc_TypeError, "DrovikArray.as_unit() needs a unit, not None");
      return nullptr;
    }
    return in_memory_order(self, nullptr, [&](const ArrayView& array, const ArrayView*) {
      return as_unit(array, **target);
    });
  });
}

PyObject* as_base_units_method(PyObject* self, PyObject*) {
  return guarded([&] {
    return in_memory_order(self, nullptr, [](const ArrayView& array, const ArrayView*) {
      return Result<ValueArray>(as_base_units(array));
    });
  });
}

// Reductions: along the axes `axis` names (an int, a tuple of ints, or None
// for all), a Drovik when no axis is left, a DrovikArray otherwise.

template <Reduction kind>
PyObject* reduction_method(PyObject* self, PyObject* args, PyObject* kwargs) {
  return guarded([&]() -> PyObject* {
    // numpy's order: axis, dtype, out, keepdims.
    static const char* names[] = {"axis", "dtype", "out", "keepdims", nullptr};
    PyObject *axis_object = Py_None, *dtype = nullptr, *out = nullptr;
    int keepdims = 0;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|OOOp", const_cast<char**>(names),
                                     &axis_object, &dtype, &out, &keepdims) ||
        !keeps_doubles(dtype, out)) {
      return nullptr;
    }
    ArrayView array = array_of(self);
    std::optional<ReducedAxes> axes = reduced_axes(axis_object, array.shape.ndim());
    if (!axes) return nullptr;
    return array_or_quantity(reduce(array, kind, *axes, keepdims != 0));
  });
}

PyCFunction as_function(PyObject* (*method)(PyObject*, PyObject*, PyObject*)) {
  return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(method));
}

PyCFunction fast(PyObject* (*method)(PyObject*, PyObject* const*, Py_ssize_t)) {
  return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(method));
}

PyMethodDef kMethods[] = {
    {"sum", as_function(reduction_method<Reduction::kSum>), METH_VARARGS | METH_KEYWORDS,
     "sum($self, axis=None, dtype=None, out=None, keepdims=False)\n--\n\nThe sum of the "
     "values (a Drovik), or along the axes axis names (an int or a tuple: a DrovikArray), "
     "numpy's figures; NaN propagates."},
    {"mean", as_function(reduction_method<Reduction::kMean>), METH_VARARGS | METH_KEYWORDS,
     "mean($self, axis=None, dtype=None, out=None, keepdims=False)\n--\n\nThe sum divided "
     "by the count, in the array's unit."},
    {"min", as_function(reduction_method<Reduction::kMin>), METH_VARARGS | METH_KEYWORDS,
     "min($self, axis=None, dtype=None, out=None, keepdims=False)\n--\n\nThe smallest "
     "value, NaN if any is NaN; ValueError for no values."},
    {"max", as_function(reduction_method<Reduction::kMax>), METH_VARARGS | METH_KEYWORDS,
     "max($self, axis=None, dtype=None, out=None, keepdims=False)\n--\n\nThe largest "
     "value, NaN if any is NaN; ValueError for no values."},
    {"as_number", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(as_number_method)),
     METH_FASTCALL | METH_KEYWORDS,
     "as_number($self, unit=None)\n--\n\nThe plain values, converted into unit when one is "
     "given: a numpy array when numpy can be imported, otherwise a read-only memoryview."},
    {"as_unit", as_unit_method, METH_O,
     "as_unit($self, unit, /)\n--\n\nThe array converted into unit (a str or a Drovik), offsets "
     "applied as Drovik.as_unit applies them."},
    {"as_base_units", as_base_units_method, METH_NOARGS,
     "as_base_units($self, /)\n--\n\nThe array in the eight base units."},
    {"round_sfig", array_slots::round_sfig_method, METH_O,
     "round_sfig($self, n_sig_figs, /)\n--\n\nEvery value rounded to n_sig_figs significant "
     "figures, as Drovik.round_sfig rounds it."},
    {"__round__", as_function(array_slots::round_method), METH_VARARGS | METH_KEYWORDS,
     "__round__($self, ndigits=None)\n--\n\nEvery value rounded as round() rounds a Drovik."},
    {"descriptive", array_slots::descriptive_method, METH_NOARGS,
     "descriptive($self, /)\n--\n\nThe values as str() lays them out, then the unit's full "
     "names."},
    {"__format__", array_slots::format_method, METH_O,
     "__format__($self, format_spec, /)\n--\n\nEach value formatted as format() formats a "
     "Drovik's, laid out as str() lays them."},
    {"__reduce__", array_slots::reduce_method, METH_NOARGS, "__reduce__($self, /)\n--\n\n"},
    {"_restore", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(array_slots::restore_method)),
     METH_FASTCALL | METH_STATIC, "_restore(*state)\n--\n\n"},
    {"__copy__", array_slots::copy_method, METH_NOARGS, "__copy__($self, /)\n--\n\n"},
    {"copy", array_slots::copy_method, METH_NOARGS,
     "copy($self, /)\n--\n\nThe array with values of its own, compact (the array itself "
     "when it has: arrays never change)."},
    {"reshape", fast(array_slots::reshape_method), METH_FASTCALL,
     "reshape($self, /, *shape)\n--\n\nThe values in C order with new extents (one may be "
     "-1), given one by one or as a tuple."},
    {"ravel", array_slots::ravel_method, METH_NOARGS,
     "ravel($self, /)\n--\n\nThe values in C order along one axis (a view when they lie "
     "so)."},
    {"flatten", array_slots::flatten_method, METH_NOARGS,
     "flatten($self, /)\n--\n\nThe values in C order along one axis, copied."},
    {"transpose", fast(array_slots::transpose_method), METH_FASTCALL,
     "transpose($self, /, *axes)\n--\n\nThe axes in reverse order, or in the order given."},
    {"swapaxes", fast(array_slots::swapaxes_method), METH_FASTCALL,
     "swapaxes($self, axis1, axis2, /)\n--\n\nThe two axes exchanged."},
    {"squeeze", as_function(array_slots::squeeze_method), METH_VARARGS | METH_KEYWORDS,
     "squeeze($self, axis=None)\n--\n\nWithout the axes of extent 1 (all of them, or those "
     "named)."},
    {"cumsum", as_function(array_slots::cumsum_method), METH_VARARGS | METH_KEYWORDS,
     "cumsum($self, axis=None)\n--\n\nThe running sums along axis (of the values in C order "
     "when None), as numpy adds them."},
    {"ptp", as_function(array_slots::spread_method<0>), METH_VARARGS | METH_KEYWORDS,
     "ptp($self, axis=None, keepdims=False)\n--\n\nThe largest value less the smallest."},
    {"var", as_function(array_slots::spread_method<1>), METH_VARARGS | METH_KEYWORDS,
     "var($self, axis=None, ddof=0, keepdims=False)\n--\n\nnumpy's variance, in the unit "
     "squared."},
    {"std", as_function(array_slots::spread_method<2>), METH_VARARGS | METH_KEYWORDS,
     "std($self, axis=None, ddof=0, keepdims=False)\n--\n\nnumpy's standard deviation, in the "
     "array's unit."},
    {"astype", as_function(array_slots::astype_method), METH_VARARGS | METH_KEYWORDS,
     "astype($self, dtype, order='K', casting='unsafe', subok=True, copy=True)\n--\n\nThe "
     "values as dtype gives them, in the same unit: float64 keeps them, float32 rounds each; "
     "other types raise TypeError."},
    {"argmin", as_function(array_slots::numpy_method<array_slots::kArgmin>),
     METH_VARARGS | METH_KEYWORDS,
     "argmin($self, /, *args, **kwargs)\n--\n\nnumpy.argmin of the array: positions, plain."},
    {"argmax", as_function(array_slots::numpy_method<array_slots::kArgmax>),
     METH_VARARGS | METH_KEYWORDS,
     "argmax($self, /, *args, **kwargs)\n--\n\nnumpy.argmax of the array: positions, plain."},
    {"argsort", as_function(array_slots::numpy_method<array_slots::kArgsort>),
     METH_VARARGS | METH_KEYWORDS,
     "argsort($self, /, *args, **kwargs)\n--\n\nnumpy.argsort of the array: positions, "
     "plain."},
    {"nonzero", as_function(array_slots::numpy_method<array_slots::kNonzero>),
     METH_VARARGS | METH_KEYWORDS,
     "nonzero($self, /, *args, **kwargs)\n--\n\nnumpy.nonzero of the array: positions, "
     "plain."},
    {"clip", as_function(array_slots::numpy_method<array_slots::kClip>),
     METH_VARARGS | METH_KEYWORDS,
     "clip($self, /, *args, **kwargs)\n--\n\nnumpy.clip of the array, the limits in its "
     "unit (quantities converted)."},
    {"prod", as_function(array_slots::numpy_method<array_slots::kProd>),
     METH_VARARGS | METH_KEYWORDS,
     "prod($self, /, *args, **kwargs)\n--\n\nnumpy.prod of the array, in its unit to the "
     "power of the count of values multiplied."},
    {"tolist", array_slots::tolist_method, METH_NOARGS,
     "tolist($self, /)\n--\n\nNested lists of Drovik quantities (a Drovik for shape ())."},
    {"item", array_slots::item_method, METH_NOARGS,
     "item($self, /)\n--\n\nThe one value, a Drovik; ValueError for more or none."},
    {"__deepcopy__", array_slots::copy_method, METH_O, "__deepcopy__($self, memo, /)\n--\n\n"},
    {"__sizeof__", array_slots::sizeof_method, METH_NOARGS, "__sizeof__($self, /)\n--\n\n"},
    {"__array_ufunc__", as_function(array_slots::array_ufunc_method), METH_VARARGS | METH_KEYWORDS,
     "__array_ufunc__($self, ufunc, method, /, *inputs, **kwargs)\n--\n\nnumpy's ufuncs "
     "follow their unit rules (the operators act as the array's own); others raise "
     "TypeError."},
    {"__array_function__", as_function(array_slots::array_function_method),
     METH_VARARGS | METH_KEYWORDS,
     "__array_function__($self, func, types, args, kwargs, /)\n--\n\nnumpy's functions "
     "would drop the unit: they raise TypeError."},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef kGetSet[] = {
    {"shape", get_shape, nullptr, "The extent of each axis.", nullptr},
    {"ndim", get_ndim, nullptr, "The number of axes.", nullptr},
    {"size", get_size, nullptr, "The number of values.", nullptr},
    {"unit", get_unit, nullptr, "The unit's text, as str() shows it between brackets.", nullptr},
    {"T", array_slots::transpose_getter, nullptr, "The array with its axes reversed.", nullptr},
    {"dtype", array_slots::dtype_getter, nullptr,
     "numpy's float64 (its name when numpy is not there): the values' type.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot kSlots[] = {
    {Py_tp_new, reinterpret_cast<void*>(new_slot)},
    {Py_tp_vectorcall, reinterpret_cast<void*>(vectorcall_slot)},
    {Py_tp_free, reinterpret_cast<void*>(free_slot)},
    {Py_tp_str, reinterpret_cast<void*>(array_slots::text)},
    {Py_tp_repr, reinterpret_cast<void*>(array_slots::text)},
    {Py_tp_richcompare, reinterpret_cast<void*>(array_slots::richcompare)},
    {Py_tp_iter, reinterpret_cast<void*>(array_slots::iterate)},
    {Py_mp_subscript, reinterpret_cast<void*>(array_slots::subscript)},
    {Py_sq_item, reinterpret_cast<void*>(array_slots::item)},
    {Py_tp_methods, kMethods},
    {Py_tp_getset, kGetSet},
    {Py_bf_getbuffer, reinterpret_cast<void*>(get_buffer)},
    {Py_sq_length, reinterpret_cast<void*>(length_slot)},
    {Py_mp_length, reinterpret_cast<void*>(length_slot)},
    {Py_nb_bool, reinterpret_cast<void*>(bool_slot)},
    {Py_mp_ass_subscript, reinterpret_cast<void*>(assign_slot)},
    {Py_nb_negative, reinterpret_cast<void*>(array_slots::negative)},
    {Py_nb_positive, reinterpret_cast<void*>(array_slots::positive)},
    {Py_nb_absolute, reinterpret_cast<void*>(array_slots::absolute)},
    {Py_nb_add, reinterpret_cast<void*>(array_slots::add)},
    {Py_nb_subtract, reinterpret_cast<void*>(array_slots::subtract)},
    {Py_nb_multiply, reinterpret_cast<void*>(array_slots::multiply)},
    {Py_nb_true_divide, reinterpret_cast<void*>(array_slots::divide)},
    {Py_nb_power, reinterpret_cast<void*>(array_slots::power)},
    {Py_nb_matrix_multiply, reinterpret_cast<void*>(array_slots::matrix_multiply)},
    {Py_tp_doc, const_cast<char*>(
                    "DrovikArray(values, unit=None)\n--\n\nAn immutable N-dimensional array of "
                    "doubles in one unit; each element behaves as a drovik.Drovik would.")},
    {0, nullptr},
};

PyType_Spec kSpec = {
    "drovik_array.DrovikArray",
    static_cast<int>(sizeof(ArrayObject)),
    0,
    Py_TPFLAGS_DEFAULT,
    kSlots,
};

}  // namespace

PyTypeObject* detail::make_array_type() {
  PyObject* type = PyType_FromSpec(&kSpec);
  if (type == nullptr) return nullptr;
  // Closed to changes, as the built-in number types are.
  reinterpret_cast<PyTypeObject*>(type)->tp_flags |= Py_TPFLAGS_IMMUTABLETYPE;
  PyType_Modified(reinterpret_cast<PyTypeObject*>(type));
  return reinterpret_cast<PyTypeObject*>(type);
}

}  // namespace drovik::python
