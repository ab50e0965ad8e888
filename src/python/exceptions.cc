#include "python/exceptions.h"

#include <atomic>
#include <string>

#include "python/once.h"

namespace drovik::python {
namespace {

std::atomic<PyObject*> g_panic_type{nullptr};
std::atomic<PyObject*> g_add_note_name{nullptr};

}  // namespace

PyObject* exception_type(DrovikError::Kind kind) {
  switch (kind) {
    case DrovikError::Kind::UnitNotFound:
    case DrovikError::Kind::ConstantNotFound:
    case DrovikError::Kind::UnitPieceNotFound: return PyExc_LookupError;
    case DrovikError::Kind::IncompatibleUnits:
    case DrovikError::Kind::NotCoercibleToUnit:
    case DrovikError::Kind::NotCoercibleToNumber: return PyExc_TypeError;
    case DrovikError::Kind::ShapeMismatch:
    case DrovikError::Kind::AxisOutOfRange:
    case DrovikError::Kind::EmptyReduction:
    case DrovikError::Kind::BadShape: return PyExc_ValueError;
    case DrovikError::Kind::ArrayTooLarge: return PyExc_OverflowError;
    case DrovikError::Kind::BadIndex: return PyExc_IndexError;
  }
  return PyExc_TypeError;
}

PyObject* raise_error(const DrovikError& error) {
  PyObject* type = exception_type(error.kind());
  std::string message = error.message();
  PyObject* text =
      PyUnicode_FromStringAndSize(message.data(), static_cast<Py_ssize_t>(message.size()));
  if (text == nullptr) return nullptr;
  PyErr_SetObject(type, text);
  Py_DECREF(text);
  return nullptr;
}

void add_argument_note(const char* parameter) {
  PyObject* exception = PyErr_GetRaisedException();
  if (exception == nullptr) return;
  // Interrupts and exits (exceptions outside Exception) pass through as
  // they were raised.
  if (!PyErr_GivenExceptionMatches(exception, PyExc_Exception)) {
    PyErr_SetRaisedException(exception);
    return;
  }
  PyObject* name = once(g_add_note_name, [] { return PyUnicode_InternFromString("add_note"); });
  PyObject* note = name ? PyUnicode_FromFormat("while processing '%s'", parameter) : nullptr;
  if (note != nullptr) {
    PyObject* args[] = {exception, note};
    PyObject* result = PyObject_VectorcallMethod(name, args, 2, nullptr);
    Py_XDECREF(result);
    Py_DECREF(note);
  }
  // A failed note is dropped, unless what failed is an interrupt or exit
  // (an add_note of Python code can raise KeyboardInterrupt): that replaces
  // the error and reaches the caller.
  PyObject* failure = PyErr_GetRaisedException();
  if (failure != nullptr && !PyErr_GivenExceptionMatches(failure, PyExc_Exception)) {
    Py_DECREF(exception);
    PyErr_SetRaisedException(failure);
    return;
  }
  Py_XDECREF(failure);
  PyErr_SetRaisedException(exception);
}

PyObject* raise_panic(const char* message) {
  PyObject* type = once(g_panic_type, [] {
    return PyErr_NewExceptionWithDoc(
        "drovik.PanicException",
        "An internal fault of the drovik library. Derives from BaseException.", PyExc_BaseException,
        nullptr);
  });
  if (type == nullptr) {
    PyErr_Clear();
    PyErr_SetString(PyExc_SystemError, "uncaught panic at ffi boundary");
    return nullptr;
  }
  PyErr_SetString(type, message != nullptr ? message : "internal fault in drovik");
  return nullptr;
}

}  // namespace drovik::python
