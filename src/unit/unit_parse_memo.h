// Parsing with a short per-thread memory of the texts parsed last, for callers
// that see the same few unit texts over and over (loading a list of
// quantities saved in one unit). Nothing is shared between threads.
#ifndef DROVIK_UNIT_UNIT_PARSE_MEMO_H_
#define DROVIK_UNIT_UNIT_PARSE_MEMO_H_

#include <cstddef>
#include <optional>
#include <string_view>

#include "unit/unit_collection.h"

namespace drovik {

// Texts longer than this are parsed every time and not kept.
inline constexpr std::size_t kRememberedTextSize = 256;

// What from_unit_name(text) returns.
std::optional<UnitCollection> from_unit_name_remembered(std::string_view text);

}  // namespace drovik

#endif  // DROVIK_UNIT_UNIT_PARSE_MEMO_H_
