// The method table of drovik.Drovik.
#ifndef DROVIK_PYTHON_METHODS_H_
#define DROVIK_PYTHON_METHODS_H_

#include "python/python_api.h"

namespace drovik::python {

// The nineteen methods, the five value-protocol methods and the sentinel.
extern PyMethodDef kDrovikMethods[];

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_METHODS_H_
