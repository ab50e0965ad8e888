// numpy's advanced indexing of a DrovikArray: boolean masks (numpy's bool
// arrays, comparison results, memoryviews of '?', lists of bools) and
// integer arrays (lists of ints, numpy's integer arrays), alone or as the
// one such piece of a tuple of slices and integers.
#include "python/array/index_arrays.h"

#include <cmath>
#include <string>
#include <vector>

#include "array/array_indexing.h"
#include "array/strided_values.h"
#include "python/array/array_construction.h"
#include "python/array/array_object.h"
#include "python/exceptions.h"
#include "python/owned.h"
#include "python/results.h"

namespace drovik::python {
namespace {

// What the leaves of nested lists and tuples are: all bools, all integers
// (bools counted as integers, as numpy counts them), or neither.
struct Leaves {
  bool all_bool = true;
  bool all_integer = true;
};

// False with an exception when the items could not be held.
bool survey(PyObject* item, Leaves& leaves, int depth) {
  if ((PyList_Check(item) || PyTuple_Check(item)) && depth < 64) {
    // A tuple of the items holds them while another thread may change a list.
    Owned items(PySequence_Tuple(item));
    if (!items) return false;
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(items.get()); ++i) {
      if (!survey(PyTuple_GET_ITEM(items.get(), i), leaves, depth + 1)) return false;
    }
    return true;
  }
  bool is_bool = PyBool_Check(item);
  leaves.all_bool = leaves.all_bool && is_bool;
  leaves.all_integer = leaves.all_integer && (is_bool || PyLong_Check(item));
  return true;
}

bool refuse_type() {
  PyErr_SetString(PyExc_IndexError,
                  "arrays used as indices must be of integer (or boolean) type");
  return false;
}

// The numbers of an index array read as doubles (exact for any index that
// can be in range), and whether they are truths.
bool read_index(PyObject* key, IndexArray& out) {
  bool is_buffer = PyObject_CheckBuffer(key);
  if (!is_buffer) {
    Leaves leaves;
    if (!survey(key, leaves, 0)) return false;
    if (!leaves.all_integer) return refuse_type();
    out.is_mask = leaves.all_bool && PyObject_Length(key) > 0;
  } else {
    Py_buffer view;
    if (PyObject_GetBuffer(key, &view, PyBUF_RECORDS_RO) < 0) return false;
    std::string format = view.format ? view.format : "B";
    PyBuffer_Release(&view);
    std::optional<ElementType> type = element_type_of(format);
    if (!type || type->kind == ElementType::Kind::kFloat) return refuse_type();
    out.is_mask = type->kind == ElementType::Kind::kBool;
  }
  std::optional<ValueArray> values = array_argument(key, std::nullopt);
  if (!values) return false;
  out.shape = values->shape;
  if (out.is_mask) {
    out.truths.reserve(values->values.size());
    for (double v : values->values) out.truths.push_back(v != 0.0 ? 1 : 0);
  } else {
    out.integers.reserve(values->values.size());
    for (double v : values->values) {
      // Beyond 2**62 no axis reaches: any such value is out of range.
      out.integers.push_back(std::fabs(v) < 0x1p62 ? static_cast<std::ptrdiff_t>(v)
                                                   : PTRDIFF_MAX);
    }
  }
  return true;
}

}  // namespace

bool is_index_array(PyObject* item) {
  if (PyList_Check(item) || is_array(item)) return true;  // an array is refused when read
  if (!PyObject_CheckBuffer(item) || PyBytes_Check(item) || PyByteArray_Check(item)) {
    return false;
  }
  // A buffer of no axes is a number (numpy.int64(2)), read as an integer;
  // one of any strides (a reversed numpy.argsort) is an index array.
  Py_buffer view;
  if (PyObject_GetBuffer(item, &view, PyBUF_RECORDS_RO) < 0) {
    PyErr_Clear();
    return false;
  }
  bool has_axes = view.ndim > 0;
  PyBuffer_Release(&view);
  return has_axes;
}

std::optional<IndexArray> index_array(PyObject* item) {
  if (is_array(item)) {
    refuse_type();
    return std::nullopt;
  }
  IndexArray out;
  if (!read_index(item, out)) return std::nullopt;
  return out;
}

Result<ValueArray> advanced(const ArrayView& array, IndexArray&& key, std::size_t axis) {
  if (key.is_mask && axis == 0) return masked(array, key.truths, key.shape);
  if (key.is_mask) {
    // Elsewhere in a tuple a one-axis mask picks the positions it holds true.
    if (key.shape.ndim() != 1) {
      return fail(DrovikError::bad_index(
          "a boolean index after other pieces of an index must be one-dimensional"));
    }
    if (axis < array.shape.ndim() && key.truths.size() != array.shape[axis]) {
      return fail(DrovikError::bad_index(
          "boolean index did not match indexed array along axis " + std::to_string(axis) +
          "; size of axis is " + std::to_string(array.shape[axis]) +
          " but size of corresponding boolean axis is " + std::to_string(key.truths.size())));
    }
    key.integers.clear();
    for (std::size_t i = 0; i < key.truths.size(); ++i) {
      if (key.truths[i]) key.integers.push_back(static_cast<std::ptrdiff_t>(i));
    }
    std::size_t count = key.integers.size();
    key.shape = *ArrayShape::of(std::span<const std::size_t>(&count, 1));
  }
  if (axis >= array.shape.ndim()) {
    return fail(DrovikError::bad_index(
        "too many indices for array: array is " + std::to_string(array.shape.ndim()) +
        "-dimensional, but " + std::to_string(axis + 1) + " were indexed"));
  }
  return take(array, axis, key.integers, key.shape);
}

}  // namespace drovik::python
