// Rendering of unit collections: "[kg.m/s2]" with symbols, or
// "[kilogram.meter/second2]" with names.
#ifndef DROVIK_UNIT_UNIT_TEXT_H_
#define DROVIK_UNIT_UNIT_TEXT_H_

#include <string>

#include "text/text_buffer.h"
#include "unit/unit_collection.h"
#include "unit/unit_ref.h"

namespace drovik {

// Positive exponents go to the numerator, negative ones (by magnitude) to the
// denominator; exponents of exactly +-1 are not written, zero and NaN
// exponents hide their unit. Each side is sorted byte-wise and joined with
// ".". A pure denominator renders as "[1/...]", the unitless collection as
// "[]".
std::string as_string(const UnitCollection& units);
std::string as_descriptive_string(const UnitCollection& units);

void append_unit_text(TextBuffer& out, const UnitCollection& units);
// The same for a quantity's unit: an interned unit's text is rendered once
// and kept.
void append_unit_text(TextBuffer& out, const UnitRef& unit);
void append_descriptive_unit_text(TextBuffer& out, const UnitCollection& units);

}  // namespace drovik

#endif  // DROVIK_UNIT_UNIT_TEXT_H_
