#include "unit/unit_parser.h"

#include <charconv>

#include "text/unicode_text.h"
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

// Multiplies (or divides) `running` by every usable piece of `part`.
void apply_part(UnitCollection& running, std::string_view part, bool denominator) {
  while (true) {
    std::size_t dot = part.find('.');
    std::string_view text = part.substr(0, dot);
    if (!text.empty() && text != "1") {
      Piece piece = split_piece(text);
      std::optional<double> exponent = parse_exponent(piece.exponent);
      std::optional<SingleUnit> unit = exponent ? search_for_unit_name(piece.word) : std::nullopt;
      if (unit) apply_unit_power(running, *unit, *exponent, denominator);
    }
    if (dot == std::string_view::npos) return;
    part.remove_prefix(dot + 1);
  }
}

}  // namespace

std::optional<UnitCollection> from_unit_name(std::string_view text) {
  if (std::optional<SingleUnit> whole = search_for_unit_name(text)) {
    return UnitCollection(std::move(*whole));
  }
  std::string_view trimmed = trim_unicode_white_space(text);
  std::size_t slash = trimmed.find('/');
  std::string_view numerator = trimmed.substr(0, slash);
  std::string_view denominator;
  if (slash != std::string_view::npos) {
    denominator = trimmed.substr(slash + 1);
    if (denominator.find('/') != std::string_view::npos) return std::nullopt;
  }
  UnitCollection running;
  apply_part(running, numerator, false);
  apply_part(running, denominator, true);
  if (running.empty()) return std::nullopt;
  return running;
}

}  // namespace drovik
