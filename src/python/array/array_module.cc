// The module drovik_array: multi-phase initialisation, declared safe to run
// without the global interpreter lock.
#include "python/python_api.h"

#include "python/array/array_object.h"
#include "python/exceptions.h"
#include "python/module_definitions.h"

namespace drovik::python {
namespace {

int exec_module(PyObject* module) {
  PyObject* done = guarded([&]() -> PyObject* {
    // The class is shared by the whole process, like drovik's.
    if (PyInterpreterState_Get() != PyInterpreterState_Main()) {
      PyErr_SetString(PyExc_ImportError, "drovik_array cannot be loaded in a sub-interpreter");
      return nullptr;
    }
    PyTypeObject* type = array_type();
    if (type == nullptr) return nullptr;
    if (PyModule_AddObjectRef(module, "DrovikArray", reinterpret_cast<PyObject*>(type)) < 0) {
      return nullptr;
    }
    PyObject* all = Py_BuildValue("[s]", "DrovikArray");
    if (all == nullptr || PyModule_Add(module, "__all__", all) < 0) return nullptr;
    Py_RETURN_NONE;
  });
  if (done == nullptr) return -1;
  Py_DECREF(done);
  return 0;
}

PyModuleDef_Slot kSlots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
    {0, nullptr},
};

PyModuleDef kModule = {
    PyModuleDef_HEAD_INIT,
    "drovik_array",
    "Many quantities in one unit: DrovikArray.",
    0,
    nullptr,
    kSlots,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace
}  // namespace drovik::python

PyModuleDef* drovik_array_module_definition() { return &drovik::python::kModule; }
