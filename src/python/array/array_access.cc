// Reading parts of a drovik_array.DrovikArray: numpy's basic indexing, an
// integer or boolean array among the pieces of a key, and iteration over
// the first axis.
#include "python/python_api.h"

#include <vector>

#include "array/array_indexing.h"
#include "python/array/array_object.h"
#include "python/array/array_slots.h"
#include "python/array/index_arrays.h"
#include "python/exceptions.h"
#include "python/owned.h"
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
               "only integers, slices (`:`), ellipsis (`...`), numpy.newaxis (`None`) and "
               "integer or boolean arrays are valid indices, not %.200s",
               Py_TYPE(item)->tp_name);
  return std::nullopt;
}

// A Drovik when the index names one value by an integer per axis, as numpy
// gives a scalar; otherwise a view of `source`'s values, or, when the
// values are a result not yet handed out (`source` null), a copy of them.
PyObject* selected(PyObject* source, const ArrayView& array,
                   const std::vector<IndexPiece>& index) {
  Result<ViewLayout> part = select(array, index);
  if (!part) return raise_error(part.error());
  std::size_t integers = 0;
  bool only_integers = true;
  for (const IndexPiece& piece : index) {
    integers += piece.kind == IndexPiece::Kind::kInteger;
    only_integers = only_integers && piece.kind == IndexPiece::Kind::kInteger;
  }
  ArrayView shown = part->over(array);
  if (only_integers && integers == array.shape.ndim()) {
    return wrap(Drovik{shown.data[0], array.unit});
  }
  if (source == nullptr) return wrap_array(compact_copy(shown));
  return wrap_view(source, std::move(*part));
}

// A key piece numpy reads as an index array.
bool is_advanced(PyObject* item) { return is_index_array(item); }

// array[key] for keys numpy reads with more than the one index array the
// core takes (two index arrays, an index array after None or ..., integers
// apart from it): numpy finds the positions of the values the key selects
// in an array of positions, and the array takes them from its values in C
// order, so numpy's rules (and errors) are numpy's own. Without numpy,
// IndexError with `refusal`.
PyObject* by_positions(PyObject* self, PyObject* key, const char* refusal) {
  Owned numpy(PyImport_ImportModule("numpy"));
  if (!numpy) {
    PyErr_Clear();
    PyErr_SetString(PyExc_IndexError, refusal);
    return nullptr;
  }
  ArrayView array = array_of(self);
  Owned shape(shape_tuple(array.shape));
  Owned count(PyLong_FromSize_t(array.shape.size()));
  if (!shape || !count) return nullptr;
  Owned range(PyObject_CallMethod(numpy.get(), "arange", "O", count.get()));
  Owned positions(range ? PyObject_CallMethod(range.get(), "reshape", "O", shape.get()) : nullptr);
  Owned chosen(positions ? PyObject_GetItem(positions.get(), key) : nullptr);
  if (!chosen) return nullptr;
  Owned values(wrap_array(flat_copy(array)));
  if (!values) return nullptr;
  // A position array of shape () names one value: a quantity, as numpy gives a scalar.
  return PyObject_GetItem(values.get(), chosen.get());
}

// array[before..., item, after...] where item is an index array and the
// pieces before it are slices and integers: the index array applies along
// the axis they lead to, then the rest of the key, with whole slices over
// the axes the index array left.
PyObject* with_index_array(PyObject* self, PyObject* whole_key, const ArrayView& array,
                           const std::vector<IndexPiece>& before, PyObject* item,
                           const std::vector<IndexPiece>& after) {
  for (const IndexPiece& piece : before) {
    if (piece.kind == IndexPiece::Kind::kNewAxis || piece.kind == IndexPiece::Kind::kEllipsis) {
      return by_positions(self, whole_key,
                          "a DrovikArray takes an integer or boolean array after slices and "
                          "integers only, without numpy");
    }
  }
  // numpy counts integers beside an index array as index arrays too, and
  // moves all their axes first when a slice stands between them.
  auto integers_apart = [](const std::vector<IndexPiece>& pieces, bool from_end) {
    bool beside = true;
    for (std::size_t n = 0; n < pieces.size(); ++n) {
      const IndexPiece& piece = pieces[from_end ? pieces.size() - 1 - n : n];
      bool integer = piece.kind == IndexPiece::Kind::kInteger;
      if (integer && !beside) return true;
      beside = beside && integer;
    }
    return false;
  };
  if (integers_apart(before, true) || integers_apart(after, false)) {
    return by_positions(self, whole_key,
                        "a DrovikArray takes integers beside an integer or boolean array only "
                        "next to it (numpy would move their axes first), without numpy");
  }
  std::optional<IndexArray> key = index_array(item);
  if (!key) return nullptr;
  std::size_t axis = before.size();
  // A mask leaves one axis; integers leave the axes of their own shape.
  std::size_t left_axes = key->is_mask ? 1 : key->shape.ndim();
  Result<ValueArray> taken = advanced(array, std::move(*key), axis);
  if (!taken) return raise_error(taken.error());
  if (before.empty() && after.empty()) return wrap_array(std::move(*taken));
  std::vector<IndexPiece> rest(before);
  for (std::size_t k = 0; k < left_axes; ++k) {
    rest.push_back(IndexPiece{IndexPiece::Kind::kSlice, 0, PTRDIFF_MAX, 1});
  }
  rest.insert(rest.end(), after.begin(), after.end());
  return selected(nullptr, *taken, rest);
}

}  // namespace

namespace array_slots {

PyObject* subscript(PyObject* self, PyObject* key) {
  return guarded([&]() -> PyObject* {
    ArrayView array = array_of(self);
    if (is_advanced(key)) return with_index_array(self, key, array, {}, key, {});
    std::vector<IndexPiece> index;
    if (PyTuple_Check(key)) {
      Py_ssize_t count = PyTuple_GET_SIZE(key);
      index.reserve(static_cast<std::size_t>(count));
      for (Py_ssize_t i = 0; i < count; ++i) {
        PyObject* item = PyTuple_GET_ITEM(key, i);
        if (is_advanced(item)) {
          std::vector<IndexPiece> after;
          for (Py_ssize_t j = i + 1; j < count; ++j) {
            if (is_advanced(PyTuple_GET_ITEM(key, j))) {
              return by_positions(self, key,
                                  "a DrovikArray takes one integer or boolean array per index "
                                  "without numpy");
            }
            std::optional<IndexPiece> piece = index_piece(PyTuple_GET_ITEM(key, j));
            if (!piece) return nullptr;
            after.push_back(*piece);
          }
          return with_index_array(self, key, array, index, item, after);
        }
        std::optional<IndexPiece> piece = index_piece(item);
        if (!piece) return nullptr;
        index.push_back(*piece);
      }
    } else {
      std::optional<IndexPiece> piece = index_piece(key);
      if (!piece) return nullptr;
      index.push_back(*piece);
    }
    return selected(self, array, index);
  });
}

PyObject* item(PyObject* self, Py_ssize_t index) {
  return guarded([&] {
    return selected(self, array_of(self), {IndexPiece{IndexPiece::Kind::kInteger, index}});
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
