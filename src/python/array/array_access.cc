// Reading parts of a drovik_array.DrovikArray: numpy's basic indexing, and
// iteration over its first axis.
#include "python/python_api.h"

#include <vector>

#include "array/array_indexing.h"
#include "python/array/array_object.h"
#include "python/array/array_slots.h"
#include "python/exceptions.h"
#include "python/results.h"

namespace drovik::python {
namespace {

// One piece of an index, or nothing with IndexError (or the error reading
// an integer raised) for anything numpy's basic indexing does not take.
std::optional<IndexPiece> index_piece(PyObject* item) {
  using Kind = IndexPiece::Kind;
  if (item == Py_Ellipsis) return IndexPiece{Kind::kEllipsis};
  if (item == Py_None) return IndexPiece{Kind::kNewAxis};
  if (PySlice_Check(item)) {
    IndexPiece piece{Kind::kSlice};
    Py_ssize_t start = 0, stop = 0, step = 0;
    if (PySlice_Unpack(item, &start, &stop, &step) < 0) return std::nullopt;
    piece.start = start, piece.stop = stop, piece.step = step;
    return piece;
  }
  // True and False would be boolean masks to numpy: not integers here.
  if (!PyBool_Check(item) && PyIndex_Check(item)) {
    Py_ssize_t at = PyNumber_AsSsize_t(item, PyExc_IndexError);
    if (at == -1 && PyErr_Occurred()) return std::nullopt;
    return IndexPiece{Kind::kInteger, at};
  }
  PyErr_Format(PyExc_IndexError,
               "only integers, slices (`:`), ellipsis (`...`) and None are valid indices of a "
               "DrovikArray, not %.200s",
               Py_TYPE(item)->tp_name);
  return std::nullopt;
}

// A Drovik when the index names one value by an integer per axis, as numpy
// gives a scalar; a DrovikArray otherwise.
PyObject* selected(const ValueArray& array, const std::vector<IndexPiece>& index) {
  Result<ValueArray> part = select(array, index);
  if (!part) return raise_error(part.error());
  std::size_t integers = 0;
  bool only_integers = true;
  for (const IndexPiece& piece : index) {
    integers += piece.kind == IndexPiece::Kind::kInteger;
    only_integers = only_integers && piece.kind == IndexPiece::Kind::kInteger;
  }
  if (only_integers && integers == array.shape.ndim()) {
    return wrap(Drovik{part->values[0], std::move(part->unit)});
  }
  return wrap_array(std::move(*part));
}

}  // namespace

namespace array_slots {

PyObject* subscript(PyObject* self, PyObject* key) {
  return guarded([&]() -> PyObject* {
    std::vector<IndexPiece> index;
    if (PyTuple_Check(key)) {
      Py_ssize_t count = PyTuple_GET_SIZE(key);
      index.reserve(static_cast<std::size_t>(count));
      for (Py_ssize_t i = 0; i < count; ++i) {
        std::optional<IndexPiece> piece = index_piece(PyTuple_GET_ITEM(key, i));
        if (!piece) return nullptr;
        index.push_back(*piece);
      }
    } else {
      std::optional<IndexPiece> piece = index_piece(key);
      if (!piece) return nullptr;
      index.push_back(*piece);
    }
    return selected(array_of(self), index);
  });
}

PyObject* item(PyObject* self, Py_ssize_t index) {
  return guarded([&] {
    return selected(array_of(self), {IndexPiece{IndexPiece::Kind::kInteger, index}});
  });
}

PyObject* iterate(PyObject* self) {
  if (array_of(self).shape.ndim() == 0) {
    PyErr_SetString(PyExc_TypeError, "iteration over a 0-d array");
    return nullptr;
  }
  return PySeqIter_New(self);
}

}  // namespace array_slots
}  // namespace drovik::python
