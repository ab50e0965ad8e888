// The same values seen in another shape, as numpy's reshape, transpose,
// squeeze and broadcast_to show them: layouts over the values a view shows,
// so that none is copied.
#ifndef DROVIK_ARRAY_ARRAY_LAYOUT_H_
#define DROVIK_ARRAY_ARRAY_LAYOUT_H_

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "array/array_view.h"
#include "error/drovik_error.h"

namespace drovik {

// The shape `extents` asks of an array of `shape`, one extent of which may be
// -1 (whatever the others leave); BadShape, with numpy's message, when the
// sizes differ.
Result<ArrayShape> reshaped_shape(const ArrayShape& shape,
                                  std::span<const std::ptrdiff_t> extents);

// The view's values, in C order, seen in `shape` (of the same size) without
// a copy, where the strides allow it (numpy's rule: each group of axes that
// becomes another group must be contiguous); nothing when they do not.
std::optional<ViewLayout> reshaped(const ArrayView& view, const ArrayShape& shape);

// Axis k of the result is axis order[k] of the view: `order` names every
// axis once (checked by the caller).
ViewLayout transposed(const ArrayView& view, std::span<const std::size_t> order);

// Without the axes of extent 1 that `drop` marks.
ViewLayout squeezed(const ArrayView& view, std::span<const bool> drop);

// The view repeated along new leading axes and its extent-1 axes, as numpy
// broadcasts it to `shape` (stride 0 where it repeats); BadShape with
// numpy's message when it cannot be.
Result<ViewLayout> broadcast_to(const ArrayView& view, const ArrayShape& shape);

// The view's axes from the largest stride to the smallest (by size; a
// stable order, so ties and extent-1 axes keep theirs): walking them in this
// order reads the values as they lie in memory, as numpy's K order does.
// Empty when that is C order already.
std::vector<std::size_t> memory_order(const ArrayView& view);

// The order that undoes `order`: axis order[k] of the result is axis k.
std::vector<std::size_t> inverse_order(std::span<const std::size_t> order);

}  // namespace drovik

#endif  // DROVIK_ARRAY_ARRAY_LAYOUT_H_
