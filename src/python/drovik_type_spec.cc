#include "python/drovik_type_spec.h"

#include "python/drovik_object.h"
#include "python/methods.h"
#include "python/number_slots.h"

namespace drovik::python {
namespace {

// Not subclassable, not instantiable from Python, no GC (an instance refers
// to no other Python object), no __dict__ and no weak references. With a
// rich comparison and no hash slot, instances are unhashable.
PyType_Slot kSlots[] = {
    {Py_tp_str, reinterpret_cast<void*>(text_slot)},
    {Py_tp_repr, reinterpret_cast<void*>(text_slot)},
    {Py_nb_positive, reinterpret_cast<void*>(positive_slot)},
    {Py_nb_negative, reinterpret_cast<void*>(negative_slot)},
    {Py_nb_absolute, reinterpret_cast<void*>(absolute_slot)},
    {Py_nb_int, reinterpret_cast<void*>(int_slot)},
    {Py_nb_float, reinterpret_cast<void*>(float_slot)},
    {Py_nb_add, reinterpret_cast<void*>(add_slot)},
    {Py_nb_subtract, reinterpret_cast<void*>(subtract_slot)},
    {Py_nb_multiply, reinterpret_cast<void*>(multiply_slot)},
    {Py_nb_true_divide, reinterpret_cast<void*>(true_divide_slot)},
    {Py_nb_power, reinterpret_cast<void*>(power_slot)},
    {Py_tp_richcompare, reinterpret_cast<void*>(richcompare_slot)},
    {Py_tp_methods, kDrovikMethods},
    {Py_tp_doc, const_cast<char*>("Unit! yippee")},
    // No tp_dealloc: the interpreter's heap-type destructor runs, calls
    // drovik_free and releases the class reference per thread.
    {Py_tp_free, reinterpret_cast<void*>(drovik_free)},
    {0, nullptr},
};

PyType_Spec kSpec = {
    "drovik.Drovik",
    static_cast<int>(sizeof(DrovikObject)),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    kSlots,
};

}  // namespace

PyType_Spec& drovik_type_spec() { return kSpec; }

}  // namespace drovik::python
