// _drovik_floor: the cheapest C extension type with drovik.Drovik's call
// shapes, for the benchmarks only (never installed). Each operation does the
// least any such type must: check its operands' types, read a double, and
// allocate its result (or a str). What drovik spends beyond it is its own.
#include <Python.h>

namespace {

struct FloorObject {
  PyObject_HEAD
  double value;
  const void* unit;  // what a quantity points to; never read
};

PyTypeObject* g_type = nullptr;

PyObject* make(double value) {
  PyObject* object = g_type->tp_alloc(g_type, 0);
  if (object != nullptr) reinterpret_cast<FloorObject*>(object)->value = value;
  return object;
}

double value_of(PyObject* object) { return reinterpret_cast<FloorObject*>(object)->value; }

template <double (*Operation)(double, double)>
PyObject* binary(PyObject* a, PyObject* b) {
  if (!Py_IS_TYPE(a, g_type) || !Py_IS_TYPE(b, g_type)) Py_RETURN_NOTIMPLEMENTED;
  return make(Operation(value_of(a), value_of(b)));
}

double add(double a, double b) { return a + b; }
double subtract(double a, double b) { return a - b; }
double multiply(double a, double b) { return a * b; }
double divide(double a, double b) { return a / b; }

PyObject* power(PyObject* a, PyObject* b, PyObject*) {
  if (!Py_IS_TYPE(a, g_type)) Py_RETURN_NOTIMPLEMENTED;
  if (PyLong_CheckExact(b)) return make(value_of(a) * value_of(a));
  if (PyFloat_CheckExact(b)) return make(value_of(a) * PyFloat_AS_DOUBLE(b));
  return binary<multiply>(a, b);
}

PyObject* richcompare(PyObject* a, PyObject* b, int op) {
  if (!Py_IS_TYPE(b, g_type)) Py_RETURN_NOTIMPLEMENTED;
  return PyBool_FromLong(op == Py_LT ? value_of(a) < value_of(b) : value_of(a) == value_of(b));
}

PyObject* text(PyObject*) { return PyUnicode_FromStringAndSize("1 [km/hr]", 9); }

// Floor.unit(text): a class method taking a str.
PyObject* unit(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  if (nargs != 1 || kwnames != nullptr || !PyUnicode_Check(args[0])) {
    PyErr_SetString(PyExc_TypeError, "unit() takes one str");
    return nullptr;
  }
  Py_ssize_t size = 0;
  if (PyUnicode_AsUTF8AndSize(args[0], &size) == nullptr) return nullptr;
  return make(static_cast<double>(size));
}

// q.as_unit(other): a method taking a quantity or a str.
PyObject* as_unit(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  if (nargs != 1 || kwnames != nullptr) {
    PyErr_SetString(PyExc_TypeError, "as_unit() takes one argument");
    return nullptr;
  }
  if (Py_IS_TYPE(args[0], g_type)) return make(value_of(self) / value_of(args[0]));
  if (!PyUnicode_Check(args[0])) {
    PyErr_SetString(PyExc_TypeError, "as_unit() takes a Floor or a str");
    return nullptr;
  }
  Py_ssize_t size = 0;
  if (PyUnicode_AsUTF8AndSize(args[0], &size) == nullptr) return nullptr;
  return make(value_of(self) / static_cast<double>(size));
}

template <class Function>
PyCFunction vector(Function function) {
  return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

PyMethodDef g_methods[] = {
    {"unit", vector(unit), METH_FASTCALL | METH_KEYWORDS | METH_CLASS, nullptr},
    {"as_unit", vector(as_unit), METH_FASTCALL | METH_KEYWORDS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot g_slots[] = {
    {Py_nb_add, reinterpret_cast<void*>(binary<add>)},
    {Py_nb_subtract, reinterpret_cast<void*>(binary<subtract>)},
    {Py_nb_multiply, reinterpret_cast<void*>(binary<multiply>)},
    {Py_nb_true_divide, reinterpret_cast<void*>(binary<divide>)},
    {Py_nb_power, reinterpret_cast<void*>(power)},
    {Py_tp_richcompare, reinterpret_cast<void*>(richcompare)},
    {Py_tp_str, reinterpret_cast<void*>(text)},
    {Py_tp_methods, g_methods},
    {0, nullptr},
};

PyType_Spec g_spec = {"_drovik_floor.Floor", sizeof(FloorObject), 0,
                      Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION, g_slots};

int exec_module(PyObject* module) {
  if (g_type == nullptr) {
    g_type = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&g_spec));
    if (g_type == nullptr) return -1;
  }
  return PyModule_AddObjectRef(module, "Floor", reinterpret_cast<PyObject*>(g_type));
}

PyModuleDef_Slot g_module_slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
#ifdef Py_GIL_DISABLED
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
#endif
    {0, nullptr},
};

PyModuleDef g_module = {PyModuleDef_HEAD_INIT, "_drovik_floor", nullptr, 0, nullptr,
                        g_module_slots, nullptr, nullptr, nullptr};

}  // namespace

extern "C" PyMODINIT_FUNC PyInit__drovik_floor() { return PyModuleDef_Init(&g_module); }
