#include "python/coercion.h"

#include <string>

#include "python/exceptions.h"

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

void append_utf8(std::string& out, Py_UCS4 cp) {
  if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;  // lone surrogate
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
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

}  // namespace

std::string object_text(PyObject* object) {
  PyObject* text = PyObject_Str(object);
  if (text == nullptr) {
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

std::optional<CoercedUnit> coerce_unit(PyObject* object) {
  if (is_drovik(object)) {
    Borrow claim = borrow_shared(object);
    if (!claim) {
      claim.refused();
      return std::nullopt;
    }
    UnitCoercible value = UnitCoercible::from_quantity_ref(claim.quantity());
    return CoercedUnit{std::move(value), std::move(claim)};
  }
  PyTypeObject* type = Py_TYPE(object);
  if (PyFloat_Check(object)) {
    double value = PyFloat_CheckExact(object) ? PyFloat_AS_DOUBLE(object) : PyFloat_AsDouble(object);
    if (value == -1.0 && PyErr_Occurred()) return std::nullopt;
    return CoercedUnit{UnitCoercible::from_float(value), {}};
  }
  if (PyType_HasFeature(type, Py_TPFLAGS_LONG_SUBCLASS)) {
    std::optional<std::int32_t> value = coerce_int32(object);
    if (!value) return std::nullopt;
    return CoercedUnit{UnitCoercible::from_int(*value), {}};
  }
  if (PyType_HasFeature(type, Py_TPFLAGS_UNICODE_SUBCLASS)) {
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(object, &size);
    if (utf8 == nullptr) return std::nullopt;
    Result<UnitCoercible> parsed =
        UnitCoercible::from_unit_text(std::string_view(utf8, static_cast<std::size_t>(size)));
    if (!parsed) {
      raise_error(parsed.error());
      return std::nullopt;
    }
    return CoercedUnit{std::move(*parsed), {}};
  }
  raise_error(DrovikError::not_coercible_to_unit(object_text(object)));
  return std::nullopt;
}

std::optional<PyNumber> coerce_number(PyObject* object) {
  if (PyFloat_Check(object)) {
    double value = PyFloat_AsDouble(object);
    if (value == -1.0 && PyErr_Occurred()) return std::nullopt;
    return PyNumber(value);
  }
  if (PyType_HasFeature(Py_TYPE(object), Py_TPFLAGS_LONG_SUBCLASS)) {
    std::optional<std::int32_t> value = coerce_int32(object);
    if (!value) return std::nullopt;
    return PyNumber(*value);
  }
  raise_error(DrovikError::not_coercible_to_number(object_text(object)));
  return std::nullopt;
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
  bool from_numpy = PyUnicode_EqualToUTF8(module, "numpy");
  Py_DECREF(module);
  if (from_numpy) {
    PyObject* name = PyType_GetName(type);
    if (name == nullptr) return std::nullopt;
    bool is_bool_type = PyUnicode_EqualToUTF8(name, "bool_") || PyUnicode_EqualToUTF8(name, "bool");
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
