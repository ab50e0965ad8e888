// The objects that stand for units in saved quantities, kept per thread.
//
// Pickle writes an object once and refers back to it wherever the same object
// recurs. Handing out the same description object for identical units lets a
// list of quantities in one unit carry the unit once.
#ifndef DROVIK_PYTHON_UNIT_DESCRIPTION_CACHE_H_
#define DROVIK_PYTHON_UNIT_DESCRIPTION_CACHE_H_

#include "python/python_api.h"

#include "unit/unit_ref.h"

namespace drovik::python {

using DescribeUnit = PyObject* (*)(const UnitCollection&);

// A new reference to the description of `unit`: the one this thread made
// lately for an identical collection, or a new one from `describe`. nullptr
// with an exception set on failure.
PyObject* cached_unit_description(const UnitRef& unit, DescribeUnit describe);

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_UNIT_DESCRIPTION_CACHE_H_
