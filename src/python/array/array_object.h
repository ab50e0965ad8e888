// The Python object behind drovik_array.DrovikArray: an immutable array of
// values in one unit, its own or a view of another array's, and the shape
// and strides it lends through the buffer protocol.
#ifndef DROVIK_PYTHON_ARRAY_ARRAY_OBJECT_H_
#define DROVIK_PYTHON_ARRAY_ARRAY_OBJECT_H_

#include "python/python_api.h"

#include <atomic>
#include <memory>
#include <span>
#include <type_traits>
#include <vector>

#include "array/array_layout.h"
#include "array/array_view.h"
#include "error/drovik_error.h"
#include "python/once.h"

namespace drovik::python {

static_assert(std::is_same_v<Py_ssize_t, std::ptrdiff_t>, "byte strides are lent as they are");

// The shape, then the strides in bytes, that a buffer lends: made with the
// object that lends it, so that lending writes nothing; in place for up to
// four axes.
class BufferLayout {
 public:
  // C-ordered items of `itemsize` bytes.
  BufferLayout(const ArrayShape& shape, Py_ssize_t itemsize);
  // These strides.
  BufferLayout(const ArrayShape& shape, const ByteStrides& strides);
  Py_ssize_t* shape() { return large_ ? large_.get() : small_; }
  Py_ssize_t* strides() { return shape() + ndim_; }
  std::size_t heap_bytes() const { return large_ ? 2 * ndim_ * sizeof(Py_ssize_t) : 0; }

 private:
  static constexpr std::size_t kInPlaceAxes = 4;
  std::size_t ndim_;
  Py_ssize_t small_[2 * kInPlaceAxes];
  std::unique_ptr<Py_ssize_t[]> large_;
};

// What an object lends through the buffer protocol: `count` items of
// `itemsize` bytes and `format`, the first at `data`, laid out as `layout`
// says; `c_contiguous` when they follow one another in C order.
struct LentBuffer {
  void* data;
  std::size_t count;
  Py_ssize_t itemsize;
  const char* format;
  int ndim;
  BufferLayout* layout;
  bool writable;
  bool c_contiguous = true;
  bool f_contiguous = false;
};

// Fills `view` for `owner`'s getbuffer slot; a writable view of what is not
// writable raises BufferError with `refusal`, and so does a request the
// layout cannot meet (no strides, or a contiguity, asked of values that lie
// otherwise), in numpy's words.
int lend_buffer(PyObject* owner, const LentBuffer& lent, Py_buffer* view, int flags,
                const char* refusal);

// An array owns its values (C-ordered, `values`) or shows some of another
// array's (a view: `base` holds that array, which never changes, so that
// threads read both without locks). `data` is where the element at index
// (0, ..., 0) lies; `layout` holds the extents and the byte strides.
struct ArrayObject {
  PyObject_HEAD
  const double* data;
  ArrayShape shape;
  UnitRef unit;
  Values values;
  PyObject* base;
  // The block of doubles the values lie in (their own, or base's), so that
  // a layout numpy gives back can be checked to lie within it.
  const double* block;
  std::size_t block_size;
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

// What the array shows, for the core's operations to read in place.
inline ArrayView array_of(PyObject* object) {
  auto* self = reinterpret_cast<ArrayObject*>(object);
  const std::ptrdiff_t* strides = self->base != nullptr ? self->layout.strides() : nullptr;
  return ArrayView(self->data, self->shape, strides, self->unit);
}

// The shape as numpy gives it: a tuple of ints (a new reference).
PyObject* shape_tuple(const ArrayShape& shape);

// A new DrovikArray owning `array`, or nullptr with an exception set.
PyObject* wrap_array(ValueArray&& array);
// A new DrovikArray whose `count` C-ordered values at `data` belong to
// `owner`, which no one else holds (a result numpy made and handed over
// alone): they are never copied, and never change.
PyObject* wrap_adopted(PyObject* owner, const double* data, ArrayShape&& shape, UnitRef unit);
// A new DrovikArray showing `source`'s values as `layout` lays them out
// (relative to source's first value), or nullptr with an exception set.
PyObject* wrap_view(PyObject* source, ViewLayout&& layout);
// The new array `result`, made with its axes in `order`, shown in the
// caller's axes (axis order[k] of the caller's is its axis k) by a view
// that transposes it back; or the error raised (nullptr).
PyObject* shown_in_order(Result<ValueArray>&& result, std::span<const std::size_t> order);
// The values of `view` in C order, owned: a compact copy; and the same
// along one axis (numpy's flatten).
ValueArray compact_copy(const ArrayView& view);
ValueArray flat_copy(const ArrayView& view);

// The new array, or the error raised (nullptr).
PyObject* to_python(Result<ValueArray>&& result);

// The order of the axes in which `view`'s values lie in memory when that
// is not C order and `other` (which may be null) lies in the same order or
// has no axes (a transposed view beside a transposed view); empty otherwise,
// for C order.
std::vector<std::size_t> shared_memory_order(const ArrayView& view, const ArrayView* other);

// visit(a, b, order): `view` and `other` (which may be null) seen with their
// axes in shared_memory_order's `order`, so that walking them in C order
// reads the values as they lie; as they are when `order` is empty.
template <class Visit>
auto in_shared_order(const ArrayView& view, const ArrayView* other, Visit visit) {
  std::vector<std::size_t> order = shared_memory_order(view, other);
  if (order.empty()) return visit(view, other, order);
  ViewLayout permuted = transposed(view, order);
  ArrayView a = permuted.over(view);
  if (other == nullptr || other->shape.ndim() == 0) return visit(a, other, order);
  ViewLayout other_permuted = transposed(*other, order);
  ArrayView b = other_permuted.over(*other);
  return visit(a, &b, order);
}

// compute(array, other) (other may be null) walking the values in the order
// shared_memory_order gives: the result is made in that order and shown in
// the caller's axes by a transposing view, as numpy's K order lays it out.
template <class Compute>
PyObject* in_memory_order(PyObject* array, const ArrayView* other, Compute compute) {
  return in_shared_order(array_of(array), other,
                         [&](const ArrayView& a, const ArrayView* b,
                             const std::vector<std::size_t>& order) -> PyObject* {
                           if (order.empty()) return to_python(compute(a, b));
                           return shown_in_order(compute(a, b), order);
                         });
}

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_ARRAY_ARRAY_OBJECT_H_
