// numpy's advanced indexing of a DrovikArray: integer arrays and boolean
// masks, read from what callers pass as a key.
#ifndef DROVIK_PYTHON_ARRAY_INDEX_ARRAYS_H_
#define DROVIK_PYTHON_ARRAY_INDEX_ARRAYS_H_

#include "python/python_api.h"

#include <cstddef>
#include <optional>
#include <vector>

#include "array/array_view.h"
#include "error/drovik_error.h"

namespace drovik::python {

// An index array: truths (a mask) or integers, and its shape.
struct IndexArray {
  bool is_mask = false;
  ArrayShape shape;
  std::vector<std::ptrdiff_t> integers;
  std::vector<unsigned char> truths;
};

// True for what numpy would read as an index array: a list, or a buffer
// of one axis or more (a numpy array, a memoryview) other than bytes.
bool is_index_array(PyObject* item);

// The index array `item` holds, or nothing with IndexError (numpy's words)
// for one of other numbers than integers and truths, or the error reading
// it raised.
std::optional<IndexArray> index_array(PyObject* item);

// `array` indexed by `key` at `axis`: a mask at axis 0 covers the leading
// axes it has; elsewhere a one-axis mask picks its true positions; integers
// take their values along the axis.
Result<ValueArray> advanced(const ArrayView& array, IndexArray&& key, std::size_t axis);

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_ARRAY_INDEX_ARRAYS_H_
