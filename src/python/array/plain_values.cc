#include "python/array/plain_values.h"

#include <atomic>
#include <vector>

#include "python/array/array_object.h"
#include "python/exceptions.h"
#include "python/once.h"

namespace drovik::python {
namespace {

std::atomic<PyObject*> g_numpy_asarray{nullptr};

// numpy.asarray, or nullptr (no exception) when numpy cannot be imported.
PyObject* numpy_asarray() {
  PyObject* asarray = g_numpy_asarray.load(std::memory_order_acquire);
  if (asarray != nullptr) return asarray;
  PyObject* numpy = PyImport_ImportModule("numpy");
  if (numpy == nullptr) {
    PyErr_Clear();
    return nullptr;
  }
  asarray = PyObject_GetAttrString(numpy, "asarray");
  Py_DECREF(numpy);
  if (asarray == nullptr) {
    PyErr_Clear();
    return nullptr;
  }
  PyObject* expected = nullptr;
  if (!g_numpy_asarray.compare_exchange_strong(expected, asarray)) {
    Py_DECREF(asarray);
    return expected;
  }
  return asarray;
}

// numpy.asarray(holder) when numpy is there, else memoryview(holder); the
// holder's reference is consumed.
PyObject* handed_out(PyObject* holder, PyObject* asarray) {
  if (holder == nullptr) return nullptr;
  PyObject* result = asarray != nullptr ? PyObject_CallOneArg(asarray, holder)
                                        : PyMemoryView_FromObject(holder);
  Py_DECREF(holder);
  return result;
}

// The holder of a comparison's truths, lent through the buffer protocol
// (writable only to numpy, which then owns the one reference to it).
struct BooleanHolder {
  PyObject_HEAD
  BooleanArray array;
  BufferLayout layout;
  bool writable;
};

int get_boolean_buffer(PyObject* object, Py_buffer* view, int flags) {
  auto* self = reinterpret_cast<BooleanHolder*>(object);
  auto& values = self->array.values;
  LentBuffer lent{values.data(), values.size(), 1, "?",
                  static_cast<int>(self->array.shape.ndim()), &self->layout, self->writable};
  return lend_buffer(object, lent, view, flags, "comparison results are read-only");
}

void free_boolean_holder(void* memory) {
  auto* self = static_cast<BooleanHolder*>(memory);
  self->array.~BooleanArray();
  self->layout.~BufferLayout();
  PyObject_Free(memory);
}

PyType_Slot kBooleanSlots[] = {
    {Py_tp_free, reinterpret_cast<void*>(free_boolean_holder)},
    {Py_bf_getbuffer, reinterpret_cast<void*>(get_boolean_buffer)},
    {0, nullptr},
};

PyType_Spec kBooleanSpec = {
    "drovik_array._Booleans",
    static_cast<int>(sizeof(BooleanHolder)),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION | Py_TPFLAGS_IMMUTABLETYPE,
    kBooleanSlots,
};

std::atomic<PyTypeObject*> g_boolean_type{nullptr};

PyObject* wrap_booleans(BooleanArray&& array, bool writable) {
  PyTypeObject* type = once(g_boolean_type, [] {
    return reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&kBooleanSpec));
  });
  if (type == nullptr) return nullptr;
  BufferLayout layout(array.shape, 1);
  PyObject* object = type->tp_alloc(type, 0);
  if (object == nullptr) return nullptr;
  auto* self = reinterpret_cast<BooleanHolder*>(object);
  ::new (&self->layout) BufferLayout(std::move(layout));
  ::new (&self->array) BooleanArray(std::move(array));
  self->writable = writable;
  return object;
}

}  // namespace

PyObject* plain_values(ValueArray&& array) {
  PyObject* asarray = numpy_asarray();
  return handed_out(wrap_array(std::move(array), asarray != nullptr), asarray);
}

PyObject* plain_booleans(BooleanArray&& array) {
  PyObject* asarray = numpy_asarray();
  return handed_out(wrap_booleans(std::move(array), asarray != nullptr), asarray);
}

}  // namespace drovik::python
