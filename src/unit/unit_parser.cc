#include "unit/unit_parser.h"

#include <charconv>
#include <string>

#include "text/unicode_text.h"
#include "unit/spelling_suggestion.h"
#include "unit/unit_arithmetic.h"
#include "unit/unit_word_resolution.h"

namespace drovik {
namespace {

struct Piece {
  std::string_view word;
  std::string_view exponent;
};

// The exponent starts at the last numeric character; without one it is 1.
Piece split_piece(std::string_view piece) {
  std::size_t at = find_last_unicode_numeric(piece);
  if (at == std::string_view::npos) return {piece, "1"};
  return {piece.substr(0, at), piece.substr(at)};
}

std::optional<double> parse_exponent(std::string_view text) {
  // The usual exponents are one ASCII digit; they convert to that digit.
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '9') return text[0] - '0';
  double value = 0.0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Multiplies (or divides) `running` by every usable piece of `part`, and
// notes the first piece that is not usable in `unresolved`.
void apply_part(UnitCollection& running, std::string_view part, bool denominator,
                std::optional<std::string_view>& unresolved) {
  while (true) {
    std::size_t dot = part.find('.');
    std::string_view text = part.substr(0, dot);
    if (!text.empty() && text != "1") {
      Piece piece = split_piece(text);
      std::optional<double> exponent = parse_exponent(piece.exponent);
      std::optional<SingleUnit> unit = exponent ? search_for_unit_name(piece.word) : std::nullopt;
      if (unit) {
        apply_unit_power(running, *unit, *exponent, denominator);
      } else if (!unresolved) {
        unresolved = exponent ? piece.word : text;
      }
    }
    if (dot == std::string_view::npos) return;
    part.remove_prefix(dot + 1);
  }
}

// The parse, and the first piece of `text` that resolved to nothing.
struct Parse {
  std::optional<UnitCollection> units;
  std::optional<std::string_view> unresolved;
};

Parse parse(std::string_view text) {
  if (std::optional<SingleUnit> whole = search_for_unit_name(text)) {
    return {UnitCollection(std::move(*whole)), std::nullopt};
  }
  std::string_view trimmed = trim_unicode_white_space(text);
  std::size_t slash = trimmed.find('/');
  std::string_view numerator = trimmed.substr(0, slash);
  std::string_view denominator;
  if (slash != std::string_view::npos) {
    denominator = trimmed.substr(slash + 1);
    if (denominator.find('/') != std::string_view::npos) return {};
  }
  Parse result{UnitCollection(), std::nullopt};
  apply_part(*result.units, numerator, false, result.unresolved);
  apply_part(*result.units, denominator, true, result.unresolved);
  if (result.units->empty()) result.units.reset();
  return result;
}

}  // namespace

std::optional<UnitCollection> from_unit_name(std::string_view text) { return parse(text).units; }

bool parses_strictly(std::string_view text) {
  Parse result = parse(text);
  return !result.unresolved && result.units;
}

Result<UnitCollection> from_unit_name_strictly(std::string_view text) {
  Parse result = parse(text);
  if (result.unresolved) {
    std::optional<std::string> hint = suggested_spelling(*result.unresolved, text);
    return fail(DrovikError::unit_piece_not_found(std::string(*result.unresolved),
                                                  std::string(text), hint.value_or("")));
  }
  if (!result.units) return fail(DrovikError::unit_not_found(std::string(text)));
  return std::move(*result.units);
}

}  // namespace drovik
