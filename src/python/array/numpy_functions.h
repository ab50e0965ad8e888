// numpy's functions run on an array's plain values, the unit kept.
#ifndef DROVIK_PYTHON_ARRAY_NUMPY_FUNCTIONS_H_
#define DROVIK_PYTHON_ARRAY_NUMPY_FUNCTIONS_H_

#include "python/python_api.h"

namespace drovik::python {

// numpy.NAME(*args, **kwargs) (`function` is numpy's own) with every array
// and quantity among the arguments in the first array's unit, the result in
// it; `known` false (nullptr, no exception) when NAME is not one of the
// functions this handles or no argument is an array.
PyObject* call_numpy_function(PyObject* function, PyObject* name, PyObject* args,
                              PyObject* kwargs, bool& known);

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_ARRAY_NUMPY_FUNCTIONS_H_
