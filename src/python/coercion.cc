#include "python/coercion.h"

#include <string>

#include "python/exceptions.h"
#include "text/unicode_text.h"

namespace drovik::python {
namespace {

// "'{type}' object is not an instance of '{required}'".
void raise_downcast_error(PyObject* object, const char* required) {
  if (object == Py_None) {
    PyErr_Format(PyExc_TypeError, "'None' is not an instance of '%s'", required);
    return;
  }
  PyObject* name = PyType_GetQualName(Py_TYPE(object));
  if (name == nullptr) return;
  PyErr_Format(PyExc_TypeError, "'%U' object is not an instance of '%s'", name, required);
  Py_DECREF(name);
}

std::string utf8_replacing_surrogates(PyObject* text) {
  Py_ssize_t size = 0;
  if (const char* utf8 = PyUnicode_AsUTF8AndSize(text, &size)) {
    return std::string(utf8, static_cast<std::size_t>(size));
  }
  PyErr_Clear();
  std::string out;
  Py_ssize_t length = PyUnicode_GetLength(text);
  for (Py_ssize_t i = 0; i < length; ++i) append_utf8(out, PyUnicode_ReadChar(text, i));
  return out;
}

std::string unprintable(PyObject* object) {
  PyObject* name = PyType_GetName(Py_TYPE(object));
  if (name == nullptr) {
    PyErr_Clear();
    return "<unprintable object>";
  }
  std::string text = "<unprintable " + utf8_replacing_surrogates(name) + " object>";
  Py_DECREF(name);
  return text;
}

// An int's value when it fits 32 bits; nothing otherwise, with no exception
// set and no Python code run (an int subclass is read, not asked).
std::optional<std::int32_t> int32_silently(PyObject* integer) {
  int overflow = 0;
  long value = PyLong_AsLongAndOverflow(integer, &overflow);
  if (overflow != 0 || value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

}  // namespace

std::optional<std::string> object_text(PyObject* object) {
  PyObject* text = PyObject_Str(object);
  if (text == nullptr) {
    PyObject* raised = PyErr_GetRaisedException();
    bool ordinary = PyErr_GivenExceptionMatches(raised, PyExc_Exception);
    PyErr_SetRaisedException(raised);
    if (!ordinary) return std::nullopt;
    PyErr_WriteUnraisable(object);
    return unprintable(object);
  }
  std::string out = utf8_replacing_surrogates(text);
  Py_DECREF(text);
  return out;
}

std::optional<std::int32_t> coerce_int32(PyObject* object) {
  long value = PyLong_AsLong(object);
  if (value == -1 && PyErr_Occurred()) return std::nullopt;
  if (value < INT32_MIN || value > INT32_MAX) {
    PyErr_SetString(PyExc_OverflowError, "out of range integral type conversion attempted");
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

bool is_quiet_unit_operand(PyObject* object) {
  return is_drovik(object) || PyFloat_Check(object) || PyLong_Check(object) ||
         PyUnicode_Check(object);
}

std::optional<CoercedUnit> coerce_unit(PyObject* object, Failure failure, Borrow::Mode mode) {
  bool silent = failure == Failure::kSilent;
  if (is_drovik(object)) {
    Borrow claim(object, silent ? Borrow::Mode::kSilent : mode);
    if (!claim) {
      if (!silent) claim.refused();
      return std::nullopt;
    }
    UnitCoercible value = UnitCoercible::from_quantity_ref(claim.quantity());
    return CoercedUnit{std::move(value), std::move(claim)};
  }
  if (PyFloat_Check(object)) {
    // Reads the stored double, for subclasses too; calls no __float__.
    return CoercedUnit{UnitCoercible::from_float(PyFloat_AS_DOUBLE(object)), {}};
  }
  if (PyLong_Check(object)) {
    std::optional<std::int32_t> value = silent ? int32_silently(object) : coerce_int32(object);
    if (!value) return std::nullopt;
    return CoercedUnit{UnitCoercible::from_int(*value), {}};
  }
  if (PyUnicode_Check(object)) {
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(object, &size);
    if (utf8 == nullptr) {
      if (silent) PyErr_Clear();
      return std::nullopt;
    }
    Result<UnitCoercible> parsed =
        UnitCoercible::from_unit_text(std::string_view(utf8, static_cast<std::size_t>(size)));
    if (!parsed) {
      if (!silent) raise_error(parsed.error());
      return std::nullopt;
    }
    return CoercedUnit{std::move(*parsed), {}};
  }
  if (silent) return std::nullopt;
  std::optional<std::string> text = object_text(object);
  if (text) raise_error(DrovikError::not_coercible_to_unit(std::move(*text)));
  return std::nullopt;
}

bool is_number_operand(PyObject* object) {
  if (PyFloat_Check(object)) return true;
  return PyLong_Check(object) && int32_silently(object).has_value();
}

std::optional<std::string_view> coerce_text(PyObject* object) {
  if (!PyUnicode_Check(object)) {
    raise_downcast_error(object, "str");
    return std::nullopt;
  }
  Py_ssize_t size = 0;
  const char* utf8 = PyUnicode_AsUTF8AndSize(object, &size);
  if (utf8 == nullptr) return std::nullopt;
  return std::string_view(utf8, static_cast<std::size_t>(size));
}

std::optional<bool> coerce_bool(PyObject* object) {
  if (PyBool_Check(object)) return object == Py_True;
  PyTypeObject* type = Py_TYPE(object);
  PyObject* module = PyType_GetModuleName(type);
  if (module == nullptr) return std::nullopt;
  // __module__ of a heap type is whatever its author stored there: only a
  // str can name numpy.
  bool from_numpy = PyUnicode_Check(module) && PyUnicode_EqualToUTF8(module, "numpy");
  Py_DECREF(module);
  if (from_numpy) {
    PyObject* name = PyType_GetName(type);
    if (name == nullptr) return std::nullopt;
    bool is_bool_type = PyUnicode_Check(name) && (PyUnicode_EqualToUTF8(name, "bool_") ||
                                                  PyUnicode_EqualToUTF8(name, "bool"));
    if (is_bool_type) {
      inquiry nb_bool = type->tp_as_number ? type->tp_as_number->nb_bool : nullptr;
      if (nb_bool == nullptr) {
        PyErr_Format(PyExc_TypeError, "object of type '%U' does not define a '__bool__' conversion",
                     name);
        Py_DECREF(name);
        return std::nullopt;
      }
      Py_DECREF(name);
      int truth = nb_bool(object);
      if (truth < 0) return std::nullopt;
      return truth != 0;
    }
    Py_DECREF(name);
  }
  raise_downcast_error(object, "bool");
  return std::nullopt;
}

}  // namespace drovik::python
