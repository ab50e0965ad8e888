// A quantity taken apart into plain fields and put back together, so that a
// saved quantity (a pickle, say) comes back the same in every respect: the
// value, each unit's five fields and exponent, and the cached dimensions and
// scale, which are restored as saved rather than recomputed.
//
// Two forms are read. The full form lists every field of every unit. The
// compact form names a collection of catalogue units by a unit text that
// parses back to it bit for bit, and lists the rest (custom units, exponents
// no text can write, caches that differ from a fresh parse) field by field.
#ifndef DROVIK_QUANTITY_QUANTITY_STATE_H_
#define DROVIK_QUANTITY_QUANTITY_STATE_H_

#include <optional>
#include <string>

#include "catalogue/dimension_vector.h"
#include "quantity/drovik.h"

namespace drovik {

struct UnitState {
  SingleUnit::SharedText name;
  SingleUnit::SharedText symbol;
  double scale = 1.0;
  double offset = 0.0;
  DimensionVector dimensions{};
  double exponent = 1.0;
};

// The unit `state` describes: the catalogue unit its symbol names when every
// field matches that unit bit for bit (so -0.0 is not 0.0 here), otherwise a
// custom unit owning (sharing) the saved texts.
SingleUnit restore_unit(const UnitState& state);

// The text of a collection of catalogue units that parses back to exactly
// `unit` (entries in order, every bit of exponents, dimensions and scale), or
// nothing when no text does.
std::optional<std::string> exact_unit_text(const UnitCollection& unit);

// The catalogue word that resolves to exactly `unit`, or nothing (a custom
// unit, or a prefixed word that names another unit, as "min" does).
std::optional<std::string> exact_unit_word(const SingleUnit& unit);

// Saved dimensions and scale are trusted only as far as they agree with
// the entries. Recomputed from the entries, each finite dimension must agree
// within kDimensionTolerance times the sum of its terms' sizes (at least 1),
// and a finite, normal scale within kScaleTolerance (relative) times the sum
// of its powers' logarithms' sizes (at least 1); the scale is recomputed as
// a sum of logarithms, so no intermediate power overflows or loses bits as a
// subnormal number. Infinities, NaN and subnormal values on either side are
// taken as saved: products that overflowed on the way depend on the order of
// the operations that made them.
//
// Exponents that cancelled on the way leave no trace in the entries
// (m**e * m**-e * m**0.1 keeps m**0.1), but their rounding stays in the
// dimensions and the scale, and it grows with the cancelled exponents, which
// may be as large as doubles hold. `history` is the largest sum such a
// history may have rounded: a few roundings of that size are allowed for
// each unit (at least one unit's worth). A collection that needs more than
// kPlainHistory is saved with the history it needs (history_needed), and
// the check of its saved state allows that much.
inline constexpr double kDimensionTolerance = 1e-9;
inline constexpr double kScaleTolerance = 1e-6;
inline constexpr double kPlainHistory = 0x1p32;
bool caches_agree_with_entries(const UnitCollection& unit, double history = kPlainHistory);

// The smallest history, kPlainHistory times a power of 2^8 or infinity,
// under which `unit`'s caches agree with its entries.
double history_needed(const UnitCollection& unit);

}  // namespace drovik

#endif  // DROVIK_QUANTITY_QUANTITY_STATE_H_
