// Turning library results into Python objects, or their errors into
// exceptions.
#ifndef DROVIK_PYTHON_RESULTS_H_
#define DROVIK_PYTHON_RESULTS_H_

#include "python/python_api.h"

#include <optional>
#include <string_view>

#include "python/drovik_object.h"
#include "python/exceptions.h"
#include "text/text_buffer.h"

namespace drovik::python {

inline PyObject* to_python(Drovik&& quantity) { return wrap(std::move(quantity)); }

inline PyObject* to_python(Result<Drovik>&& result) {
  return result ? wrap(std::move(*result)) : raise_error(result.error());
}

inline PyObject* to_python(Result<double>&& result) {
  return result ? PyFloat_FromDouble(*result) : raise_error(result.error());
}

inline PyObject* to_python(Result<bool>&& result) {
  return result ? PyBool_FromLong(*result) : raise_error(result.error());
}

inline PyObject* text_to_python(std::string_view text) {
  return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
}

// A str made from what `append` writes into a buffer on the stack.
template <class Append>
PyObject* rendered(const Drovik& q, Append append) {
  TextBuffer text;
  append(text, q);
  return text_to_python(text.view());
}

// Passes a coerced argument through, adding the note that names the
// parameter when coercion failed.
template <class T>
std::optional<T> argument(std::optional<T> value, const char* parameter) {
  if (!value) add_argument_note(parameter);
  return value;
}

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_RESULTS_H_
