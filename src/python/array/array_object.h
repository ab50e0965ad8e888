// The Python object behind drovik_array.DrovikArray: an immutable array of
// values in one unit, and the shape and strides it lends through the buffer
// protocol.
#ifndef DROVIK_PYTHON_ARRAY_ARRAY_OBJECT_H_
#define DROVIK_PYTHON_ARRAY_ARRAY_OBJECT_H_

#include "python/python_api.h"

#include <atomic>
#include <memory>

#include "array/value_array.h"
#include "error/drovik_error.h"
#include "python/once.h"

namespace drovik::python {

// The shape, then the strides in bytes, that a buffer of C-ordered items of
// `itemsize` bytes lends for `shape`: made with the object that lends it, so
// that lending writes nothing; in place for up to four axes.
class BufferLayout {
 public:
  BufferLayout(const ArrayShape& shape, Py_ssize_t itemsize);
  Py_ssize_t* shape() { return large_ ? large_.get() : small_; }
  Py_ssize_t* strides() { return shape() + ndim_; }
  std::size_t heap_bytes() const { return large_ ? 2 * ndim_ * sizeof(Py_ssize_t) : 0; }

 private:
  static constexpr std::size_t kInPlaceAxes = 4;
  std::size_t ndim_;
  Py_ssize_t small_[2 * kInPlaceAxes];
  std::unique_ptr<Py_ssize_t[]> large_;
};

// What an object lends through the buffer protocol: `count` C-ordered items
// of `itemsize` bytes and `format` at `data`, laid out as `layout` says.
struct LentBuffer {
  void* data;
  std::size_t count;
  Py_ssize_t itemsize;
  const char* format;
  int ndim;
  BufferLayout* layout;
  bool writable;
};

// Fills `view` for `owner`'s getbuffer slot; a writable view of what is not
// writable raises BufferError with `refusal`.
int lend_buffer(PyObject* owner, const LentBuffer& lent, Py_buffer* view, int flags,
                const char* refusal);

struct ArrayObject {
  PyObject_HEAD
  ValueArray array;
  BufferLayout layout;
};

namespace detail {
inline std::atomic<PyTypeObject*> created_array_type{nullptr};
PyTypeObject* make_array_type();
}  // namespace detail

// The class object, created on first use; nullptr with an exception set if
// that failed.
inline PyTypeObject* array_type() {
  return once(detail::created_array_type, detail::make_array_type);
}

// True when `object` is a DrovikArray (the class cannot be subclassed).
inline bool is_array(PyObject* object) {
  return Py_IS_TYPE(object, detail::created_array_type.load(std::memory_order_acquire));
}

inline const ValueArray& array_of(PyObject* object) {
  return reinterpret_cast<ArrayObject*>(object)->array;
}

// The shape as numpy gives it: a tuple of ints (a new reference).
PyObject* shape_tuple(const ArrayShape& shape);

// A new DrovikArray owning `array`, or nullptr with an exception set.
PyObject* wrap_array(ValueArray&& array);

// The new array, or the error raised (nullptr).
PyObject* to_python(Result<ValueArray>&& result);

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_ARRAY_ARRAY_OBJECT_H_
