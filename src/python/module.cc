// The module drovik: multi-phase initialisation, declared safe to run without
// the global interpreter lock.
#include "python/python_api.h"

#include "python/drovik_object.h"
#include "python/exceptions.h"
#include "python/module_definitions.h"

namespace drovik::python {
namespace {

// Adds the class under "Drovik" and lists it in __all__.
int exec_module(PyObject* module) {
  return guarded([&]() -> PyObject* {
           if (!PyModule_Check(module)) {
             PyObject* name = PyType_GetQualName(Py_TYPE(module));
             if (name != nullptr) {
               PyErr_Format(PyExc_TypeError, "'%U' object is not an instance of 'module'", name);
               Py_DECREF(name);
             }
             return nullptr;
           }
           // The class object is shared by the whole process, and a type object must
           // not cross interpreters; only the main interpreter may load the module.
           if (PyInterpreterState_Get() != PyInterpreterState_Main()) {
             PyErr_SetString(PyExc_ImportError, "drovik cannot be loaded in a sub-interpreter");
             return nullptr;
           }
           PyTypeObject* type = drovik_type();
           if (type == nullptr) return nullptr;
           PyObject* all = nullptr;
           if (PyObject_GetOptionalAttrString(module, "__all__", &all) < 0) return nullptr;
           if (all == nullptr) {
             all = PyList_New(0);
             if (all == nullptr || PyObject_SetAttrString(module, "__all__", all) < 0) {
               Py_XDECREF(all);
               return nullptr;
             }
           } else if (!PyList_Check(all)) {
             PyErr_Format(PyExc_TypeError, "'%s' object is not an instance of 'list'",
                          Py_TYPE(all)->tp_name);
             Py_DECREF(all);
             return nullptr;
           }
           PyObject* name = PyUnicode_FromString("Drovik");
           int failed = name == nullptr || PyList_Append(all, name) < 0 ||
                        PyObject_SetAttr(module, name, reinterpret_cast<PyObject*>(type)) < 0;
           Py_XDECREF(name);
           Py_DECREF(all);
           if (failed) return nullptr;
           Py_RETURN_NONE;
         }) == nullptr
             ? -1
             : 0;
}

PyModuleDef_Slot kSlots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
    {0, nullptr},
};

PyModuleDef kModule = {
    PyModuleDef_HEAD_INIT,
    "drovik",
    "Quantities with units: conversion, arithmetic, comparison and text.",
    0,
    nullptr,
    kSlots,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace
}  // namespace drovik::python

PyModuleDef* drovik_module_definition() { return &drovik::python::kModule; }
