// Matching the positional and keyword arguments of a vectorcall to a method's
// declared parameters, with the interpreter's own wording for mismatches.
#ifndef DROVIK_PYTHON_ARGUMENT_MATCHING_H_
#define DROVIK_PYTHON_ARGUMENT_MATCHING_H_

#include "python/python_api.h"

#include <array>

namespace drovik::python {

struct Parameters {
  const char* display_name;  // "Drovik.as_unit()"
  std::array<const char*, 3> names;
  int count;
  int required;  // the first `required` parameters have no default
};

// The general case of match_arguments: keywords, defaults, mismatches.
bool match_all_arguments(const Parameters& parameters, PyObject* const* args, Py_ssize_t nargs,
                         PyObject* kwnames, PyObject** slots);

// Fills slots[0..count) with borrowed references, nullptr where an optional
// parameter was not given. On a mismatch sets TypeError and returns false.
inline bool match_arguments(const Parameters& parameters, PyObject* const* args, Py_ssize_t nargs,
                            PyObject* kwnames, PyObject** slots) {
  // Every parameter given by position, as almost every call does.
  if (kwnames == nullptr && nargs == parameters.count) {
    for (int i = 0; i < parameters.count; ++i) slots[i] = args[i];
    return true;
  }
  return match_all_arguments(parameters, args, nargs, kwnames, slots);
}

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_ARGUMENT_MATCHING_H_
