#include "array/array_layout.h"

#include <limits>
#include <string>
#include <vector>

namespace drovik {
namespace {

// numpy's text of the requested extents, -1 included: "(4, -1)".
std::string extents_text(std::span<const std::ptrdiff_t> extents) {
  std::string text = "(";
  for (std::size_t k = 0; k < extents.size(); ++k) {
    if (k > 0) text += ", ";
    text += std::to_string(extents[k]);
  }
  if (extents.size() == 1) text += ",";
  return text + ")";
}

}  // namespace

Result<ValueArray> reshaped(const ValueArray& array, std::span<const std::ptrdiff_t> extents) {
  std::size_t known = 1, unknown = extents.size();
  auto refuse = [&] {
    return fail(DrovikError::bad_shape("cannot reshape array of size " +
                                       std::to_string(array.shape.size()) + " into shape " +
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
  std::vector<std::size_t> shape(extents.begin(), extents.end());
  if (unknown < extents.size()) {
    if (known == 0 || array.shape.size() % known != 0) return refuse();
    shape[unknown] = array.shape.size() / known;
  } else if (known != array.shape.size()) {
    return refuse();
  }
  Result<ArrayShape> result = ArrayShape::of(shape);
  if (!result) return fail(std::move(result).error());
  return ValueArray{std::move(*result), array.values, array.unit};
}

ValueArray transposed(const ValueArray& array, std::span<const std::size_t> order) {
  const ArrayShape& shape = array.shape;
  std::size_t ndim = shape.ndim();
  std::vector<std::size_t> extents(ndim), source_step(ndim), steps(ndim);
  std::size_t step = 1;
  for (std::size_t k = ndim; k-- > 0;) {
    steps[k] = step;
    step *= shape[k];
  }
  for (std::size_t k = 0; k < ndim; ++k) {
    extents[k] = shape[order[k]];
    source_step[k] = steps[order[k]];
  }
  ArrayShape result = *ArrayShape::of(extents);
  Values out(result.size());
  std::vector<std::size_t> index(ndim, 0);
  std::size_t at = 0;
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = array.values[at];
    for (std::size_t k = ndim; k-- > 0;) {
      at += source_step[k];
      if (++index[k] < extents[k]) break;
      at -= source_step[k] * extents[k];
      index[k] = 0;
    }
  }
  return ValueArray{std::move(result), std::move(out), array.unit};
}

ValueArray squeezed(const ValueArray& array, std::span<const bool> drop) {
  std::vector<std::size_t> extents;
  for (std::size_t k = 0; k < array.shape.ndim(); ++k) {
    if (!drop[k]) extents.push_back(array.shape[k]);
  }
  return ValueArray{*ArrayShape::of(extents), array.values, array.unit};
}

}  // namespace drovik
