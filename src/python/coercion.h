// Turning Python arguments into the values the library works on. Each
// function returns nothing with a Python exception set when the argument does
// not fit; the caller adds the argument note or, in operator slots, clears it.
#ifndef DROVIK_PYTHON_COERCION_H_
#define DROVIK_PYTHON_COERCION_H_

#include <cstdint>
#include <optional>
#include <string_view>

#include "python/drovik_object.h"
#include "python/python_api.h"
#include "quantity/quantity.h"

namespace drovik::python {

// A coerced quantity argument. When the argument is itself a Drovik, the
// value refers to its record and `claim` keeps that record shared-borrowed.
struct CoercedUnit {
  UnitCoercible value;
  Borrow claim;
};

// A quantity, a float (or subclass), an int (or subclass, bool included)
// that fits 32 bits, or a str that parses as a unit expression.
std::optional<CoercedUnit> coerce_unit(PyObject* object);
// A float or an int that fits 32 bits.
std::optional<PyNumber> coerce_number(PyObject* object);
// A str (or subclass) as UTF-8; the text lives as long as the object.
std::optional<std::string_view> coerce_text(PyObject* object);
// True or False, or a numpy bool scalar.
std::optional<bool> coerce_bool(PyObject* object);
// Anything PyLong_AsLong reads whose value fits 32 bits.
std::optional<std::int32_t> coerce_int32(PyObject* object);

// The str() of an object as UTF-8, lone surrogates replaced by U+FFFD; an
// object whose str() raises reports it as unraisable and is described as
// "<unprintable {type} object>".
std::string object_text(PyObject* object);

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_COERCION_H_
