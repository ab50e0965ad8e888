#include "unit/unit_text.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/inline_vector.h"
#include "text/decimal_text.h"

namespace drovik {
namespace {

using FactorList = InlineVector<std::string, 6>;

void sort_factors(FactorList& factors) {
  // Insertion sort: lists are short, and std::string compares byte-wise.
  for (std::size_t i = 1; i < factors.size(); ++i) {
    for (std::size_t j = i; j > 0 && factors[j] < factors[j - 1]; --j) {
      std::swap(factors[j], factors[j - 1]);
    }
  }
}

void append_joined(std::string& out, const FactorList& factors) {
  for (std::size_t i = 0; i < factors.size(); ++i) {
    if (i > 0) out.push_back('.');
    out.append(factors[i]);
  }
}

template <UnitWord (SingleUnit::*Word)() const>
void append_rendering(std::string& out, const UnitCollection& units) {
  FactorList numerator;
  FactorList denominator;
  std::size_t numerator_size = 0;
  std::size_t denominator_size = 0;
  for (std::size_t i = 0; i < units.size(); ++i) {
    double exponent = units[i].exponent;
    if (!(exponent > 0.0 || exponent < 0.0)) continue;  // zero or NaN
    bool above = exponent > 0.0;
    double magnitude = above ? exponent : -exponent;
    std::string factor = (units[i].unit.*Word)().str();
    if (magnitude != 1.0) append_decimal_text(factor, magnitude);
    (above ? numerator_size : denominator_size) += factor.size() + 1;
    (above ? numerator : denominator).emplace_back(std::move(factor));
  }
  sort_factors(numerator);
  sort_factors(denominator);
  // A factor may be the empty text, so emptiness is decided by the joined
  // texts, not by the number of factors.
  std::string top;
  top.reserve(numerator_size);
  append_joined(top, numerator);
  std::string bottom;
  bottom.reserve(denominator_size);
  append_joined(bottom, denominator);
  out.push_back('[');
  if (bottom.empty()) {
    out.append(top);
  } else {
    out.append(top.empty() ? "1" : top);
    out.push_back('/');
    out.append(bottom);
  }
  out.push_back(']');
}

}  // namespace

void append_unit_text(std::string& out, const UnitCollection& units) {
  append_rendering<&SingleUnit::symbol>(out, units);
}

void append_descriptive_unit_text(std::string& out, const UnitCollection& units) {
  append_rendering<&SingleUnit::name>(out, units);
}

std::string as_string(const UnitCollection& units) {
  std::string out;
  append_unit_text(out, units);
  return out;
}

std::string as_descriptive_string(const UnitCollection& units) {
  std::string out;
  append_descriptive_unit_text(out, units);
  return out;
}

}  // namespace drovik
