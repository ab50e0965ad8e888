// The number, comparison and text slots of drovik.Drovik.
#ifndef DROVIK_PYTHON_NUMBER_SLOTS_H_
#define DROVIK_PYTHON_NUMBER_SLOTS_H_

#include "python/python_api.h"

namespace drovik::python {

PyObject* text_slot(PyObject* self);
PyObject* positive_slot(PyObject* self);
PyObject* negative_slot(PyObject* self);
PyObject* absolute_slot(PyObject* self);
PyObject* int_slot(PyObject* self);
PyObject* float_slot(PyObject* self);
PyObject* add_slot(PyObject* left, PyObject* right);
PyObject* subtract_slot(PyObject* left, PyObject* right);
PyObject* multiply_slot(PyObject* left, PyObject* right);
PyObject* true_divide_slot(PyObject* left, PyObject* right);
PyObject* power_slot(PyObject* left, PyObject* right, PyObject* modulus);
PyObject* richcompare_slot(PyObject* self, PyObject* other, int op);

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_NUMBER_SLOTS_H_
