#include "python/value_protocols.h"

#include <bit>
#include <cstdint>
#include <string>

#include "python/drovik_object.h"
#include "python/exceptions.h"
#include "python/results.h"
#include "quantity/quantity_state.h"
#include "quantity/quantity_text.h"
#include "unit/unit_text.h"

namespace drovik::python {
namespace {

// Version 1: (1, value, ((name, symbol, scale, offset, dimensions, exponent),
// ...), dimensions, scale), dimensions being a tuple of eight doubles. A
// later layout takes a new number; loading keeps reading every old one.
constexpr long kStateVersion = 1;
constexpr Py_ssize_t kStateSize = 5;
constexpr Py_ssize_t kUnitStateSize = 6;

// A new reference owned for the length of a scope.
class Owned {
 public:
  explicit Owned(PyObject* object) : object_(object) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { Py_XDECREF(object_); }
  PyObject* get() const { return object_; }
  PyObject* release() {
    PyObject* object = object_;
    object_ = nullptr;
    return object;
  }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  PyObject* object_;
};

PyObject* bits_of(double value) {
  return PyLong_FromUnsignedLongLong(std::bit_cast<std::uint64_t>(value));
}

PyObject* dimensions_tuple(const DimensionVector& dimensions) {
  Owned tuple(PyTuple_New(kBaseDimensionCount));
  if (!tuple) return nullptr;
  for (std::size_t k = 0; k < kBaseDimensionCount; ++k) {
    PyObject* item = bits_of(dimensions[k]);
    if (item == nullptr) return nullptr;
    PyTuple_SET_ITEM(tuple.get(), static_cast<Py_ssize_t>(k), item);
  }
  return tuple.release();
}

PyObject* unit_tuple(const UnitState& unit) {
  return Py_BuildValue("(s#s#NNNN)", unit.name.data(), static_cast<Py_ssize_t>(unit.name.size()),
                       unit.symbol.data(), static_cast<Py_ssize_t>(unit.symbol.size()),
                       bits_of(unit.scale), bits_of(unit.offset), dimensions_tuple(unit.dimensions),
                       bits_of(unit.exponent));
}

PyObject* state_tuple(const QuantityState& state) {
  Owned units(PyTuple_New(static_cast<Py_ssize_t>(state.units.size())));
  if (!units) return nullptr;
  for (std::size_t i = 0; i < state.units.size(); ++i) {
    PyObject* unit = unit_tuple(state.units[i]);
    if (unit == nullptr) return nullptr;
    PyTuple_SET_ITEM(units.get(), static_cast<Py_ssize_t>(i), unit);
  }
  return Py_BuildValue("(lNONN)", kStateVersion, bits_of(state.value), units.get(),
                       dimensions_tuple(state.dimensions), bits_of(state.scale));
}

// Reading a state. Each reader sets TypeError or ValueError and returns false
// on the first thing that does not fit.

bool read_tuple(PyObject* item, Py_ssize_t size, const char* what) {
  if (!PyTuple_Check(item)) {
    PyErr_Format(PyExc_TypeError, "Drovik state: %s must be a tuple, not %.200s", what,
                 Py_TYPE(item)->tp_name);
    return false;
  }
  if (size >= 0 && PyTuple_GET_SIZE(item) != size) {
    PyErr_Format(PyExc_ValueError, "Drovik state: %s must have %zd items, not %zd", what, size,
                 PyTuple_GET_SIZE(item));
    return false;
  }
  return true;
}

bool read_double(PyObject* item, const char* what, double& out) {
  if (!PyLong_CheckExact(item)) {
    PyErr_Format(PyExc_TypeError, "Drovik state: %s must be an int, not %.200s", what,
                 Py_TYPE(item)->tp_name);
    return false;
  }
  unsigned long long bits = PyLong_AsUnsignedLongLong(item);
  if (bits == static_cast<unsigned long long>(-1) && PyErr_Occurred()) {
    PyErr_Clear();
    PyErr_Format(PyExc_ValueError, "Drovik state: %s is not the 64 bits of a double", what);
    return false;
  }
  out = std::bit_cast<double>(static_cast<std::uint64_t>(bits));
  return true;
}

bool read_text(PyObject* item, const char* what, std::string& out) {
  if (!PyUnicode_CheckExact(item)) {
    PyErr_Format(PyExc_TypeError, "Drovik state: %s must be a str, not %.200s", what,
                 Py_TYPE(item)->tp_name);
    return false;
  }
  Py_ssize_t size = 0;
  const char* utf8 = PyUnicode_AsUTF8AndSize(item, &size);
  if (utf8 == nullptr) return false;  // a lone surrogate: UnicodeEncodeError, a ValueError
  out.assign(utf8, static_cast<std::size_t>(size));
  return true;
}

bool read_dimensions(PyObject* item, DimensionVector& out) {
  if (!read_tuple(item, kBaseDimensionCount, "dimensions")) return false;
  for (std::size_t k = 0; k < kBaseDimensionCount; ++k) {
    if (!read_double(PyTuple_GET_ITEM(item, static_cast<Py_ssize_t>(k)), "a dimension", out[k])) {
      return false;
    }
  }
  return true;
}

bool read_unit(PyObject* item, UnitState& out) {
  return read_tuple(item, kUnitStateSize, "a unit") &&
         read_text(PyTuple_GET_ITEM(item, 0), "a unit name", out.name) &&
         read_text(PyTuple_GET_ITEM(item, 1), "a unit symbol", out.symbol) &&
         read_double(PyTuple_GET_ITEM(item, 2), "a unit scale", out.scale) &&
         read_double(PyTuple_GET_ITEM(item, 3), "a unit offset", out.offset) &&
         read_dimensions(PyTuple_GET_ITEM(item, 4), out.dimensions) &&
         read_double(PyTuple_GET_ITEM(item, 5), "a unit exponent", out.exponent);
}

bool read_version(PyObject* item) {
  if (!PyLong_CheckExact(item)) {
    PyErr_Format(PyExc_TypeError, "Drovik state: the version must be an int, not %.200s",
                 Py_TYPE(item)->tp_name);
    return false;
  }
  int overflow = 0;
  long version = PyLong_AsLongAndOverflow(item, &overflow);
  if (overflow != 0 || version != kStateVersion) {
    PyErr_Format(PyExc_ValueError, "Drovik state: unknown version %R", item);
    return false;
  }
  return true;
}

bool read_state(PyObject* item, QuantityState& out) {
  if (!read_tuple(item, -1, "the state")) return false;
  if (PyTuple_GET_SIZE(item) < 1) {
    PyErr_SetString(PyExc_ValueError, "Drovik state: the state is empty");
    return false;
  }
  if (!read_version(PyTuple_GET_ITEM(item, 0)) || !read_tuple(item, kStateSize, "the state")) {
    return false;
  }
  PyObject* units = PyTuple_GET_ITEM(item, 2);
  if (!read_double(PyTuple_GET_ITEM(item, 1), "the value", out.value) ||
      !read_tuple(units, -1, "the units") ||
      !read_dimensions(PyTuple_GET_ITEM(item, 3), out.dimensions) ||
      !read_double(PyTuple_GET_ITEM(item, 4), "the scale", out.scale)) {
    return false;
  }
  out.units.resize(static_cast<std::size_t>(PyTuple_GET_SIZE(units)));
  for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(units); ++i) {
    if (!read_unit(PyTuple_GET_ITEM(units, i), out.units[static_cast<std::size_t>(i)])) {
      return false;
    }
  }
  return true;
}

}  // namespace

PyObject* reduce_method(PyObject* self, PyObject*) {
  return guarded([&]() -> PyObject* {
    Borrow receiver = borrow_silent(self);
    if (!receiver) return receiver.refused();
    QuantityState state = save_state(receiver.quantity());
    Owned restore(PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(self)), "_restore"));
    if (!restore) return nullptr;
    PyObject* saved = state_tuple(state);
    if (saved == nullptr) return nullptr;
    return Py_BuildValue("(O(N))", restore.get(), saved);
  });
}

PyObject* restore_method(PyObject*, PyObject* state) {
  return guarded([&]() -> PyObject* {
    QuantityState read;
    if (!read_state(state, read)) return nullptr;
    std::optional<Drovik> quantity = restore_state(read);
    if (!quantity) {
      PyErr_SetString(PyExc_ValueError, "Drovik state: a unit is listed twice");
      return nullptr;
    }
    return wrap(std::move(*quantity));
  });
}

PyObject* copy_method(PyObject* self, PyObject*) {
  return guarded([&]() -> PyObject* {
    Borrow receiver = borrow_silent(self);
    if (!receiver) return receiver.refused();
    return Py_NewRef(self);
  });
}

PyObject* deepcopy_method(PyObject* self, PyObject*) { return copy_method(self, nullptr); }

PyObject* format_method(PyObject* self, PyObject* spec) {
  return guarded([&]() -> PyObject* {
    if (!PyUnicode_Check(spec)) {
      PyErr_Format(PyExc_TypeError, "__format__() argument must be str, not %.200s",
                   Py_TYPE(spec)->tp_name);
      return nullptr;
    }
    Borrow receiver = borrow_silent(self);
    if (!receiver) return receiver.refused();
    const Drovik& q = receiver.quantity();
    if (PyUnicode_GET_LENGTH(spec) == 0) return rendered(q, append_text);
    Owned value(PyFloat_FromDouble(q.value));
    if (!value) return nullptr;
    Owned number(PyObject_Format(value.get(), spec));
    if (!number) return nullptr;
    TextBuffer unit;
    unit.push_back(' ');
    append_unit_text(unit, q.unit);
    Owned unit_text(text_to_python(unit.view()));
    if (!unit_text) return nullptr;
    return PyUnicode_Concat(number.get(), unit_text.get());
  });
}

}  // namespace drovik::python
