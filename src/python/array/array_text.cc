// The texts of drovik_array.DrovikArray: str() and repr(), descriptive()
// and format().
#include "python/python_api.h"

#include <string_view>

#include "python/array/array_object.h"
#include "python/array/array_slots.h"
#include "python/exceptions.h"
#include "python/owned.h"
#include "python/results.h"
#include "text/decimal_text.h"
#include "text/text_buffer.h"
#include "unit/unit_text.h"

namespace drovik::python {
namespace {

// numpy's summarised layout: nested brackets, values separated by spaces,
// "..." for all but the first and last three along an axis of a large array.
constexpr std::size_t kSummariseFrom = 1000, kEdgeItems = 3;

// Lays out the values from `at` (in values from the first) along `axis`
// and the axes after it; false when append_value failed (with a Python
// exception set).
template <class AppendValue>
bool append_values(TextBuffer& out, const ArrayView& array, const Steps& steps,
                   std::size_t axis, std::ptrdiff_t at, bool summarise,
                   AppendValue& append_value) {
  if (axis == array.shape.ndim()) return append_value(out, array.data[at]);
  std::size_t extent = array.shape[axis];
  out.append("[");
  for (std::size_t i = 0; i < extent; ++i) {
    if (summarise && extent > 2 * kEdgeItems && i == kEdgeItems) {
      if (axis + 1 == array.shape.ndim()) {
        out.append(" ...");
      } else {  // as between rows: a blank line per axis below
        out.append(array.shape.ndim() - axis - 1, '\n');
        out.append(axis + 1, ' ');
        out.append("...");
      }
      i = extent - kEdgeItems - 1;
      continue;
    }
    if (i > 0 && axis + 1 == array.shape.ndim()) {
      out.append(" ");
    } else if (i > 0) {  // as numpy: a blank line per axis below, indented past the brackets
      out.append(array.shape.ndim() - axis - 1, '\n');
      out.append(axis + 1, ' ');
    }
    std::ptrdiff_t next = at + static_cast<std::ptrdiff_t>(i) * steps.along[axis];
    if (!append_values(out, array, steps, axis + 1, next, summarise, append_value)) {
      return false;
    }
  }
  out.append("]");
  return true;
}

// The values laid out by `append_value`, a space, then what `append_unit`
// writes.
template <class AppendValue, class AppendUnit>
PyObject* laid_out(PyObject* self, AppendValue append_value, AppendUnit append_unit) {
  return guarded([&]() -> PyObject* {
    ArrayView array = array_of(self);
    TextBuffer out;
    // As numpy prints every empty array, whatever its shape: one line per
    // index of a long leading axis would never end for (2**40, 0).
    if (array.shape.size() == 0 && array.shape.ndim() > 0) {
      out.append("[]");
    } else if (!append_values(out, array, array.steps(), 0, 0,
                              array.shape.size() > kSummariseFrom, append_value)) {
      return nullptr;
    }
    out.append(" ");
    append_unit(out, array.unit);
    return text_to_python(out.view());
  });
}

bool append_decimal(TextBuffer& out, double value) {
  append_decimal_text(out, value);
  return true;
}

void append_symbols(TextBuffer& out, const UnitRef& unit) { append_unit_text(out, unit); }

}  // namespace

namespace array_slots {

PyObject* text(PyObject* self) { return laid_out(self, append_decimal, append_symbols); }

PyObject* descriptive_method(PyObject* self, PyObject*) {
  return laid_out(self, append_decimal, [](TextBuffer& out, const UnitRef& unit) {
    append_descriptive_unit_text(out, *unit);
  });
}

PyObject* format_method(PyObject* self, PyObject* spec) {
  if (!PyUnicode_Check(spec)) {
    PyErr_Format(PyExc_TypeError, "__format__() argument must be str, not %.200s",
                 Py_TYPE(spec)->tp_name);
    return nullptr;
  }
  if (PyUnicode_GET_LENGTH(spec) == 0) return text(self);
  // Each value as format(float, spec) writes it, as a quantity's format does.
  auto append_formatted = [spec](TextBuffer& out, double value) {
    Owned number(PyFloat_FromDouble(value));
    if (!number) return false;
    Owned formatted(PyObject_Format(number.get(), spec));
    if (!formatted) return false;
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(formatted.get(), &size);
    if (utf8 == nullptr) return false;
    out.append(std::string_view(utf8, static_cast<std::size_t>(size)));
    return true;
  };
  return laid_out(self, append_formatted, append_symbols);
}

}  // namespace array_slots
}  // namespace drovik::python
