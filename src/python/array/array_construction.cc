#include "python/array/array_construction.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "array/array_operations.h"
#include "array/strided_values.h"
#include "python/array/array_object.h"
#include "python/drovik_object.h"
#include "python/once.h"
#include "python/owned.h"
#include "python/results.h"
#include "quantity/conversion.h"
#include "unit/unit_memo.h"

namespace drovik::python {
namespace {

// Whether a buffer of other things than real numbers raises TypeError, or
// is declined with no exception (an operator's other operand: not its type).
enum class OtherFormats { kRaise, kDecline };

std::optional<ValueArray> from_buffer(PyObject* object, const std::optional<UnitRef>& unit,
                                      OtherFormats other_formats) {
  HeldBuffer buffer;
  if (!buffer.get(object)) return std::nullopt;
  const Py_buffer& view = buffer.view();
  std::optional<ElementType> type = element_type_of(view.format ? view.format : "B");
  if (!type || type->size != static_cast<std::size_t>(view.itemsize)) {
    if (other_formats == OtherFormats::kDecline) return std::nullopt;
    PyErr_Format(PyExc_TypeError,
                 "DrovikArray takes buffers of real numbers (floats, ints, bools), not of "
                 "format '%s'", view.format ? view.format : "B");
    return std::nullopt;
  }
  // A buffer has at most 64 axes (PyBUF_MAX_NDIM), as an array does.
  auto ndim = static_cast<std::size_t>(view.ndim);
  if (ndim > kMaxDimensions || (view.shape == nullptr && ndim > 1)) {
    raise_error(DrovikError::array_too_large("of " + std::to_string(ndim) + " dimensions"));
    return std::nullopt;
  }
  std::size_t extents[kMaxDimensions];
  std::ptrdiff_t strides[kMaxDimensions];
  for (std::size_t axis = 0; axis < ndim; ++axis) {
    // No shape is one axis of all the bytes.
    Py_ssize_t extent = view.shape ? view.shape[axis] : view.len / view.itemsize;
    extents[axis] = static_cast<std::size_t>(extent);
  }
  Result<ArrayShape> shape = ArrayShape::of(std::span(extents, ndim));
  if (!shape) {
    raise_error(shape.error());
    return std::nullopt;
  }
  // No strides (ctypes lends none) means C order.
  if (view.strides == nullptr) {
    c_order_strides(*shape, view.itemsize, std::span(strides, ndim));
  } else {
    std::copy(view.strides, view.strides + ndim, strides);
  }
  Values values =
      strided_values(static_cast<const std::byte*>(view.buf), *type, *shape,
                     std::span<const std::ptrdiff_t>(strides, ndim));
  return ValueArray{std::move(*shape), std::move(values), unit ? *unit : UnitRef()};
}

std::atomic<PyObject*> g_numbers_complex{nullptr}, g_numbers_real{nullptr};

PyObject* numbers_class(const char* name) {
  Owned numbers(PyImport_ImportModule("numbers"));
  return numbers ? PyObject_GetAttrString(numbers.get(), name) : nullptr;
}

// 1 when `item` is a numbers.Complex and no numbers.Real, 0 when not, -1
// with an exception.
int complex_but_not_real(PyObject* item) {
  PyObject* complex = once(g_numbers_complex, [] { return numbers_class("Complex"); });
  PyObject* real = once(g_numbers_real, [] { return numbers_class("Real"); });
  if (complex == nullptr || real == nullptr) return -1;
  int is_complex = PyObject_IsInstance(item, complex);
  if (is_complex <= 0) return is_complex;
  int is_real = PyObject_IsInstance(item, real);
  return is_real < 0 ? -1 : !is_real;
}

// True (1) for an object that carries a mask beside its values, as numpy's
// masked arrays do (a `mask` and a way to fill it); -1 with an exception.
// numpy's own ndarray, the usual case, is known to carry none.
int has_mask(PyObject* object) {
  if (std::strcmp(Py_TYPE(object)->tp_name, "numpy.ndarray") == 0) return 0;
  auto* type = reinterpret_cast<PyObject*>(Py_TYPE(object));
  int filled = PyObject_HasAttrStringWithError(type, "filled");
  if (filled <= 0) return filled;
  return PyObject_HasAttrStringWithError(type, "mask");
}

// "__array__", made once.
struct InternedName {
  const char* text;
  std::atomic<PyObject*> object{nullptr};
  PyObject* get() { return once(object, [this] { return PyUnicode_InternFromString(text); }); }
};
InternedName g_array_name{"__array__"};

// Nested lists and tuples.
bool is_nested(PyObject* object) { return PyList_Check(object) || PyTuple_Check(object); }

Py_ssize_t length_of(PyObject* sequence) {
  return PyTuple_Check(sequence) ? PyTuple_GET_SIZE(sequence) : PyList_GET_SIZE(sequence);
}

// A new reference to item i, or nullptr with IndexError when a list shrank
// meanwhile (another thread, or an element's __float__, may change it).
PyObject* item_of(PyObject* sequence, Py_ssize_t i) {
  if (PyTuple_Check(sequence)) return Py_NewRef(PyTuple_GET_ITEM(sequence, i));
  return PyList_GetItemRef(sequence, i);
}

// A new reference, held for a scope.
struct Held {
  PyObject* object;
  ~Held() { Py_XDECREF(object); }
};

// Reads nested sequences of numbers, or of quantities, into C order.
class SequenceReader {
 public:
  explicit SequenceReader(const std::optional<UnitRef>& unit) : unit_(unit) {}

  std::optional<ValueArray> read(PyObject* root) {
    // The shape, from the first element of each level.
    std::vector<std::size_t> extents;
    Held level{Py_NewRef(root)};
    while (is_nested(level.object)) {
      if (extents.size() == kMaxDimensions) {
        PyErr_SetString(PyExc_ValueError, "DrovikArray values nest more than 64 levels deep");
        return std::nullopt;
      }
      Py_ssize_t length = length_of(level.object);
      extents.push_back(static_cast<std::size_t>(length));
      if (length == 0) break;
      PyObject* first = item_of(level.object, 0);
      if (first == nullptr) return std::nullopt;
      Py_SETREF(level.object, first);
    }
    Result<ArrayShape> shape = ArrayShape::of(extents);
    if (!shape) {
      raise_error(shape.error());
      return std::nullopt;
    }
    extents_ = std::move(extents);
    values_.reserve(shape->size());
    if (!read_level(root, 0)) return std::nullopt;
    if (values_.size() != shape->size()) {
      PyErr_SetString(PyExc_RuntimeError, "DrovikArray values changed while they were read");
      return std::nullopt;
    }
    UnitRef unit = unit_ ? *unit_ : first_unit_ ? *first_unit_ : UnitRef();
    return ValueArray{std::move(*shape), std::move(values_), std::move(unit)};
  }

 private:
  static bool refuse_ragged() {
    PyErr_SetString(PyExc_ValueError,
                    "DrovikArray values are ragged: the sequences at one level differ in "
                    "length or depth");
    return false;
  }

  bool read_level(PyObject* sequence, std::size_t depth) {
    if (depth == extents_.size()) return read_leaf(sequence);
    if (!is_nested(sequence) || static_cast<std::size_t>(length_of(sequence)) != extents_[depth]) {
      return refuse_ragged();
    }
    for (std::size_t i = 0; i < extents_[depth]; ++i) {
      Held item{item_of(sequence, static_cast<Py_ssize_t>(i))};
      if (item.object == nullptr || !read_level(item.object, depth + 1)) return false;
    }
    return true;
  }

  bool read_leaf(PyObject* item) {
    if (is_nested(item)) {
      return refuse_ragged();
    }
    bool quantity = is_drovik(item);
    if (values_.empty()) quantities_ = quantity;
    if (quantity != quantities_) {
      PyErr_SetString(PyExc_TypeError,
                      "DrovikArray values are either all numbers or all Drovik quantities");
      return false;
    }
    return quantity ? read_quantity(item) : read_number(item);
  }

  bool read_number(PyObject* item) {
    bool number = PyFloat_Check(item) || PyLong_Check(item) || PyIndex_Check(item) ||
                  (Py_TYPE(item)->tp_as_number && Py_TYPE(item)->tp_as_number->nb_float);
    if (!number || PyComplex_Check(item)) return refuse_item(item);
    // Other complex types (numpy's complex64) convert to float with only a
    // warning, dropping the imaginary part: refused as well.
    if (!PyFloat_CheckExact(item) && !PyLong_CheckExact(item)) {
      int complex = is_complex_kind(item);
      if (complex < 0) return false;
      if (complex > 0) return refuse_item(item);
    }
    double value = PyFloat_AsDouble(item);
    if (value == -1.0 && PyErr_Occurred()) return false;
    values_.push_back(value);
    return true;
  }

  static bool refuse_item(PyObject* item) {
    PyErr_Format(PyExc_TypeError,
                 "DrovikArray values must be real numbers or Drovik quantities, not %.200s",
                 Py_TYPE(item)->tp_name);
    return false;
  }

  // 1 when `item` is a complex number (numbers.Complex but not
  // numbers.Real), 0 when not, -1 with an exception. The answer for the last
  // type asked is kept: a list of numpy scalars asks once.
  int is_complex_kind(PyObject* item) {
    if (reinterpret_cast<PyObject*>(Py_TYPE(item)) == real_type_.object) return 0;
    int complex = complex_but_not_real(item);
    if (complex == 0) Py_XSETREF(real_type_.object, Py_NewRef(Py_TYPE(item)));
    return complex;
  }

  bool read_quantity(PyObject* item) {
    const Drovik* quantity = readable_quantity(item);
    if (quantity == nullptr) {
      Borrow(item, Borrow::Mode::kSilent).refused();
      return false;
    }
    if (!unit_ && !first_unit_) first_unit_ = quantity->unit;
    const UnitRef& unit = unit_ ? *unit_ : *first_unit_;
    Result<double> value = converted_value(*quantity, *unit);
    if (!value) {
      raise_error(value.error());
      return false;
    }
    values_.push_back(*value);
    return true;
  }

  const std::optional<UnitRef>& unit_;
  std::optional<UnitRef> first_unit_;
  Held real_type_{nullptr};  // the last type found to be no complex number
  std::vector<std::size_t> extents_;
  Values values_;
  bool quantities_ = false;
};

// The array in `unit`; a copy of it when there is none.
std::optional<ValueArray> converted(const ArrayView& array, const std::optional<UnitRef>& unit) {
  if (!unit) return compact_copy(array);
  Result<ValueArray> result = as_unit(array, *unit);
  if (!result) {
    raise_error(result.error());
    return std::nullopt;
  }
  return std::move(*result);
}

}  // namespace

std::optional<std::optional<UnitRef>> unit_argument(PyObject* unit) {
  if (unit == nullptr || unit == Py_None) return std::optional<UnitRef>();
  if (PyUnicode_Check(unit)) {
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(unit, &size);
    if (utf8 == nullptr) return std::nullopt;
    Result<UnitRef> parsed =
        parse_unit_strictly(std::string_view(utf8, static_cast<std::size_t>(size)));
    if (!parsed) {
      raise_error(parsed.error());
      return std::nullopt;
    }
    return std::optional<UnitRef>(std::move(*parsed));
  }
  if (is_drovik(unit)) {
    Borrow claim = borrow_silent(unit);
    if (!claim) {
      claim.refused();
      return std::nullopt;
    }
    return std::optional<UnitRef>(claim.quantity().unit);
  }
  PyErr_Format(PyExc_TypeError, "a DrovikArray unit must be a str, a Drovik or None, not %.200s",
               Py_TYPE(unit)->tp_name);
  return std::nullopt;
}

std::optional<ValueArray> array_argument(PyObject* values, const std::optional<UnitRef>& unit) {
  if (is_array(values)) return converted(array_of(values), unit);
  if (is_drovik(values)) {
    const Drovik* quantity = readable_quantity(values);
    if (quantity == nullptr) {
      borrow_silent(values).refused();
      return std::nullopt;
    }
    return converted(single_value(*quantity), unit);
  }
  if (PyUnicode_Check(values) || PyBytes_Check(values) || PyByteArray_Check(values)) {
    PyErr_Format(PyExc_TypeError, "DrovikArray values must be numbers, not %.200s",
                 Py_TYPE(values)->tp_name);
    return std::nullopt;
  }
  if (PyObject_CheckBuffer(values)) {
    int masked = has_mask(values);
    if (masked < 0) return std::nullopt;
    if (masked > 0) {
      PyErr_Format(PyExc_TypeError,
                   "DrovikArray does not take masked arrays (%.200s): the mask would be lost; "
                   "pass a.filled(numpy.nan) or a.compressed()",
                   Py_TYPE(values)->tp_name);
      return std::nullopt;
    }
    return from_buffer(values, unit, OtherFormats::kRaise);
  }
  // pandas' Series and Index, and anything else that turns itself into an
  // array of numbers.
  if (!is_nested(values) && !PyFloat_Check(values) && !PyLong_Check(values)) {
    PyObject* name = g_array_name.get();
    if (name == nullptr) return std::nullopt;
    int convertible = PyObject_HasAttrWithError(values, name);
    if (convertible < 0) return std::nullopt;
    if (convertible > 0) {
      Owned plain(PyObject_CallMethodNoArgs(values, name));
      if (!plain) return std::nullopt;
      if (!PyObject_CheckBuffer(plain.get()) || is_array(plain.get())) {
        PyErr_Format(PyExc_TypeError, "%.200s.__array__() gave no buffer of numbers",
                     Py_TYPE(values)->tp_name);
        return std::nullopt;
      }
      return array_argument(plain.get(), unit);
    }
  }
  if (is_nested(values)) return SequenceReader(unit).read(values);
  if (PyFloat_Check(values) || PyLong_Check(values)) {
    double value = PyFloat_AsDouble(values);
    if (value == -1.0 && PyErr_Occurred()) return std::nullopt;
    return ValueArray{ArrayShape(), {value}, unit ? *unit : UnitRef()};
  }
  PyErr_Format(PyExc_TypeError,
               "DrovikArray values must be a buffer of numbers, nested lists or tuples of "
               "numbers or quantities, a Drovik or a DrovikArray, not %.200s",
               Py_TYPE(values)->tp_name);
  return std::nullopt;
}

std::optional<ValueArray> operand_argument(PyObject* other) {
  if (PyObject_CheckBuffer(other)) return from_buffer(other, std::nullopt, OtherFormats::kDecline);
  if (!PyFloat_Check(other) && !PyLong_Check(other)) return std::nullopt;
  double value = PyFloat_AsDouble(other);
  if (value == -1.0 && PyErr_Occurred()) return std::nullopt;
  return ValueArray{ArrayShape(), {value}, UnitRef()};
}

bool holds_native_doubles(const Py_buffer& lent) {
  std::optional<ElementType> type = element_type_of(lent.format ? lent.format : "B");
  auto ndim = static_cast<std::size_t>(lent.ndim);
  bool native = type && type->kind == ElementType::Kind::kFloat && type->size == 8 &&
                !type->swapped && lent.itemsize == 8 && ndim <= kMaxDimensions &&
                (ndim <= 1 || lent.shape != nullptr) &&
                reinterpret_cast<std::uintptr_t>(lent.buf) % alignof(double) == 0;
  for (std::size_t k = 0; native && lent.strides != nullptr && k < ndim; ++k) {
    native = lent.strides[k] % static_cast<Py_ssize_t>(sizeof(double)) == 0;
  }
  return native;
}

bool OperandValues::read(PyObject* other) {
  if (PyObject_CheckBuffer(other)) {
    if (!buffer_.get(other)) return false;
    const Py_buffer& lent = buffer_.view();
    auto ndim = static_cast<std::size_t>(lent.ndim);
    if (holds_native_doubles(lent)) {
      std::size_t extents[kMaxDimensions];
      for (std::size_t k = 0; k < ndim; ++k) {
        extents[k] = static_cast<std::size_t>(lent.shape ? lent.shape[k] : lent.len / 8);
      }
      Result<ArrayShape> shape = ArrayShape::of(std::span(extents, ndim));
      if (!shape) {
        raise_error(shape.error());
        return false;
      }
      shape_ = std::move(*shape);
      // No strides (ctypes lends none) means C order.
      view_.emplace(static_cast<const double*>(lent.buf), shape_, lent.strides, unitless_);
      return true;
    }
    buffer_.release();
  }
  owned_ = operand_argument(other);
  if (!owned_) return false;
  view_.emplace(*owned_);
  return true;
}

}  // namespace drovik::python
