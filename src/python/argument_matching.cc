#include "python/argument_matching.h"

#include <string>

namespace drovik::python {
namespace {

void raise_too_many(const Parameters& p, Py_ssize_t given) {
  const char* verb = given == 1 ? "was" : "were";
  if (p.required == p.count) {
    PyErr_Format(PyExc_TypeError, "%s takes %d positional arguments but %zd %s given",
                 p.display_name, p.count, given, verb);
  } else {
    PyErr_Format(PyExc_TypeError, "%s takes from %d to %d positional arguments but %zd %s given",
                 p.display_name, p.required, p.count, given, verb);
  }
}

// "... missing 2 required positional arguments: 'a' and 'b'"; three or more
// names are listed as 'a', 'b', and 'c'.
void raise_missing(const Parameters& p, PyObject* const* slots) {
  std::string names[3];
  int missing = 0;
  for (int i = 0; i < p.required; ++i) {
    if (slots[i] == nullptr) names[missing++] = std::string("'") + p.names[i] + "'";
  }
  std::string list = names[0];
  if (missing == 2) {
    list += " and " + names[1];
  } else {
    for (int i = 1; i < missing; ++i) list += (i + 1 == missing ? ", and " : ", ") + names[i];
  }
  PyErr_Format(PyExc_TypeError, "%s missing %d required positional %s: %s", p.display_name, missing,
               missing == 1 ? "argument" : "arguments", list.c_str());
}

}  // namespace

bool match_all_arguments(const Parameters& p, PyObject* const* args, Py_ssize_t nargs,
                         PyObject* kwnames, PyObject** slots) {
  if (nargs > p.count) {
    raise_too_many(p, nargs);
    return false;
  }
  for (int i = 0; i < p.count; ++i) slots[i] = i < nargs ? args[i] : nullptr;
  Py_ssize_t keywords = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
  for (Py_ssize_t k = 0; k < keywords; ++k) {
    PyObject* name = PyTuple_GET_ITEM(kwnames, k);
    int index = -1;
    for (int i = 0; i < p.count; ++i) {
      if (PyUnicode_EqualToUTF8(name, p.names[i])) {
        index = i;
        break;
      }
    }
    if (index < 0) {
      PyErr_Format(PyExc_TypeError, "%s got an unexpected keyword argument '%U'", p.display_name,
                   name);
      return false;
    }
    if (slots[index] != nullptr) {
      PyErr_Format(PyExc_TypeError, "%s got multiple values for argument '%s'", p.display_name,
                   p.names[index]);
      return false;
    }
    slots[index] = args[nargs + k];
  }
  for (int i = 0; i < p.required; ++i) {
    if (slots[i] == nullptr) {
      raise_missing(p, slots);
      return false;
    }
  }
  return true;
}

}  // namespace drovik::python
