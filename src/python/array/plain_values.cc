#include "python/array/plain_values.h"

#include <atomic>
#include <vector>

#include "python/array/array_object.h"
#include "python/exceptions.h"
#include "python/once.h"

namespace drovik::python {
namespace {

std::atomic<PyObject*> g_numpy_asarray{nullptr};

}  // namespace

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

namespace {

// numpy.asarray(holder) when numpy is there, else memoryview(holder); the
// holder's reference is consumed.
PyObject* handed_out(PyObject* holder, PyObject* asarray) {
  if (holder == nullptr) return nullptr;
  PyObject* result = asarray != nullptr ? PyObject_CallOneArg(asarray, holder)
                                        : PyMemoryView_FromObject(holder);
  Py_DECREF(holder);
  return result;
}

// What a holder lends: doubles or numpy's one-byte booleans.
template <class Array>
struct Lent;
template <>
struct Lent<ValueArray> {
  static constexpr const char* kFormat = "d";
  static constexpr const char* kTypeName = "drovik_array._Values";
  static constexpr std::size_t kItemSize = sizeof(double);
};
template <>
struct Lent<BooleanArray> {
  static constexpr const char* kFormat = "?";
  static constexpr const char* kTypeName = "drovik_array._Booleans";
  static constexpr std::size_t kItemSize = 1;
};

// The private holder of plain values handed out, lent through the buffer
// protocol (writable only to numpy, which then owns the one reference to
// it). Never a DrovikArray: numpy's array.base would lead to it, and
// writing through the numpy array must not change an array.
template <class Array>
struct Holder {
  PyObject_HEAD
  Array array;
  BufferLayout layout;
  bool writable;
  bool c_contiguous;  // false when lent in another order than made
};

template <class Array>
int get_held_buffer(PyObject* object, Py_buffer* view, int flags) {
  auto* self = reinterpret_cast<Holder<Array>*>(object);
  auto& values = self->array.values;
  LentBuffer lent{values.data(), values.size(), Lent<Array>::kItemSize, Lent<Array>::kFormat,
                  static_cast<int>(self->array.shape.ndim()), &self->layout, self->writable,
                  self->c_contiguous};
  return lend_buffer(object, lent, view, flags, "these values are read-only");
}

template <class Array>
void free_holder(void* memory) {
  auto* self = static_cast<Holder<Array>*>(memory);
  self->array.~Array();
  self->layout.~BufferLayout();
  PyObject_Free(memory);
}

template <class Array>
PyType_Slot kHolderSlots[] = {
    {Py_tp_free, reinterpret_cast<void*>(free_holder<Array>)},
    {Py_bf_getbuffer, reinterpret_cast<void*>(get_held_buffer<Array>)},
    {0, nullptr},
};

template <class Array>
PyType_Spec kHolderSpec = {
    Lent<Array>::kTypeName,
    static_cast<int>(sizeof(Holder<Array>)),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION | Py_TPFLAGS_IMMUTABLETYPE,
    kHolderSlots<Array>,
};

template <class Array>
std::atomic<PyTypeObject*> g_holder_type{nullptr};

// The layout that lends values made with their axes in `order` (C-ordered
// in that order) in the caller's axes: axis order[k] gets the extent and
// stride of their axis k.
BufferLayout layout_in(const ArrayShape& made, std::size_t itemsize,
                       std::span<const std::size_t> order) {
  if (order.empty()) return BufferLayout(made, static_cast<Py_ssize_t>(itemsize));
  std::size_t ndim = made.ndim();
  std::vector<std::size_t> extents(ndim);
  ByteStrides strides;
  for (std::size_t k = 0; k < ndim; ++k) strides.emplace_back(0);
  auto step = static_cast<std::ptrdiff_t>(itemsize);
  for (std::size_t k = ndim; k-- > 0;) {
    extents[order[k]] = made[k];
    strides[order[k]] = step;
    step *= static_cast<std::ptrdiff_t>(made[k]);
  }
  return BufferLayout(*ArrayShape::of(extents), strides);
}

template <class Array>
PyObject* wrap_held(Array&& array, bool writable, std::span<const std::size_t> order = {}) {
  PyTypeObject* type = once(g_holder_type<Array>, [] {
    return reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&kHolderSpec<Array>));
  });
  if (type == nullptr) return nullptr;
  BufferLayout layout = layout_in(array.shape, Lent<Array>::kItemSize, order);
  PyObject* object = type->tp_alloc(type, 0);
  if (object == nullptr) return nullptr;
  auto* self = reinterpret_cast<Holder<Array>*>(object);
  ::new (&self->layout) BufferLayout(std::move(layout));
  ::new (&self->array) Array(std::move(array));
  self->writable = writable;
  self->c_contiguous = order.empty();
  return object;
}

}  // namespace

PyObject* plain_values(ValueArray&& array) {
  PyObject* asarray = numpy_asarray();
  return handed_out(wrap_held(std::move(array), asarray != nullptr), asarray);
}

PyObject* plain_booleans(BooleanArray&& array, std::span<const std::size_t> order) {
  PyObject* asarray = numpy_asarray();
  return handed_out(wrap_held(std::move(array), asarray != nullptr, order), asarray);
}

}  // namespace drovik::python
