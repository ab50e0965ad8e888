// Plain values handed to callers: a numpy array that owns them when numpy
// can be imported, otherwise a read-only memoryview of the same shape.
#ifndef DROVIK_PYTHON_ARRAY_PLAIN_VALUES_H_
#define DROVIK_PYTHON_ARRAY_PLAIN_VALUES_H_

#include "python/python_api.h"

#include "array/array_comparison.h"
#include "array/value_array.h"

#include <cstddef>
#include <span>

namespace drovik::python {

// numpy.asarray (a borrowed reference, kept for the process), or nullptr
// with no exception when numpy cannot be imported.
PyObject* numpy_asarray();

// The doubles of `array` (its unit dropped), or nullptr with an exception.
PyObject* plain_values(ValueArray&& array);
// The truths of `array`: numpy booleans, or a memoryview of format '?'.
// With an `order`, the truths were made with their axes in it (axis k of
// `array` is the caller's axis order[k]) and are lent in the caller's axes.
PyObject* plain_booleans(BooleanArray&& array, std::span<const std::size_t> order = {});

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_ARRAY_PLAIN_VALUES_H_
