#include "unit/unit_parse_memo.h"

#include <array>
#include <string>

#include "unit/unit_parser.h"

namespace drovik {
namespace {

struct Remembered {
  std::string text;
  std::optional<UnitCollection> unit;
};

// A few texts, replaced in turn.
struct ParseMemo {
  std::array<Remembered, 4> slots;
  std::size_t next = 0;
};

thread_local ParseMemo t_memo;

}  // namespace

std::optional<UnitCollection> from_unit_name_remembered(std::string_view text) {
  if (text.size() > kRememberedTextSize) return from_unit_name(text);
  for (const Remembered& slot : t_memo.slots) {
    if (slot.unit && slot.text == text) return slot.unit;
  }
  std::optional<UnitCollection> parsed = from_unit_name(text);
  if (parsed) {
    Remembered& slot = t_memo.slots[t_memo.next];
    t_memo.next = (t_memo.next + 1) % t_memo.slots.size();
    slot.text.assign(text);
    slot.unit = parsed;
  }
  return parsed;
}

}  // namespace drovik
