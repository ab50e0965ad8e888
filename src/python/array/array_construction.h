// Making arrays from what callers pass: buffers of numbers, nested sequences
// of numbers or of quantities, a quantity, another array; and the unit
// argument. Each returns nothing with a Python exception set on failure.
#ifndef DROVIK_PYTHON_ARRAY_ARRAY_CONSTRUCTION_H_
#define DROVIK_PYTHON_ARRAY_ARRAY_CONSTRUCTION_H_

#include "python/python_api.h"

#include <optional>

#include "array/value_array.h"

namespace drovik::python {

// A unit argument: a str, parsed strictly (every piece must resolve), a
// Drovik (its unit; its value plays no part), or None (nothing: the values'
// own unit, or none).
std::optional<std::optional<UnitRef>> unit_argument(PyObject* unit);

// The values of `values` in `unit`: plain numbers are taken as values in it
// (unitless when it is nothing); quantities and arrays are converted into it
// (or kept in their own unit, the first one's for a sequence of quantities).
// The array owns its values.
std::optional<ValueArray> array_argument(PyObject* values, const std::optional<UnitRef>& unit);

// An operator's other operand read as unitless values: a float, an int or a
// buffer of real numbers. Nothing with no exception for anything else (not
// the operator's type); nothing with the exception for an operand that
// failed (its buffer export raised, an int too large for a double).
std::optional<ValueArray> operand_argument(PyObject* other);

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_ARRAY_ARRAY_CONSTRUCTION_H_
