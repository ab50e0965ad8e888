// Turning library errors and internal faults into Python exceptions.
#ifndef DROVIK_PYTHON_EXCEPTIONS_H_
#define DROVIK_PYTHON_EXCEPTIONS_H_

#include "python/python_api.h"

#include <exception>
#include <new>

#include "error/drovik_error.h"

namespace drovik::python {

// The Python exception class each kind of library error becomes: the
// lookups raise LookupError, everything else TypeError.
PyObject* exception_type(DrovikError::Kind kind);

// Sets the exception for `error` (LookupError or TypeError with its message)
// and returns nullptr.
PyObject* raise_error(const DrovikError& error);

// Adds the note "while processing '{parameter}'" to the pending exception,
// unless it is an interrupt or exit (not an Exception), which is left as it
// was raised. A failure to add the note is ignored, unless the failure is
// itself an interrupt or exit, which then replaces the pending exception.
void add_argument_note(const char* parameter);

// Sets a PanicException (a BaseException, so `except Exception` does not
// swallow it) with `message`, or a generic text when it is null.
PyObject* raise_panic(const char* message);

// Runs one call into the library so that no C++ exception reaches the
// interpreter: memory exhaustion becomes MemoryError, any other exception a
// PanicException.
template <class F>
PyObject* guarded(F&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return PyErr_NoMemory();
  } catch (const std::exception& fault) {
    return raise_panic(fault.what());
  } catch (...) {
    return raise_panic(nullptr);
  }
}

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_EXCEPTIONS_H_
