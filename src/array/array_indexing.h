// numpy's basic indexing: an integer, a slice, a new axis or an ellipsis per
// piece of the index.
#ifndef DROVIK_ARRAY_ARRAY_INDEXING_H_
#define DROVIK_ARRAY_ARRAY_INDEXING_H_

#include <cstddef>
#include <span>

#include "array/array_view.h"
#include "error/drovik_error.h"

namespace drovik {

struct IndexPiece {
  enum class Kind { kInteger, kSlice, kNewAxis, kEllipsis };
  Kind kind = Kind::kEllipsis;
  // An integer's value in `start` (negative counts from the end); a slice's
  // start, stop and step as Python's slice.indices() reads them before it
  // clips them to an extent (step never 0).
  std::ptrdiff_t start = 0, stop = 0, step = 1;
};

// The layout of the values the index selects (copying none), relative to
// the view's, in the shape numpy gives:
// integers remove their axis, slices keep it with the values they step
// through, new axes add an axis of extent 1, the ellipsis stands for every
// axis the other pieces leave out (as do missing trailing pieces). BadIndex,
// with numpy's message, for an integer out of range, more pieces than axes
// or a second ellipsis.
Result<ViewLayout> select(const ArrayView& array, std::span<const IndexPiece> index);

// numpy's integer-array indexing along one axis: the values at `indices`
// (negative ones counting from the end) along `axis`, whose place in the
// result the indices' own shape takes. BadIndex, with numpy's message, for
// an index out of range.
Result<ValueArray> take(const ArrayView& array, std::size_t axis,
                        std::span<const std::ptrdiff_t> indices, const ArrayShape& index_shape);

// numpy's boolean-mask indexing: `mask` covers the leading axes of the
// array (its shape theirs, BadIndex otherwise); the values where it is true,
// in C order, on one axis that replaces them.
Result<ValueArray> masked(const ArrayView& array, std::span<const unsigned char> mask,
                          const ArrayShape& mask_shape);

}  // namespace drovik

#endif  // DROVIK_ARRAY_ARRAY_INDEXING_H_
