#include "unit/unit_text.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/inline_vector.h"
#include "text/decimal_text.h"

namespace drovik {
namespace {

// One factor's text, kept as a span of a shared scratch buffer.
struct Factor {
  std::uint32_t offset;
  std::uint32_t length;
};

using FactorList = InlineVector<Factor, 8>;

constexpr std::size_t kInsertionSortLimit = 16;

std::string_view text_of(std::string_view scratch, Factor f) {
  return scratch.substr(f.offset, f.length);
}

void sort_factors(FactorList& factors, std::string_view scratch) {
  auto before = [scratch](Factor a, Factor b) { return text_of(scratch, a) < text_of(scratch, b); };
  if (factors.size() > kInsertionSortLimit) {
    // Long lists: a stable merge sort keeps equal texts in the order an
    // insertion sort leaves them, in O(n log n).
    std::vector<Factor> all(factors.size());
    for (std::size_t i = 0; i < factors.size(); ++i) all[i] = factors[i];
    std::stable_sort(all.begin(), all.end(), before);
    for (std::size_t i = 0; i < all.size(); ++i) factors[i] = all[i];
    return;
  }
  // Short lists, the usual case: insertion sort, without allocating.
  for (std::size_t i = 1; i < factors.size(); ++i) {
    for (std::size_t j = i; j > 0 && before(factors[j], factors[j - 1]); --j) {
      Factor held = factors[j];
      factors[j] = factors[j - 1];
      factors[j - 1] = held;
    }
  }
}

// Appends the factors joined by ".".
void append_joined(TextBuffer& out, const FactorList& factors, std::string_view scratch) {
  for (std::size_t i = 0; i < factors.size(); ++i) {
    if (i > 0) out.push_back('.');
    out.append(text_of(scratch, factors[i]));
  }
}

std::size_t joined_size(const FactorList& factors) {
  std::size_t size = factors.empty() ? 0 : factors.size() - 1;
  for (std::size_t i = 0; i < factors.size(); ++i) size += factors[i].length;
  return size;
}

template <UnitWord (SingleUnit::*Word)() const>
void append_rendering(TextBuffer& out, const UnitCollection& units) {
  TextBuffer scratch;
  FactorList numerator;
  FactorList denominator;
  for (std::size_t i = 0; i < units.size(); ++i) {
    double exponent = units[i].exponent;
    if (!(exponent > 0.0 || exponent < 0.0)) continue;  // zero or NaN
    bool above = exponent > 0.0;
    double magnitude = above ? exponent : -exponent;
    std::size_t start = scratch.size();
    UnitWord word = (units[i].unit.*Word)();
    scratch.append(word.head);
    scratch.append(word.tail);
    if (magnitude != 1.0) append_decimal_text(scratch, magnitude);
    Factor factor{static_cast<std::uint32_t>(start),
                  static_cast<std::uint32_t>(scratch.size() - start)};
    (above ? numerator : denominator).emplace_back(factor);
  }
  std::string_view texts = scratch.view();
  sort_factors(numerator, texts);
  sort_factors(denominator, texts);
  // Emptiness is decided by the joined texts, not by the number of factors.
  bool has_top = joined_size(numerator) > 0;
  bool has_bottom = joined_size(denominator) > 0;
  out.push_back('[');
  if (!has_bottom) {
    append_joined(out, numerator, texts);
  } else {
    if (has_top) {
      append_joined(out, numerator, texts);
    } else {
      out.push_back('1');
    }
    out.push_back('/');
    append_joined(out, denominator, texts);
  }
  out.push_back(']');
}

}  // namespace

void append_unit_text(TextBuffer& out, const UnitCollection& units) {
  append_rendering<&SingleUnit::symbol>(out, units);
}

void append_descriptive_unit_text(TextBuffer& out, const UnitCollection& units) {
  append_rendering<&SingleUnit::name>(out, units);
}

void append_unit_text(TextBuffer& out, const UnitRef& unit) {
  if (const InternedUnit* shared = unit.interned()) {
    out.append(shared->symbol_text());
  } else {
    append_unit_text(out, *unit);
  }
}

std::string as_string(const UnitCollection& units) {
  TextBuffer out;
  append_unit_text(out, units);
  return out.str();
}

std::string as_descriptive_string(const UnitCollection& units) {
  TextBuffer out;
  append_descriptive_unit_text(out, units);
  return out.str();
}

}  // namespace drovik
