// The objects that stand for units in saved quantities, kept per thread.
//
// Pickle writes an object once and refers back to it wherever the same object
// recurs. Handing out the same description object for identical units lets a
// list of quantities in one unit carry the unit once.
#ifndef DROVIK_PYTHON_UNIT_DESCRIPTION_CACHE_H_
#define DROVIK_PYTHON_UNIT_DESCRIPTION_CACHE_H_

#include "python/python_api.h"

#include <cstddef>
#include <optional>

#include "unit/unit_ref.h"

namespace drovik::python {

using DescribeUnit = PyObject* (*)(const UnitCollection&);

// Units' texts of kSharedTextFrom bytes or more are shared between saved and
// loaded quantities through the caches below; shorter ones are copied. The
// caches never keep a text alive (its last quantity frees it); a thread keeps
// the str objects of at most kCachedTextBytes of texts, and a longer text is
// not cached (each state saving it writes its own copy).
inline constexpr std::size_t kSharedTextFrom = 64;
inline constexpr std::size_t kCachedTextBytes = 16 * 1024 * 1024;

// A new reference to a str of `text`: for a long text, the one this thread
// made lately for the same shared text, so that pickle writes a text many
// units share once. nullptr with an exception set on failure.
PyObject* text_object(const SingleUnit::SharedText& text);

// The text of the str `item` (exact str, checked by the caller): for a long
// text, the one this thread read lately from the same object, so that units
// loaded from many saved quantities sharing one text (through pickle's memo)
// keep one copy of it. Nothing, with an exception set, when `item` has no
// UTF-8 form.
std::optional<SingleUnit::SharedText> shared_text_of(PyObject* item);

// A new reference to the description of `unit`: the one this thread made
// lately for an identical collection, or a new one from `describe` (made
// afresh for a unit with a long text, which a cached one would keep). nullptr
// with an exception set on failure.
PyObject* cached_unit_description(const UnitRef& unit, DescribeUnit describe);

}  // namespace drovik::python

#endif  // DROVIK_PYTHON_UNIT_DESCRIPTION_CACHE_H_
