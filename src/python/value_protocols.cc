#include "python/value_protocols.h"

#include <bit>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "python/drovik_object.h"
#include "python/exceptions.h"
#include "python/owned.h"
#include "python/results.h"
#include "python/unit_description_cache.h"
#include "quantity/quantity_state.h"
#include "quantity/quantity_text.h"
#include "unit/unit_memo.h"
#include "unit/unit_text.h"
#include "unit/unit_word_resolution.h"

namespace drovik::python {
namespace {

// The saved state, as the arguments of Drovik._restore.
//
// Version 2, two arguments: (value, unit). The value is the double's 8 bytes,
// little-endian, so NaN payloads and -0.0 survive every protocol. The unit is
//   - a str, a unit text that parses back to exactly the saved collection
//     ("km/hr"), or
//   - a tuple (units, numbers): units lists each unit as a str (a catalogue
//     word that resolves back to it) or a tuple (name, symbol, fields), fields
//     being 80 bytes of scale, offset and eight dimensions; numbers are the
//     bytes of the eight dimensions and the scale of the collection, then each
//     unit's exponent, then, only for a collection whose history of
//     cancelled exponents needs it, the largest sum that history may have
//     rounded (see caches_agree_with_entries).
// The same unit in many quantities is the same object (see
// unit_description_cache.h), so pickle writes it once.
//
// Version 1, one argument: (1, value, ((name, symbol, scale, offset,
// dimensions, exponent), ...), dimensions, scale), each double as the int of
// its 64 bits and dimensions as a tuple of eight. It is still read.
constexpr long kVersion1 = 1;
constexpr Py_ssize_t kVersion1Size = 5;
constexpr Py_ssize_t kVersion1UnitSize = 6;
constexpr std::size_t kDoubleSize = 8;
constexpr std::size_t kDimensionsSize = kBaseDimensionCount * kDoubleSize;
constexpr std::size_t kCustomFieldsSize = 2 * kDoubleSize + kDimensionsSize;
constexpr std::size_t kCollectionNumbersSize = kDimensionsSize + kDoubleSize;

}  // namespace

// Doubles as bytes.

void store_double(char* at, double value) {
  auto bits = std::bit_cast<std::uint64_t>(value);
  for (int i = 0; i < 8; ++i) at[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
}

double get_double(const char* at) {
  std::uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) {
    bits |= static_cast<std::uint64_t>(static_cast<unsigned char>(at[i])) << (8 * i);
  }
  return std::bit_cast<double>(bits);
}

namespace {

void put_double(std::string& out, double value) {
  char bytes[kDoubleSize];
  store_double(bytes, value);
  out.append(bytes, kDoubleSize);
}

void put_dimensions(std::string& out, const DimensionVector& dimensions) {
  for (std::size_t k = 0; k < kBaseDimensionCount; ++k) put_double(out, dimensions[k]);
}

DimensionVector get_dimensions(const char* at) {
  DimensionVector dimensions{};
  for (std::size_t k = 0; k < kBaseDimensionCount; ++k) {
    dimensions[k] = get_double(at + k * kDoubleSize);
  }
  return dimensions;
}

PyObject* bytes_of(const std::string& bytes) {
  return PyBytes_FromStringAndSize(bytes.data(), static_cast<Py_ssize_t>(bytes.size()));
}

// Saving.

// A custom unit's name and symbol are the str objects this thread gave the
// same shared texts lately, so a text many units share is written once.
PyObject* unit_item(const SingleUnit& unit) {
  if (std::optional<std::string> word = exact_unit_word(unit)) return text_to_python(*word);
  std::string fields;
  put_double(fields, unit.scale());
  put_double(fields, unit.offset());
  put_dimensions(fields, unit.dimensions());
  Owned name(unit.is_custom() ? text_object(*unit.shared_name())
                              : text_to_python(unit.name().str()));
  if (!name) return nullptr;
  Owned symbol(unit.is_custom() ? text_object(*unit.shared_symbol())
                                : text_to_python(unit.symbol().str()));
  if (!symbol) return nullptr;
  return Py_BuildValue("(OON)", name.get(), symbol.get(), bytes_of(fields));
}

PyObject* describe_unit(const UnitCollection& unit) {
  if (std::optional<std::string> text = exact_unit_text(unit)) return text_to_python(*text);
  Owned units(PyTuple_New(static_cast<Py_ssize_t>(unit.size())));
  if (!units) return nullptr;
  std::string numbers;
  put_dimensions(numbers, unit.dimensions());
  put_double(numbers, unit.scale());
  for (std::size_t i = 0; i < unit.size(); ++i) {
    PyObject* item = unit_item(unit[i].unit);
    if (item == nullptr) return nullptr;
    PyTuple_SET_ITEM(units.get(), static_cast<Py_ssize_t>(i), item);
    put_double(numbers, unit[i].exponent);
  }
  if (!caches_agree_with_entries(unit)) put_double(numbers, history_needed(unit));
  return Py_BuildValue("(ON)", units.get(), bytes_of(numbers));
}

// Reading. Each reader sets TypeError or ValueError and returns false on the
// first thing that does not fit; nothing is allocated for a unit before the
// one ahead of it has been read and checked.

bool wrong_type(const char* what, const char* expected, PyObject* item) {
  PyErr_Format(PyExc_TypeError, "Drovik state: %s must be %s, not %.200s", what, expected,
               Py_TYPE(item)->tp_name);
  return false;
}

bool read_tuple(PyObject* item, Py_ssize_t size, const char* what) {
  if (!PyTuple_Check(item)) return wrong_type(what, "a tuple", item);
  if (size >= 0 && PyTuple_GET_SIZE(item) != size) {
    PyErr_Format(PyExc_ValueError, "Drovik state: %s must have %zd items, not %zd", what, size,
                 PyTuple_GET_SIZE(item));
    return false;
  }
  return true;
}

bool read_bytes(PyObject* item, std::size_t size, const char* what, const char*& out) {
  if (!PyBytes_CheckExact(item)) return wrong_type(what, "bytes", item);
  if (static_cast<std::size_t>(PyBytes_GET_SIZE(item)) != size) {
    PyErr_Format(PyExc_ValueError, "Drovik state: %s must be %zu bytes, not %zd", what, size,
                 PyBytes_GET_SIZE(item));
    return false;
  }
  out = PyBytes_AS_STRING(item);
  return true;
}

bool read_bits(PyObject* item, const char* what, double& out) {
  if (!PyLong_CheckExact(item)) return wrong_type(what, "an int", item);
  unsigned long long bits = PyLong_AsUnsignedLongLong(item);
  if (bits == static_cast<unsigned long long>(-1) && PyErr_Occurred()) {
    PyErr_Clear();  // OverflowError of a negative or too large int, from no user code
    PyErr_Format(PyExc_ValueError, "Drovik state: %s is not the 64 bits of a double", what);
    return false;
  }
  out = std::bit_cast<double>(static_cast<std::uint64_t>(bits));
  return true;
}

std::optional<std::string_view> utf8_of(PyObject* item, const char* what) {
  if (!PyUnicode_CheckExact(item)) {
    wrong_type(what, "a str", item);
    return std::nullopt;
  }
  Py_ssize_t size = 0;
  const char* utf8 = PyUnicode_AsUTF8AndSize(item, &size);
  if (utf8 == nullptr) return std::nullopt;  // a lone surrogate: UnicodeEncodeError, a ValueError
  return std::string_view(utf8, static_cast<std::size_t>(size));
}

// The texts of one state, each str object copied once: a state whose units
// share a name object (as a pickle's memo makes them) keeps one copy of it.
// Long texts are also shared across states, through this thread's cache.
class SharedTexts {
 public:
  bool read(PyObject* item, const char* what, SingleUnit::SharedText& out) {
    auto known = texts_.find(item);
    if (known != texts_.end()) {
      out = known->second;
      return true;
    }
    if (!PyUnicode_CheckExact(item)) return wrong_type(what, "a str", item);
    std::optional<SingleUnit::SharedText> text = shared_text_of(item);
    if (!text) return false;
    out = std::move(*text);
    texts_.emplace(item, out);  // the state holds `item` for the whole load
    return true;
  }

 private:
  std::unordered_map<PyObject*, SingleUnit::SharedText> texts_;
};

// A collection read unit by unit; the cached dimensions and scale are set
// before the first unit and checked after the last.
class CollectionReader {
 public:
  CollectionReader(const DimensionVector& dimensions, double scale,
                   double history = kPlainHistory)
      : unit_(dimensions, scale), history_(history) {}

  bool add(SingleUnit unit, double exponent) {
    if (unit_.find(unit) != unit_.size()) {
      PyErr_SetString(PyExc_ValueError, "Drovik state: a unit is listed twice");
      return false;
    }
    unit_.insert(std::move(unit), exponent);
    return true;
  }

  std::optional<UnitRef> finish() {
    if (!caches_agree_with_entries(unit_, history_)) {
      PyErr_SetString(PyExc_ValueError,
                      "Drovik state: the saved dimensions or scale disagree with the units");
      return std::nullopt;
    }
    return UnitRef(std::move(unit_));
  }

 private:
  UnitCollection unit_;
  double history_;
};

PyObject* restored(double value, std::optional<UnitRef>&& unit) {
  if (!unit) return nullptr;
  return wrap(Drovik{value, std::move(*unit)});
}

// Version 1.

bool read_dimensions_v1(PyObject* item, DimensionVector& out) {
  if (!read_tuple(item, kBaseDimensionCount, "dimensions")) return false;
  for (std::size_t k = 0; k < kBaseDimensionCount; ++k) {
    if (!read_bits(PyTuple_GET_ITEM(item, static_cast<Py_ssize_t>(k)), "a dimension", out[k])) {
      return false;
    }
  }
  return true;
}

bool read_unit_v1(PyObject* item, SharedTexts& texts, UnitState& out) {
  return read_tuple(item, kVersion1UnitSize, "a unit") &&
         texts.read(PyTuple_GET_ITEM(item, 0), "a unit name", out.name) &&
         texts.read(PyTuple_GET_ITEM(item, 1), "a unit symbol", out.symbol) &&
         read_bits(PyTuple_GET_ITEM(item, 2), "a unit scale", out.scale) &&
         read_bits(PyTuple_GET_ITEM(item, 3), "a unit offset", out.offset) &&
         read_dimensions_v1(PyTuple_GET_ITEM(item, 4), out.dimensions) &&
         read_bits(PyTuple_GET_ITEM(item, 5), "a unit exponent", out.exponent);
}

bool read_version_1(PyObject* item) {
  if (!PyLong_CheckExact(item)) return wrong_type("the version", "an int", item);
  int overflow = 0;
  long version = PyLong_AsLongAndOverflow(item, &overflow);
  if (overflow != 0 || version != kVersion1) {
    PyErr_Format(PyExc_ValueError, "Drovik state: unknown version %R", item);
    return false;
  }
  return true;
}

PyObject* restore_version_1(PyObject* state) {
  if (!read_tuple(state, -1, "the state")) return nullptr;
  if (PyTuple_GET_SIZE(state) < 1) {
    PyErr_SetString(PyExc_ValueError, "Drovik state: the state is empty");
    return nullptr;
  }
  if (!read_version_1(PyTuple_GET_ITEM(state, 0)) ||
      !read_tuple(state, kVersion1Size, "the state")) {
    return nullptr;
  }
  double value = 0.0, scale = 0.0;
  DimensionVector dimensions{};
  PyObject* units = PyTuple_GET_ITEM(state, 2);
  if (!read_bits(PyTuple_GET_ITEM(state, 1), "the value", value) ||
      !read_tuple(units, -1, "the units") ||
      !read_dimensions_v1(PyTuple_GET_ITEM(state, 3), dimensions) ||
      !read_bits(PyTuple_GET_ITEM(state, 4), "the scale", scale)) {
    return nullptr;
  }
  CollectionReader reader(dimensions, scale);
  SharedTexts texts;
  for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(units); ++i) {
    UnitState unit;
    if (!read_unit_v1(PyTuple_GET_ITEM(units, i), texts, unit) ||
        !reader.add(restore_unit(unit), unit.exponent)) {
      return nullptr;
    }
  }
  return restored(value, reader.finish());
}

// Version 2.

std::optional<UnitRef> read_unit_text(PyObject* item) {
  std::optional<std::string_view> text = utf8_of(item, "the unit");
  if (!text) return std::nullopt;
  std::optional<UnitRef> unit = parse_unit(*text);
  if (!unit) PyErr_Format(PyExc_ValueError, "Drovik state: the unit text %R names no unit", item);
  return unit;
}

std::optional<SingleUnit> read_unit_item(PyObject* item, SharedTexts& texts) {
  if (PyUnicode_CheckExact(item)) {
    std::optional<std::string_view> word = utf8_of(item, "a unit");
    if (!word) return std::nullopt;
    std::optional<SingleUnit> unit = search_for_unit_name(*word);
    if (!unit) PyErr_Format(PyExc_ValueError, "Drovik state: the unit word %R names no unit", item);
    return unit;
  }
  UnitState state;
  const char* fields = nullptr;
  if (!read_tuple(item, 3, "a unit") ||
      !texts.read(PyTuple_GET_ITEM(item, 0), "a unit name", state.name) ||
      !texts.read(PyTuple_GET_ITEM(item, 1), "a unit symbol", state.symbol) ||
      !read_bytes(PyTuple_GET_ITEM(item, 2), kCustomFieldsSize, "a unit's fields", fields)) {
    return std::nullopt;
  }
  state.scale = get_double(fields);
  state.offset = get_double(fields + kDoubleSize);
  state.dimensions = get_dimensions(fields + 2 * kDoubleSize);
  return restore_unit(state);
}

std::optional<UnitRef> read_unit_tuple(PyObject* item) {
  if (!read_tuple(item, 2, "the unit")) return std::nullopt;
  PyObject* units = PyTuple_GET_ITEM(item, 0);
  const char* numbers = nullptr;
  if (!read_tuple(units, -1, "the units")) return std::nullopt;
  auto count = static_cast<std::size_t>(PyTuple_GET_SIZE(units));
  std::size_t size = kCollectionNumbersSize + count * kDoubleSize;
  PyObject* numbers_item = PyTuple_GET_ITEM(item, 1);
  bool has_history = PyBytes_CheckExact(numbers_item) &&
                     static_cast<std::size_t>(PyBytes_GET_SIZE(numbers_item)) == size + kDoubleSize;
  if (!read_bytes(numbers_item, size + (has_history ? kDoubleSize : 0), "the unit's numbers",
                  numbers)) {
    return std::nullopt;
  }
  const char* exponents = numbers + kCollectionNumbersSize;
  double history = has_history ? get_double(exponents + count * kDoubleSize) : kPlainHistory;
  if (!(history >= kPlainHistory)) {  // NaN too
    PyErr_SetString(PyExc_ValueError, "Drovik state: the unit's history is not a size");
    return std::nullopt;
  }
  CollectionReader reader(get_dimensions(numbers), get_double(numbers + kDimensionsSize), history);
  SharedTexts texts;
  for (std::size_t i = 0; i < count; ++i) {
    std::optional<SingleUnit> unit =
        read_unit_item(PyTuple_GET_ITEM(units, static_cast<Py_ssize_t>(i)), texts);
    if (!unit || !reader.add(std::move(*unit), get_double(exponents + i * kDoubleSize))) {
      return std::nullopt;
    }
  }
  return reader.finish();
}

PyObject* restore_version_2(PyObject* value_bytes, PyObject* unit) {
  const char* value = nullptr;
  if (!read_bytes(value_bytes, kDoubleSize, "the value", value)) return nullptr;
  return restored(get_double(value), restored_unit(unit));
}

}  // namespace

PyObject* saved_unit(const UnitRef& unit) {
  return cached_unit_description(unit, describe_unit);
}

std::optional<UnitRef> restored_unit(PyObject* item) {
  return PyUnicode_Check(item) ? read_unit_text(item) : read_unit_tuple(item);
}

PyObject* reduce_method(PyObject* self, PyObject*) {
  return guarded([&]() -> PyObject* {
    Borrow receiver = borrow_silent(self);
    if (!receiver) return receiver.refused();
    const Drovik& q = receiver.quantity();
    // A static method: the same object every time, so pickle's memo writes it
    // once for a whole list of quantities.
    Owned restore(PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(self)), "_restore"));
    if (!restore) return nullptr;
    std::string value;
    put_double(value, q.value);
    PyObject* unit = saved_unit(q.unit);
    if (unit == nullptr) return nullptr;
    return Py_BuildValue("(O(NN))", restore.get(), bytes_of(value), unit);
  });
}

PyObject* restore_method(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
  return guarded([&]() -> PyObject* {
    if (nargs == 1) return restore_version_1(args[0]);
    if (nargs == 2) return restore_version_2(args[0], args[1]);
    PyErr_Format(PyExc_TypeError, "Drovik._restore takes a saved state of 1 or 2 items, not %zd",
                 nargs);
    return nullptr;
  });
}

PyObject* copy_method(PyObject* self, PyObject*) {
  return guarded([&]() -> PyObject* {
    Borrow receiver = borrow_silent(self);
    if (!receiver) return receiver.refused();
    return Py_NewRef(self);
  });
}

PyObject* deepcopy_method(PyObject* self, PyObject*) { return copy_method(self, nullptr); }

PyObject* format_method(PyObject* self, PyObject* spec) {
  return guarded([&]() -> PyObject* {
    if (!PyUnicode_Check(spec)) {
      PyErr_Format(PyExc_TypeError, "__format__() argument must be str, not %.200s",
                   Py_TYPE(spec)->tp_name);
      return nullptr;
    }
    Borrow receiver = borrow_silent(self);
    if (!receiver) return receiver.refused();
    const Drovik& q = receiver.quantity();
    if (PyUnicode_GET_LENGTH(spec) == 0) return rendered(q, append_text);
    Owned value(PyFloat_FromDouble(q.value));
    if (!value) return nullptr;
    Owned number(PyObject_Format(value.get(), spec));
    if (!number) return nullptr;
    TextBuffer unit;
    unit.push_back(' ');
    append_unit_text(unit, q.unit);
    Owned unit_text(text_to_python(unit.view()));
    if (!unit_text) return nullptr;
    return PyUnicode_Concat(number.get(), unit_text.get());
  });
}

}  // namespace drovik::python
