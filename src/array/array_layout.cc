#include "array/array_layout.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace drovik {
namespace {

// A layout over the same first value with these extents and strides.
ViewLayout layout(std::span<const std::size_t> extents, std::span<const std::ptrdiff_t> strides,
                  std::ptrdiff_t offset = 0) {
  ViewLayout result{offset, *ArrayShape::of(extents), {}};
  for (std::ptrdiff_t stride : strides) result.strides.emplace_back(stride);
  return result;
}

}  // namespace

Result<ArrayShape> reshaped_shape(const ArrayShape& shape,
                                  std::span<const std::ptrdiff_t> extents) {
  std::size_t known = 1, unknown = extents.size();
  auto refuse = [&] {
    return fail(DrovikError::bad_shape("cannot reshape array of size " +
                                       std::to_string(shape.size()) + " into shape " +
                                       extents_text(extents)));
  };
  for (std::size_t k = 0; k < extents.size(); ++k) {
    if (extents[k] == -1 && unknown == extents.size()) {
      unknown = k;
    } else if (extents[k] < 0) {
      return fail(DrovikError::bad_shape(extents[k] == -1 ? "can only specify one unknown dimension"
                                                          : "negative dimensions not allowed"));
    } else {
      auto extent = static_cast<std::size_t>(extents[k]);
      if (extent != 0 && known > std::numeric_limits<std::size_t>::max() / extent) return refuse();
      known *= extent;
    }
  }
  std::vector<std::size_t> wanted(extents.begin(), extents.end());
  if (unknown < extents.size()) {
    if (known == 0 || shape.size() % known != 0) return refuse();
    wanted[unknown] = shape.size() / known;
  } else if (known != shape.size()) {
    return refuse();
  }
  return ArrayShape::of(wanted);
}

std::optional<ViewLayout> reshaped(const ArrayView& view, const ArrayShape& shape) {
  std::size_t new_ndim = shape.ndim();
  std::vector<std::size_t> new_extents(new_ndim);
  for (std::size_t k = 0; k < new_ndim; ++k) new_extents[k] = shape[k];
  if (view.shape.size() == 0 || view.is_c_contiguous()) {
    return ViewLayout{0, shape, c_strides(shape)};
  }
  // The old axes without those of extent 1, which move nothing.
  std::vector<std::size_t> old_extents;
  std::vector<std::ptrdiff_t> old_strides;
  ViewLayout own = layout_of(view);
  for (std::size_t k = 0; k < view.shape.ndim(); ++k) {
    if (view.shape[k] == 1) continue;
    old_extents.push_back(view.shape[k]);
    old_strides.push_back(own.strides[k]);
  }
  // Groups of old axes and of new axes with the same number of values: each
  // old group must step as one axis does, and its new axes then step
  // within it in C order.
  std::vector<std::ptrdiff_t> new_strides(new_ndim, 0);
  std::size_t old_ndim = old_extents.size(), oi = 0, oj = 1, ni = 0, nj = 1;
  while (ni < new_ndim && oi < old_ndim) {
    std::size_t new_count = new_extents[ni], old_count = old_extents[oi];
    while (new_count != old_count) {
      if (new_count < old_count) {
        new_count *= new_extents[nj++];
      } else {
        old_count *= old_extents[oj++];
      }
    }
    for (std::size_t k = oi; k + 1 < oj; ++k) {
      if (old_strides[k] != static_cast<std::ptrdiff_t>(old_extents[k + 1]) * old_strides[k + 1]) {
        return std::nullopt;
      }
    }
    new_strides[nj - 1] = old_strides[oj - 1];
    for (std::size_t k = nj - 1; k > ni; --k) {
      new_strides[k - 1] = new_strides[k] * static_cast<std::ptrdiff_t>(new_extents[k]);
    }
    ni = nj++;
    oi = oj++;
  }
  std::ptrdiff_t last = ni >= 1 ? new_strides[ni - 1] : static_cast<std::ptrdiff_t>(sizeof(double));
  for (std::size_t k = ni; k < new_ndim; ++k) new_strides[k] = last;
  return layout(new_extents, new_strides);
}

ViewLayout transposed(const ArrayView& view, std::span<const std::size_t> order) {
  ViewLayout own = layout_of(view);
  std::vector<std::size_t> extents(order.size());
  std::vector<std::ptrdiff_t> strides(order.size());
  for (std::size_t k = 0; k < order.size(); ++k) {
    extents[k] = view.shape[order[k]];
    strides[k] = own.strides[order[k]];
  }
  return layout(extents, strides);
}

ViewLayout squeezed(const ArrayView& view, std::span<const bool> drop) {
  ViewLayout own = layout_of(view);
  std::vector<std::size_t> extents;
  std::vector<std::ptrdiff_t> strides;
  for (std::size_t k = 0; k < view.shape.ndim(); ++k) {
    if (drop[k]) continue;
    extents.push_back(view.shape[k]);
    strides.push_back(own.strides[k]);
  }
  return layout(extents, strides);
}

Result<ViewLayout> broadcast_to(const ArrayView& view, const ArrayShape& shape) {
  const ArrayShape& own_shape = view.shape;
  bool fits = own_shape.ndim() <= shape.ndim();
  std::size_t lead = fits ? shape.ndim() - own_shape.ndim() : 0;
  for (std::size_t k = 0; fits && k < own_shape.ndim(); ++k) {
    fits = own_shape[k] == 1 || own_shape[k] == shape[lead + k];
  }
  if (!fits) {
    return fail(DrovikError::bad_shape(
        "operands could not be broadcast together with remapped shapes [original->remapped]: " +
        shape_text(own_shape) + " and requested shape " + shape_text(shape)));
  }
  ViewLayout own = layout_of(view);
  ViewLayout result{0, shape, {}};
  for (std::size_t k = 0; k < shape.ndim(); ++k) {
    bool repeated = k < lead || own_shape[k - lead] != shape[k];
    result.strides.emplace_back(repeated ? 0 : own.strides[k - lead]);
  }
  return result;
}

std::vector<std::size_t> memory_order(const ArrayView& view) {
  if (view.strides == nullptr || view.is_c_contiguous()) return {};
  std::size_t ndim = view.shape.ndim();
  std::vector<std::size_t> order(ndim);
  for (std::size_t k = 0; k < ndim; ++k) order[k] = k;
  auto size = [&](std::size_t k) {
    return view.shape[k] == 1 ? PTRDIFF_MAX : std::abs(view.strides[k]);  // extent 1: anywhere
  };
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t x, std::size_t y) { return size(x) > size(y); });
  for (std::size_t k = 0; k < ndim; ++k) {
    if (order[k] != k) return order;
  }
  return {};
}

std::vector<std::size_t> inverse_order(std::span<const std::size_t> order) {
  std::vector<std::size_t> inverse(order.size());
  for (std::size_t k = 0; k < order.size(); ++k) inverse[order[k]] = k;
  return inverse;
}

}  // namespace drovik
