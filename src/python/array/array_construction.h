// Making arrays from what callers pass: buffers of numbers, nested sequences
// of numbers or of quantities, a quantity, another array; and the unit
// argument. Each returns nothing with a Python exception set on failure.
#ifndef DROVIK_PYTHON_ARRAY_ARRAY_CONSTRUCTION_H_
#define DROVIK_PYTHON_ARRAY_ARRAY_CONSTRUCTION_H_

#include "python/python_api.h"

#include <optional>

#include "array/array_view.h"

namespace drovik::python {

// A unit argument: a str, parsed strictly (every piece must resolve), a
// Drovik (its unit; its value plays no part), or None (nothing: the values'
// own unit, or none).
std::optional<std::optional<UnitRef>> unit_argument(PyObject* unit);

// The values of `values` in `unit`: plain numbers are taken as values in it
// (unitless when it is nothing); quantities and arrays are converted into it
// (or kept in their own unit, the first one's for a sequence of quantities).
// The array owns its values.
std::optional<ValueArray> array_argument(PyObject* values, const std::optional<UnitRef>& unit);

// An operator's other operand read as unitless values: a float, an int or a
// buffer of real numbers. Nothing with no exception for anything else (not
// the operator's type); nothing with the exception for an operand that
// failed (its buffer export raised, an int too large for a double).
std::optional<ValueArray> operand_argument(PyObject* other);

// A buffer held for the length of a scope.
class HeldBuffer {
 public:
  HeldBuffer() = default;
  HeldBuffer(const HeldBuffer&) = delete;
  HeldBuffer& operator=(const HeldBuffer&) = delete;
  bool get(PyObject* object) {
    held_ = PyObject_GetBuffer(object, &view_, PyBUF_RECORDS_RO) == 0;
    return held_;
  }
  void release() {
    if (held_) PyBuffer_Release(&view_);
    held_ = false;
  }
  ~HeldBuffer() { release(); }
  const Py_buffer& view() const { return view_; }

 private:
  Py_buffer view_{};
  bool held_ = false;
};

// True when `lent` holds native doubles, each on an 8-byte boundary, with
// at most kMaxDimensions axes and strides in whole values: what may be read
// where it lies, or kept, without converting a value.
bool holds_native_doubles(const Py_buffer& lent);

// An operator's other operand as unitless values: read where they lie when
// it lends native doubles (a numpy float64 array, strided or not: no copy,
// the buffer held while this lives), otherwise through operand_argument.
// read() is false with no exception for what is not an operand, with one for
// an operand that failed.
class OperandValues {
 public:
  OperandValues() = default;
  OperandValues(const OperandValues&) = delete;
  OperandValues& operator=(const OperandValues&) = delete;
  bool read(PyObject* other);
  const ArrayView& view() const { return *view_; }

 private:
  HeldBuffer buffer_;
  ArrayShape shape_;
  UnitRef unitless_;
  std::optional<ValueArray> owned_;
  std::optional<ArrayView> view_;
};

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_ARRAY_ARRAY_CONSTRUCTION_H_
