// Fuzzes the unit expression parser and the word index: any bytes must parse
// or not without crashing, the index must agree with the resolution rules,
// and whatever parses must render.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "unit/unit_parser.h"
#include "unit/unit_text.h"
#include "unit/unit_word_resolution.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto fast = drovik::resolve_unit_word(text);
  auto rules = drovik::resolve_unit_word_by_rules(text);
  if (fast.has_value() != rules.has_value()) std::abort();
  if (fast && (fast->row != rules->row || fast->prefix != rules->prefix)) std::abort();
  if (auto units = drovik::from_unit_name(text)) {
    if (units->empty()) std::abort();  // nothing is returned instead
    std::string symbols = drovik::as_string(*units);
    std::string names = drovik::as_descriptive_string(*units);
    if (symbols.front() != '[' || symbols.back() != ']' || names.front() != '[') std::abort();
  }
  return 0;
}
