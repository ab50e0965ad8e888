// The protocols through which the interpreter and the standard library treat
// a quantity as a value: pickle (__reduce__ and the class method _restore
// that loads what it saves), copy (__copy__, __deepcopy__) and format().
#ifndef DROVIK_PYTHON_VALUE_PROTOCOLS_H_
#define DROVIK_PYTHON_VALUE_PROTOCOLS_H_

#include "python/python_api.h"

#include <optional>

#include "unit/unit_ref.h"

namespace drovik::python {

// (Drovik._restore, (value, unit)): the compact saved state, every double
// kept as its 8 bytes, so that each pickle protocol, text protocol 0
// included, keeps NaN payloads and the sign of zero.
PyObject* reduce_method(PyObject* self, PyObject*);
// The quantity a saved state describes (the layout written today, or the
// first one). Checks the state's shape, types and caches: a wrong type raises
// TypeError, a wrong length or value ValueError. Loading costs time and
// memory linear in the state's size.
PyObject* restore_method(PyObject* type, PyObject* const* state, Py_ssize_t count);
// A double as saved states hold it, quantities' and arrays' alike: its 8
// bytes, little-endian whatever the machine.
void store_double(char* at, double value);
double get_double(const char* at);

// The unit as a quantity's saved state holds it (a new reference), and the
// unit such an item describes (nothing, with an exception set, for an item
// that does not describe one): arrays save their unit the same way.
PyObject* saved_unit(const UnitRef& unit);
std::optional<UnitRef> restored_unit(PyObject* item);
// Quantities never change, so a copy is the quantity itself.
PyObject* copy_method(PyObject* self, PyObject*);
PyObject* deepcopy_method(PyObject* self, PyObject* memo);
// "" is str(q); any other spec formats the value as a float would, followed
// by a space and the unit text.
PyObject* format_method(PyObject* self, PyObject* spec);

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_VALUE_PROTOCOLS_H_
