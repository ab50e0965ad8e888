// numpy's functions that keep values in one unit (concatenate, where, clip,
// sort, median, ...) or give positions (argsort, argmax, ...): every array
// and quantity among the arguments is converted into the unit of the first
// array, numpy runs on those plain values, and what it gives back is put
// into that unit again (positions, counts and truths stay plain).
#include "python/array/numpy_functions.h"

#include <atomic>
#include <cstdint>
#include <iterator>
#include <cstring>
#include <optional>
#include <vector>

#include "array/array_operations.h"
#include "python/array/array_construction.h"
#include "python/array/array_object.h"
#include "python/array/array_slots.h"
#include "python/array/plain_values.h"
#include "python/drovik_object.h"
#include "python/exceptions.h"
#include "python/once.h"
#include "python/owned.h"
#include "python/results.h"
#include "quantity/conversion.h"
#include "unit/unit_memo.h"
#include "unit/unit_collection.h"

namespace drovik::python {
namespace {

enum class Gives { kValues, kPlain };

// Which arguments hold values (a plain number there, other than 0, would be
// read in the array's unit silently, so it is refused unless the unit is a
// pure number): positions counted from 0, -1 for none, -2 for "every item of
// the first argument" (a sequence of arrays).
struct NumpyFunction {
  const char* name;
  Gives gives;
  int value_at[2];
};

constexpr NumpyFunction kFunctions[] = {
    {"concatenate", Gives::kValues, {-2, -1}}, {"stack", Gives::kValues, {-2, -1}},
    {"hstack", Gives::kValues, {-2, -1}},      {"vstack", Gives::kValues, {-2, -1}},
    {"append", Gives::kValues, {0, 1}},        {"where", Gives::kValues, {1, 2}},
    {"clip", Gives::kValues, {1, 2}},          {"sort", Gives::kValues, {-1, -1}},
    {"median", Gives::kValues, {-1, -1}},      {"percentile", Gives::kValues, {-1, -1}},
    {"quantile", Gives::kValues, {-1, -1}},    {"nanmedian", Gives::kValues, {-1, -1}},
    {"nanpercentile", Gives::kValues, {-1, -1}}, {"nanquantile", Gives::kValues, {-1, -1}},
    {"nanmean", Gives::kValues, {-1, -1}},     {"nansum", Gives::kValues, {-1, -1}},
    {"nanstd", Gives::kValues, {-1, -1}},
    {"nanmin", Gives::kValues, {-1, -1}},      {"nanmax", Gives::kValues, {-1, -1}},
    {"flip", Gives::kValues, {-1, -1}},        {"roll", Gives::kValues, {-1, -1}},
    {"repeat", Gives::kValues, {-1, -1}},      {"tile", Gives::kValues, {-1, -1}},
    {"take", Gives::kValues, {-1, -1}},        {"diff", Gives::kValues, {-1, -1}},
    {"unique", Gives::kValues, {-1, -1}},      {"atleast_1d", Gives::kValues, {-1, -1}},
    {"atleast_2d", Gives::kValues, {-1, -1}},  {"atleast_3d", Gives::kValues, {-1, -1}},
    {"expand_dims", Gives::kValues, {-1, -1}}, {"moveaxis", Gives::kValues, {-1, -1}},
    {"broadcast_to", Gives::kValues, {-1, -1}}, {"zeros_like", Gives::kValues, {-1, -1}},
    {"ones_like", Gives::kValues, {-1, -1}},  {"empty_like", Gives::kValues, {-1, -1}},
    {"full_like", Gives::kValues, {1, -1}},   {"linspace", Gives::kValues, {0, 1}},
    {"geomspace", Gives::kValues, {0, 1}},    {"histogram", Gives::kValues, {0, -1}},
    {"allclose", Gives::kPlain, {0, 1}},      {"isclose", Gives::kPlain, {0, 1}},
    {"array_equal", Gives::kPlain, {0, 1}},
    {"argmin", Gives::kPlain, {-1, -1}},       {"argmax", Gives::kPlain, {-1, -1}},
    {"argsort", Gives::kPlain, {-1, -1}},      {"nonzero", Gives::kPlain, {-1, -1}},
    {"count_nonzero", Gives::kPlain, {-1, -1}}, {"searchsorted", Gives::kPlain, {1, -1}},
};

// The unit an argument carries: an array's or a quantity's; nothing for a
// plain number or array.
std::optional<UnitRef> unit_of(PyObject* item) {
  if (is_array(item)) return array_of(item).unit;
  if (is_drovik(item)) {
    const Drovik* quantity = readable_quantity(item);
    if (quantity != nullptr) return quantity->unit;
  }
  return std::nullopt;
}

// The unit of the first array or quantity among `item` and the items of a
// list or tuple in it (read from a tuple of the list's items, which holds
// them while another thread may change the list).
std::optional<UnitRef> first_unit(PyObject* item) {
  if (std::optional<UnitRef> unit = unit_of(item)) return unit;
  if (PyList_Check(item) || PyTuple_Check(item)) {
    Owned items(PySequence_Tuple(item));
    if (!items) {
      PyErr_Clear();
      return std::nullopt;
    }
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(items.get()); ++i) {
      if (std::optional<UnitRef> found = first_unit(PyTuple_GET_ITEM(items.get(), i))) {
        return found;
      }
    }
  }
  return std::nullopt;
}

class Converter {
 public:
  explicit Converter(const UnitRef& unit) : unit_(unit) {}

  // `item` with every array and quantity in it (through lists and tuples)
  // as plain values in the unit; `values` says a plain number there must be
  // 0 unless the unit is a pure number. nullptr with an exception.
  PyObject* plain(PyObject* item, bool values) {
    if (is_array(item)) {
      ArrayView array = array_of(item);
      // Already in the unit: numpy reads the values where they lie, read-only.
      PyObject* asarray = identical(*array.unit, *unit_) ? numpy_asarray() : nullptr;
      return asarray != nullptr ? PyObject_CallOneArg(asarray, item) : converted(array);
    }
    if (is_drovik(item)) {
      const Drovik* quantity = readable_quantity(item);
      if (quantity == nullptr) return borrow_silent(item).refused();
      Result<double> value = converted_value(*quantity, *unit_);
      if (!value) return raise_error(value.error());
      return PyFloat_FromDouble(*value);
    }
    if (PyList_Check(item) || PyTuple_Check(item)) {
      // The items held, as numpy's calls below may run code that changes the list.
      Owned items(PySequence_Tuple(item));
      if (!items) return nullptr;
      Py_ssize_t n = PyTuple_GET_SIZE(items.get());
      Owned out(PyList_New(n));
      if (!out) return nullptr;
      for (Py_ssize_t i = 0; i < n; ++i) {
        PyObject* part = plain(PyTuple_GET_ITEM(items.get(), i), values);
        if (part == nullptr) return nullptr;
        PyList_SET_ITEM(out.get(), i, part);
      }
      return PyTuple_Check(item) ? PyList_AsTuple(out.get()) : out.release();
    }
    if (values && item != Py_None && !is_pure_number() && !is_zero(item)) {
      // The error a plain number beside a quantity gets: "[] and [m] ...".
      Result<ConversionPlan> refused = conversion_plan(*UnitRef(), *unit_);
      return raise_error(refused.error());
    }
    return Py_NewRef(item);
  }

 private:
  PyObject* converted(const ArrayView& array) {
    Result<ValueArray> values = as_unit(array, unit_);
    if (!values) return raise_error(values.error());
    return plain_values(std::move(*values));
  }

  bool is_pure_number() const {
    const DimensionVector& dimensions = unit_->dimensions();
    for (std::size_t k = 0; k < kBaseDimensionCount; ++k) {
      if (dimensions[k] != 0) return false;
    }
    return true;
  }

  static bool is_zero(PyObject* item) {
    if (!PyFloat_Check(item) && !PyLong_Check(item)) return false;
    double value = PyFloat_AsDouble(item);
    if (value == -1.0 && PyErr_Occurred()) {
      PyErr_Clear();
      return false;
    }
    return value == 0.0;
  }

  const UnitRef& unit_;
};

// The layout of `lent`, when it shows doubles among those `source`'s owner
// holds (numpy laid `source`'s own values out anew: a transpose, a flip, a
// broadcast), relative to source's first value; nothing otherwise.
std::optional<ViewLayout> layout_among(const Py_buffer& lent, PyObject* source) {
  auto* from = reinterpret_cast<ArrayObject*>(source);
  if (!holds_native_doubles(lent) || lent.shape == nullptr || lent.strides == nullptr) {
    return std::nullopt;
  }
  std::vector<std::size_t> extents(static_cast<std::size_t>(lent.ndim));
  std::ptrdiff_t low = 0, high = 0, step = sizeof(double);
  for (std::size_t k = 0; k < extents.size(); ++k) {
    if (lent.shape[k] <= 0 || lent.strides[k] % step != 0) return std::nullopt;
    extents[k] = static_cast<std::size_t>(lent.shape[k]);
    std::ptrdiff_t span = lent.strides[k] * (lent.shape[k] - 1);
    (span < 0 ? low : high) += span;
  }
  auto first = reinterpret_cast<std::uintptr_t>(lent.buf);
  auto block = reinterpret_cast<std::uintptr_t>(from->block);
  std::size_t bytes = from->block_size * sizeof(double);
  if (bytes == 0 || first < block || (first - block) % sizeof(double) != 0 ||
      static_cast<std::ptrdiff_t>(first - block) + low < 0 ||
      static_cast<std::size_t>(static_cast<std::ptrdiff_t>(first - block) + high) >= bytes) {
    return std::nullopt;
  }
  Result<ArrayShape> shape = ArrayShape::of(extents);
  if (!shape) return std::nullopt;
  ViewLayout layout{static_cast<std::ptrdiff_t>(first) -
                        reinterpret_cast<std::ptrdiff_t>(from->data),
                    std::move(*shape), {}};
  for (std::size_t k = 0; k < extents.size(); ++k) layout.strides.emplace_back(lent.strides[k]);
  return layout;
}

std::atomic<PyObject*> g_numpy_ndarray{nullptr};

// numpy.ndarray (kept for the process), or nullptr with no exception.
PyObject* numpy_ndarray() {
  PyObject* type = once(g_numpy_ndarray, []() -> PyObject* {
    Owned numpy(PyImport_ImportModule("numpy"));
    return numpy ? PyObject_GetAttrString(numpy.get(), "ndarray") : nullptr;
  });
  if (type == nullptr) PyErr_Clear();
  return type;
}

// True when `result` is a fresh numpy array no one else holds (one
// reference ours, one the buffer `lent` holds), owning its C-ordered native
// doubles (numpy's concatenate, sort, ...): an array may then keep it as the
// holder of its values instead of copying them.
bool adoptable(PyObject* result, const Py_buffer& lent) {
  if (Py_REFCNT(result) != 2 || !holds_native_doubles(lent) || lent.shape == nullptr) {
    return false;
  }
  Py_ssize_t step = sizeof(double);
  for (int k = lent.ndim; k-- > 0;) {
    if (lent.shape[k] != 1 && lent.strides != nullptr && lent.strides[k] != step) return false;
    step *= lent.shape[k];
  }
  PyObject* ndarray = numpy_ndarray();
  Owned base(ndarray != nullptr && Py_TYPE(result) == reinterpret_cast<PyTypeObject*>(ndarray)
                 ? PyObject_GetAttrString(result, "base")
                 : nullptr);
  PyErr_Clear();
  return base && base.get() == Py_None;
}

// What numpy gave, back in the unit: float arrays as arrays (views of
// `source`'s values when numpy laid those out anew, copies otherwise), float
// scalars as quantities, tuples item by item; anything else as it is.
PyObject* in_unit(PyObject* result, const UnitRef& unit, PyObject* source) {
  if (PyTuple_Check(result)) {
    Py_ssize_t n = PyTuple_GET_SIZE(result);
    Owned out(PyTuple_New(n));
    if (!out) return nullptr;
    for (Py_ssize_t i = 0; i < n; ++i) {
      PyObject* part = in_unit(PyTuple_GET_ITEM(result, i), unit, source);
      if (part == nullptr) return nullptr;
      PyTuple_SET_ITEM(out.get(), i, part);
    }
    return out.release();
  }
  if (PyFloat_Check(result)) {
    double value = PyFloat_AsDouble(result);
    return wrap(Drovik{value, unit});
  }
  if (PyObject_CheckBuffer(result)) {
    Py_buffer view;
    if (PyObject_GetBuffer(result, &view, PyBUF_RECORDS_RO) < 0) return nullptr;
    bool floats = view.format != nullptr && std::strchr("efdg", view.format[0]) != nullptr &&
                  view.format[1] == '\0';
    std::optional<ViewLayout> shown =
        source != nullptr && identical(*array_of(source).unit, *unit) ? layout_among(view, source)
                                                                     : std::nullopt;
    std::optional<ArrayShape> adopted;
    if (!shown && adoptable(result, view)) {
      std::vector<std::size_t> extents(view.shape, view.shape + view.ndim);
      Result<ArrayShape> shape = ArrayShape::of(extents);
      if (shape) adopted = std::move(*shape);
    }
    const auto* data = static_cast<const double*>(view.buf);
    PyBuffer_Release(&view);
    if (shown) return wrap_view(source, std::move(*shown));
    if (adopted) return wrap_adopted(result, data, std::move(*adopted), unit);
    if (floats) {
      std::optional<ValueArray> values = array_argument(result, unit);
      if (!values) return nullptr;
      return wrap_array(std::move(*values));
    }
  }
  return Py_NewRef(result);
}

// function(*args, **kwargs) with each argument through plain(item, i) and
// each keyword's value through plain(value, name): numpy's function on the
// plain values. nullptr with an exception.
template <class Plain, class PlainKeyword>
PyObject* called_on_plain(PyObject* function, PyObject* args, PyObject* kwargs, Plain plain,
                          PlainKeyword plain_keyword) {
  Py_ssize_t n = PyTuple_GET_SIZE(args);
  Owned plain_args(PyTuple_New(n));
  if (!plain_args) return nullptr;
  for (Py_ssize_t i = 0; i < n; ++i) {
    PyObject* part = plain(PyTuple_GET_ITEM(args, i), i);
    if (part == nullptr) return nullptr;
    PyTuple_SET_ITEM(plain_args.get(), i, part);
  }
  Owned plain_kwargs(PyDict_New());
  if (!plain_kwargs) return nullptr;
  PyObject *key, *value;
  Py_ssize_t at = 0;
  while (kwargs != nullptr && PyDict_Next(kwargs, &at, &key, &value)) {
    Owned part(plain_keyword(value, key));
    if (!part || PyDict_SetItem(plain_kwargs.get(), key, part.get()) < 0) return nullptr;
  }
  return PyObject_Call(function, plain_args.get(), plain_kwargs.get());
}

// An argument as plain values in its own unit (in `unit` when one is
// given: converted into it). nullptr with an exception.
PyObject* plain_in(PyObject* item, const std::optional<UnitRef>& unit) {
  std::optional<UnitRef> own = unit ? unit : unit_of(item);
  if (!own) return Py_NewRef(item);
  return Converter(*own).plain(item, unit.has_value());
}

// Functions whose result's unit comes from several operands, each read in
// its own unit: products (dot, inner, outer, cross, matmul, vdot), the
// integral of y over x, the gradient of f over its spacing, interpolation
// (x read in xp's unit, the result in fp's), a product's power of the unit
// and a variance's square of it.
enum class Combines { kProduct, kTrapezoid, kGradient, kInterp, kPower, kSquare };
struct CombiningFunction {
  const char* name;
  Combines rule;
};
constexpr CombiningFunction kCombining[] = {
    {"dot", Combines::kProduct},        {"inner", Combines::kProduct},
    {"outer", Combines::kProduct},      {"cross", Combines::kProduct},
    {"matmul", Combines::kProduct},     {"vdot", Combines::kProduct},
    {"trapezoid", Combines::kTrapezoid}, {"gradient", Combines::kGradient},
    {"interp", Combines::kInterp},      {"prod", Combines::kPower},
    {"nanvar", Combines::kSquare},
};

// The unit of numpy's product of `array` along `axis` (None for all): the
// array's unit to the power of the count of values each result multiplies.
std::optional<UnitRef> product_unit(PyObject* array, PyObject* axis) {
  ArrayView view = array_of(array);
  std::size_t count = view.shape.size();
  if (axis != nullptr && axis != Py_None) {
    std::optional<ReducedAxes> axes = reduced_axes(axis, view.shape.ndim());
    if (!axes) return std::nullopt;
    count = 1;
    for (std::size_t k = 0; k < view.shape.ndim(); ++k) {
      if (axes->along[k]) count *= view.shape[k];
    }
  }
  return power_of_units(view.unit, static_cast<double>(count));
}

PyObject* call_combining(PyObject* function, Combines rule, PyObject* args, PyObject* kwargs) {
  Py_ssize_t n = PyTuple_GET_SIZE(args);
  auto arg = [&](Py_ssize_t i, const char* keyword) -> PyObject* {
    if (i < n) return PyTuple_GET_ITEM(args, i);
    return kwargs != nullptr ? PyDict_GetItemString(kwargs, keyword) : nullptr;
  };
  auto unit_or_none = [](PyObject* item) {
    std::optional<UnitRef> unit = item != nullptr ? unit_of(item) : std::nullopt;
    return unit ? *unit : UnitRef();
  };
  // Which arguments are read in another's unit (by position; keywords by name).
  std::optional<UnitRef> read_in[3];
  std::vector<std::pair<const char*, std::optional<UnitRef>>> keywords;
  UnitRef result;
  switch (rule) {
    case Combines::kProduct:
      result = multiply_units(unit_or_none(arg(0, "a")), unit_or_none(arg(1, "b")));
      break;
    case Combines::kTrapezoid: {
      PyObject* x = arg(1, "x");
      PyObject* dx = arg(2, "dx");
      result = multiply_units(unit_or_none(arg(0, "y")),
                              unit_or_none(x != nullptr && x != Py_None ? x : dx));
      break;
    }
    case Combines::kGradient:
      result = divide_units(unit_or_none(arg(0, "f")),
                            unit_or_none(n > 1 ? PyTuple_GET_ITEM(args, 1) : nullptr));
      break;
    case Combines::kInterp: {
      read_in[0] = unit_or_none(arg(1, "xp"));
      UnitRef values = unit_or_none(arg(2, "fp"));
      keywords = {{"left", values}, {"right", values}, {"period", read_in[0]}};
      result = values;
      break;
    }
    case Combines::kSquare:  // a variance: the unit squared
      result = power_of_units(unit_or_none(arg(0, "a")), 2.0);
      break;
    case Combines::kPower: {
      PyObject* first = arg(0, "a");
      if (first == nullptr || !is_array(first)) {
        result = unit_or_none(first);  // one quantity: itself
        break;
      }
      std::optional<UnitRef> power = product_unit(first, arg(1, "axis"));
      if (!power) return nullptr;
      result = std::move(*power);
      break;
    }
  }
  Owned got(called_on_plain(
      function, args, kwargs,
      [&](PyObject* item, Py_ssize_t i) {
        return plain_in(item, i < 3 ? read_in[i] : std::nullopt);
      },
      [&](PyObject* value, PyObject* key) {
        std::optional<UnitRef> unit;
        for (const auto& [name, in] : keywords) {
          if (PyUnicode_CompareWithASCIIString(key, name) == 0) unit = in;
        }
        return plain_in(value, unit);
      }));
  if (!got) return nullptr;
  return in_unit(got.get(), result, nullptr);
}

std::atomic<PyObject*> g_function_table{nullptr};

// Every name above, to its place: the functions of kFunctions first, then
// those of kCombining. Made once; only read after.
PyObject* function_table() {
  return once(g_function_table, []() -> PyObject* {
    Owned table(PyDict_New());
    if (!table) return nullptr;
    Py_ssize_t at = 0;
    auto add = [&](const char* name) {
      Owned index(PyLong_FromSsize_t(at++));
      return index && PyDict_SetItemString(table.get(), name, index.get()) == 0;
    };
    for (const NumpyFunction& entry : kFunctions) {
      if (!add(entry.name)) return nullptr;
    }
    for (const CombiningFunction& entry : kCombining) {
      if (!add(entry.name)) return nullptr;
    }
    return table.release();
  });
}

}  // namespace

PyObject* call_numpy_function(PyObject* function, PyObject* name, PyObject* args,
                              PyObject* kwargs, bool& known) {
  known = false;
  PyObject* names = function_table();
  if (names == nullptr) return nullptr;
  PyObject* found_at = PyDict_GetItemWithError(names, name);  // borrowed; the table lives on
  if (found_at == nullptr) return nullptr;
  Py_ssize_t at = PyLong_AsSsize_t(found_at);
  constexpr auto kFunctionCount = static_cast<Py_ssize_t>(std::size(kFunctions));
  if (at >= kFunctionCount) {
    known = true;
    return call_combining(function, kCombining[at - kFunctionCount].rule, args, kwargs);
  }
  const NumpyFunction* entry = &kFunctions[at];
  std::optional<UnitRef> found;
  PyObject* source = nullptr;  // the first argument, when it is an array
  for (Py_ssize_t i = 0; !found && i < PyTuple_GET_SIZE(args); ++i) {
    found = first_unit(PyTuple_GET_ITEM(args, i));
  }
  if (PyTuple_GET_SIZE(args) > 0 && is_array(PyTuple_GET_ITEM(args, 0))) {
    source = PyTuple_GET_ITEM(args, 0);
  }
  if (!found) return nullptr;
  known = true;
  UnitRef unit = std::move(*found);
  Converter converter(unit);
  Owned result(called_on_plain(
      function, args, kwargs,
      [&](PyObject* item, Py_ssize_t i) {
        bool values = entry->value_at[0] == i || entry->value_at[1] == i ||
                      (i == 0 && entry->value_at[0] == -2);
        return converter.plain(item, values);
      },
      [&](PyObject* value, PyObject*) { return converter.plain(value, false); }));
  if (!result) return nullptr;
  if (entry->gives == Gives::kPlain) return result.release();
  // A histogram's density counts per unit of its values: the unit's reciprocal.
  PyObject* density = PyDict_GetItemString(kwargs, "density");
  if (PyUnicode_CompareWithASCIIString(name, "histogram") == 0 && density != nullptr &&
      PyObject_IsTrue(density) == 1 && PyTuple_Check(result.get()) &&
      PyTuple_GET_SIZE(result.get()) == 2) {
    Owned per_unit(in_unit(PyTuple_GET_ITEM(result.get(), 0), divide_units(UnitRef(), unit),
                           nullptr));
    Owned edges(per_unit ? in_unit(PyTuple_GET_ITEM(result.get(), 1), unit, source) : nullptr);
    return edges ? PyTuple_Pack(2, per_unit.get(), edges.get()) : nullptr;
  }
  return in_unit(result.get(), unit, source);
}

}  // namespace drovik::python
