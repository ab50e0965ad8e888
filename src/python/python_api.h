// The one include of the CPython API; only the binding layer uses it.
#ifndef DROVIK_PYTHON_PYTHON_API_H_
#define DROVIK_PYTHON_PYTHON_API_H_

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#endif  // DROVIK_PYTHON_PYTHON_API_H_
