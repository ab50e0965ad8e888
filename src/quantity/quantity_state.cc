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

namespace {

// A few roundings of sums as large as `history`, for each unit.
double history_roundings(double history) {
  return 8 * std::numeric_limits<double>::epsilon() * history;
}

// What the entries say the caches are: the dimensions, the sum of each
// dimension's terms' sizes and of its units' sizes; the scale's natural
// logarithm and sign (NaN when a negative scale has a fractional power),
// the sum of its terms' sizes and of its units' logarithms' sizes.
struct Recomputed {
  DimensionVector dimensions{}, terms{}, histories{};
  double log_scale = 0.0, sign = 1.0, scale_terms = 0.0, scale_histories = 0.0;
};

Recomputed recomputed_from_entries(const UnitCollection& unit) {
  Recomputed r;
  for (std::size_t i = 0; i < unit.size(); ++i) {
    const UnitEntry& entry = unit[i];
    for (std::size_t k = 0; k < kBaseDimensionCount; ++k) {
      double term = entry.unit.dimensions()[k] * entry.exponent;
      r.dimensions[k] += term;
      r.terms[k] += std::fabs(term);
      r.histories[k] += std::fabs(entry.unit.dimensions()[k]);
    }
    double scale = entry.unit.scale();
    double logarithm = std::log(std::fabs(scale));
    r.log_scale += entry.exponent * logarithm;
    if (scale < 0) r.sign *= std::pow(-1.0, entry.exponent);
    r.scale_terms += std::fabs(entry.exponent * logarithm);
    r.scale_histories += std::fabs(logarithm);
  }
  return r;
}

}  // namespace

// Rounding errors grow with the terms summed, not with the sum: when large
// exponents cancel (m**1e8 * ft**-1e8 * m**0.1), the saved dimension and the
// recomputed one may differ by far more than the result's own size. Each
// tolerance therefore scales with the sizes of the terms, plus the history's
// allowance. A scale is a product of powers, whose relative error grows with
// the sizes of their logarithms; it is compared as a logarithm.
bool caches_agree_with_entries(const UnitCollection& unit, double history) {
  Recomputed r = recomputed_from_entries(unit);
  double roundings = history_roundings(history);
  for (std::size_t k = 0; k < kBaseDimensionCount; ++k) {
    double tolerance = kDimensionTolerance * std::fmax(1.0, r.terms[k]) +
                       roundings * std::fmax(1.0, r.histories[k]);
    if (!agree(unit.dimensions()[k], r.dimensions[k], tolerance, true)) return false;
  }
  double saved = unit.scale();
  if (!std::isnormal(saved) || !std::isfinite(r.log_scale) || std::isnan(r.sign)) return true;
  if ((saved < 0) != (r.sign < 0)) return false;
  double tolerance = kScaleTolerance * std::fmax(1.0, r.scale_terms) +
                     roundings * std::fmax(1.0, r.scale_histories);
  return std::fabs(std::log(std::fabs(saved)) - r.log_scale) <= tolerance;
}

double history_needed(const UnitCollection& unit) {
  for (double history = kPlainHistory; history < 0x1p1000; history *= 0x1p8) {
    if (caches_agree_with_entries(unit, history)) return history;
  }
  return std::numeric_limits<double>::infinity();
}

}  // namespace drovik
