// Turning Python arguments into the values the library works on. Each
// function returns nothing with a Python exception set when the argument does
// not fit; the caller adds the argument note or, in operator slots, clears it.
#ifndef DROVIK_PYTHON_COERCION_H_
#define DROVIK_PYTHON_COERCION_H_

#include "python/python_api.h"

#include <cstdint>
#include <optional>
#include <string_view>

#include "python/drovik_object.h"
#include "quantity/unit_coercible.h"

namespace drovik::python {

// A coerced quantity argument. When the argument is itself a Drovik, the
// value refers to its record and `claim` keeps that record shared-borrowed.
struct CoercedUnit {
  UnitCoercible value;
  Borrow claim;
};

// How a failed coercion is reported. kRaise sets the exception the method
// reports. kSilent, for operator and comparison slots, which decline such an
// operand with NotImplemented, sets nothing and builds no text: it decides
// "not coercible" from the operand's type and value alone and never calls
// Python code.
enum class Failure { kRaise, kSilent };

// True when coercing `object` into a UnitCoercible calls no Python code: a
// quantity, a float, an int or a str, or a subclass of one of them. Only a
// type test; it reads nothing else of the object.
bool is_quiet_unit_operand(PyObject* object);

// A quantity, a float (or subclass), an int (or subclass, bool included)
// that fits 32 bits, or a str that parses as a unit expression. A quantity
// argument is claimed with `claim` (silent claims under Failure::kSilent).
std::optional<CoercedUnit> coerce_unit(PyObject* object, Failure failure = Failure::kRaise,
                                       Borrow::Mode claim = Borrow::Mode::kShared);
// True for a float or an int that fits 32 bits; sets no exception.
bool is_number_operand(PyObject* object);
// A str (or subclass) as UTF-8; the text lives as long as the object.
std::optional<std::string_view> coerce_text(PyObject* object);
// True or False, or a numpy bool scalar.
std::optional<bool> coerce_bool(PyObject* object);
// Anything PyLong_AsLong reads whose value fits 32 bits.
std::optional<std::int32_t> coerce_int32(PyObject* object);

// The str() of an object as UTF-8, lone surrogates replaced by U+FFFD. An
// object whose str() raises an Exception reports it as unraisable and is
// described as "<unprintable {type} object>". An exception that is not an
// Exception (KeyboardInterrupt, SystemExit, ...) is left set and the result
// is empty: an interrupt must reach the caller.
std::optional<std::string> object_text(PyObject* object);

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_COERCION_H_
