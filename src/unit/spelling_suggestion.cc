#include "unit/spelling_suggestion.h"

#include <cctype>
#include <vector>

#include "catalogue/spelling_hints.h"
#include "text/unicode_text.h"
#include "unit/unit_parser.h"
#include "unit/unit_word_resolution.h"

namespace drovik {
namespace {

std::optional<std::string> accepted(std::string candidate) {
  if (!parses_strictly(candidate)) return std::nullopt;
  return candidate;
}

// "m/s^2" and "kg/m**3": the grammar writes the exponent right after the word.
std::optional<std::string> without_exponent_marks(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '^') continue;
    if (text.substr(i, 2) == "**") {
      ++i;
      continue;
    }
    out.push_back(text[i]);
  }
  if (out.size() == text.size()) return std::nullopt;
  return accepted(std::move(out));
}

// One factor of a spaced text: a word, then an optional signed exponent of
// one digit ("s-1", "K+2", "m2").
struct Factor {
  std::string_view word;
  int exponent = 1;
};

std::optional<Factor> read_factor(std::string_view token) {
  Factor factor{token};
  std::size_t end = token.size();
  if (end >= 2 && token[end - 1] >= '1' && token[end - 1] <= '9') {
    factor.exponent = token[end - 1] - '0';
    std::size_t word_end = end - 1;
    if (token[word_end - 1] == '-' || token[word_end - 1] == '+') {
      if (token[word_end - 1] == '-') factor.exponent = -factor.exponent;
      --word_end;
    }
    factor.word = token.substr(0, word_end);
  }
  if (factor.word.empty()) return std::nullopt;
  return factor;
}

// "m s-1", "W m-2 K-1" (the space as a product, negative exponents as a
// denominator) and "m / s" (spaces around the grammar's own marks).
std::optional<std::string> from_spaced_factors(std::string_view text) {
  text = trim_unicode_white_space(text);
  if (text.find(' ') == std::string_view::npos) return std::nullopt;
  if (text.find_first_of("/.") != std::string_view::npos) {
    std::string joined;
    for (char c : text) {
      if (c != ' ') joined.push_back(c);
    }
    return accepted(std::move(joined));
  }
  std::string numerator, denominator;
  while (!text.empty()) {
    std::size_t space = text.find(' ');
    std::string_view token = text.substr(0, space);
    text.remove_prefix(space == std::string_view::npos ? text.size() : space + 1);
    if (token.empty()) continue;
    std::optional<Factor> factor = read_factor(token);
    if (!factor) return std::nullopt;
    std::string& part = factor->exponent > 0 ? numerator : denominator;
    if (!part.empty()) part.push_back('.');
    part.append(factor->word);
    int digits = factor->exponent > 0 ? factor->exponent : -factor->exponent;
    if (digits != 1) part.push_back(static_cast<char>('0' + digits));
  }
  std::string candidate = numerator.empty() ? "1" : numerator;
  if (!denominator.empty()) candidate += "/" + denominator;
  return accepted(std::move(candidate));
}

std::string ascii_lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// `text` with its part `piece` (a view into it, or found in it) replaced.
std::string replaced(std::string_view text, std::string_view piece, std::string_view with) {
  std::size_t at = piece.data() >= text.data() && piece.data() < text.data() + text.size()
                       ? static_cast<std::size_t>(piece.data() - text.data())
                       : text.find(piece);
  if (at == std::string_view::npos) return std::string(text);
  std::string out(text.substr(0, at));
  out.append(with);
  out.append(text.substr(at + piece.size()));
  return out;
}

// "MPH", "Meters", "KM": the spelling table's entry for the piece in small
// letters, or the whole text in small letters when that is a unit. (Only the
// piece is never lowered alone: "KM/H" is not "km/H", kilometres per henry.)
std::optional<std::string> in_small_letters(std::string_view piece, std::string_view text) {
  std::string lowered = ascii_lower(piece);
  if (lowered == piece) return std::nullopt;
  if (std::optional<std::string_view> hint = spelling_hint(lowered)) return std::string(*hint);
  return accepted(ascii_lower(text));
}

// "knots", "inches", "kgs": the word without its plural ending.
std::optional<std::string> singular(std::string_view piece, std::string_view text) {
  for (std::string_view ending : {std::string_view("s"), std::string_view("es")}) {
    if (piece.size() <= ending.size() || !piece.ends_with(ending)) continue;
    std::string_view stem = piece.substr(0, piece.size() - ending.size());
    if (!search_for_unit_name(stem)) continue;
    if (std::optional<std::string> candidate = accepted(replaced(text, piece, stem))) {
      return candidate;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> suggested_spelling(std::string_view piece, std::string_view text) {
  if (std::optional<std::string_view> hint = spelling_hint(piece)) return std::string(*hint);
  if (std::optional<std::string> fixed = without_exponent_marks(text)) return fixed;
  if (std::optional<std::string> fixed = from_spaced_factors(text)) return fixed;
  if (std::optional<std::string> fixed = in_small_letters(piece, text)) return fixed;
  return singular(piece, text);
}

}  // namespace drovik
