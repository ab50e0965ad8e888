// The PyType_Spec from which the class drovik.Drovik is created.
#ifndef DROVIK_PYTHON_DROVIK_TYPE_SPEC_H_
#define DROVIK_PYTHON_DROVIK_TYPE_SPEC_H_

#include "python/python_api.h"

namespace drovik::python {

PyType_Spec& drovik_type_spec();

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_DROVIK_TYPE_SPEC_H_
