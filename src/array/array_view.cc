#include "array/array_view.h"

#include "array/element_loops.h"

namespace drovik {

Steps ArrayView::steps() const {
  Steps steps{};
  std::ptrdiff_t step = 1;
  for (std::size_t k = shape.ndim(); k-- > 0;) {
    steps.along[k] = strides != nullptr
                         ? strides[k] / static_cast<std::ptrdiff_t>(sizeof(double))
                         : step;
    step *= static_cast<std::ptrdiff_t>(shape[k]);
  }
  return steps;
}

bool ArrayView::is_c_contiguous() const {
  if (strides == nullptr || shape.size() == 0) return true;
  std::ptrdiff_t step = sizeof(double);
  for (std::size_t k = shape.ndim(); k-- > 0;) {
    if (shape[k] == 1) continue;
    if (strides[k] != step) return false;
    step *= static_cast<std::ptrdiff_t>(shape[k]);
  }
  return true;
}

ByteStrides c_strides(const ArrayShape& shape) {
  ByteStrides strides;
  for (std::size_t k = 0; k < shape.ndim(); ++k) strides.emplace_back(0);
  std::ptrdiff_t step = sizeof(double);
  for (std::size_t k = shape.ndim(); k-- > 0;) {
    strides[k] = step;
    step *= static_cast<std::ptrdiff_t>(shape[k]);
  }
  return strides;
}

ViewLayout layout_of(const ArrayView& view) {
  ViewLayout layout{0, view.shape, {}};
  if (view.strides == nullptr) {
    layout.strides = c_strides(view.shape);
  } else {
    for (std::size_t k = 0; k < view.shape.ndim(); ++k) {
      layout.strides.emplace_back(view.strides[k]);
    }
  }
  return layout;
}

Values gathered(const ArrayView& view) {
  return detail::mapped<double>(view, [](double x) { return x; });
}

}  // namespace drovik
