#include "quantity/quantity_state.h"

#include <cmath>
#include <limits>

#include "unit/unit_parser.h"
#include "unit/unit_word_resolution.h"

namespace drovik {
namespace {

bool same_fields(const SingleUnit& unit, const UnitState& state) {
  return same_bits(unit.scale(), state.scale) && same_bits(unit.offset(), state.offset) &&
         same_bits(unit.dimensions(), state.dimensions) &&
         unit.name() == UnitWord{{}, *state.name} && unit.symbol() == UnitWord{{}, *state.symbol};
}

// The one-digit exponent a unit text can write after a word: 1 to 9 in the
// numerator, -1 to -9 in the denominator.
std::optional<int> text_exponent(double exponent) {
  for (int digit = 1; digit <= 9; ++digit) {
    if (same_bits(exponent, digit)) return digit;
    if (same_bits(exponent, -digit)) return -digit;
  }
  return std::nullopt;
}

// `saved` within `tolerance` of `recomputed`; true when either is not a
// finite normal number or zero, which recomputing cannot vouch for.
bool agree(double saved, double recomputed, double tolerance, bool allow_zero) {
  auto checkable = [allow_zero](double x) {
    return std::isnormal(x) || (allow_zero && x == 0.0);
  };
  if (!checkable(saved) || !checkable(recomputed)) return true;
  return std::fabs(saved - recomputed) <= tolerance;
}

}  // namespace

SingleUnit restore_unit(const UnitState& state) {
  std::optional<SingleUnit> catalogue = search_for_unit_name(*state.symbol);
  if (catalogue && same_fields(*catalogue, state)) return std::move(*catalogue);
  return SingleUnit::custom(state.name, state.symbol, state.scale, state.dimensions, state.offset);
}

std::optional<std::string> exact_unit_word(const SingleUnit& unit) {
  if (unit.is_custom()) return std::nullopt;
  std::string word = unit.symbol().str();
  std::optional<SingleUnit> resolved = search_for_unit_name(word);
  if (!resolved || !same_row(*resolved, unit)) return std::nullopt;
  return word;
}

std::optional<std::string> exact_unit_text(const UnitCollection& unit) {
  if (unit.empty()) return std::nullopt;
  std::string numerator, denominator;
  bool in_denominator = false;
  for (std::size_t i = 0; i < unit.size(); ++i) {
    const UnitEntry& entry = unit[i];
    std::optional<int> exponent = text_exponent(entry.exponent);
    // The parser lists numerator words before denominator words.
    if (!exponent || (in_denominator && *exponent > 0) || entry.unit.is_custom()) {
      return std::nullopt;
    }
    in_denominator = *exponent < 0;
    std::string& part = in_denominator ? denominator : numerator;
    if (!part.empty()) part.push_back('.');
    entry.unit.symbol().append_to(part);
    int digits = in_denominator ? -*exponent : *exponent;
    if (digits != 1) part.push_back(static_cast<char>('0' + digits));
  }
  std::string text = numerator.empty() ? "1" : numerator;
  if (!denominator.empty()) text += "/" + denominator;
  std::optional<UnitCollection> parsed = from_unit_name(text);
  if (!parsed || !identical(*parsed, unit)) return std::nullopt;
  return text;
}

// Exponents that cancelled on the way leave no trace in the entries
// (m**e * m**-e * m**0.1 keeps m**0.1), but their rounding stays in the
// dimensions and the scale. A few roundings of sums as large as 2^32 are
// allowed for each unit, on top of the terms' own share.
constexpr double kHistoryRoundings = 8 * std::numeric_limits<double>::epsilon() * 0x1p32;

// Rounding errors grow with the terms summed, not with the sum: when large
// exponents cancel (m**1e8 * ft**-1e8 * m**0.1), the saved dimension and the
// recomputed one may differ by far more than the result's own size. Each
// tolerance therefore scales with the sizes of the terms, plus the allowance
// above. A scale is a product of powers, whose relative error grows with the
// sizes of their logarithms.
bool caches_agree_with_entries(const UnitCollection& unit) {
  DimensionVector dimensions{}, terms{}, histories{};
  double scale = 1.0, scale_terms = 0.0, scale_histories = 0.0;
  for (std::size_t i = 0; i < unit.size(); ++i) {
    const UnitEntry& entry = unit[i];
    for (std::size_t k = 0; k < kBaseDimensionCount; ++k) {
      double term = entry.unit.dimensions()[k] * entry.exponent;
      dimensions[k] += term;
      terms[k] += std::fabs(term);
      histories[k] += std::fabs(entry.unit.dimensions()[k]);
    }
    double logarithm = std::fabs(std::log(std::fabs(entry.unit.scale())));
    scale *= std::pow(entry.unit.scale(), entry.exponent);
    scale_terms += std::fabs(entry.exponent) * logarithm;
    scale_histories += logarithm;
  }
  for (std::size_t k = 0; k < kBaseDimensionCount; ++k) {
    double tolerance =
        kDimensionTolerance * std::fmax(1.0, terms[k]) + kHistoryRoundings * histories[k];
    if (!agree(unit.dimensions()[k], dimensions[k], tolerance, true)) return false;
  }
  double relative =
      kScaleTolerance * std::fmax(1.0, scale_terms) + kHistoryRoundings * scale_histories;
  return agree(unit.scale(), scale, relative * std::fabs(scale), false);
}

}  // namespace drovik
