// Parsing and unit arithmetic through small per-thread memos. Programs parse
// the same few unit texts and multiply the same few units over and over; for
// interned collections the second time costs a hash of the text, or of two
// pointers, and a compare. Each thread has its own memos: nothing on these
// paths writes memory another thread reads.
#ifndef DROVIK_UNIT_UNIT_MEMO_H_
#define DROVIK_UNIT_UNIT_MEMO_H_

#include <cstddef>
#include <optional>
#include <string_view>

#include "error/drovik_error.h"
#include "unit/unit_ref.h"

namespace drovik {

// Texts longer than this are parsed every time.
inline constexpr std::size_t kMemoTextSize = 47;

// What from_unit_name(text) returns, as a reference.
std::optional<UnitRef> parse_unit(std::string_view text);
// What from_unit_name_strictly(text) returns, as a reference.
Result<UnitRef> parse_unit_strictly(std::string_view text);

// mul, div and pow of unit_arithmetic.h, on references.
UnitRef multiply_units(const UnitRef& a, const UnitRef& b);
UnitRef divide_units(const UnitRef& a, const UnitRef& b);
UnitRef power_of_units(const UnitRef& a, double p);

}  // namespace drovik

#endif  // DROVIK_UNIT_UNIT_MEMO_H_
