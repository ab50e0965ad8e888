// How a unit text the strict parser refuses was probably meant, for the
// common slips of texts from data files and other libraries: exponents
// written with ^ or ** ("m/s^2"), factors separated by spaces with signed
// exponents ("m s-1"), capitals ("MPH", "Meters") and plurals ("knots").
#ifndef DROVIK_UNIT_SPELLING_SUGGESTION_H_
#define DROVIK_UNIT_SPELLING_SUGGESTION_H_

#include <optional>
#include <string>
#include <string_view>

namespace drovik {

// The catalogue's spelling of what `text`, whose piece `piece` resolves to
// nothing, means: the spelling table's entry for the piece, or the whole
// text rewritten, or nothing. Every suggestion is itself accepted by the
// strict parse.
std::optional<std::string> suggested_spelling(std::string_view piece, std::string_view text);

}  // namespace drovik

#endif  // DROVIK_UNIT_SPELLING_SUGGESTION_H_
